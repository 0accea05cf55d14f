#pragma once
// A model for the editing benchmarks: a small part, then one big part shaped
// as a torus of car size (200 x 100 vertices, 40,000 triangles of two per
// grid cell, closed in both directions, so every edge is short as in a real
// mesh), then another small part. The marks select a band of 25 rows of the
// big part: 5,000 vertices, as a rubber band would.

#include "CarModel.h"

#include <cmath>
#include <vector>

namespace bench_support {

inline constexpr int kTorusColumns = 200;
inline constexpr int kTorusRows = 100;
inline constexpr int kBandRows = 25;

inline void AppendGridPart(mobrix::CarModel& m, int part, int columns, int rows, float major, float minor,
                           mobrix::Vec3 position)
{
    using namespace mobrix;
    ModelHeader& h = m.Header;
    const auto p = static_cast<std::size_t>(part);
    h.PartPos[p] = position;
    h.PartFirstVertex[p] = static_cast<std::int32_t>(m.Vertices.size());
    h.PartFirstTriangle[p] = static_cast<std::int32_t>(m.Triangles.size());
    constexpr float kPi = 3.14159265f;
    for (int r = 0; r < rows; ++r) {
        const float a = 2 * kPi * float(r) / float(rows);
        for (int c = 0; c < columns; ++c) {
            const float b = 2 * kPi * float(c) / float(columns);
            const float ring = major + minor * std::cos(a);
            m.Vertices.push_back({0.5f * ring * std::cos(b), minor * std::sin(a), ring * std::sin(b)});
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int a = r * columns + c, b = r * columns + (c + 1) % columns;
            const int d = ((r + 1) % rows) * columns + c, e = ((r + 1) % rows) * columns + (c + 1) % columns;
            Triangle t1, t2;
            t1.I1 = a, t1.I2 = b, t1.I3 = d;
            t2.I1 = b, t2.I2 = e, t2.I3 = d;
            m.Triangles.push_back(t1);
            m.Triangles.push_back(t2);
        }
    }
    h.PartNumVertices[p] = static_cast<std::int32_t>(m.Vertices.size()) - h.PartFirstVertex[p];
    h.PartNumTriangles[p] = static_cast<std::int32_t>(m.Triangles.size()) - h.PartFirstTriangle[p];
}

// Part 1 is the torus; parts 0 and 2 are small rings.
inline mobrix::CarModel TorusModel()
{
    using namespace mobrix;
    CarModel m;
    NewFCE(m);
    m.Header.NumParts = 3;
    AppendGridPart(m, 0, 20, 10, 0.3f, 0.1f, {0, 0.2f, -2});
    AppendGridPart(m, 1, kTorusColumns, kTorusRows, 1.5f, 0.5f, {0, 0, 0});
    AppendGridPart(m, 2, 20, 10, 0.3f, 0.1f, {0, 0.2f, 2});
    m.Header.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    m.Header.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    const std::size_t n = m.Vertices.size();
    m.Normals.assign(n, Vec3{0, 1, 0});
    m.Reserved1.assign(n, Reserved32{});
    m.Reserved2.assign(n, Reserved12{});
    m.Reserved3.assign(n, Reserved12{});
    ResetSelection(m);
    m.CurrentPart = 1;
    return m;
}

// A model of 1,000,000 triangles and 500,000 vertices in 8 torus parts of
// 250 x 250 vertices, as a scanned or subdivided mesh brings them.
inline mobrix::CarModel MillionTriangleModel()
{
    using namespace mobrix;
    CarModel m;
    NewFCE(m);
    constexpr int kParts = 8;
    m.Header.NumParts = kParts;
    for (int p = 0; p < kParts; ++p)
        AppendGridPart(m, p, 250, 250, 1.5f, 0.5f, {float(p) * 4.0f, 0, 0});
    m.Header.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    m.Header.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    const std::size_t n = m.Vertices.size();
    m.Normals.assign(n, Vec3{0, 1, 0});
    m.Reserved1.assign(n, Reserved32{});
    m.Reserved2.assign(n, Reserved12{});
    m.Reserved3.assign(n, Reserved12{});
    ResetSelection(m);
    return m;
}

// Marks the band of rows 0..24 of the torus.
inline std::vector<int> BandVertices(const mobrix::CarModel& m)
{
    const std::int32_t first = m.Header.PartFirstVertex[1];
    std::vector<int> band;
    for (int k = 0; k < kBandRows * kTorusColumns; ++k)
        band.push_back(first + k);
    return band;
}

inline void MarkBand(mobrix::CarModel& m)
{
    for (const int i : BandVertices(m))
        m.VertSelected[static_cast<std::size_t>(i)] = -1;
}

} // namespace bench_support
