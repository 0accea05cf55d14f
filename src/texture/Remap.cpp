#include "Remap.h"

#include <cmath>
#include <optional>

namespace mobrix {

namespace {

using Axis = float Vec3::*;

// The vertices a part's corner indices count from, and which indices stay
// inside the vertex table.
struct PartCorners {
    const Vec3* table = nullptr;
    std::int64_t firstVertex = 0;
    std::int64_t tableSize = 0;

    PartCorners(const CarModel& model, std::int64_t first)
        : table(model.Vertices.data()), firstVertex(first), tableSize(static_cast<std::int64_t>(model.Vertices.size()))
    {
    }

    bool Valid(std::int32_t i) const { return firstVertex + i >= 0 && firstVertex + i < tableSize; }
    const Vec3& At(std::int32_t i) const { return table[firstVertex + i]; }

    // The triangle's three corners, or false when one lies outside the table.
    bool Of(const Triangle& t, std::array<const Vec3*, 3>& out) const
    {
        if (!Valid(t.I1) || !Valid(t.I2) || !Valid(t.I3))
            return false;
        out = {&At(t.I1), &At(t.I2), &At(t.I3)};
        return true;
    }
};

// Calls visit(part position, triangle index, corners, section) for every
// triangle of every part that has a used section and sound corners; returns
// how many triangles of the parts were not visited.
template <class Visit>
std::int64_t ForEachSectionTriangle(const CarModel& model, Visit&& visit)
{
    std::int64_t skipped = 0;
    const int parts = UsablePartCount(model.Header);
    const auto states = static_cast<std::int64_t>(model.TriState.size());
    std::array<const Vec3*, 3> corners{};
    for (int p = 0; p < parts; ++p) {
        const auto pi = static_cast<std::size_t>(p);
        const Vec3& partPos = model.Header.PartPos[pi];
        const PartCorners vertices(model, model.Header.PartFirstVertex[pi]);
        const IndexRange range = PartTriangleRange(model, p);
        for (std::int64_t t = range.begin; t < range.end; ++t) {
            const int s = t < states ? model.TriState[static_cast<std::size_t>(t)].RemapGroup : -1;
            if (s < 0 || s >= kUsedRemapSections || !vertices.Of(model.Triangles[static_cast<std::size_t>(t)], corners)) {
                ++skipped;
                continue;
            }
            visit(partPos, t, corners, s);
        }
    }
    return skipped;
}

// How one section maps. Absent when the section leaves its triangles
// unchanged.
struct SectionMapping {
    RemapKind kind = RemapKind::Normal;
    Axis a = &Vec3::X; // gives U
    Axis b = &Vec3::Y; // gives V
    double scaleU = 0; // (uvWidth / 2) / extent along a
    double scaleV = 0;
    double nearU = 0; // uvLeft - uvWidth / 2
    double nearV = 0;
};

std::optional<std::pair<Axis, Axis>> AxesOf(const RemapSection& section)
{
    const bool turned = section.rot90 != 0;
    switch (section.Orientation) {
    case static_cast<std::int16_t>(RemapOrientation::XY):
        return turned ? std::pair{&Vec3::Y, &Vec3::X} : std::pair{&Vec3::X, &Vec3::Y};
    case static_cast<std::int16_t>(RemapOrientation::ZX):
        return turned ? std::pair{&Vec3::X, &Vec3::Z} : std::pair{&Vec3::Z, &Vec3::X};
    case static_cast<std::int16_t>(RemapOrientation::ZY):
        return turned ? std::pair{&Vec3::Y, &Vec3::Z} : std::pair{&Vec3::Z, &Vec3::Y};
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
    const Vec3& extent = extents[static_cast<std::size_t>(s)];
    const double extentA = extent.*m.a;
    const double extentB = extent.*m.b;
    if (extentA == 0 || extentB == 0)
        return std::nullopt; // the scaling would divide by zero
    const double halfWidth = double{section.uvWidth} / 2;
    const double halfHeight = double{section.uvHeight} / 2;
    m.scaleU = halfWidth / extentA;
    m.scaleV = halfHeight / extentB;
    m.nearU = double{section.uvLeft} - halfWidth;
    m.nearV = double{section.uvTop} - halfHeight;
    return m;
}

// The corner's coordinate along one axis as the mapping kind measures it.
float Measured(const Vec3& v, const Vec3& partPos, RemapKind kind, Axis axis)
{
    switch (kind) {
    case RemapKind::Wheel:
        return v.*axis;
    case RemapKind::Symmetry:
        return std::fabs(v.*axis + partPos.*axis);
    case RemapKind::Normal:
        break;
    }
    return v.*axis + partPos.*axis;
}

} // namespace

SectionExtents MeasureRemapSections(const CarModel& model)
{
    SectionExtents extents{};
    ForEachSectionTriangle(model, [&](const Vec3& partPos, std::int64_t, const std::array<const Vec3*, 3>& corners,
                                      int s) {
        Vec3& e = extents[static_cast<std::size_t>(s)];
        // The wheel section is measured in the part's own coordinates.
        const Vec3 pos = s == kWheelSection ? Vec3{} : Vec3{std::fabs(partPos.X), std::fabs(partPos.Y),
                                                             std::fabs(partPos.Z)};
        for (const Vec3* v : corners) {
            const float ex = pos.X + std::fabs(v->X);
            const float ey = pos.Y + std::fabs(v->Y);
            const float ez = pos.Z + std::fabs(v->Z);
            if (ex > e.X)
                e.X = ex;
            if (ey > e.Y)
                e.Y = ey;
            if (ez > e.Z)
                e.Z = ez;
        }
    });
    return extents;
}

RemapSummary Remap(CarModel& model, const RemapSections& sections)
{
    const SectionExtents extents = MeasureRemapSections(model);
    std::array<std::optional<SectionMapping>, kUsedRemapSections> mappings;
    for (int s = 0; s < kUsedRemapSections; ++s)
        mappings[static_cast<std::size_t>(s)] = MappingOf(sections, extents, s);

    RemapSummary summary;
    RowTable<Triangle>& triangles = model.Triangles;
    summary.unchanged += ForEachSectionTriangle(
        model, [&](const Vec3& partPos, std::int64_t t, const std::array<const Vec3*, 3>& corners, int s) {
            const std::optional<SectionMapping>& m = mappings[static_cast<std::size_t>(s)];
            if (!m) {
                ++summary.unchanged;
                return;
            }
            std::array<float, 3> u{};
            std::array<float, 3> v{};
            for (std::size_t k = 0; k < 3; ++k) {
                const double ca = Measured(*corners[k], partPos, m->kind, m->a);
                const double cb = Measured(*corners[k], partPos, m->kind, m->b);
                u[k] = static_cast<float>(ca * m->scaleU + m->nearU);
                v[k] = static_cast<float>(cb * m->scaleV + m->nearV);
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

int AssignRemapSection(CarModel& model, std::span<const int> triangles, int section)
{
    if (section < 0 || section >= kUsedRemapSections)
        return 0;
    int changed = 0;
    for (const int t : triangles) {
        if (t < 0 || static_cast<std::size_t>(t) >= model.TriState.size())
            continue;
        std::int16_t& group = model.TriState[static_cast<std::size_t>(t)].RemapGroup;
        if (group != section) {
            group = static_cast<std::int16_t>(section);
            ++changed;
        }
    }
    return changed;
}

} // namespace mobrix
