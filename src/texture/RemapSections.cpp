#include "RemapSections.h"

namespace mobrix {

RemapSections StartupRemapSections()
{
    RemapSections sections(kRemapSectionSlots);
    auto set = [&](int i, const char* name, float left, float top, float width, float height,
                   RemapOrientation orientation, RemapKind kind, bool turned) {
        sections[static_cast<std::size_t>(i)] = {name,
                                                 left,
                                                 width,
                                                 top,
                                                 height,
                                                 static_cast<std::int16_t>(orientation),
                                                 static_cast<std::int16_t>(kind),
                                                 static_cast<std::int16_t>(turned ? -1 : 0)};
    };
    set(0, "Side", 1.0f, 1.0f, 1.0f, 0.25f, RemapOrientation::ZY, RemapKind::Normal, false);
    set(1, "Top", 1.0f, 0.75f, 0.5f, 0.75f, RemapOrientation::ZX, RemapKind::Normal, true);
    set(2, "Bottom", 0.5f, 0.25f, 0.25f, 0.125f, RemapOrientation::ZX, RemapKind::Normal, false);
    set(3, "Front", 0.5f, 0.75f, 0.5f, 0.25f, RemapOrientation::XY, RemapKind::Normal, false);
    set(4, "Back", 0.5f, 0.5f, 0.5f, 0.25f, RemapOrientation::XY, RemapKind::Normal, false);
    set(5, "Wheel", 0.25f, 0.25f, 0.25f, 0.25f, RemapOrientation::ZY, RemapKind::Wheel, false);
    set(6, "Other", 0.5f, 0.125f, 0.25f, 0.125f, RemapOrientation::ZY, RemapKind::Normal, false);
    return sections;
}

const std::array<const char*, kUsedRemapSections>& RemapSectionListEntries()
{
    static const std::array<const char*, kUsedRemapSections> entries{"Side",  "Top",   "Bottom", "Front",
                                                                     "Back", "Wheel", "Other"};
    return entries;
}

} // namespace mobrix
