// The hue palette, the preview colour and the colour table edits.

#include "CarModel.h"
#include "Colours.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace mobrix;

namespace {

Colour Numbered(int n)
{
    return {n, n + 1, n + 2, n + 3};
}

// A header whose four tables hold distinct numbered entries in every slot.
ModelHeader NumberedTables(int count)
{
    ModelHeader h;
    h.NumPriColours = h.NumSecColours = count;
    for (int k = 0; k < kColourSlots; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        h.PriColours[slot] = Numbered(k * 10);
        h.SecColours[slot] = Numbered(k * 10 + 1000);
        h.IntColours[slot] = Numbered(k * 10 + 2000);
        h.HairColours[slot] = Numbered(k * 10 + 3000);
    }
    return h;
}

} // namespace

TEST(Colours, PaletteRunsThroughTheAnchorsOneChannelAtATime)
{
    const auto& pal = HuePalette();
    EXPECT_EQ(pal[0], (Rgb{255, 0, 0}));
    EXPECT_EQ(pal[44], (Rgb{255, 255, 0}));
    EXPECT_EQ(pal[85], (Rgb{0, 255, 0}));
    EXPECT_EQ(pal[129], (Rgb{0, 255, 240}));
    EXPECT_EQ(pal[130], (Rgb{0, 248, 255}));
    EXPECT_EQ(pal[172], (Rgb{0, 0, 255}));
    EXPECT_EQ(pal[215], (Rgb{255, 0, 255}));
    EXPECT_EQ(pal[255], (Rgb{255, 0, 16}));
    for (std::size_t x = 1; x < pal.size(); ++x) {
        if (x == 130)
            continue; // the two cyan anchors differ in two channels
        const int changed = (pal[x].R != pal[x - 1].R) + (pal[x].G != pal[x - 1].G) + (pal[x].B != pal[x - 1].B);
        const int step = std::abs(pal[x].R - pal[x - 1].R) + std::abs(pal[x].G - pal[x - 1].G) +
                         std::abs(pal[x].B - pal[x - 1].B);
        EXPECT_LE(changed, 1) << x;
        EXPECT_LE(step, 8) << x;
    }
}

TEST(Colours, PreviewMixesPaletteSaturationAndBrightness)
{
    const auto& pal = HuePalette();
    for (int h = 0; h < kPaletteColumns; ++h)
        ASSERT_EQ(getCol(h, 255, 255, 0), pal[static_cast<std::size_t>(h)]) << h;
    EXPECT_EQ(getCol(100, 40, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(getCol(172, 0, 90, 0), (Rgb{90, 90, 90}));
    // 200 x 1.2 + 20 = 260 is capped at 255.
    EXPECT_EQ(getCol(0, 0, 200, 20), (Rgb{255, 255, 255}));
    // 100 x 1.1 + 10 = 120, then per channel (P or 255 - S) and V:
    // (255 | 55) & 120, (0 | 55) & 120, (0 | 55) & 120.
    EXPECT_EQ(getCol(0, 200, 100, 10), (Rgb{120, 48, 48}));
    // 3 x 1.5 + 50 = 54.5 rounds half to even.
    EXPECT_EQ(getCol(0, 0, 3, 50), (Rgb{54, 54, 54}));
    EXPECT_EQ(getColP(44, 255, 128), (Rgb{128, 128, 0}));
    // Numbers outside a byte, which an NFSIII file can hold, preview as the
    // nearest end of the range.
    EXPECT_EQ(getCol(999, -4, 300, -1), getCol(255, 0, 255, 0));
}

TEST(Colours, EachListHoldsAtMostFifteenEntries)
{
    ModelHeader h;
    for (int n = 1; n <= kMaxColourEntries; ++n)
        ASSERT_EQ(AddColourEntry(h, ColourTable::Primary), ColourEdit::Done);
    const ModelHeader full = h;
    EXPECT_EQ(AddColourEntry(h, ColourTable::Primary), ColourEdit::ListFull);
    EXPECT_EQ(h, full);
    EXPECT_EQ(h.NumPriColours, 15);
    EXPECT_EQ(h.NumSecColours, 0) << "the secondary list counts on its own";
    EXPECT_EQ(AddColourEntry(h, ColourTable::Secondary), ColourEdit::Done);
    EXPECT_EQ(h.NumSecColours, 1);

    // The NFSIV list keeps both counts as the one count of the file.
    ModelHeader nfs4 = NumberedTables(14);
    nfs4.NumSecColours = 3;
    EXPECT_EQ(AddNfs4ColourEntry(nfs4), ColourEdit::Done);
    EXPECT_EQ(nfs4.NumPriColours, 15);
    EXPECT_EQ(nfs4.NumSecColours, 15);
    EXPECT_EQ(AddNfs4ColourEntry(nfs4), ColourEdit::ListFull);
    // A count beyond the table slots (a damaged file) is full, not grown.
    nfs4.NumPriColours = 200;
    EXPECT_EQ(AddNfs4ColourEntry(nfs4), ColourEdit::ListFull);
    EXPECT_EQ(nfs4.NumPriColours, 200);
}

TEST(Colours, RemovingMovesTheLaterEntriesUp)
{
    ModelHeader h = NumberedTables(5);
    const ModelHeader before = h;
    ASSERT_EQ(RemoveColourEntry(h, ColourTable::Primary, 2), ColourEdit::Done);
    EXPECT_EQ(h.NumPriColours, 4);
    EXPECT_EQ(h.PriColours[0], before.PriColours[0]);
    EXPECT_EQ(h.PriColours[1], before.PriColours[1]);
    EXPECT_EQ(h.PriColours[2], before.PriColours[3]);
    EXPECT_EQ(h.PriColours[3], before.PriColours[4]);
    EXPECT_EQ(h.SecColours, before.SecColours);
    EXPECT_EQ(h.NumSecColours, 5);

    // A full list: slot 14 keeps its entry, slot 15 is never written.
    ModelHeader full = NumberedTables(15);
    ASSERT_EQ(RemoveColourEntry(full, ColourTable::Secondary, 0), ColourEdit::Done);
    EXPECT_EQ(full.SecColours[13], before.SecColours[14]);
    EXPECT_EQ(full.SecColours[14], before.SecColours[14]);
    EXPECT_EQ(full.SecColours[15], before.SecColours[15]);

    ModelHeader empty = NumberedTables(0);
    EXPECT_EQ(RemoveColourEntry(empty, ColourTable::Primary, 0), ColourEdit::ListEmpty);
    ModelHeader unselected = NumberedTables(2);
    EXPECT_EQ(RemoveColourEntry(unselected, ColourTable::Primary, -1), ColourEdit::NoSelection);
    EXPECT_EQ(RemoveColourEntry(unselected, ColourTable::Primary, 2), ColourEdit::NoSelection);
    EXPECT_EQ(empty, NumberedTables(0));
    EXPECT_EQ(unselected, NumberedTables(2));
}

TEST(Colours, RemovingAnNfs4EntryShiftsAllFourTablesTogether)
{
    ModelHeader h = NumberedTables(5);
    ModelHeader before = h;
    ASSERT_EQ(RemoveNfs4ColourEntry(h, 1), ColourEdit::Done);
    EXPECT_EQ(h.NumPriColours, 4);
    EXPECT_EQ(h.NumSecColours, 4);
    for (ColourTable t : {ColourTable::Primary, ColourTable::Secondary, ColourTable::Interior, ColourTable::Hair}) {
        const auto& now = TableOf(h, t);
        const auto& was = TableOf(before, t);
        EXPECT_EQ(now[0], was[0]);
        EXPECT_EQ(now[1], was[2]);
        EXPECT_EQ(now[2], was[3]);
        EXPECT_EQ(now[3], was[4]);
    }
}
