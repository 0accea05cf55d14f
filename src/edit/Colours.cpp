#include "Colours.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace mobrix {

namespace {

struct PaletteAnchor {
    int column;
    Rgb colour;
};

// The hue circle's telling colours; the palette runs in straight lines
// between them.
constexpr PaletteAnchor kAnchors[] = {
    {0, {255, 0, 0}},     {44, {255, 255, 0}}, {85, {0, 255, 0}},   {129, {0, 255, 240}},
    {130, {0, 248, 255}}, {172, {0, 0, 255}},  {215, {255, 0, 255}}, {255, {255, 0, 16}},
};

std::uint8_t Between(std::uint8_t from, std::uint8_t to, int step, int steps)
{
    const double value = from + (double(to) - double(from)) * step / steps;
    return static_cast<std::uint8_t>(std::lround(value));
}

std::array<Rgb, kPaletteColumns> BuildPalette()
{
    std::array<Rgb, kPaletteColumns> palette{};
    for (std::size_t a = 0; a + 1 < std::size(kAnchors); ++a) {
        const PaletteAnchor& from = kAnchors[a];
        const PaletteAnchor& to = kAnchors[a + 1];
        const int steps = to.column - from.column;
        for (int step = 0; step <= steps; ++step) {
            palette[static_cast<std::size_t>(from.column + step)] = {Between(from.colour.R, to.colour.R, step, steps),
                                                                     Between(from.colour.G, to.colour.G, step, steps),
                                                                     Between(from.colour.B, to.colour.B, step, steps)};
        }
    }
    return palette;
}

int Byte(int value)
{
    return std::clamp(value, 0, 255);
}

Rgb Mixed(int hue, int saturation, int value)
{
    const Rgb p = HuePalette()[static_cast<std::size_t>(Byte(hue))];
    const int grey = 255 - Byte(saturation);
    const auto channel = [&](std::uint8_t c) { return static_cast<std::uint8_t>((c | grey) & value); };
    return {channel(p.R), channel(p.G), channel(p.B)};
}

std::int32_t& CountOf(ModelHeader& header, ColourTable table)
{
    return table == ColourTable::Secondary ? header.NumSecColours : header.NumPriColours;
}

// Moves the entries after `entry` up one slot in each table.
ColourEdit RemoveFrom(std::initializer_list<std::array<Colour, kColourSlots>*> tables, std::int32_t& count, int entry)
{
    const int listed = ListedColourCount(count);
    if (listed == 0)
        return ColourEdit::ListEmpty;
    if (entry < 0 || entry >= listed)
        return ColourEdit::NoSelection;
    for (int k = entry; k < listed && k < kMaxColourEntries - 1; ++k) {
        for (auto* table : tables)
            (*table)[static_cast<std::size_t>(k)] = (*table)[static_cast<std::size_t>(k + 1)];
    }
    count = listed - 1;
    return ColourEdit::Done;
}

ColourEdit AddTo(std::int32_t& count)
{
    const int listed = ListedColourCount(count);
    if (listed >= kMaxColourEntries)
        return ColourEdit::ListFull;
    count = listed + 1;
    return ColourEdit::Done;
}

} // namespace

const std::array<Rgb, kPaletteColumns>& HuePalette()
{
    static const std::array<Rgb, kPaletteColumns> palette = BuildPalette();
    return palette;
}

Rgb getCol(int hue, int saturation, int brightness, int tolerance)
{
    const double t = Byte(tolerance);
    double v = Byte(brightness) * (t / 100 + 1) + t;
    if (v > 255)
        v = 255;
    return Mixed(hue, saturation, static_cast<int>(std::nearbyint(v)));
}

Rgb getCol(const Colour& colour)
{
    return getCol(colour.Hue, colour.Saturation, colour.Brightness, colour.Tolerance);
}

Rgb getColP(std::uint8_t hue, std::uint8_t saturation, std::uint8_t brightness)
{
    return Mixed(hue, saturation, brightness);
}

std::int32_t& FieldOf(Colour& colour, ColourField field)
{
    switch (field) {
    case ColourField::Saturation: return colour.Saturation;
    case ColourField::Brightness: return colour.Brightness;
    case ColourField::Tolerance: return colour.Tolerance;
    case ColourField::Hue: break;
    }
    return colour.Hue;
}

std::array<Colour, kColourSlots>& TableOf(ModelHeader& header, ColourTable table)
{
    switch (table) {
    case ColourTable::Secondary: return header.SecColours;
    case ColourTable::Interior: return header.IntColours;
    case ColourTable::Hair: return header.HairColours;
    case ColourTable::Primary: break;
    }
    return header.PriColours;
}

int ListedColourCount(std::int32_t count)
{
    return std::clamp(count, 0, kColourSlots);
}

ColourEdit AddColourEntry(ModelHeader& header, ColourTable list)
{
    return AddTo(CountOf(header, list));
}

ColourEdit RemoveColourEntry(ModelHeader& header, ColourTable list, int entry)
{
    return RemoveFrom({&TableOf(header, list)}, CountOf(header, list), entry);
}

ColourEdit AddNfs4ColourEntry(ModelHeader& header)
{
    const ColourEdit result = AddTo(header.NumPriColours);
    if (result == ColourEdit::Done)
        header.NumSecColours = header.NumPriColours;
    return result;
}

ColourEdit RemoveNfs4ColourEntry(ModelHeader& header, int entry)
{
    const ColourEdit result = RemoveFrom({&header.PriColours, &header.SecColours, &header.IntColours,
                                          &header.HairColours},
                                         header.NumPriColours, entry);
    if (result == ColourEdit::Done)
        header.NumSecColours = header.NumPriColours;
    return result;
}

const char* ColourEditRefusalText(ColourEdit result, ColourTable list)
{
    switch (result) {
    case ColourEdit::ListFull:
        return list == ColourTable::Secondary ? kNoMoreSecondaryColoursMessage : kNoMorePrimaryColoursMessage;
    case ColourEdit::ListEmpty: return kNoColourEntriesMessage;
    case ColourEdit::NoSelection: return kNoColourSelectedMessage;
    case ColourEdit::Done: break;
    }
    return nullptr;
}

ColourTables ColourTablesOf(const ModelHeader& header)
{
    return {header.NumPriColours, header.NumSecColours, header.PriColours,
            header.SecColours,    header.IntColours,    header.HairColours};
}

void SetColourTables(ModelHeader& header, const ColourTables& tables)
{
    header.NumPriColours = tables.NumPriColours;
    header.NumSecColours = tables.NumSecColours;
    header.PriColours = tables.PriColours;
    header.SecColours = tables.SecColours;
    header.IntColours = tables.IntColours;
    header.HairColours = tables.HairColours;
}

} // namespace mobrix
