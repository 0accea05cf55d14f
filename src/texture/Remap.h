#pragma once
// REMAP: lays out the texture coordinates of every triangle by its remap
// section. Pass 1 measures each section's extent along X, Y and Z over the
// corners of its triangles; pass 2 projects every corner onto its section's
// plane and scales the projection by that extent into the section's texture
// rectangle, so that a corner at -extent lands on the rectangle's near edge
// and one at +extent on its far edge.

#include "CarModel.h"
#include "RemapSections.h"

#include <array>
#include <cstdint>
#include <span>

namespace mobrix {

// Largest extent of each used section along each axis (index = section).
// For sections other than the wheel section a corner measures
// |PartPos| + |vertex| per axis (the sum of the absolute values); the wheel
// section measures |vertex| only.
using SectionExtents = std::array<Vec3, kUsedRemapSections>;

struct RemapSummary {
    std::int64_t remapped = 0;  // triangles that got new U and V
    std::int64_t unchanged = 0; // triangles of the parts left as they were
};

// Pass 1 over every triangle of every part.
SectionExtents MeasureRemapSections(const CarModel& model);

// Both passes. Touches only U1..U3 and V1..V3 of the triangles in the parts'
// ranges, regardless of selection, part or the section's visibility.
// A triangle is left unchanged when:
//  - its RemapGroup is not one of the seven used sections, or the section
//    table has no entry for it;
//  - its section's orientation or mapping kind is not one of the known
//    values;
//  - its section's extent along an axis it maps from is zero, where the
//    scaling would divide by zero;
//  - one of its corners lies outside the vertex table (a broken file).
RemapSummary Remap(CarModel& model, const RemapSections& sections);

// Puts the triangles (indices into Triangles) into `section`: their
// RemapGroup becomes it. Indices outside the TriState table are skipped; a
// section outside 0..6 changes nothing. Returns how many triangles changed
// section. Touches: TriState of the listed triangles.
int AssignRemapSection(CarModel& model, std::span<const int> triangles, int section);

} // namespace mobrix
