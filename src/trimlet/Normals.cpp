#include "Normals.h"

#include <array>
#include <cmath>

namespace trimlet {

namespace {

using Triple = std::array<double, 3>;

Triple Placed(const PartFile& part, int set, std::int32_t index)
{
    // The scene holds single-precision positions; the sums are made the same way.
    const Vec3& v = part.VertexSets[static_cast<std::size_t>(set)][static_cast<std::size_t>(index)];
    return {v.X + part.Position.X, v.Y + part.Position.Y, v.Z + part.Position.Z};
}

double Length(const Triple& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

bool Usable(double length)
{
    return length > 0 && std::isfinite(length);
}

Vec3 Unit(const Triple& v, double length)
{
    return {static_cast<float>(v[0] / length), static_cast<float>(v[1] / length), static_cast<float>(v[2] / length)};
}

bool CornersInside(const Triangle& t, std::size_t vertices)
{
    for (std::int32_t c : {t.I1, t.I2, t.I3}) {
        if (c < 0 || static_cast<std::size_t>(c) >= vertices)
            return false;
    }
    return true;
}

} // namespace

std::vector<Vec3> RadialNormals(const PartFile& part, int set)
{
    std::vector<Vec3> normals = part.NormalSets[static_cast<std::size_t>(set)];
    const std::size_t vertices = part.VertexSets[static_cast<std::size_t>(set)].size();
    normals.resize(vertices);
    for (const Triangle& t : part.Triangles) {
        if (!CornersInside(t, vertices))
            continue;
        for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
            const Triple p = Placed(part, set, corner);
            const double length = Length(p);
            if (Usable(length))
                normals[static_cast<std::size_t>(corner)] = Unit(p, length);
        }
    }
    return normals;
}

std::vector<Vec3> FaceAveragedNormals(const PartFile& part, int set)
{
    std::vector<Vec3> normals = part.NormalSets[static_cast<std::size_t>(set)];
    const std::size_t vertices = part.VertexSets[static_cast<std::size_t>(set)].size();
    normals.resize(vertices);
    std::vector<Triple> sums(vertices, Triple{0, 0, 0});
    for (const Triangle& t : part.Triangles) {
        if (!CornersInside(t, vertices))
            continue;
        const Triple p1 = Placed(part, set, t.I1);
        const Triple p2 = Placed(part, set, t.I2);
        const Triple p3 = Placed(part, set, t.I3);
        const Triple a{p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
        const Triple b{p3[0] - p1[0], p3[1] - p1[1], p3[2] - p1[2]};
        const Triple n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        const double length = Length(n);
        if (!Usable(length))
            continue;
        for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
            Triple& sum = sums[static_cast<std::size_t>(corner)];
            for (std::size_t axis = 0; axis < 3; ++axis)
                sum[axis] += n[axis] / length;
        }
    }
    for (std::size_t v = 0; v < vertices; ++v) {
        const double length = Length(sums[v]);
        if (Usable(length))
            normals[v] = Unit(sums[v], length);
    }
    return normals;
}

} // namespace trimlet
