#pragma once
// The car colour tables and how the colour dialogs show and change them:
// the hue palette, the preview colour of one hue, saturation, brightness
// and tolerance, and adding and removing table entries.
//
// Tables touched: only the header's colour counts and tables
// (NumPriColours, PriColours, NumSecColours, SecColours, IntColours,
// HairColours); ColourTables below holds exactly these.

#include "CarModel.h"

#include <array>
#include <cstdint>

namespace mobrix {

// Entries each list may hold; the tables have one slot more.
inline constexpr int kMaxColourEntries = 15;

inline constexpr const char* kNoMorePrimaryColoursMessage = "No more primary colours allowed! (max. 15)";
inline constexpr const char* kNoMoreSecondaryColoursMessage = "No more secondary colours allowed! (max. 15)";
inline constexpr const char* kNoColourEntriesMessage = "No entries to delete!";
// Remove pressed while entries exist but none is selected (a list that was
// empty when the dialog opened has nothing selected after "Add").
inline constexpr const char* kNoColourSelectedMessage = "Select the entry to delete first.";

struct Rgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int kPaletteColumns = 256;

// The hue palette: columns 0 to 255 once round the hue circle, red at 0,
// yellow at 44, green at 85, cyan between 129 and 130, blue at 172, magenta
// at 215 and back towards red at 255. Between these anchors each channel
// runs in a straight line.
const std::array<Rgb, kPaletteColumns>& HuePalette();

// The preview colour of a hue, saturation, brightness and tolerance:
// V = B x (T / 100 + 1) + T, at most 255, rounded half to even; then per
// channel (palette[H] or (255 - S)) and V. Values outside 0..255 (an NFSIII
// file may hold any 32-bit number) are previewed as the nearest of 0 and 255.
Rgb getCol(int hue, int saturation, int brightness, int tolerance);
Rgb getCol(const Colour& colour);
// The same without the tolerance term: V is the brightness.
Rgb getColP(std::uint8_t hue, std::uint8_t saturation, std::uint8_t brightness);

// The colour fields a slider writes.
enum class ColourField { Hue, Saturation, Brightness, Tolerance };
std::int32_t& FieldOf(Colour& colour, ColourField field);

// The tables a dialog edits. In the NFSIII dialog the primary and secondary
// lists each have their own count; in the NFSIV dialog one list drives all
// four tables.
enum class ColourTable { Primary, Secondary, Interior, Hair };
std::array<Colour, kColourSlots>& TableOf(ModelHeader& header, ColourTable table);

// The number of entries a list shows: the count, within the 16 slots.
int ListedColourCount(std::int32_t count);

enum class ColourEdit {
    Done,
    ListFull,    // already 15 entries: nothing added
    ListEmpty,   // nothing to remove
    NoSelection, // entries exist but `entry` is none of them
};

// "Add" in the NFSIII dialog: the list's count (NumPriColours or
// NumSecColours) grows by one; the new slot keeps whatever it held.
ColourEdit AddColourEntry(ModelHeader& header, ColourTable list);
// "Remove" in the NFSIII dialog: the entries after `entry` move up one slot
// in the list's table and the count drops by one. Only slots 0 to 14 are
// written, each from the slot after it; the slots past the new count keep
// what they held.
ColourEdit RemoveColourEntry(ModelHeader& header, ColourTable list, int entry);

// "Add" and "Remove" in the NFSIV dialog: as above on all four tables at
// once. The NFSIV file has one count for the four tables; both counts of
// the model are set to it, so that a later NFSIII save writes the same
// number of secondary colours.
ColourEdit AddNfs4ColourEntry(ModelHeader& header);
ColourEdit RemoveNfs4ColourEntry(ModelHeader& header, int entry);

// Which refusal text a dialog shows for a result of adding to `list` (or
// removing from it); nullptr for Done.
const char* ColourEditRefusalText(ColourEdit result, ColourTable list);

// Everything the colour dialogs can change, for taking one opening of a
// dialog as one undo step.
struct ColourTables {
    std::int32_t NumPriColours = 0;
    std::int32_t NumSecColours = 0;
    std::array<Colour, kColourSlots> PriColours{};
    std::array<Colour, kColourSlots> SecColours{};
    std::array<Colour, kColourSlots> IntColours{};
    std::array<Colour, kColourSlots> HairColours{};
    friend bool operator==(const ColourTables&, const ColourTables&) = default;
};
ColourTables ColourTablesOf(const ModelHeader& header);
void SetColourTables(ModelHeader& header, const ColourTables& tables);

} // namespace mobrix
