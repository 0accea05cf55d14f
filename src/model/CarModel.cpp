#include "CarModel.h"

#include <algorithm>

namespace mobrix {

void NewFCE(CarModel& model)
{
    ModelHeader& h = model.Header;
    h.HeaderTag = {'M', 'B', 'R', 'X'};
    h.NumTriangles = 0;
    h.NumVertices = 0;
    h.NumArts = 1;
    h.VerticesOffset = h.NormalsOffset = h.TrianglesOffset = 0;
    h.Reserved1Offset = h.Reserved2Offset = h.Reserved3Offset = 0;
    h.XHalfSize = h.YHalfSize = h.ZHalfSize = 0;
    h.NumDummies = 0;
    h.NumParts = 0;
    h.PartPos.fill(Vec3{});
    h.PartFirstVertex.fill(0);
    h.PartNumVertices.fill(0);
    h.PartFirstTriangle.fill(0);
    h.PartNumTriangles.fill(0);
    h.NumPriColours = 0;
    h.NumSecColours = 0;

    model.Vertices.clear();
    model.Normals.clear();
    model.Triangles.clear();
    model.Reserved1.clear();
    model.Reserved2.clear();
    model.Reserved3.clear();
    ClearNfs4Tables(model);
    ResetSelection(model);
    model.FileFormat = ModelOrigin::Nfs3;
}

void ClearNfs4Tables(CarModel& model)
{
    model.NormalVerts.clear();
    model.NormalNorms.clear();
    model.Undamaged2Verts.clear();
    model.Undamaged2Norms.clear();
    model.DamagedVerts.clear();
    model.DamagedNorms.clear();
    model.VertReservedA.clear();
    model.VertReservedB.clear();
    model.VertFlags.clear();
    model.TriReserved.clear();
    model.ActiveVertexSet = VertexSet::Normal;
}

bool HoldsNfs4OnlyData(const CarModel& model)
{
    const Colour none{};
    auto used = [&](const std::array<Colour, kColourSlots>& table) {
        return std::any_of(table.begin(), table.end(), [&](const Colour& c) { return c != none; });
    };
    return !model.Undamaged2Verts.empty() || !model.DamagedVerts.empty() || used(model.Header.IntColours) ||
           used(model.Header.HairColours);
}

void ResetSelection(CarModel& model)
{
    AdoptSelection(model, ClearedSelection(model.Header));
}

SelectionTables ClearedSelection(const ModelHeader& header)
{
    return {std::vector<std::int16_t>(static_cast<std::size_t>(std::max(0, header.NumVertices)), 0),
            std::vector<TriStateRecord>(static_cast<std::size_t>(std::max(0, header.NumTriangles)))};
}

void AdoptSelection(CarModel& model, SelectionTables&& tables) noexcept
{
    model.VertSelected = std::move(tables.VertSelected);
    model.TriState = std::move(tables.TriState);
}

namespace {

template <class Model>
auto& VerticesOfSet(Model& model, VertexSet set)
{
    switch (set) {
    case VertexSet::Undamaged2: return model.Undamaged2Verts;
    case VertexSet::Damaged: return model.DamagedVerts;
    case VertexSet::Normal: break;
    }
    return model.NormalVerts;
}

template <class Model>
auto& NormalsOfSet(Model& model, VertexSet set)
{
    switch (set) {
    case VertexSet::Undamaged2: return model.Undamaged2Norms;
    case VertexSet::Damaged: return model.DamagedNorms;
    case VertexSet::Normal: break;
    }
    return model.NormalNorms;
}

} // namespace

std::vector<Vec3>& SetVertices(CarModel& model, VertexSet set) { return VerticesOfSet(model, set); }
std::vector<Vec3>& SetNormals(CarModel& model, VertexSet set) { return NormalsOfSet(model, set); }
const std::vector<Vec3>& SetVertices(const CarModel& model, VertexSet set) { return VerticesOfSet(model, set); }
const std::vector<Vec3>& SetNormals(const CarModel& model, VertexSet set) { return NormalsOfSet(model, set); }

int UsablePartCount(const ModelHeader& header)
{
    return std::clamp(header.NumParts, 0, kPartSlots);
}

int UsableDummyCount(const ModelHeader& header)
{
    return std::clamp(header.NumDummies, 0, kDummySlots);
}

namespace {

// A part reaching outside its table is skipped whole rather than walked in
// part: its corners count from a first index that is not there, so the
// vertices a clamped range would give them are another part's.
IndexRange RangeInside(std::int32_t first, std::int32_t count, std::size_t tableSize)
{
    if (first < 0 || count < 0 || std::int64_t{first} + count > static_cast<std::int64_t>(tableSize))
        return {};
    return {first, std::int64_t{first} + count};
}

bool PartIndexValid(const CarModel& model, int part)
{
    return part >= 0 && part < UsablePartCount(model.Header);
}

} // namespace

std::optional<PartSpan> PartSpanOf(const CarModel& model, int part)
{
    if (!PartIndexValid(model, part))
        return std::nullopt;
    const auto p = static_cast<std::size_t>(part);
    const ModelHeader& h = model.Header;
    const std::int64_t vertexTable = std::min<std::int64_t>(
        {h.NumVertices, static_cast<std::int64_t>(model.Vertices.size()), static_cast<std::int64_t>(model.Normals.size())});
    const std::int64_t triangleTable =
        std::min<std::int64_t>(h.NumTriangles, static_cast<std::int64_t>(model.Triangles.size()));
    auto inside = [](std::int32_t first, std::int32_t count, std::int64_t table) {
        return first >= 0 && count >= 0 && std::int64_t{first} + count <= table;
    };
    if (!inside(h.PartFirstVertex[p], h.PartNumVertices[p], vertexTable) ||
        !inside(h.PartFirstTriangle[p], h.PartNumTriangles[p], triangleTable))
        return std::nullopt;
    return PartSpan{static_cast<std::size_t>(h.PartFirstVertex[p]), static_cast<std::size_t>(h.PartNumVertices[p]),
                    static_cast<std::size_t>(h.PartFirstTriangle[p]), static_cast<std::size_t>(h.PartNumTriangles[p])};
}

IndexRange PartVertexRange(const CarModel& model, int part)
{
    if (!PartIndexValid(model, part))
        return {};
    const auto p = static_cast<std::size_t>(part);
    return RangeInside(model.Header.PartFirstVertex[p], model.Header.PartNumVertices[p], model.Vertices.size());
}

IndexRange PartTriangleRange(const CarModel& model, int part)
{
    if (!PartIndexValid(model, part))
        return {};
    const auto p = static_cast<std::size_t>(part);
    return RangeInside(model.Header.PartFirstTriangle[p], model.Header.PartNumTriangles[p], model.Triangles.size());
}

namespace {

class ProblemList {
public:
    void Require(bool ok, std::string text)
    {
        if (!ok)
            problems_.push_back(std::move(text));
    }
    template <class Table>
    void RequireLength(const Table& table, std::int64_t count, const char* name)
    {
        Require(static_cast<std::int64_t>(table.size()) == count,
                std::string(name) + " holds " + std::to_string(table.size()) + " entries, expected " +
                    std::to_string(count));
    }
    std::vector<std::string> Take() { return std::move(problems_); }

private:
    std::vector<std::string> problems_;
};

void CheckTableLengths(const CarModel& m, ProblemList& out)
{
    const std::int64_t n = m.Header.NumVertices;
    const std::int64_t t = m.Header.NumTriangles;
    out.Require(n >= 0, "NumVertices is negative");
    out.Require(t >= 0, "NumTriangles is negative");
    out.RequireLength(m.Vertices, n, "Vertices");
    out.RequireLength(m.Normals, n, "Normals");
    out.RequireLength(m.Reserved1, n, "Reserved1");
    out.RequireLength(m.Reserved2, n, "Reserved2");
    out.RequireLength(m.Reserved3, n, "Reserved3");
    out.RequireLength(m.VertSelected, n, "VertSelected");
    out.RequireLength(m.Triangles, t, "Triangles");
    out.RequireLength(m.TriState, t, "TriState");
    if (m.FileFormat == ModelOrigin::Nfs4) {
        out.RequireLength(m.NormalVerts, n, "NormalVerts");
        out.RequireLength(m.NormalNorms, n, "NormalNorms");
        out.RequireLength(m.Undamaged2Verts, n, "Undamaged2Verts");
        out.RequireLength(m.Undamaged2Norms, n, "Undamaged2Norms");
        out.RequireLength(m.DamagedVerts, n, "DamagedVerts");
        out.RequireLength(m.DamagedNorms, n, "DamagedNorms");
        out.RequireLength(m.VertReservedA, n, "VertReservedA");
        out.RequireLength(m.VertReservedB, n, "VertReservedB");
        out.RequireLength(m.VertFlags, n, "VertFlags");
        out.RequireLength(m.TriReserved, t, "TriReserved");
    }
}

void CheckCounts(const ModelHeader& h, ProblemList& out)
{
    out.Require(h.NumParts >= 0 && h.NumParts <= kPartSlots, "NumParts is outside 0..64");
    out.Require(h.NumDummies >= 0 && h.NumDummies <= kDummySlots, "NumDummies is outside 0..16");
    out.Require(h.NumPriColours >= 0 && h.NumPriColours <= kColourSlots, "NumPriColours is outside 0..16");
    out.Require(h.NumSecColours >= 0 && h.NumSecColours <= kColourSlots, "NumSecColours is outside 0..16");
    out.Require(static_cast<std::int64_t>(h.PartNames.size()) >= h.NumParts, "PartNames has fewer slots than parts");
}

// Parts must tile the table: each starts where the previous one ended and
// the last one ends at the table's end.
void CheckPartTiling(const std::array<std::int32_t, kPartSlots>& first, const std::array<std::int32_t, kPartSlots>& count,
                     int parts, std::int64_t tableCount, const char* what, ProblemList& out)
{
    std::int64_t expectedFirst = 0;
    for (int p = 0; p < parts; ++p) {
        const auto i = static_cast<std::size_t>(p);
        const std::string part = "part " + std::to_string(p + 1);
        out.Require(first[i] == expectedFirst, part + ": first " + what + " " + std::to_string(first[i]) +
                                                   ", expected " + std::to_string(expectedFirst));
        out.Require(count[i] >= 0, part + ": negative number of " + what + "s");
        expectedFirst = std::int64_t{first[i]} + count[i];
    }
    out.Require(expectedFirst == tableCount, std::string("parts cover ") + std::to_string(expectedFirst) + " " + what +
                                                 "s of " + std::to_string(tableCount));
}

void CheckTriangleCorners(const CarModel& m, ProblemList& out)
{
    const int parts = UsablePartCount(m.Header);
    for (int p = 0; p < parts; ++p) {
        const std::int64_t vertices = PartVertexRange(m, p).size();
        const IndexRange tris = PartTriangleRange(m, p);
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
            for (std::int32_t corner : {tri.I1, tri.I2, tri.I3}) {
                if (corner < 0 || corner >= vertices) {
                    out.Require(false, "triangle " + std::to_string(t - tris.begin + 1) + " of part " +
                                           std::to_string(p + 1) + " has corner " + std::to_string(corner) +
                                           " outside its part");
                    break;
                }
            }
        }
    }
}

} // namespace

std::vector<std::string> CheckModel(const CarModel& model)
{
    ProblemList out;
    CheckTableLengths(model, out);
    CheckCounts(model.Header, out);
    const int parts = UsablePartCount(model.Header);
    CheckPartTiling(model.Header.PartFirstVertex, model.Header.PartNumVertices, parts, model.Header.NumVertices,
                    "vertex", out);
    CheckPartTiling(model.Header.PartFirstTriangle, model.Header.PartNumTriangles, parts, model.Header.NumTriangles,
                    "triangle", out);
    CheckTriangleCorners(model, out);
    return out.Take();
}

Name64 MakeName(std::string_view text)
{
    Name64 name;
    name.fill(' ');
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), name.size()), name.begin());
    return name;
}

std::string NameText(const Name64& name)
{
    return std::string(name.begin(), name.end());
}

std::string TrimmedName(std::span<const char> name)
{
    std::size_t begin = 0;
    std::size_t end = name.size();
    while (begin < end && name[begin] == ' ')
        ++begin;
    while (end > begin && name[end - 1] == ' ')
        --end;
    return std::string(name.begin() + static_cast<std::ptrdiff_t>(begin),
                       name.begin() + static_cast<std::ptrdiff_t>(end));
}

} // namespace mobrix
