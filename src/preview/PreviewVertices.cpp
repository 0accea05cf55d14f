#include "PreviewVertices.h"

#include <algorithm>

namespace mobrix::preview {

namespace {

// Triangles this close are uploaded as one run: copying the few unchanged
// corners between them is cheaper than another call.
constexpr std::int64_t kJoinGap = 16;

PreviewVertex Corner(const Vec3& v, const Vec3& pos, float u, float vCoord)
{
    return {v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z, u, 1.0f - vCoord};
}

void FillTriangle(const CarModel& m, std::int64_t t, const IndexRange& verts, const Vec3& pos,
                  PreviewVertex* out)
{
    const Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
    const std::int64_t n = verts.size();
    if (tri.I1 < 0 || tri.I1 >= n || tri.I2 < 0 || tri.I2 >= n || tri.I3 < 0 || tri.I3 >= n) {
        out[0] = out[1] = out[2] = PreviewVertex{};
        return;
    }
    auto vertex = [&](std::int32_t c) -> const Vec3& {
        return m.Vertices[static_cast<std::size_t>(verts.begin + c)];
    };
    out[0] = Corner(vertex(tri.I3), pos, tri.U3, tri.V3);
    out[1] = Corner(vertex(tri.I2), pos, tri.U2, tri.V2);
    out[2] = Corner(vertex(tri.I1), pos, tri.U1, tri.V1);
}

Vec3 PositionOf(const CarModel& m, int part)
{
    return m.Header.PartPos[static_cast<std::size_t>(part)];
}

} // namespace

std::vector<PreviewVertex> BuildPreviewVertices(const CarModel& model)
{
    std::vector<PreviewVertex> table(model.Triangles.size() * 3);
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const IndexRange verts = PartVertexRange(model, p);
        const IndexRange tris = PartTriangleRange(model, p);
        const Vec3 pos = PositionOf(model, p);
        for (std::int64_t t = tris.begin; t < tris.end; ++t)
            FillTriangle(model, t, verts, pos, &table[static_cast<std::size_t>(t * 3)]);
    }
    return table;
}

std::vector<CornerRun> RewriteMovedCorners(const CarModel& model, int first, int count,
                                           std::vector<PreviewVertex>& table)
{
    std::vector<CornerRun> runs;
    if (count <= 0 || table.size() != model.Triangles.size() * 3)
        return runs;
    const std::int64_t movedBegin = first, movedEnd = std::int64_t(first) + count;
    std::int64_t runFirst = -1, runLast = -1; // triangles
    auto flush = [&] {
        if (runFirst >= 0)
            runs.push_back({runFirst * 3, (runLast - runFirst + 1) * 3});
        runFirst = runLast = -1;
    };
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const IndexRange verts = PartVertexRange(model, p);
        // Corners are relative to the part: only the moved vertices inside
        // this part can be named by its triangles.
        const std::int64_t lo = std::max(movedBegin, verts.begin) - verts.begin;
        const std::int64_t hi = std::min(movedEnd, verts.end) - verts.begin;
        if (lo >= hi)
            continue;
        const IndexRange tris = PartTriangleRange(model, p);
        const Vec3 pos = PositionOf(model, p);
        auto moved = [lo, hi](std::int32_t c) { return c >= lo && c < hi; };
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            if (!moved(tri.I1) && !moved(tri.I2) && !moved(tri.I3))
                continue;
            FillTriangle(model, t, verts, pos, &table[static_cast<std::size_t>(t * 3)]);
            if (runFirst >= 0 && (t < runLast || t - runLast > kJoinGap))
                flush();
            if (runFirst < 0)
                runFirst = t;
            runLast = t;
        }
    }
    flush();
    return runs;
}

CornerRun PartCorners(const CarModel& model, int part)
{
    if (part < 0 || part >= UsablePartCount(model.Header))
        return {};
    const IndexRange tris = PartTriangleRange(model, part);
    return {tris.begin * 3, tris.size() * 3};
}

} // namespace mobrix::preview
