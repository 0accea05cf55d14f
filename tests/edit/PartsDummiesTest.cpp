// Parts and dummies: limits, the NUL rule for typed names, and that removing
// parts keeps every later part's vertices, triangles and ranges intact.

#include "CarModel.h"
#include "PartsDummies.h"
#include "RandomModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

CarModel ModelWithParts(int parts, ModelOrigin origin, std::uint32_t seed = 7)
{
    RandomModelShape shape;
    shape.parts = parts;
    shape.vertices = parts * 12;
    shape.triangles = parts * 15;
    shape.origin = origin;
    return RandomModel(seed, shape);
}

std::vector<Vec3> PartVertices(const CarModel& m, int part)
{
    const IndexRange r = PartVertexRange(m, part);
    return {m.Vertices.begin() + r.begin, m.Vertices.begin() + r.end};
}

std::vector<Triangle> PartTriangles(const CarModel& m, int part)
{
    const IndexRange r = PartTriangleRange(m, part);
    return {m.Triangles.begin() + r.begin, m.Triangles.begin() + r.end};
}

TEST(PartNames, TypedNamesGetOneNulUnlessTheyFillTheField)
{
    const Name64 shortName = StoredName("Body");
    EXPECT_EQ(std::string(shortName.begin(), shortName.begin() + 6), std::string("Body\0 ", 6));
    EXPECT_EQ(std::count(shortName.begin(), shortName.end(), '\0'), 1);
    EXPECT_EQ(ListedName(shortName), "Body");

    const std::string full(64, 'x');
    const Name64 fullName = StoredName(full);
    EXPECT_EQ(std::string(fullName.begin(), fullName.end()), full);
    EXPECT_EQ(ListedName(fullName), full);

    const std::string sixtyThree(63, 'y');
    EXPECT_EQ(StoredName(sixtyThree)[63], '\0');

    EXPECT_EQ(CheckTypedName(full), NameCheck::Accepted);
    EXPECT_EQ(CheckTypedName(full + "z"), NameCheck::TooLong);
    EXPECT_EQ(CheckTypedName(""), NameCheck::Empty);

    // Names as files hold them: blank padded, NUL padded, or with bytes after
    // the end mark, are listed up to the NUL and without the padding.
    EXPECT_EQ(ListedName(MakeName("  Wheel  ")), "Wheel");
    Name64 nulPadded{};
    std::copy_n("Door", 4, nulPadded.begin());
    EXPECT_EQ(ListedName(nulPadded), "Door");
    EXPECT_EQ(ListedName(MakeName(std::string("Hood\0junk", 9))), "Hood");
}

TEST(PartLimits, FifteenPartsForNfs3ModelsAndSixtyFourSlotsForAny)
{
    CarModel nfs3 = ModelWithParts(15, ModelOrigin::Nfs3);
    EXPECT_EQ(CanAddPartByButton(nfs3), AddRefusal::TooManyParts);
    EXPECT_EQ(CanAddNamedPart(nfs3), AddRefusal::TooManyParts);

    CarModel nfs4 = ModelWithParts(15, ModelOrigin::Nfs4);
    EXPECT_EQ(CanAddPartByButton(nfs4), AddRefusal::None);
    EXPECT_EQ(CanAddNamedPart(nfs4), AddRefusal::TooManyParts);

    // An NFSIV model grows up to the 64 table slots and no further.
    for (int p = 15; p < kPartSlots; ++p)
        ASSERT_EQ(AddPartSlot(nfs4, std::string("P").append(std::to_string(p + 1))), p);
    EXPECT_EQ(nfs4.Header.NumParts, 64);
    EXPECT_EQ(CanAddPartByButton(nfs4), AddRefusal::NoFreePartSlot);
    EXPECT_EQ(AddPartSlot(nfs4, "one too many"), -1);
    EXPECT_EQ(nfs4.Header.NumParts, 64);
    EXPECT_THAT(CheckModel(nfs4), IsEmpty());

    // An NFSIII file that already holds more than 15 parts is not grown.
    CarModel crowded = ModelWithParts(17, ModelOrigin::Nfs3);
    EXPECT_EQ(CanAddPartByButton(crowded), AddRefusal::TooManyParts);
}

TEST(PartLimits, DummiesStopAtFifteen)
{
    CarModel m = ModelWithParts(2, ModelOrigin::Nfs3);
    m.Header.NumDummies = 14;
    EXPECT_EQ(CanAddDummy(m), AddRefusal::None);
    EXPECT_EQ(AddDummySlot(m, "Light"), 14);
    EXPECT_EQ(ListedName(m.Header.DummyNames[14]), "Light");
    EXPECT_EQ(CanAddDummy(m), AddRefusal::TooManyDummies);
}

TEST(AddPart, NewPartIsEmptyAtTheEndOfTheTables)
{
    CarModel m = ModelWithParts(3, ModelOrigin::Nfs4);
    m.Header.PartPos[3] = Vec3{5, 6, 7};   // left over from an earlier part
    m.Header.PartFirstVertex[3] = 2;
    const int added = AddPartSlot(m, "Spoiler");
    ASSERT_EQ(added, 3);
    EXPECT_EQ(m.Header.NumParts, 4);
    EXPECT_EQ(m.Header.PartFirstVertex[3], m.Header.NumVertices);
    EXPECT_EQ(m.Header.PartNumVertices[3], 0);
    EXPECT_EQ(m.Header.PartFirstTriangle[3], m.Header.NumTriangles);
    EXPECT_EQ(m.Header.PartNumTriangles[3], 0);
    EXPECT_EQ(m.Header.PartPos[3], Vec3{});
    EXPECT_THAT(PartListNames(m).back(), "Spoiler");
    EXPECT_THAT(CheckModel(m), IsEmpty());
}

TEST(RemovePart, OnlyPartLeavesNoVerticesTrianglesOrNames)
{
    CarModel m = ModelWithParts(1, ModelOrigin::Nfs4);
    m.CurrentPart = 0;
    const int vertices = m.Header.NumVertices;
    const PartRemoval r = RemovePart(m, 0);
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(r.progressDots, (vertices - 1) / 10 + 1);
    EXPECT_EQ(m.Header.NumParts, 0);
    EXPECT_EQ(m.Header.NumVertices, 0);
    EXPECT_EQ(m.Header.NumTriangles, 0);
    EXPECT_TRUE(m.Vertices.empty());
    EXPECT_TRUE(m.NormalVerts.empty());
    EXPECT_THAT(PartListNames(m), IsEmpty());
    EXPECT_EQ(m.CurrentPart, 0);
    EXPECT_THAT(CheckModel(m), IsEmpty());

    EXPECT_FALSE(RemovePart(m, 0).removed) << "nothing left to remove";
}

TEST(RemovePart, MiddlePartKeepsLaterPartsConsistent)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4}) {
        CarModel m = ModelWithParts(5, origin);
        const CarModel before = m;
        m.CurrentPart = 2;
        ASSERT_TRUE(RemovePart(m, 2).removed);
        ASSERT_THAT(CheckModel(m), IsEmpty());
        EXPECT_EQ(m.Header.NumParts, 4);
        EXPECT_EQ(m.CurrentPart, 0);
        EXPECT_EQ(m.Header.NumVertices, before.Header.NumVertices - before.Header.PartNumVertices[2]);
        EXPECT_EQ(m.Header.NumTriangles, before.Header.NumTriangles - before.Header.PartNumTriangles[2]);
        for (int p : {0, 1, 3, 4}) {
            const int now = p < 2 ? p : p - 1;
            const auto s = static_cast<std::size_t>(now);
            EXPECT_EQ(PartVertices(m, now), PartVertices(before, p)) << "part " << p;
            EXPECT_EQ(PartTriangles(m, now), PartTriangles(before, p)) << "part " << p;
            EXPECT_EQ(m.Header.PartPos[s], before.Header.PartPos[static_cast<std::size_t>(p)]);
            EXPECT_EQ(ListedName(m.Header.PartNames[s]), ListedName(before.Header.PartNames[static_cast<std::size_t>(p)]));
            if (p > 2) {
                EXPECT_EQ(m.Header.PartFirstVertex[s],
                          before.Header.PartFirstVertex[static_cast<std::size_t>(p)] - before.Header.PartNumVertices[2]);
                EXPECT_EQ(m.Header.PartFirstTriangle[s],
                          before.Header.PartFirstTriangle[static_cast<std::size_t>(p)] - before.Header.PartNumTriangles[2]);
            }
        }
        // The unused slot after the last part moves down with the others.
        EXPECT_EQ(m.Header.PartPos[4], before.Header.PartPos[5]);
    }
}

TEST(RemovePart, ModelsWithMoreThanFifteenPartsMoveEveryLaterPart)
{
    CarModel m = ModelWithParts(20, ModelOrigin::Nfs4);
    const std::vector<std::string> names = PartListNames(m);
    ASSERT_TRUE(RemovePart(m, 3).removed);
    EXPECT_THAT(CheckModel(m), IsEmpty());
    std::vector<std::string> expected = names;
    expected.erase(expected.begin() + 3);
    EXPECT_EQ(PartListNames(m), expected);

    // With all 64 slots in use the last one has nothing above it to take.
    CarModel full = ModelWithParts(3, ModelOrigin::Nfs4);
    while (full.Header.NumParts < kPartSlots)
        AddPartSlot(full, std::string("P").append(std::to_string(full.Header.NumParts + 1)));
    ASSERT_TRUE(RemovePart(full, 0).removed);
    EXPECT_EQ(full.Header.NumParts, 63);
    EXPECT_EQ(PartListNames(full).back(), "P64");
    EXPECT_THAT(CheckModel(full), IsEmpty());
}

TEST(RemovePart, APartReachingOutsideTheTablesIsRefusedWhole)
{
    // Dropping only the slot would hand the part's vertices and triangles to
    // the parts after it.
    CarModel vertices = ModelWithParts(3, ModelOrigin::Nfs4);
    vertices.Header.PartNumVertices[1] = vertices.Header.NumVertices;
    CarModel triangles = ModelWithParts(3, ModelOrigin::Nfs3);
    triangles.Header.PartFirstTriangle[1] = triangles.Header.NumTriangles + 5;
    for (CarModel* m : {&vertices, &triangles}) {
        m->CurrentPart = 1;
        const CarModel before = *m;
        const PartRemoval r = RemovePart(*m, 1);
        EXPECT_FALSE(r.removed);
        EXPECT_EQ(r.progressDots, 0);
        EXPECT_EQ(*m, before);
    }
}

TEST(RemovePart, StoresTheRemainingNamesTrimmed)
{
    CarModel m = ModelWithParts(3, ModelOrigin::Nfs3);
    m.Header.PartNames[1] = MakeName("   Roof");
    m.Header.PartNames[2] = StoredName("Bumper");
    RemovePart(m, 0);
    EXPECT_EQ(NameText(m.Header.PartNames[0]), NameText(MakeName("Roof")));
    EXPECT_EQ(NameText(m.Header.PartNames[1]), NameText(StoredName("Bumper")));
}

TEST(RemoveDummy, LaterDummiesMoveDownAndTheLastOfFifteenLeavesTheRest)
{
    CarModel m = ModelWithParts(1, ModelOrigin::Nfs3);
    m.Header.NumDummies = 15;
    for (int d = 0; d < kDummySlots; ++d) {
        m.Header.DummyNames[static_cast<std::size_t>(d)] = StoredName(std::string("D").append(std::to_string(d + 1)));
        m.Header.DummyPos[static_cast<std::size_t>(d)] = Vec3{float(d), 0, 0};
    }
    CarModel last = m;
    ASSERT_TRUE(RemoveDummy(last, 14));
    EXPECT_EQ(last.Header.NumDummies, 14);
    for (int d = 0; d < 14; ++d) {
        EXPECT_EQ(last.Header.DummyNames[static_cast<std::size_t>(d)], m.Header.DummyNames[static_cast<std::size_t>(d)]);
        EXPECT_EQ(last.Header.DummyPos[static_cast<std::size_t>(d)], m.Header.DummyPos[static_cast<std::size_t>(d)]);
    }

    CarModel first = m;
    ASSERT_TRUE(RemoveDummy(first, 0));
    EXPECT_THAT(DummyListNames(first), ElementsAre("D2", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11",
                                                   "D12", "D13", "D14", "D15"));

    // A file may hold all 16 dummies: removing one keeps the other fifteen.
    CarModel sixteen = m;
    sixteen.Header.NumDummies = 16;
    ASSERT_TRUE(RemoveDummy(sixteen, 0));
    EXPECT_EQ(DummyListNames(sixteen).back(), "D16");
    EXPECT_EQ(sixteen.Header.DummyPos[14].X, 15.0f);

    CarModel none = m;
    none.Header.NumDummies = 0;
    EXPECT_FALSE(RemoveDummy(none, 0));
}

TEST(Rename, SameNameOrEmptyAnswerChangesNothing)
{
    Name64 field = MakeName("  Grille ");
    const std::string offered = PrepareRename(field);
    EXPECT_EQ(offered, "Grille");
    EXPECT_EQ(NameText(field), NameText(MakeName("Grille"))) << "stored back trimmed";

    const Name64 prepared = field;
    EXPECT_FALSE(ApplyRename(field, "Grille", offered));
    EXPECT_FALSE(ApplyRename(field, "", offered));
    EXPECT_EQ(field, prepared);

    EXPECT_TRUE(ApplyRename(field, "Mirror", offered));
    EXPECT_EQ(field, StoredName("Mirror"));
}

} // namespace
