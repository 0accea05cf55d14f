#include "CleanUp.h"

#include "MeshEdit.h"
#include "MeshTables.h"
#include "PartsDummies.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <tuple>
#include <vector>

namespace mobrix {

namespace {

struct CornerKey {
    std::int32_t i1;
    std::int32_t i2;
    std::int32_t i3;
    std::uint32_t index; // part-relative triangle
    auto Tie() const { return std::tie(i1, i2, i3, index); }
    bool SameCorners(const CornerKey& o) const { return i1 == o.i1 && i2 == o.i2 && i3 == o.i3; }
};

// The bits a coordinate is compared by: exact, with -0 the same as +0.
std::uint32_t ComparedBits(float value)
{
    return value == 0.0f ? 0u : std::bit_cast<std::uint32_t>(value);
}

struct PositionKey {
    std::uint32_t x;
    std::uint32_t y;
    std::uint32_t z;
    std::uint32_t index; // part-relative vertex
    auto Tie() const { return std::tie(x, y, z, index); }
    bool SamePosition(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

bool HasNaN(const Vec3& v)
{
    return std::isnan(v.X) || std::isnan(v.Y) || std::isnan(v.Z);
}

// For each vertex of the part, the vertex its corners end on once every
// ordered pair of coincident vertices has been visited: the coincident
// vertex with the highest index (itself when it has none). A vertex with a
// NaN coordinate equals no other.
std::vector<std::uint32_t> CoincidenceTargets(std::span<const Vec3> vertices)
{
    std::vector<PositionKey> keys;
    keys.reserve(vertices.size());
    std::vector<std::uint32_t> target(vertices.size());
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        target[k] = static_cast<std::uint32_t>(k);
        const Vec3& v = vertices[k];
        if (!HasNaN(v))
            keys.push_back({ComparedBits(v.X), ComparedBits(v.Y), ComparedBits(v.Z), static_cast<std::uint32_t>(k)});
    }
    std::sort(keys.begin(), keys.end(), [](const PositionKey& a, const PositionKey& b) { return a.Tie() < b.Tie(); });
    for (std::size_t begin = 0; begin < keys.size();) {
        std::size_t end = begin + 1;
        while (end < keys.size() && keys[end].SamePosition(keys[begin]))
            ++end;
        const std::uint32_t highest = keys[end - 1].index;
        for (std::size_t k = begin; k < end; ++k)
            target[keys[k].index] = highest;
        begin = end;
    }
    return target;
}

template <class Visit>
void ForEachCorner(Triangle& t, Visit&& visit)
{
    visit(t.I1);
    visit(t.I2);
    visit(t.I3);
}

bool Inside(std::int32_t corner, std::size_t count)
{
    return corner >= 0 && static_cast<std::size_t>(corner) < count;
}

// Whether the parts follow one another from the start to the end of both
// tables, as fusing needs to move whole ranges.
bool PartsTileTables(const CarModel& m)
{
    const ModelHeader& h = m.Header;
    std::int64_t vertex = 0;
    std::int64_t triangle = 0;
    for (int p = 0; p < UsablePartCount(h); ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (h.PartFirstVertex[i] != vertex || h.PartFirstTriangle[i] != triangle || h.PartNumVertices[i] < 0 ||
            h.PartNumTriangles[i] < 0)
            return false;
        vertex += h.PartNumVertices[i];
        triangle += h.PartNumTriangles[i];
    }
    return vertex == h.NumVertices && triangle == h.NumTriangles;
}

// Puts the entries named by `order` (a rearrangement of the window that
// starts at `first`) into that window.
template <class Table>
void ReorderWindow(Table& table, std::size_t first, const std::vector<std::size_t>& order)
{
    Table window;
    window.reserve(order.size());
    for (std::size_t i : order)
        window.push_back(table[i]);
    std::move(window.begin(), window.end(), table.begin() + static_cast<std::ptrdiff_t>(first));
}

void AppendRange(std::vector<std::size_t>& order, std::int32_t first, std::int32_t count)
{
    for (std::int32_t k = 0; k < count; ++k)
        order.push_back(static_cast<std::size_t>(first + k));
}

// Moves the sources' vertices (in every vertex set) by the difference of
// the part positions, so that they keep their absolute places relative to
// the target, and numbers their triangles' corners after the target's
// vertices and those of the sources before them.
void ShiftIntoTargetFrame(CarModel& m, int target, const std::vector<int>& sources)
{
    const ModelHeader& h = m.Header;
    const Vec3 to = h.PartPos[static_cast<std::size_t>(target)];
    std::int32_t cornerOffset = h.PartNumVertices[static_cast<std::size_t>(target)];
    for (int s : sources) {
        const auto i = static_cast<std::size_t>(s);
        const Vec3 shift{h.PartPos[i].X - to.X, h.PartPos[i].Y - to.Y, h.PartPos[i].Z - to.Z};
        ForEachVertexSet(m, [&](std::vector<Vec3>& set) {
            for (std::int32_t k = 0; k < h.PartNumVertices[i]; ++k) {
                Vec3& v = set[static_cast<std::size_t>(h.PartFirstVertex[i] + k)];
                v = {v.X + shift.X, v.Y + shift.Y, v.Z + shift.Z};
            }
        });
        for (std::int32_t k = 0; k < h.PartNumTriangles[i]; ++k)
            ForEachCorner(m.Triangles[static_cast<std::size_t>(h.PartFirstTriangle[i] + k)],
                          [&](std::int32_t& c) { c += cornerOffset; });
        cornerOffset += h.PartNumVertices[i];
    }
}

// Moves the sources' entries of every table to the end of the target's
// ranges. Only the parts from the first to the last one involved change
// places.
void MoveRangesIntoTarget(CarModel& m, int target, const std::vector<int>& sources)
{
    const ModelHeader& h = m.Header;
    const int low = std::min(target, sources.front());
    const int high = std::max(target, sources.back());
    std::vector<std::size_t> vertexOrder;
    std::vector<std::size_t> triangleOrder;
    auto append = [&](int part) {
        const auto i = static_cast<std::size_t>(part);
        AppendRange(vertexOrder, h.PartFirstVertex[i], h.PartNumVertices[i]);
        AppendRange(triangleOrder, h.PartFirstTriangle[i], h.PartNumTriangles[i]);
    };
    for (int p = low; p <= high; ++p) {
        if (std::binary_search(sources.begin(), sources.end(), p))
            continue;
        append(p);
        if (p == target)
            std::for_each(sources.begin(), sources.end(), append);
    }
    const auto firstVertex = static_cast<std::size_t>(h.PartFirstVertex[static_cast<std::size_t>(low)]);
    const auto firstTriangle = static_cast<std::size_t>(h.PartFirstTriangle[static_cast<std::size_t>(low)]);
    ForEachVertexTable(m, true, [&](auto& table) { ReorderWindow(table, firstVertex, vertexOrder); });
    ForEachTriangleTable(m, [&](auto& table) { ReorderWindow(table, firstTriangle, triangleOrder); });
}

// The part tables after the sources' meshes joined the target: the sources
// are empty, and every part starts where the one before it ends.
void RetilePartTables(ModelHeader& h, int target, const std::vector<int>& sources)
{
    const auto t = static_cast<std::size_t>(target);
    for (int s : sources) {
        const auto i = static_cast<std::size_t>(s);
        h.PartNumVertices[t] += h.PartNumVertices[i];
        h.PartNumTriangles[t] += h.PartNumTriangles[i];
        h.PartNumVertices[i] = 0;
        h.PartNumTriangles[i] = 0;
    }
    std::int32_t vertex = 0;
    std::int32_t triangle = 0;
    for (int p = 0; p < UsablePartCount(h); ++p) {
        const auto i = static_cast<std::size_t>(p);
        h.PartFirstVertex[i] = vertex;
        h.PartFirstTriangle[i] = triangle;
        vertex += h.PartNumVertices[i];
        triangle += h.PartNumTriangles[i];
    }
}

} // namespace

TransformResult ReverseWindingOrder(CarModel& model)
{
    TransformResult result;
    result.triangles = ExchangeFirstAndThirdCorners(model);
    return result;
}

CleanUpResult RemoveDuplicatePolys(CarModel& model, int part)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return {.status = MeshToolStatus::NoSuchPart};
    if (span->triangles == 0)
        return {.status = MeshToolStatus::EmptyScope};

    std::vector<CornerKey> keys(span->triangles);
    for (std::size_t k = 0; k < span->triangles; ++k) {
        const Triangle& t = model.Triangles[span->firstTriangle + k];
        keys[k] = {t.I1, t.I2, t.I3, static_cast<std::uint32_t>(k)};
    }
    std::sort(keys.begin(), keys.end(), [](const CornerKey& a, const CornerKey& b) { return a.Tie() < b.Tie(); });
    std::vector<int> duplicates;
    for (std::size_t k = 1; k < keys.size(); ++k) {
        if (keys[k].SameCorners(keys[k - 1]))
            duplicates.push_back(static_cast<int>(keys[k].index));
    }
    CleanUpResult result;
    if (!duplicates.empty()) {
        RemoveTriangles(model, part, duplicates);
        result.removedTriangles = static_cast<std::int64_t>(duplicates.size());
    }
    // The last pass shows each triangle's model-wide index in turn.
    const auto remaining = static_cast<std::int64_t>(span->triangles) - result.removedTriangles;
    result.statusText = std::to_string(static_cast<std::int64_t>(span->firstTriangle) + remaining - 1);
    return result;
}

std::string RemovedVerticesStatus(std::int64_t removed)
{
    return "Done. Removed a total of " + std::to_string(removed) + " unnecessary vertices.";
}

CleanUpResult RemoveUnnecessaryVerts(CarModel& model, int part)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return {.status = MeshToolStatus::NoSuchPart};
    const std::size_t n = span->vertices;
    const std::span<Triangle> triangles = std::span(model.Triangles).subspan(span->firstTriangle, span->triangles);

    const std::vector<std::uint32_t> target =
        CoincidenceTargets(std::span<const Vec3>(model.Vertices).subspan(span->firstVertex, n));
    std::vector<bool> unused(n, true);
    for (Triangle& t : triangles) {
        ForEachCorner(t, [&](std::int32_t& c) {
            if (Inside(c, n)) {
                c = static_cast<std::int32_t>(target[static_cast<std::size_t>(c)]);
                unused[static_cast<std::size_t>(c)] = false;
            }
        });
    }
    CleanUpResult result;
    result.removedVertices = std::count(unused.begin(), unused.end(), true);
    if (result.removedVertices > 0)
        RemoveVertices(model, part, unused);
    result.statusText = RemovedVerticesStatus(result.removedVertices);
    return result;
}

CopyPartResult CopyPart(CarModel& model, int from, int to)
{
    const auto source = EditablePart(model, from);
    const auto target = EditablePart(model, to);
    if (!source || !target)
        return {.status = MeshToolStatus::NoSuchPart};
    if (source->vertices != target->vertices || source->triangles != target->triangles)
        return {.status = MeshToolStatus::SizeMismatch, .message = kCopyPartSizeMessage};
    // Entry by entry in index order, as the dialog's loop copies them.
    for (std::size_t k = 0; k < source->vertices; ++k)
        model.Vertices[target->firstVertex + k] = model.Vertices[source->firstVertex + k];
    for (std::size_t k = 0; k < source->triangles; ++k)
        model.Triangles[target->firstTriangle + k] = model.Triangles[source->firstTriangle + k];
    return {};
}

FuseResult FuseParts(CarModel& model, int target, std::span<const int> parts)
{
    if (!EditablePart(model, target) || !PartsTileTables(model))
        return {.status = MeshToolStatus::NoSuchPart};
    std::vector<int> sources;
    for (int p : parts) {
        if (!EditablePart(model, p))
            return {.status = MeshToolStatus::NoSuchPart};
        if (p != target)
            sources.push_back(p);
    }
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    if (sources.empty())
        return {.status = MeshToolStatus::EmptyScope, .fusedParts = 0, .target = target};

    ShiftIntoTargetFrame(model, target, sources);
    MoveRangesIntoTarget(model, target, sources);
    RetilePartTables(model.Header, target, sources);
    for (auto s = sources.rbegin(); s != sources.rend(); ++s)
        RemoveEmptyPartSlot(model, *s);
    const auto below = std::count_if(sources.begin(), sources.end(), [&](int s) { return s < target; });
    FuseResult result;
    result.fusedParts = static_cast<int>(sources.size());
    result.target = target - static_cast<int>(below);
    model.CurrentPart = static_cast<std::int16_t>(result.target);
    return result;
}

} // namespace mobrix
