#include "EditRecord.h"

#include <algorithm>
#include <utility>

namespace mobrix {

namespace {

// Where the slice's copy of a table comes from when the model did not hold
// the table as the slice was taken.
enum class Fallback { Blank, Positions, Normals };

template <class F>
void ForEachVertexTable(F&& f)
{
    f(&CarModel::Vertices, &ModelSlice::Vertices, Fallback::Blank);
    f(&CarModel::Normals, &ModelSlice::Normals, Fallback::Blank);
    f(&CarModel::Reserved1, &ModelSlice::Reserved1, Fallback::Blank);
    f(&CarModel::Reserved2, &ModelSlice::Reserved2, Fallback::Blank);
    f(&CarModel::Reserved3, &ModelSlice::Reserved3, Fallback::Blank);
    f(&CarModel::NormalVerts, &ModelSlice::NormalVerts, Fallback::Positions);
    f(&CarModel::NormalNorms, &ModelSlice::NormalNorms, Fallback::Normals);
    f(&CarModel::Undamaged2Verts, &ModelSlice::Undamaged2Verts, Fallback::Positions);
    f(&CarModel::Undamaged2Norms, &ModelSlice::Undamaged2Norms, Fallback::Normals);
    f(&CarModel::DamagedVerts, &ModelSlice::DamagedVerts, Fallback::Positions);
    f(&CarModel::DamagedNorms, &ModelSlice::DamagedNorms, Fallback::Normals);
    f(&CarModel::VertReservedA, &ModelSlice::VertReservedA, Fallback::Blank);
    f(&CarModel::VertReservedB, &ModelSlice::VertReservedB, Fallback::Blank);
    f(&CarModel::VertFlags, &ModelSlice::VertFlags, Fallback::Blank);
    f(&CarModel::VertReservedC, &ModelSlice::VertReservedC, Fallback::Blank);
    f(&CarModel::VertSelected, &ModelSlice::VertSelected, Fallback::Blank);
}

template <class F>
void ForEachTriangleTable(F&& f)
{
    f(&CarModel::Triangles, &ModelSlice::Triangles, Fallback::Blank);
    f(&CarModel::TriReserved, &ModelSlice::TriReserved, Fallback::Blank);
    f(&CarModel::TriState, &ModelSlice::TriState, Fallback::Blank);
}

// A table takes part when it runs parallel to its main table (a model
// without NFSIV sets holds those tables empty) and covers the window.
template <class Table>
bool Holds(const Table& table, std::size_t parallelTo, std::size_t first, std::size_t count)
{
    return table.size() == parallelTo && first + count <= table.size();
}

template <class Table>
Table CopyOut(const Table& table, std::size_t first, std::size_t count)
{
    const auto from = table.begin() + static_cast<std::ptrdiff_t>(first);
    return Table(from, from + static_cast<std::ptrdiff_t>(count));
}

// Replaces table[first, first + oldCount) by `with`, moving the tail once.
template <class Table>
void Splice(Table& table, std::size_t first, std::size_t oldCount, const Table& with)
{
    const std::size_t newCount = with.size();
    const auto at = table.begin() + static_cast<std::ptrdiff_t>(first);
    if (newCount > oldCount)
        table.insert(at + static_cast<std::ptrdiff_t>(oldCount), newCount - oldCount, typename Table::value_type{});
    else if (newCount < oldCount)
        table.erase(at + static_cast<std::ptrdiff_t>(newCount), at + static_cast<std::ptrdiff_t>(oldCount));
    std::copy(with.begin(), with.end(), table.begin() + static_cast<std::ptrdiff_t>(first));
}

template <class Table>
Table FallbackTable(const ModelSlice& slice, Fallback fallback, std::size_t count)
{
    if constexpr (std::is_same_v<Table, std::vector<Vec3>>) {
        if (fallback == Fallback::Positions && slice.Vertices.size() == count)
            return slice.Vertices;
        if (fallback == Fallback::Normals && slice.Normals.size() == count)
            return slice.Normals;
    }
    return Table(count);
}

// Whether a table runs along the vertices or along the triangles.
enum class Rows { Vertices, Triangles };

struct Sizes {
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    std::size_t Of(Rows rows) const { return rows == Rows::Vertices ? vertices : triangles; }
};

Sizes SizesOf(const CarModel& model)
{
    return Sizes{model.Vertices.size(), model.Triangles.size()};
}

// The first row and the row count of a window, along vertices or triangles.
std::pair<std::size_t, std::size_t> Span(const TableWindow& w, Rows rows)
{
    return rows == Rows::Vertices ? std::pair{w.firstVertex, w.vertices} : std::pair{w.firstTriangle, w.triangles};
}

// Calls f(table, copy, fallback, bit, rows) on every table the extent
// covers; each table has a bit of its own in ModelSlice::held.
template <class F>
void ForEachSliceTable(EditExtent extent, F&& f)
{
    std::uint32_t bit = 1;
    if (extent != EditExtent::Header) {
        ForEachVertexTable([&](auto table, auto copy, Fallback fallback) {
            f(table, copy, fallback, bit, Rows::Vertices);
            bit <<= 1;
        });
    }
    if (extent == EditExtent::Mesh) {
        ForEachTriangleTable([&](auto table, auto copy, Fallback fallback) {
            f(table, copy, fallback, bit, Rows::Triangles);
            bit <<= 1;
        });
    }
}

} // namespace

TableWindow PartWindow(const CarModel& model, int part)
{
    const IndexRange v = PartVertexRange(model, part);
    const IndexRange t = PartTriangleRange(model, part);
    if (part < 0 || part >= UsablePartCount(model.Header) || v.size() < 0 || t.size() < 0)
        return TableWindow{model.Vertices.size(), 0, model.Triangles.size(), 0};
    return TableWindow{static_cast<std::size_t>(v.begin), static_cast<std::size_t>(v.size()),
                       static_cast<std::size_t>(t.begin), static_cast<std::size_t>(t.size())};
}

TableWindow PartsFromWindow(const CarModel& model, int firstPart)
{
    TableWindow w = PartWindow(model, firstPart);
    w.firstVertex = std::min(w.firstVertex, model.Vertices.size());
    w.firstTriangle = std::min(w.firstTriangle, model.Triangles.size());
    w.vertices = model.Vertices.size() - w.firstVertex;
    w.triangles = model.Triangles.size() - w.firstTriangle;
    return w;
}

TableWindow WholeWindow(const CarModel& model)
{
    return TableWindow{0, model.Vertices.size(), 0, model.Triangles.size()};
}

std::size_t ModelSlice::Bytes() const
{
    std::size_t bytes = sizeof(ModelSlice) + header.PartNames.size() * sizeof(Name64);
    ForEachVertexTable([&](auto, auto table, Fallback) {
        bytes += (this->*table).size() * sizeof((this->*table)[0]);
    });
    ForEachTriangleTable([&](auto, auto table, Fallback) {
        bytes += (this->*table).size() * sizeof((this->*table)[0]);
    });
    return bytes;
}

ModelSlice TakeSlice(const CarModel& model, EditExtent extent, TableWindow window)
{
    ModelSlice slice;
    slice.extent = extent;
    slice.window = window;
    slice.header = model.Header;
    slice.currentPart = model.CurrentPart;
    slice.currentDummy = model.CurrentDummy;
    const Sizes sizes = SizesOf(model);
    ForEachSliceTable(extent, [&](auto table, auto copy, Fallback, std::uint32_t bit, Rows rows) {
        const auto& source = model.*table;
        const auto [first, count] = Span(window, rows);
        if (Holds(source, sizes.Of(rows), first, count)) {
            slice.*copy = CopyOut(source, first, count);
            slice.held |= bit;
        }
    });
    return slice;
}

void PutSlice(CarModel& model, const ModelSlice& slice, TableWindow current)
{
    // The main tables change length as they are put back: every table is
    // judged by the lengths they had before.
    const Sizes sizes = SizesOf(model);
    ForEachSliceTable(slice.extent, [&](auto table, auto copy, Fallback fallback, std::uint32_t bit, Rows rows) {
        auto& target = model.*table;
        using Table = std::remove_reference_t<decltype(target)>;
        const auto [first, oldCount] = Span(current, rows);
        const std::size_t newCount = Span(slice.window, rows).second;
        if (!Holds(target, sizes.Of(rows), first, oldCount))
            return;
        const Table& with = (slice.held & bit) != 0 ? slice.*copy : FallbackTable<Table>(slice, fallback, newCount);
        Splice(target, first, oldCount, with);
    });
    model.Header = slice.header;
    model.CurrentPart = slice.currentPart;
    model.CurrentDummy = slice.currentDummy;
}

std::size_t VertexMoves::Bytes() const
{
    return sizeof(VertexMoves) + indices.size() * sizeof(std::int32_t) + (before.size() + after.size()) * sizeof(Vec3);
}

void PutPositions(CarModel& model, const std::vector<std::int32_t>& indices, const std::vector<Vec3>& positions)
{
    const std::size_t n = std::min(indices.size(), positions.size());
    for (std::size_t k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(indices[k]);
        if (indices[k] >= 0 && i < model.Vertices.size())
            model.Vertices[i] = positions[k];
    }
}

std::vector<Vec3> PositionsOf(const CarModel& model, const std::vector<std::int32_t>& indices)
{
    std::vector<Vec3> positions;
    positions.reserve(indices.size());
    for (const std::int32_t i : indices) {
        const auto k = static_cast<std::size_t>(i);
        positions.push_back(i >= 0 && k < model.Vertices.size() ? model.Vertices[k] : Vec3{});
    }
    return positions;
}

} // namespace mobrix
