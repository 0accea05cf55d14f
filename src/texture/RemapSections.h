#pragma once
// The UV remap sections: each names a rectangle of the texture, the plane the
// section's triangles are projected onto and how their corners are measured.
// Triangles say which section they belong to in TriState's RemapGroup.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mobrix {

// The table always has 16 slots; triangles and the section editor use the
// first seven, the rest are only carried through the remap data file.
inline constexpr int kRemapSectionSlots = 16;
inline constexpr int kUsedRemapSections = 7;
// Section 5 is the wheel section: its extent is measured in each part's own
// coordinates, so every wheel lands on the same rectangle.
inline constexpr int kWheelSection = 5;

// Projection plane: the first named axis gives U, the second V (swapped when
// the section is turned).
enum class RemapOrientation : std::int16_t { XY = 0, ZX = 1, ZY = 2 };

// How a corner is measured: model position, part-relative position, or the
// model position mirrored into the positive octant.
enum class RemapKind : std::int16_t { Normal = 0, Wheel = 1, Symmetry = 2 };

struct RemapSection {
    std::string GroupName;
    // The rectangle spans U from uvLeft - uvWidth to uvLeft and V from
    // uvTop - uvHeight to uvTop: uvLeft and uvTop are its far edges.
    float uvLeft = 0;
    float uvWidth = 0;
    float uvTop = 0;
    float uvHeight = 0;
    // Kept as the raw numbers of the data file: a value outside the enums
    // above is legal in a file and makes REMAP leave the section alone.
    std::int16_t Orientation = 0;
    std::int16_t MapKind = 0;
    std::int16_t rot90 = 0; // 0, or -1 when turned

    friend bool operator==(const RemapSection&, const RemapSection&) = default;
};

// Always kRemapSectionSlots entries when made by this library; code reading
// it treats a missing entry as a section that maps nothing.
using RemapSections = std::vector<RemapSection>;

// The table the editor starts with: Side, Top, Bottom, Front, Back, Wheel,
// Other, then nine empty slots.
RemapSections StartupRemapSections();

// The fixed entries of the triangle editor's section list (entry i is
// section i); renaming a section does not change them.
const std::array<const char*, kUsedRemapSections>& RemapSectionListEntries();

} // namespace mobrix
