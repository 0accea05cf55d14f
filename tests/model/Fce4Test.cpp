// NFSIV reading and writing: byte-exact round trips including the stored V
// values and header fill areas, and conversions between the variants.

#include "CarModel.h"
#include "FceFiles.h"
#include "FceTestHelpers.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

constexpr std::size_t kHeader = 8248;

// Block names in the order of the written offsets, with element sizes.
struct BlockOrder {
    const char* name;
    std::size_t offsetField;
};
constexpr BlockOrder kWrittenOrder[] = {
    {"vertices", 0x14},        {"normals", 0x18},         {"triangles", 0x1C},     {"reserved1", 0x20},
    {"reserved2", 0x24},       {"reserved3", 0x28},       {"undamaged2Verts", 0x2C}, {"undamaged2Norms", 0x30},
    {"damagedVerts", 0x34},    {"damagedNorms", 0x38},    {"vertReservedA", 0x3C}, {"vertFlags", 0x40},
    {"vertReservedB", 0x44},   {"triReserved", 0x48},
};

std::vector<std::uint8_t> BlockOf(const std::vector<std::uint8_t>& file, const BlockOrder& block, std::size_t size)
{
    return Slice(file, kHeader + static_cast<std::size_t>(GetI32(file, block.offsetField)), size);
}

} // namespace

TEST(Fce4, ReadThenWriteGivesBackEveryBlockHeaderAndFillByteForByte)
{
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        RawFceShape shape;
        shape.vertices = static_cast<int>(10 + seed * 9);
        shape.triangles = static_cast<int>(5 + seed * 17);
        shape.parts = static_cast<int>(1 + seed * 7 % 64);
        shape.dummies = static_cast<int>(seed * 3 % 17);
        RawFce raw = BuildRawFce4(seed, shape);
        // One colour count for all tables; the random header may hold any.
        PutI32(raw.bytes, 0x820, static_cast<std::int32_t>(seed));
        CarModel model = Read4(raw.bytes);
        EXPECT_THAT(CheckModel(model), IsEmpty());
        EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs4);
        EXPECT_EQ(std::memcmp(model.Vertices.data(), model.NormalVerts.data(), model.Vertices.size() * sizeof(Vec3)), 0);

        const std::vector<std::uint8_t> out = Encode4(model);
        const std::int64_t n = raw.vertices;
        const std::int64_t m = raw.triangles;
        ASSERT_EQ(out.size(), static_cast<std::size_t>(8248 + 140 * n + 68 * m));

        // Every data block comes back unchanged, the triangles' stored V
        // values included, and the blocks are laid out back to back.
        std::int64_t expectedOffset = 0;
        for (const BlockOrder& block : kWrittenOrder) {
            const RawBlock& in = raw.blocks.at(block.name);
            EXPECT_EQ(GetI32(out, block.offsetField), expectedOffset) << block.name;
            EXPECT_EQ(BlockOf(out, block, static_cast<std::size_t>(in.size)), raw.Block(block.name))
                << block.name << " seed " << seed;
            expectedOffset += in.size;
        }
        // The header apart from the offsets and the recomputed half sizes.
        EXPECT_EQ(Slice(out, 0, 0x14), Slice(raw.bytes, 0, 0x14));
        EXPECT_EQ(Slice(out, 0x58, kHeader - 0x58), Slice(raw.bytes, 0x58, kHeader - 0x58)) << "seed " << seed;
        // Reading what was written and writing again changes nothing at all.
        CarModel again = Read4(out);
        EXPECT_EQ(Encode4(again), out);
    }
}

TEST(Fce4, StoredVIsFlippedAndEditedVIsWrittenAsOneMinusV)
{
    CarModel model = RandomModel(2, {.vertices = 6, .triangles = 3, .parts = 1, .dummies = 0});
    model.Triangles[0].V1 = 0.25f;
    std::vector<std::uint8_t> out = Encode4(model);
    const auto triangles = kHeader + static_cast<std::size_t>(GetI32(out, 0x1C));
    EXPECT_EQ(GetF32(out, triangles + 44), 0.75f);
    EXPECT_EQ(model.Triangles[0].V1, 0.25f) << "the model keeps V";

    // A stored value that 1 - (1 - V') does not give back.
    const float stored = std::bit_cast<float>(0x3A83126Fu); // about 0.001
    ASSERT_NE(1.0f - (1.0f - stored), stored);
    PutF32(out, triangles + 48, stored);
    CarModel read = Read4(out);
    EXPECT_EQ(read.Triangles[0].V1, 0.25f);
    EXPECT_EQ(read.Triangles[0].V2, 1.0f - stored);
    std::vector<std::uint8_t> unedited = Encode4(read);
    EXPECT_EQ(GetF32(unedited, triangles + 48), stored);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(GetF32(unedited, triangles + 48)), 0x3A83126Fu);

    read.Triangles[0].V2 = 0.5f;
    EXPECT_EQ(GetF32(Encode4(read), triangles + 48), 0.5f);
}

TEST(Fce4, Nfs3ModelSavedAsNfs4GetsThreeEqualSetsAndFreshTables)
{
    CarModel model = RandomModel(4, {.vertices = 25, .triangles = 30, .parts = 3, .dummies = 2,
                                     .origin = ModelOrigin::Nfs3});
    const CarModel before = model;
    PrepareForSave(model, FceVariant::Nfs4);
    const std::vector<std::uint8_t> out = Encode4(model);
    const std::size_t n = 25;
    const std::size_t m = 30;

    const auto vertices = BlockOf(out, kWrittenOrder[0], 12 * n);
    const auto normals = BlockOf(out, kWrittenOrder[1], 12 * n);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[6], 12 * n), vertices);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[8], 12 * n), vertices);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[7], 12 * n), normals);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[9], 12 * n), normals);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[10], 4 * n), std::vector<std::uint8_t>(4 * n, 0));
    EXPECT_EQ(BlockOf(out, kWrittenOrder[12], 4 * n), std::vector<std::uint8_t>(4 * n, 0));
    EXPECT_EQ(BlockOf(out, kWrittenOrder[13], 12 * m), std::vector<std::uint8_t>(12 * m, 0));
    const auto flags = BlockOf(out, kWrittenOrder[11], 4 * n);
    for (std::size_t v = 0; v < n; ++v)
        EXPECT_EQ(Slice(flags, 4 * v, 4), (std::vector<std::uint8_t>{4, 0, 0, 0}));

    // One colour count, one byte per component; no fill from an earlier file.
    EXPECT_EQ(GetI32(out, 0x820), before.Header.NumPriColours);
    EXPECT_EQ(out[0x824], before.Header.PriColours[0].Hue);
    EXPECT_EQ(out[0x8A4 + 3], before.Header.SecColours[0].Tolerance);
    EXPECT_EQ(Slice(out, 0x924, 260), std::vector<std::uint8_t>(260, 0));
    EXPECT_EQ(Slice(out, 0x1E28, 528), std::vector<std::uint8_t>(528, 0));
    // The V values stay as the model held them.
    EXPECT_EQ(model.Triangles[0].V1, before.Triangles[0].V1);
    EXPECT_EQ(model.NormalVerts, before.Vertices);
    EXPECT_EQ(model.DamagedNorms, before.Normals);
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
}

TEST(Fce4, FillAreasComeFromTheLastNfs4FileRead)
{
    const RawFce nfs4 = BuildRawFce4(21, {});
    CarModel model = Read4(nfs4.bytes);
    const RawFce nfs3 = BuildRawFce3(22, {});
    ASSERT_FALSE(ReadFCE3(nfs3.bytes, model));
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
    EXPECT_TRUE(model.VertFlags.empty()) << "no NFSIV tables left from the earlier car";

    const std::vector<std::uint8_t> out = Encode4(model);
    EXPECT_EQ(Slice(out, 0x924, 260), Slice(nfs4.bytes, 0x924, 260));
    EXPECT_EQ(Slice(out, 0x1E28, 528), Slice(nfs4.bytes, 0x1E28, 528));
    EXPECT_EQ(Slice(out, 0x864, 64), Slice(nfs4.bytes, 0x864, 64)) << "interior colours are NFSIV only";
}

TEST(Fce4, Nfs3ToNfs4ToNfs3GivesTheSameFileButForVRounding)
{
    CarModel original = RandomModel(31, {.vertices = 40, .triangles = 50, .parts = 5, .dummies = 4,
                                         .origin = ModelOrigin::Nfs3});
    const std::vector<std::uint8_t> nfs3 = Encode3(original);

    CarModel step1;
    ASSERT_FALSE(ReadFCE3(nfs3, step1));
    const std::vector<std::uint8_t> nfs4 = Encode4(step1);
    CarModel step2 = Read4(nfs4);
    EXPECT_EQ(step2.Undamaged2Verts, step2.NormalVerts);
    // The NFSIV file has no header tail; a fresh program carries none.
    step2.Header.HeaderTail = original.Header.HeaderTail;

    // The NFSIV file holds 1 - V and reading it gives 1 - (1 - V), which
    // in 32 bits may differ from V in the last place. Nothing else changes.
    CarModel expected = original;
    int rounded = 0;
    for (Triangle& t : expected.Triangles) {
        for (float* v : {&t.V1, &t.V2, &t.V3}) {
            const float back = 1.0f - (1.0f - *v);
            rounded += back != *v;
            *v = back;
        }
    }
    EXPECT_GT(rounded, 0) << "the random V values should include some that round";
    EXPECT_EQ(Encode3(step2), Encode3(expected));
}

TEST(Fce4, Nfs4ToNfs3ToNfs4KeepsSetZeroAndDropsTheOtherSets)
{
    CarModel original = RandomModel(41, {.vertices = 12, .triangles = 9, .parts = 2, .dummies = 1});
    const std::vector<std::uint8_t> first = Encode4(original);
    CarModel model = Read4(first);
    const std::vector<std::uint8_t> nfs3 = Encode3(model);
    CarModel fresh;
    ASSERT_FALSE(ReadFCE3(nfs3, fresh));
    const std::vector<std::uint8_t> second = Encode4(fresh);
    EXPECT_EQ(BlockOf(second, kWrittenOrder[0], 12 * 12), BlockOf(first, kWrittenOrder[0], 12 * 12));
    EXPECT_EQ(BlockOf(second, kWrittenOrder[8], 12 * 12), BlockOf(first, kWrittenOrder[0], 12 * 12));
    // V survives as a value; the V' of the first file may differ in the last place.
    CarModel back = Read4(second);
    for (std::size_t t = 0; t < back.Triangles.size(); ++t)
        EXPECT_NEAR(back.Triangles[t].V1, model.Triangles[t].V1, 1e-6f);
}

TEST(Fce4, WorkingSetGoesBackIntoTheActiveSet)
{
    CarModel model = Read4(BuildRawFce4(51, {}).bytes);
    const Vec3 normal0 = model.NormalVerts[0];
    model.Vertices = model.DamagedVerts;
    model.Normals = model.DamagedNorms;
    model.ActiveVertexSet = VertexSet::Damaged;
    model.Vertices[0] = {1.0f, 2.0f, 3.0f};
    PrepareForSave(model, FceVariant::Nfs4);
    const std::vector<std::uint8_t> out = Encode4(model);
    const auto damaged = kHeader + static_cast<std::size_t>(GetI32(out, 0x34));
    EXPECT_EQ(GetF32(out, damaged), 1.0f);
    EXPECT_EQ(GetF32(out, damaged + 8), 3.0f);
    EXPECT_EQ(model.DamagedVerts[0], (Vec3{1.0f, 2.0f, 3.0f}));
    const auto normal = kHeader + static_cast<std::size_t>(GetI32(out, 0x14));
    EXPECT_EQ(GetF32(out, normal), normal0.X);
    EXPECT_EQ(model.NormalVerts[0], normal0);
}

TEST(Fce4, ColourOutsideAByteFailsWithOverflowAndKeepsTheFile)
{
    TempDir dir;
    const std::string path = dir.File("car.fce");
    WriteBytes(path, {1, 2, 3});
    CarModel model = RandomModel(61, {});
    model.Header.HairColours[15].Brightness = 256;
    const SaveStatus status = SaveFCE4(model, path);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 6);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));

    model.Header.HairColours[15].Brightness = -1;
    EXPECT_TRUE(SaveFCE4(model, path));
    model.Header.HairColours[15].Brightness = 255;
    EXPECT_FALSE(SaveFCE4(model, path));
}

TEST(Fce4, FailedWriteLeavesTheModelsVValues)
{
    CarModel model = RandomModel(71, {});
    const RowTable<Triangle> before = model.Triangles;
    EXPECT_TRUE(SaveFCE4(model, "/nonexistent-folder/car.fce"));
    EXPECT_EQ(model.Triangles, before);
}

TEST(Fce4, ModelsFrom3dsGetZeroedReservedBlocksAndBecomeNfs3)
{
    CarModel model = RandomModel(81, {.vertices = 9, .triangles = 4, .parts = 1, .dummies = 0,
                                      .origin = ModelOrigin::From3ds});
    PrepareForSave(model, FceVariant::Nfs4);
    const std::vector<std::uint8_t> out = Encode4(model);
    EXPECT_EQ(model.FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(BlockOf(out, kWrittenOrder[3], 32 * 9), std::vector<std::uint8_t>(32 * 9, 0));
    EXPECT_EQ(BlockOf(out, kWrittenOrder[5], 12 * 9), std::vector<std::uint8_t>(12 * 9, 0));
}

// Encoding leaves the model alone and gives the bytes of a prepared model
// whether or not it was prepared; preparing twice changes nothing more.
TEST(FceSave, EncodersAreConstAndPreparingGivesTheSameBytes)
{
    CarModel damagedActive = RandomModel(91, {.vertices = 20, .triangles = 12, .parts = 2, .dummies = 1});
    damagedActive.ActiveVertexSet = VertexSet::Damaged;
    damagedActive.Vertices = damagedActive.DamagedVerts;
    damagedActive.Vertices[3] = {7.0f, -8.0f, 9.0f};
    const CarModel models[] = {
        RandomModel(92, {.vertices = 30, .triangles = 20, .parts = 20, .dummies = 2, .origin = ModelOrigin::From3ds}),
        RandomModel(93, {.origin = ModelOrigin::Nfs3}),
        damagedActive,
    };
    for (const CarModel& model : models) {
        for (FceVariant variant : {FceVariant::Nfs3, FceVariant::Nfs4}) {
            SCOPED_TRACE(static_cast<int>(model.FileFormat) * 10 + static_cast<int>(variant));
            auto encode = variant == FceVariant::Nfs4 ? EncodeFCE4 : EncodeFCE3;
            const EncodedFile unprepared = encode(model);
            ASSERT_FALSE(unprepared.failure);
            CarModel prepared = model;
            PrepareForSave(prepared, variant);
            EXPECT_EQ(encode(prepared).bytes, unprepared.bytes);
            const CarModel once = prepared;
            PrepareForSave(prepared, variant);
            EXPECT_EQ(prepared, once);
        }
    }
}
