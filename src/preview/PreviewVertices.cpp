#include "PreviewVertices.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace mobrix::preview {

namespace {

// Corners this close are uploaded as one run: copying the few unchanged
// ones between them is cheaper than another call.
constexpr std::int64_t kJoinGap = 16;

Vec3 PositionOf(const CarModel& m, int part)
{
    return m.Header.PartPos[static_cast<std::size_t>(part)];
}

void Place(PreviewVertex& corner, const Vec3& v, const Vec3& pos)
{
    corner.x = v.X + pos.X;
    corner.y = v.Y + pos.Y;
    corner.z = v.Z + pos.Z;
}

bool IsFiniteNormal(const Vec3& n)
{
    return std::isfinite(n.X) && std::isfinite(n.Y) && std::isfinite(n.Z);
}

// Whether the part has normals to light it by: its range lies inside the
// normal table and one of them is finite and not zero.
bool PartHasNormals(const CarModel& m, const IndexRange& verts)
{
    if (verts.end > static_cast<std::int64_t>(m.Normals.size()))
        return false;
    for (std::int64_t i = verts.begin; i < verts.end; ++i) {
        const Vec3& n = m.Normals[static_cast<std::size_t>(i)];
        if (IsFiniteNormal(n) && (n.X != 0 || n.Y != 0 || n.Z != 0))
            return true;
    }
    return false;
}

// Finds or adds the corner of `vertex` in `part` with these texture
// coordinates (compared bit for bit). A new corner takes the vertex's
// normal when `withNormal` says the part has them.
std::uint32_t CornerOf(PreviewMesh& mesh, const CarModel& m, std::int64_t vertex, int part, const Vec3& pos,
                       float u, float v, bool withNormal)
{
    const float tv = 1.0f - v;
    auto& first = mesh.firstCorner[static_cast<std::size_t>(vertex)];
    for (std::int32_t e = first; e >= 0; e = mesh.nextCorner[static_cast<std::size_t>(e)]) {
        const PreviewVertex& c = mesh.corners[static_cast<std::size_t>(e)];
        if (mesh.cornerPart[static_cast<std::size_t>(e)] == part && std::bit_cast<std::uint32_t>(c.tu) ==
                std::bit_cast<std::uint32_t>(u) && std::bit_cast<std::uint32_t>(c.tv) == std::bit_cast<std::uint32_t>(tv))
            return static_cast<std::uint32_t>(e);
    }
    PreviewVertex corner{0, 0, 0, u, tv};
    Place(corner, m.Vertices[static_cast<std::size_t>(vertex)], pos);
    if (withNormal) {
        const Vec3& n = m.Normals[static_cast<std::size_t>(vertex)];
        if (IsFiniteNormal(n)) {
            corner.nx = n.X;
            corner.ny = n.Y;
            corner.nz = n.Z;
        }
    }
    const auto e = static_cast<std::int32_t>(mesh.corners.size());
    mesh.corners.push_back(corner);
    mesh.cornerPart.push_back(static_cast<std::uint8_t>(part));
    mesh.nextCorner.push_back(first);
    first = e;
    return static_cast<std::uint32_t>(e);
}

// Collects each edge of a part once. Edges are kept per lower corner in
// short chains, as the corners are: a corner has only a few edges.
class EdgeSet {
public:
    explicit EdgeSet(std::size_t corners) : head_(corners, -1) {}
    void Add(std::uint32_t a, std::uint32_t b, std::vector<std::uint32_t>& edges)
    {
        if (a == b)
            return;
        if (b < a)
            std::swap(a, b);
        for (std::int32_t e = head_[a]; e >= 0; e = next_[static_cast<std::size_t>(e)]) {
            if (other_[static_cast<std::size_t>(e)] == b)
                return;
        }
        next_.push_back(head_[a]);
        other_.push_back(b);
        head_[a] = static_cast<std::int32_t>(other_.size() - 1);
        edges.push_back(a);
        edges.push_back(b);
    }

private:
    std::vector<std::int32_t> head_;
    std::vector<std::int32_t> next_;
    std::vector<std::uint32_t> other_;
};

// The edges of every part's triangles, part after part. Corners are never
// shared between parts, so one set serves them all.
void BuildEdges(const CarModel& model, PreviewMesh& mesh)
{
    const int parts = UsablePartCount(model.Header);
    EdgeSet set(mesh.corners.size());
    mesh.partEdges.assign(static_cast<std::size_t>(parts), TableRun{});
    for (int p = 0; p < parts; ++p) {
        const IndexRange tris = PartTriangleRange(model, p);
        TableRun& run = mesh.partEdges[static_cast<std::size_t>(p)];
        run.first = static_cast<std::int64_t>(mesh.edges.size());
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const std::uint32_t* c = &mesh.indices[static_cast<std::size_t>(t * 3)];
            set.Add(c[0], c[1], mesh.edges);
            set.Add(c[1], c[2], mesh.edges);
            set.Add(c[2], c[0], mesh.edges);
        }
        run.count = static_cast<std::int64_t>(mesh.edges.size()) - run.first;
    }
}

} // namespace

PreviewMesh BuildPreviewMesh(const CarModel& model)
{
    PreviewMesh mesh;
    mesh.triangleCount = model.Triangles.size();
    mesh.vertexCount = model.Vertices.size();
    mesh.corners.assign(1, PreviewVertex{});
    mesh.cornerPart.assign(1, 0);
    mesh.nextCorner.assign(1, -1);
    mesh.firstCorner.assign(model.Vertices.size(), -1);
    mesh.indices.assign(model.Triangles.size() * 3, 0);
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const IndexRange verts = PartVertexRange(model, p);
        const IndexRange tris = PartTriangleRange(model, p);
        const Vec3 pos = PositionOf(model, p);
        const bool withNormals = PartHasNormals(model, verts);
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            const std::int64_t n = verts.size();
            if (tri.I1 < 0 || tri.I1 >= n || tri.I2 < 0 || tri.I2 >= n || tri.I3 < 0 || tri.I3 >= n)
                continue;
            std::uint32_t* out = &mesh.indices[static_cast<std::size_t>(t * 3)];
            out[0] = CornerOf(mesh, model, verts.begin + tri.I3, p, pos, tri.U3, tri.V3, withNormals);
            out[1] = CornerOf(mesh, model, verts.begin + tri.I2, p, pos, tri.U2, tri.V2, withNormals);
            out[2] = CornerOf(mesh, model, verts.begin + tri.I1, p, pos, tri.U1, tri.V1, withNormals);
        }
    }
    BuildEdges(model, mesh);
    return mesh;
}

std::vector<TableRun> RewriteMovedCorners(const CarModel& model, int first, int count, PreviewMesh& mesh)
{
    std::vector<TableRun> runs;
    if (!mesh.Fits(model))
        return runs;
    const std::int64_t begin = std::max(0, first);
    const std::int64_t end = std::min<std::int64_t>(std::int64_t(first) + std::max(0, count),
                                                    static_cast<std::int64_t>(mesh.firstCorner.size()));
    // Marks instead of a sorted list: the runs come out in order from one
    // pass over the marked span.
    std::vector<std::uint8_t> changed;
    std::int64_t lowest = std::numeric_limits<std::int64_t>::max(), highest = -1;
    for (std::int64_t v = begin; v < end; ++v) {
        const Vec3& vertex = model.Vertices[static_cast<std::size_t>(v)];
        for (std::int32_t e = mesh.firstCorner[static_cast<std::size_t>(v)]; e >= 0;
             e = mesh.nextCorner[static_cast<std::size_t>(e)]) {
            Place(mesh.corners[static_cast<std::size_t>(e)], vertex,
                  PositionOf(model, mesh.cornerPart[static_cast<std::size_t>(e)]));
            if (changed.empty())
                changed.assign(mesh.corners.size(), 0);
            changed[static_cast<std::size_t>(e)] = 1;
            lowest = std::min<std::int64_t>(lowest, e);
            highest = std::max<std::int64_t>(highest, e);
        }
    }
    for (std::int64_t e = lowest; e <= highest; ++e) {
        if (!changed[static_cast<std::size_t>(e)])
            continue;
        if (!runs.empty() && e - (runs.back().first + runs.back().count) < kJoinGap)
            runs.back().count = e - runs.back().first + 1;
        else
            runs.push_back({e, 1});
    }
    return runs;
}

TableRun PartIndices(const CarModel& model, int part)
{
    if (part < 0 || part >= UsablePartCount(model.Header))
        return {};
    const IndexRange tris = PartTriangleRange(model, part);
    return {tris.begin * 3, tris.size() * 3};
}

TableRun PartEdges(const PreviewMesh& mesh, int part)
{
    if (part < 0 || static_cast<std::size_t>(part) >= mesh.partEdges.size())
        return {};
    return mesh.partEdges[static_cast<std::size_t>(part)];
}

} // namespace mobrix::preview
