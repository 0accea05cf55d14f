#include "Normals.h"

#include <array>
#include <cmath>

namespace trimlet {

namespace {

using Triple = std::array<double, 3>;

Triple ToTriple(const Vec3& v)
{
    return {v.X, v.Y, v.Z};
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

} // namespace

std::vector<Vec3> RadialNormals(const PartFile& part, int set)
{
    std::vector<Vec3> normals = part.NormalSets[static_cast<std::size_t>(set)];
    const std::vector<Vec3> placed = PlacedVertices(part, set);
    const std::size_t vertices = placed.size();
    normals.resize(vertices);
    for (const Triangle& t : part.Triangles) {
        if (!CornersInside(t, static_cast<std::int64_t>(vertices)))
            continue;
        for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
            const Triple p = ToTriple(placed[static_cast<std::size_t>(corner)]);
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
    const std::vector<Vec3> placed = PlacedVertices(part, set);
    const std::size_t vertices = placed.size();
    normals.resize(vertices);
    std::vector<Triple> sums(vertices, Triple{0, 0, 0});
    for (const Triangle& t : part.Triangles) {
        if (!CornersInside(t, static_cast<std::int64_t>(vertices)))
            continue;
        const Triple p1 = ToTriple(placed[static_cast<std::size_t>(t.I1)]);
        const Triple p2 = ToTriple(placed[static_cast<std::size_t>(t.I2)]);
        const Triple p3 = ToTriple(placed[static_cast<std::size_t>(t.I3)]);
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
