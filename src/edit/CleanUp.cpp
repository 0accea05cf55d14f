#include "CleanUp.h"

#include "MeshEdit.h"
#include "MeshTables.h"
#include "PartsDummies.h"

#include <algorithm>
#include <array>
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

// One step of moving a source's range next to the target's range:
// std::rotate(first, middle, last) on every table of the kind.
struct RangeRotation {
    std::size_t first;
    std::size_t middle;
    std::size_t last;
};

// The rotations that put the ranges of `sources` (ascending), one after the
// other, at the end of the target's range, in place. A source before the
// target is rotated to the target's end, which pulls everything between
// down; one after it is rotated down to the target's (growing) end.
std::vector<RangeRotation> RotationsIntoTarget(const std::array<std::int32_t, kPartSlots>& first,
                                               const std::array<std::int32_t, kPartSlots>& count, int target,
                                               const std::vector<int>& sources)
{
    const auto t = static_cast<std::size_t>(target);
    auto end = static_cast<std::size_t>(first[t] + count[t]);
    std::size_t movedDown = 0;
    std::vector<RangeRotation> rotations;
    for (int s : sources) {
        const auto i = static_cast<std::size_t>(s);
        const auto n = static_cast<std::size_t>(count[i]);
        if (s < target) {
            const std::size_t at = static_cast<std::size_t>(first[i]) - movedDown;
            rotations.push_back({at, at + n, end});
            movedDown += n;
        } else {
            const auto at = static_cast<std::size_t>(first[i]);
            rotations.push_back({end, at, at + n});
            end += n;
        }
    }
    return rotations;
}

template <class Table>
void Rotate(Table& table, const std::vector<RangeRotation>& rotations)
{
    for (const RangeRotation& r : rotations)
        std::rotate(table.begin() + static_cast<std::ptrdiff_t>(r.first),
                    table.begin() + static_cast<std::ptrdiff_t>(r.middle),
                    table.begin() + static_cast<std::ptrdiff_t>(r.last));
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
// ranges, in part order.
void MoveRangesIntoTarget(CarModel& m, int target, const std::vector<int>& sources)
{
    const ModelHeader& h = m.Header;
    const auto vertices = RotationsIntoTarget(h.PartFirstVertex, h.PartNumVertices, target, sources);
    const auto triangles = RotationsIntoTarget(h.PartFirstTriangle, h.PartNumTriangles, target, sources);
    ForEachVertexTable(m, true, [&](auto& table) { Rotate(table, vertices); });
    ForEachTriangleTable(m, [&](auto& table) { Rotate(table, triangles); });
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
    const std::span<Triangle> triangles = model.Triangles.Window(span->firstTriangle, span->triangles);

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
    // Entry by entry in index order, as the dialog's loop copies them. Every
    // vertex set and its normals go along: an NFSIV part copied in its
    // working set alone would keep its old shape in the other sets, and a
    // save would write a part whose sets disagree.
    auto copyShape = [&](std::vector<Vec3>& set) {
        for (std::size_t k = 0; k < source->vertices; ++k)
            set[target->firstVertex + k] = set[source->firstVertex + k];
    };
    ForEachVertexSet(model, copyShape);
    ForEachNormalSet(model, copyShape);
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
