// The model's invariant check, the new model and the part ranges
// that keep broken files from crashing anything.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileInfoReport.h"
#include "RandomModel.h"
#include "RawFce.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

TEST(CarModel, NewModelIsBlankButKeepsNamesColoursAndDummyPositions)
{
    CarModel model = RandomModel(1);
    const ModelHeader old = model.Header;
    NewFCE(model);
    const ModelHeader& h = model.Header;
    EXPECT_EQ(h.HeaderTag, (std::array<char, 4>{'M', 'B', 'R', 'X'}));
    EXPECT_EQ(h.NumArts, 1);
    EXPECT_EQ(h.NumVertices, 0);
    EXPECT_EQ(h.NumParts, 0);
    EXPECT_EQ(h.NumPriColours, 0);
    EXPECT_EQ(h.PartPos[3], Vec3{});
    EXPECT_EQ(h.PartNumTriangles[0], 0);
    EXPECT_EQ(h.DummyPos, old.DummyPos);
    EXPECT_EQ(h.DummyNames, old.DummyNames);
    EXPECT_EQ(h.PartNames, old.PartNames);
    EXPECT_EQ(h.PriColours, old.PriColours);
    EXPECT_EQ(h.HeaderTail, old.HeaderTail);
    EXPECT_TRUE(model.Vertices.empty());
    EXPECT_TRUE(model.VertFlags.empty());
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
    EXPECT_THAT(CheckModel(model), IsEmpty());
}

TEST(CarModel, CheckFindsEveryKindOfBreak)
{
    const CarModel sound = RandomModel(2, {.vertices = 30, .triangles = 40, .parts = 3, .dummies = 2});
    ASSERT_THAT(CheckModel(sound), IsEmpty());

    CarModel shortTable = sound;
    shortTable.Reserved2.pop_back();
    EXPECT_THAT(CheckModel(shortTable), Contains(HasSubstr("Reserved2")));

    CarModel shortFlags = sound;
    shortFlags.VertFlags.push_back({});
    EXPECT_THAT(CheckModel(shortFlags), Contains(HasSubstr("VertFlags")));
    shortFlags.FileFormat = ModelOrigin::Nfs3; // NFSIV tables only matter for NFSIV models
    EXPECT_THAT(CheckModel(shortFlags), IsEmpty());

    CarModel gap = sound;
    gap.Header.PartFirstVertex[1] += 1;
    EXPECT_THAT(CheckModel(gap), Contains(HasSubstr("part 2: first vertex")));

    CarModel uncovered = sound;
    uncovered.Header.PartNumTriangles[2] -= 1;
    EXPECT_THAT(CheckModel(uncovered), Contains(HasSubstr("parts cover 39 triangles of 40")));

    CarModel corner = sound;
    corner.Triangles.back().I2 = corner.Header.PartNumVertices[2];
    EXPECT_THAT(CheckModel(corner), Contains(HasSubstr("of part 3 has corner")));

    CarModel tooMany = sound;
    tooMany.Header.NumParts = 65;
    EXPECT_THAT(CheckModel(tooMany), Contains(HasSubstr("NumParts")));

    CarModel selection = sound;
    selection.TriState.clear();
    EXPECT_THAT(CheckModel(selection), Contains(HasSubstr("TriState")));
}

TEST(CarModel, PartRangesReachingOutsideTheTablesAreEmpty)
{
    CarModel model = RandomModel(3, {.vertices = 10, .triangles = 5, .parts = 2, .dummies = 0});
    model.Header.PartFirstVertex[1] = 8;
    model.Header.PartNumVertices[1] = 2;
    EXPECT_EQ(PartVertexRange(model, 1).begin, 8);
    EXPECT_EQ(PartVertexRange(model, 1).end, 10);
    model.Header.PartNumVertices[1] = 100;
    EXPECT_EQ(PartVertexRange(model, 1).size(), 0);
    model.Header.PartFirstVertex[1] = -1;
    model.Header.PartNumVertices[1] = 4;
    EXPECT_EQ(PartVertexRange(model, 1).size(), 0) << "its corners would name the wrong vertices";
    model.Header.PartFirstVertex[1] = -5;
    model.Header.PartNumVertices[1] = 3;
    EXPECT_EQ(PartVertexRange(model, 1).size(), 0);
    model.Header.PartFirstTriangle[0] = 2'000'000'000;
    model.Header.PartNumTriangles[0] = 2'000'000'000;
    EXPECT_EQ(PartTriangleRange(model, 0).size(), 0);
    EXPECT_EQ(PartVertexRange(model, 7).size(), 0) << "parts beyond NumParts have no range";
    EXPECT_EQ(PartVertexRange(model, -1).size(), 0);
}

// Files whose part ranges or triangle corners are broken are accepted and
// held faithfully; the check reports the break and nothing crashes on it.
TEST(CarModel, BrokenFilesAreReadMarkedAndWrittenBackSafely)
{
    RawFce raw = BuildRawFce3(4, {.vertices = 12, .triangles = 6, .parts = 2, .dummies = 0, .shuffleBlocks = false});
    PutI32(raw.bytes, 0x3FC + 4, 50);          // part 2 starts past the vertex table
    PutI32(raw.bytes, 0x4FC + 4, 1'000'000);   // and claims a million vertices
    const auto firstTriangle = static_cast<std::size_t>(raw.blocks.at("triangles").position);
    PutI32(raw.bytes, firstTriangle + 4, -3);  // a corner before its part
    PutI32(raw.bytes, firstTriangle + 8, 999); // and one far past it

    CarModel model;
    ASSERT_FALSE(ReadFCE3(raw.bytes, model));
    const std::vector<std::string> problems = CheckModel(model);
    EXPECT_THAT(problems, Contains(HasSubstr("part 2")));
    EXPECT_THAT(problems, Contains(HasSubstr("outside its part")));

    EncodedFile nfs3 = EncodeFCE3(model);
    ASSERT_FALSE(nfs3.failure);
    EXPECT_EQ(nfs3.bytes.size(), raw.bytes.size());
    CarModel again;
    ASSERT_FALSE(ReadFCE3(nfs3.bytes, again));
    EXPECT_EQ(EncodeFCE3(again).bytes, nfs3.bytes);
    EXPECT_EQ(again.Header.PartNumVertices[1], 1'000'000);

    EncodedFile nfs4 = EncodeFCE4(model);
    ASSERT_FALSE(nfs4.failure);
    EXPECT_THAT(FileInfoReport(model, "broken.fce"), SizeIs(26 + 6 * 2));
}
