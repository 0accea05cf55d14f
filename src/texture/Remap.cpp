#include "Remap.h"

#include <cmath>
#include <optional>

namespace mobrix {

namespace {

enum class Axis { X, Y, Z };

double Coordinate(const Vec3& v, Axis axis)
{
    switch (axis) {
    case Axis::X:
        return v.X;
    case Axis::Y:
        return v.Y;
    case Axis::Z:
        break;
    }
    return v.Z;
}

float Extent(const SectionExtents& e, Axis axis, int section)
{
    const auto s = static_cast<std::size_t>(section);
    switch (axis) {
    case Axis::X:
        return e.X[s];
    case Axis::Y:
        return e.Y[s];
    case Axis::Z:
        break;
    }
    return e.Z[s];
}

// The three corner vertices of a triangle of a part, or nothing when a corner
// index points outside the vertex table.
struct Corners {
    std::array<const Vec3*, 3> v{};
};

std::optional<Corners> CornersOf(const CarModel& model, std::int64_t firstVertex, const Triangle& tri)
{
    const auto table = static_cast<std::int64_t>(model.Vertices.size());
    Corners out;
    const std::array<std::int32_t, 3> index{tri.I1, tri.I2, tri.I3};
    for (std::size_t k = 0; k < 3; ++k) {
        const std::int64_t at = firstVertex + index[k];
        if (at < 0 || at >= table)
            return std::nullopt;
        out.v[k] = &model.Vertices[static_cast<std::size_t>(at)];
    }
    return out;
}

// The used section of a triangle, or nothing.
std::optional<int> SectionOf(const CarModel& model, std::int64_t triangle)
{
    if (triangle >= static_cast<std::int64_t>(model.TriState.size()))
        return std::nullopt;
    const int s = model.TriState[static_cast<std::size_t>(triangle)].RemapGroup;
    if (s < 0 || s >= kUsedRemapSections)
        return std::nullopt;
    return s;
}

// Calls visit(part position, first vertex, triangle index, corners, section)
// for every triangle of every part that has a used section and sound corners;
// returns how many triangles of the parts were not visited.
template <class Visit>
std::int64_t ForEachSectionTriangle(const CarModel& model, Visit&& visit)
{
    std::int64_t skipped = 0;
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const auto pi = static_cast<std::size_t>(p);
        const Vec3& partPos = model.Header.PartPos[pi];
        const std::int64_t firstVertex = model.Header.PartFirstVertex[pi];
        const IndexRange range = PartTriangleRange(model, p);
        for (std::int64_t t = range.begin; t < range.end; ++t) {
            const std::optional<int> section = SectionOf(model, t);
            const std::optional<Corners> corners =
                section ? CornersOf(model, firstVertex, model.Triangles[static_cast<std::size_t>(t)]) : std::nullopt;
            if (!corners) {
                ++skipped;
                continue;
            }
            visit(partPos, t, *corners, *section);
        }
    }
    return skipped;
}

// How one section maps: its axes, its rectangle and the extents it divides
// by. Absent when the section leaves its triangles unchanged.
struct SectionMapping {
    RemapKind kind = RemapKind::Normal;
    Axis a = Axis::X; // gives U
    Axis b = Axis::Y; // gives V
    double halfWidth = 0;
    double halfHeight = 0;
    double nearU = 0; // uvLeft - uvWidth / 2
    double nearV = 0;
    double extentA = 0;
    double extentB = 0;
};

std::optional<std::pair<Axis, Axis>> AxesOf(const RemapSection& section)
{
    const bool turned = section.rot90 != 0;
    switch (section.Orientation) {
    case static_cast<std::int16_t>(RemapOrientation::XY):
        return turned ? std::pair{Axis::Y, Axis::X} : std::pair{Axis::X, Axis::Y};
    case static_cast<std::int16_t>(RemapOrientation::ZX):
        return turned ? std::pair{Axis::X, Axis::Z} : std::pair{Axis::Z, Axis::X};
    case static_cast<std::int16_t>(RemapOrientation::ZY):
        return turned ? std::pair{Axis::Y, Axis::Z} : std::pair{Axis::Z, Axis::Y};
    default:
        return std::nullopt;
    }
}

std::optional<SectionMapping> MappingOf(const RemapSections& sections, const SectionExtents& extents, int s)
{
    if (static_cast<std::size_t>(s) >= sections.size())
        return std::nullopt;
    const RemapSection& section = sections[static_cast<std::size_t>(s)];
    if (section.MapKind < 0 || section.MapKind > static_cast<std::int16_t>(RemapKind::Symmetry))
        return std::nullopt;
    const auto axes = AxesOf(section);
    if (!axes)
        return std::nullopt;
    SectionMapping m;
    m.kind = static_cast<RemapKind>(section.MapKind);
    m.a = axes->first;
    m.b = axes->second;
    m.extentA = Extent(extents, m.a, s);
    m.extentB = Extent(extents, m.b, s);
    if (m.extentA == 0 || m.extentB == 0)
        return std::nullopt; // the scaling would divide by zero
    m.halfWidth = double{section.uvWidth} / 2;
    m.halfHeight = double{section.uvHeight} / 2;
    m.nearU = double{section.uvLeft} - m.halfWidth;
    m.nearV = double{section.uvTop} - m.halfHeight;
    return m;
}

Vec3 Measured(const Vec3& v, const Vec3& partPos, RemapKind kind)
{
    switch (kind) {
    case RemapKind::Wheel:
        return v;
    case RemapKind::Symmetry:
        return {std::fabs(v.X + partPos.X), std::fabs(v.Y + partPos.Y), std::fabs(v.Z + partPos.Z)};
    case RemapKind::Normal:
        break;
    }
    return {v.X + partPos.X, v.Y + partPos.Y, v.Z + partPos.Z};
}

} // namespace

SectionExtents MeasureRemapSections(const CarModel& model)
{
    SectionExtents e;
    ForEachSectionTriangle(model, [&](const Vec3& partPos, std::int64_t, const Corners& corners, int s) {
        const auto si = static_cast<std::size_t>(s);
        // The wheel section is measured in the part's own coordinates.
        const Vec3 pos = s == kWheelSection ? Vec3{} : partPos;
        for (const Vec3* v : corners.v) {
            const float ex = std::fabs(pos.X) + std::fabs(v->X);
            const float ey = std::fabs(pos.Y) + std::fabs(v->Y);
            const float ez = std::fabs(pos.Z) + std::fabs(v->Z);
            if (ex > e.X[si])
                e.X[si] = ex;
            if (ey > e.Y[si])
                e.Y[si] = ey;
            if (ez > e.Z[si])
                e.Z[si] = ez;
        }
    });
    return e;
}

RemapSummary Remap(CarModel& model, const RemapSections& sections)
{
    const SectionExtents extents = MeasureRemapSections(model);
    std::array<std::optional<SectionMapping>, kUsedRemapSections> mappings;
    for (int s = 0; s < kUsedRemapSections; ++s)
        mappings[static_cast<std::size_t>(s)] = MappingOf(sections, extents, s);

    RemapSummary summary;
    std::vector<Triangle>& triangles = model.Triangles;
    summary.unchanged += ForEachSectionTriangle(
        model, [&](const Vec3& partPos, std::int64_t t, const Corners& corners, int s) {
            const std::optional<SectionMapping>& m = mappings[static_cast<std::size_t>(s)];
            if (!m) {
                ++summary.unchanged;
                return;
            }
            std::array<float, 3> u{};
            std::array<float, 3> v{};
            for (std::size_t k = 0; k < 3; ++k) {
                const Vec3 c = Measured(*corners.v[k], partPos, m->kind);
                u[k] = static_cast<float>(Coordinate(c, m->a) * m->halfWidth / m->extentA + m->nearU);
                v[k] = static_cast<float>(Coordinate(c, m->b) * m->halfHeight / m->extentB + m->nearV);
            }
            Triangle& tri = triangles[static_cast<std::size_t>(t)];
            tri.U1 = u[0];
            tri.U2 = u[1];
            tri.U3 = u[2];
            tri.V1 = v[0];
            tri.V2 = v[1];
            tri.V3 = v[2];
            ++summary.remapped;
        });
    return summary;
}

} // namespace mobrix
