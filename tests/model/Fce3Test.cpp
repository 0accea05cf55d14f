// NFSIII reading and writing: byte-exact round trips, the written layout,
// half sizes and the rules for models converted from 3DS.

#include "CarModel.h"
#include "FceFiles.h"
#include "FceTestHelpers.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;


TEST(Fce3, RandomModelsRoundTripByteForByte)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        RandomModelShape shape;
        shape.parts = static_cast<int>(1 + seed % 16);
        shape.vertices = shape.parts + static_cast<int>(seed * 7 % 60);
        shape.triangles = static_cast<int>(seed * 13 % 90);
        shape.dummies = static_cast<int>(seed % 17);
        shape.origin = ModelOrigin::Nfs3;
        const CarModel original = RandomModel(seed, shape);
        ASSERT_THAT(CheckModel(original), IsEmpty());

        const std::vector<std::uint8_t> first = Encode3(original);
        ASSERT_EQ(first.size(), 7940u + 80u * static_cast<unsigned>(shape.vertices) + 56u * static_cast<unsigned>(shape.triangles));
        const CarModel read = Read3(first);
        EXPECT_THAT(CheckModel(read), IsEmpty());
        EXPECT_EQ(Encode3(read), first) << "seed " << seed;

        // What the model held comes back, apart from what the writer computes.
        EXPECT_EQ(read.Vertices, original.Vertices);
        EXPECT_EQ(read.Normals, original.Normals);
        EXPECT_EQ(read.Reserved1, original.Reserved1);
        EXPECT_EQ(read.Reserved2, original.Reserved2);
        EXPECT_EQ(read.Reserved3, original.Reserved3);
        EXPECT_EQ(read.Header.HeaderTag, original.Header.HeaderTag);
        EXPECT_EQ(read.Header.HeaderTail, original.Header.HeaderTail);
        EXPECT_EQ(read.Header.DummyNames, original.Header.DummyNames);
        EXPECT_EQ(read.Header.PriColours, original.Header.PriColours);
        EXPECT_EQ(read.Header.PartFirstTriangle, original.Header.PartFirstTriangle);
        ASSERT_EQ(read.Triangles.size(), original.Triangles.size());
        for (std::size_t i = 0; i < read.Triangles.size(); ++i) {
            EXPECT_EQ(read.Triangles[i].V1, original.Triangles[i].V1);
            EXPECT_EQ(read.Triangles[i].TriFill, original.Triangles[i].TriFill);
        }
    }
}

TEST(Fce3, HeaderFieldsAreReadFromTheirPublishedOffsets)
{
    // Checked against the raw bytes, not against the writer, so that a
    // constant the reader and the writer share cannot be wrong in both.
    const RawFce raw = BuildRawFce3(11, {});
    const std::vector<std::uint8_t>& b = raw.bytes;
    const CarModel model = Read3(b);
    const ModelHeader& h = model.Header;
    EXPECT_EQ(h.NumArts, GetI32(b, 0x000C));
    EXPECT_EQ(h.NumDummies, GetI32(b, 0x0034));
    EXPECT_EQ(h.DummyPos[4].Z, GetF32(b, 0x0038 + 12 * 4 + 8));
    EXPECT_EQ(h.NumParts, GetI32(b, 0x00F8));
    EXPECT_EQ(h.PartPos[2].Y, GetF32(b, 0x00FC + 12 * 2 + 4));
    EXPECT_EQ(h.PartFirstVertex[1], GetI32(b, 0x03FC + 4));
    EXPECT_EQ(h.PartNumVertices[2], GetI32(b, 0x04FC + 8));
    EXPECT_EQ(h.PartFirstTriangle[1], GetI32(b, 0x05FC + 4));
    EXPECT_EQ(h.PartNumTriangles[2], GetI32(b, 0x06FC + 8));
    EXPECT_EQ(h.NumPriColours, GetI32(b, 0x07FC));
    EXPECT_EQ(h.PriColours[3].Brightness, GetI32(b, 0x0800 + 16 * 3 + 8));
    EXPECT_EQ(h.NumSecColours, GetI32(b, 0x0900));
    EXPECT_EQ(h.SecColours[15].Tolerance, GetI32(b, 0x0904 + 16 * 15 + 12));
    EXPECT_EQ(h.DummyNames[1][0], static_cast<char>(b[0x0A04 + 64]));
    EXPECT_EQ(h.PartNames[2][5], static_cast<char>(b[0x0E04 + 64 * 2 + 5]));
    EXPECT_EQ(h.HeaderTail[255], b[0x1E04 + 255]);
    EXPECT_EQ(model.Vertices[7].Y, GetF32(b, static_cast<std::size_t>(raw.blocks.at("vertices").position + 12 * 7 + 4)));
}

TEST(Fce3, ReadThenWriteKeepsEveryBlockAndCompactsTheLayout)
{
    RawFceShape shape;
    shape.parts = 20; // part names beyond slot 16 are dropped by the writer
    const RawFce raw = BuildRawFce3(7, shape);
    const CarModel model = Read3(raw.bytes);
    EXPECT_THAT(CheckModel(model), IsEmpty());
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(model.VertSelected, std::vector<std::int16_t>(40, 0));
    EXPECT_EQ(model.TriState, std::vector<TriStateRecord>(60));
    EXPECT_EQ(model.Header.PartNames.size(), 64u);

    const std::vector<std::uint8_t> out = Encode3(model);
    const std::int64_t n = raw.vertices;
    const std::int64_t m = raw.triangles;
    ASSERT_EQ(out.size(), static_cast<std::size_t>(7940 + 80 * n + 56 * m));

    // Offsets back to back in file order.
    const std::int32_t expected[6] = {0,
                                      static_cast<std::int32_t>(12 * n),
                                      static_cast<std::int32_t>(24 * n),
                                      static_cast<std::int32_t>(24 * n + 56 * m),
                                      static_cast<std::int32_t>(56 * n + 56 * m),
                                      static_cast<std::int32_t>(68 * n + 56 * m)};
    const char* names[6] = {"vertices", "normals", "triangles", "reserved1", "reserved2", "reserved3"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(GetI32(out, 0x10 + 4 * i), expected[i]) << names[i];
        const auto block = raw.Block(names[i]);
        EXPECT_EQ(Slice(out, static_cast<std::size_t>(7940 + expected[i]), block.size()), block) << names[i];
    }

    // Header: everything but offsets and half sizes as read; tail where it
    // was; part-name slots 16..63 zero.
    EXPECT_EQ(Slice(out, 0, 0x10), Slice(raw.bytes, 0, 0x10));
    EXPECT_EQ(Slice(out, 0x34, 0xE04 + 16 * 64 - 0x34), Slice(raw.bytes, 0x34, 0xE04 + 16 * 64 - 0x34));
    EXPECT_EQ(Slice(out, 0xE04 + 16 * 64, 48 * 64), std::vector<std::uint8_t>(48 * 64, 0));
    EXPECT_EQ(Slice(out, 0x1E04, 256), Slice(raw.bytes, 0x1E04, 256));
}

TEST(Fce3, NewModelSavesAsBareHeader)
{
    CarModel model;
    NewFCE(model);
    EXPECT_THAT(CheckModel(model), IsEmpty());
    const std::vector<std::uint8_t> out = Encode3(model);
    ASSERT_EQ(out.size(), 7940u);
    EXPECT_EQ(Slice(out, 0, 4), (std::vector<std::uint8_t>{'M', 'B', 'R', 'X'}));
    EXPECT_EQ(GetI32(out, 0x0C), 1); // NumArts
    for (std::size_t at = 0x10; at < 0x34; at += 4)
        EXPECT_EQ(GetI32(out, at), 0) << "header field at " << at;

    const CarModel back = Read3(out);
    EXPECT_EQ(back.Header.NumVertices, 0);
    EXPECT_TRUE(back.Vertices.empty());
    EXPECT_THAT(CheckModel(back), IsEmpty());
}

TEST(Fce3, HalfSizesAreTheLargestAbsoluteExtentOverAllParts)
{
    CarModel model = RandomModel(3, {.vertices = 4, .triangles = 0, .parts = 2, .dummies = 0,
                                     .origin = ModelOrigin::Nfs3});
    ModelHeader& h = model.Header;
    h.PartFirstVertex[0] = 0;
    h.PartNumVertices[0] = 2;
    h.PartFirstVertex[1] = 2;
    h.PartNumVertices[1] = 2;
    h.PartPos[0] = {1.0f, 0.0f, -2.0f};
    h.PartPos[1] = {-3.0f, 0.5f, 0.0f};
    model.Vertices = {{0.5f, 0.0f, 0.0f}, {0.0f, -1.25f, 0.5f}, {0.0f, 0.0f, 1.0f}, {0.25f, 0.0f, 0.0f}};
    h.XHalfSize = h.YHalfSize = h.ZHalfSize = 99.0f; // the model's own values are ignored

    const std::vector<std::uint8_t> out = Encode3(model);
    EXPECT_FLOAT_EQ(GetF32(out, 0x28), 3.0f);  // |0 + -3|
    EXPECT_FLOAT_EQ(GetF32(out, 0x2C), 1.25f); // |-1.25 + 0|
    EXPECT_FLOAT_EQ(GetF32(out, 0x30), 2.0f);  // |0 + -2|
    EXPECT_EQ(model.Header.XHalfSize, 99.0f);

    // A part whose vertices all sit at its position contributes nothing.
    model.Vertices.assign(4, Vec3{});
    h.PartPos[0] = h.PartPos[1] = Vec3{};
    const std::vector<std::uint8_t> flat = Encode3(model);
    for (std::size_t at : {0x28, 0x2C, 0x30})
        EXPECT_EQ(GetF32(flat, at), 0.0f);
}

TEST(Fce3, ModelsFrom3dsLosePartNamesBeyondSixteenAndReservedBytes)
{
    CarModel model = RandomModel(11, {.vertices = 30, .triangles = 20, .parts = 20, .dummies = 2,
                                      .origin = ModelOrigin::From3ds});
    const Name64 name15 = model.Header.PartNames[15];
    PrepareForSave(model, FceVariant::Nfs3);
    EncodedFile file = EncodeFCE3(model);
    ASSERT_FALSE(file.failure);
    EXPECT_EQ(model.Header.NumParts, 16);
    EXPECT_EQ(model.Header.PartNames.size(), 16u);
    EXPECT_EQ(model.Header.PartNames[15], name15);
    EXPECT_EQ(model.Reserved1, std::vector<Reserved32>(30));
    EXPECT_EQ(model.Reserved3, std::vector<Reserved12>(30));
    EXPECT_EQ(GetI32(file.bytes, 0xF8), 16);
    const auto reserved1At = static_cast<std::size_t>(7940 + GetI32(file.bytes, 0x1C));
    EXPECT_EQ(Slice(file.bytes, reserved1At, 56 * 30), std::vector<std::uint8_t>(56 * 30, 0));
}

TEST(Fce3, SaveWritesTheFileAndLeavesModelTablesAlone)
{
    TempDir dir;
    CarModel model = RandomModel(5, {.origin = ModelOrigin::Nfs3});
    const CarModel before = model;
    ASSERT_FALSE(SaveFCE3(model, dir.File("car.fce")));
    EXPECT_EQ(model, before);
    EXPECT_EQ(ReadBytes(dir.File("car.fce")), Encode3(before));

    CarModel back;
    ASSERT_FALSE(LoadFCE(back, dir.File("car.fce")));
    EXPECT_EQ(back.Vertices, before.Vertices);
}
