// FCE4M reading and writing against a little reader of the layout written
// here, byte-exact round trips, detection of the variants, and conversions.

#include "CarModel.h"
#include "FceFiles.h"
#include "FceTestHelpers.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"
#include "VariantConversion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

constexpr std::size_t kHeader = 0x2038;
const std::string kSamples = MOBRIX_SAMPLES_DIR;

// The tables of an FCE4M file, found through the header offsets the way the
// layout notes describe them, without the project's codec.
struct LayoutTables {
    std::uint32_t word = 0;
    std::int32_t triangles = 0, vertices = 0;
    std::vector<Vec3> sets[6]; // vertices, normals, undamaged vertices and normals, damaged ones
    std::vector<std::uint8_t> triangleRecords, reserved1, reserved2, reserved3, vertA, vertFlags, vertB;
    std::vector<std::uint8_t> triReserved, tail; // 12 T bytes, then V
};

LayoutTables ReadLayout(const std::vector<std::uint8_t>& file)
{
    LayoutTables t;
    t.word = static_cast<std::uint32_t>(GetI32(file, 0));
    t.triangles = GetI32(file, 0x08);
    t.vertices = GetI32(file, 0x0C);
    const auto n = static_cast<std::size_t>(t.vertices);
    const auto m = static_cast<std::size_t>(t.triangles);
    auto at = [&](std::size_t offsetField) { return kHeader + static_cast<std::size_t>(GetI32(file, offsetField)); };
    const std::size_t setFields[6] = {0x14, 0x18, 0x2C, 0x30, 0x34, 0x38};
    for (int s = 0; s < 6; ++s) {
        const std::size_t from = at(setFields[s]);
        for (std::size_t i = 0; i < n; ++i)
            t.sets[s].push_back(
                {GetF32(file, from + 12 * i), GetF32(file, from + 12 * i + 4), GetF32(file, from + 12 * i + 8)});
    }
    t.triangleRecords = Slice(file, at(0x1C), 56 * m);
    t.reserved1 = Slice(file, at(0x20), 32 * n);
    t.reserved2 = Slice(file, at(0x24), 12 * n);
    t.reserved3 = Slice(file, at(0x28), 12 * n);
    t.vertA = Slice(file, at(0x3C), 4 * n);
    t.vertFlags = Slice(file, at(0x40), 4 * n);
    t.vertB = Slice(file, at(0x44), 4 * n);
    t.triReserved = Slice(file, at(0x48), 12 * m);
    t.tail = Slice(file, at(0x48) + 12 * m, n);
    return t;
}

template <class Table>
std::vector<std::uint8_t> Flat(const Table& table)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& row : table)
        bytes.insert(bytes.end(), row.begin(), row.end());
    return bytes;
}

// Every table of the model is the one the layout gives.
void ExpectModelHoldsLayout(const CarModel& model, const LayoutTables& t)
{
    EXPECT_EQ(model.Header.NumVertices, t.vertices);
    EXPECT_EQ(model.Header.NumTriangles, t.triangles);
    const std::vector<Vec3>* sets[6] = {&model.NormalVerts,     &model.NormalNorms,  &model.Undamaged2Verts,
                                        &model.Undamaged2Norms, &model.DamagedVerts, &model.DamagedNorms};
    for (int s = 0; s < 6; ++s)
        EXPECT_EQ(std::memcmp(sets[s]->data(), t.sets[s].data(), t.sets[s].size() * sizeof(Vec3)), 0) << "set " << s;
    ASSERT_EQ(model.Triangles.size() * 56, t.triangleRecords.size());
    for (std::size_t i = 0; i < model.Triangles.size(); ++i) {
        const Triangle& tri = model.Triangles[i];
        const auto record = [&](std::size_t field) { return GetI32(t.triangleRecords, 56 * i + field); };
        EXPECT_EQ(tri.TexPage, record(0));
        EXPECT_EQ((std::array{tri.I1, tri.I2, tri.I3}), (std::array{record(4), record(8), record(12)}));
        EXPECT_EQ(tri.Flags, record(28));
        EXPECT_EQ(std::bit_cast<std::int32_t>(tri.U2), record(36));
        EXPECT_EQ(std::bit_cast<std::int32_t>(tri.StoredV[2]), record(52)) << "V is stored as read";
        EXPECT_EQ(std::bit_cast<std::uint32_t>(tri.V3),
                  std::bit_cast<std::uint32_t>(1.0f - GetF32(t.triangleRecords, 56 * i + 52)));
    }
    EXPECT_EQ(Flat(model.Reserved1), t.reserved1);
    EXPECT_EQ(Flat(model.Reserved2), t.reserved2);
    EXPECT_EQ(Flat(model.Reserved3), t.reserved3);
    EXPECT_EQ(Flat(model.VertReservedA), t.vertA);
    EXPECT_EQ(Flat(model.VertFlags), t.vertFlags);
    EXPECT_EQ(Flat(model.VertReservedB), t.vertB);
    EXPECT_EQ(Flat(model.TriReserved), t.triReserved);
    EXPECT_EQ(Flat(model.VertReservedC), t.tail);
}

CarModel ReadFce4m(const std::vector<std::uint8_t>& bytes)
{
    CarModel model;
    const LoadStatus status = ReadFCE4M(bytes, model);
    EXPECT_FALSE(status) << (status ? status->detail : "");
    return model;
}

std::vector<std::uint8_t> Encode4m(const CarModel& model)
{
    const EncodedFile file = EncodeFCE4M(model);
    EXPECT_FALSE(file.failure) << (file.failure ? file.failure->detail : "");
    return file.bytes;
}

} // namespace

// Files with shuffled blocks and gaps read into exactly their tables; the
// writer's compact file holds the model's tables where the layout puts
// them, and reads back and writes again to the same bytes.
TEST(Fce4m, ReaderAndWriterAgreeWithTheLayout)
{
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const RawFceShape shape{.vertices = static_cast<int>(7 + 13 * seed), .triangles = static_cast<int>(3 + 19 * seed),
                                .parts = static_cast<int>(seed * 5), .dummies = static_cast<int>(seed * 4 % 17)};
        const RawFce raw = BuildRawFce4m(seed, shape);
        CarModel model = ReadFce4m(raw.bytes);
        EXPECT_EQ(model.FileFormat, ModelOrigin::Fce4m);
        EXPECT_THAT(CheckModel(model), IsEmpty());
        ExpectModelHoldsLayout(model, ReadLayout(raw.bytes));
        EXPECT_EQ(std::memcmp(model.Fce4Header.data(), raw.bytes.data(), kHeader), 0) << "header kept as read";

        const std::vector<std::uint8_t> out = Encode4m(model);
        ASSERT_EQ(static_cast<std::int64_t>(out.size()), Fce4mFileSize(shape.vertices, shape.triangles));
        const LayoutTables written = ReadLayout(out);
        EXPECT_EQ(written.word, kFce4mVersion);
        ExpectModelHoldsLayout(model, written);
        // The colour count at 0x0820 and the field at 0x0924, whatever they hold.
        EXPECT_EQ(Slice(out, 0x820, 4), Slice(raw.bytes, 0x820, 4));
        EXPECT_EQ(Slice(out, 0x924, 4), Slice(raw.bytes, 0x924, 4));
        EXPECT_EQ(Encode4m(ReadFce4m(out)), out);
    }
}

TEST(Fce4m, RoundTripsThroughNfs4AreByteExact)
{
    CarModel large = RandomModel(17, {.vertices = 40'000, .triangles = 80'000, .parts = 12, .dummies = 6});
    const std::vector<std::uint8_t> largeFile = Encode4(large);
    const std::vector<std::uint8_t> files[] = {ReadBytes(kSamples + "/sample-nfs4.fce"), largeFile};
    for (const std::vector<std::uint8_t>& nfs4 : files) {
        CarModel model = Read4(nfs4);
        ConvertToVariant(model, FceVariant::Fce4m);
        EXPECT_THAT(CheckModel(model), IsEmpty());
        const std::vector<std::uint8_t> fce4m = Encode4m(model);
        EXPECT_EQ(fce4m.size(), nfs4.size() + static_cast<std::size_t>(model.Header.NumVertices));
        CarModel back = ReadFce4m(fce4m);
        EXPECT_EQ(Encode4m(back), fce4m) << "FCE4M to FCE4M";
        ConvertToVariant(back, FceVariant::Nfs4);
        EXPECT_EQ(Encode4(back), nfs4) << "NFSIV to FCE4M to NFSIV";
    }
    const std::vector<std::uint8_t> sample = ReadBytes(kSamples + "/sample-fce4m.fce");
    EXPECT_EQ(Encode4m(ReadFce4m(sample)), sample);
}

// A file with 0 for its version word keeps it, and is known by its size.
TEST(Fce4m, UnversionedFilesKeepTheirWordAndNeedTheExactSize)
{
    const RawFceShape shape{.vertices = 30, .triangles = 20, .parts = 3, .dummies = 2, .shuffleBlocks = false};
    const RawFce raw = BuildRawFce4m(5, shape, true);
    const std::vector<std::uint8_t> out = Encode4m(ReadFce4m(raw.bytes));
    EXPECT_EQ(GetI32(out, 0), 0);
    EXPECT_EQ(Encode4m(ReadFce4m(out)), out);
    EXPECT_EQ(DetectVariantOf(raw.bytes, raw.bytes.size()), FceVariant::Fce4m);

    std::vector<std::uint8_t> longer = raw.bytes;
    longer.push_back(0);
    CarModel refused;
    const LoadStatus status = ReadFCE4M(longer, refused);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->kind, LoadError::NotFce4mFile);
    EXPECT_EQ(status->detail, "the version word is 0 and the file is 13839 bytes long, not the 13838 bytes of an "
                              "FCE4M file of 30 vertices and 20 triangles");
    // Neither an NFSIII nor an FCE4M file: the NFSIII reader refuses it.
    EXPECT_EQ(DetectVariantOf(longer, longer.size()), FceVariant::Nfs3);
    EXPECT_TRUE(ReadFCE3(longer, refused));
}

TEST(Fce4m, DetectionByWordAndSize)
{
    TempDir dir;
    CarModel nfs3 = RandomModel(3, {.origin = ModelOrigin::Nfs3});
    const std::vector<std::uint8_t> nfs3File = EncodeFCE3(nfs3).bytes;
    const std::vector<std::uint8_t> fce4mFile = Encode4m(RandomModel(4, {.origin = ModelOrigin::Fce4m}));
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        FceVariant expected;
    };
    std::vector<std::uint8_t> zeroTag = nfs3File;
    std::fill_n(zeroTag.begin(), 4, std::uint8_t{0});
    std::vector<std::uint8_t> unknownWord = fce4mFile;
    PutI32(unknownWord, 0, 0x00101016);
    const Case cases[] = {
        {"NFSIV", Encode4(RandomModel(5)), FceVariant::Nfs4},
        {"FCE4M", fce4mFile, FceVariant::Fce4m},
        {"NFSIII", nfs3File, FceVariant::Nfs3},
        {"NFSIII with a zero tag", zeroTag, FceVariant::Nfs3},
        {"unknown word, neither size", unknownWord, FceVariant::Nfs3},
        {"empty", {}, FceVariant::Nfs3},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("car.fce");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(DetectVariant(path), c.expected) << c.what;
    }
    CarModel model;
    EXPECT_TRUE(ReadFCE3(unknownWord, model)) << "a file of neither variant is refused";
}

// What each conversion creates and drops is what a save in the target
// variant writes.
TEST(Fce4m, ConversionsKeepWhatTheTargetVariantWrites)
{
    const CarModel nfs3 = RandomModel(21, {.origin = ModelOrigin::Nfs3});
    const CarModel nfs4 = RandomModel(22);
    const CarModel fce4m = RandomModel(23, {.origin = ModelOrigin::Fce4m});
    const CarModel from3ds = RandomModel(24, {.origin = ModelOrigin::From3ds});
    for (const CarModel* source : {&nfs3, &nfs4, &fce4m, &from3ds}) {
        for (FceVariant to : {FceVariant::Nfs3, FceVariant::Nfs4, FceVariant::Fce4m}) {
            SCOPED_TRACE(static_cast<int>(source->FileFormat) * 10 + static_cast<int>(to));
            auto encode = to == FceVariant::Nfs3 ? EncodeFCE3 : to == FceVariant::Nfs4 ? EncodeFCE4 : EncodeFCE4M;
            CarModel converted = *source;
            ConvertToVariant(converted, to);
            EXPECT_THAT(CheckModel(converted), IsEmpty());
            EXPECT_EQ(encode(converted).bytes, encode(*source).bytes);
            EXPECT_EQ(HoldsNfs4Tables(converted), to != FceVariant::Nfs3);
            EXPECT_EQ(converted.VertReservedC.size(),
                      to == FceVariant::Fce4m ? static_cast<std::size_t>(converted.Header.NumVertices) : 0u);
        }
    }
}

// Reading only the NFSIII tables gives the model a whole read converted to
// NFSIII gives, and refuses the files the whole read refuses.
TEST(Fce4m, ReadingOnlyTheNfs3TablesEqualsReadingAllAndConverting)
{
    using Reader = LoadStatus (*)(std::span<const std::uint8_t>, CarModel&, KeptTables);
    const std::pair<ModelOrigin, Reader> variants[] = {{ModelOrigin::Nfs4, ReadFCE4}, {ModelOrigin::Fce4m, ReadFCE4M}};
    for (const auto& [origin, read] : variants) {
        SCOPED_TRACE(static_cast<int>(origin));
        CarModel source = RandomModel(41, {.origin = origin});
        source.ActiveVertexSet = VertexSet::Damaged; // the file holds set 0 as the working set
        const std::vector<std::uint8_t> file =
            (origin == ModelOrigin::Nfs4 ? EncodeFCE4(source) : EncodeFCE4M(source)).bytes;
        CarModel whole, lean;
        ASSERT_FALSE(read(file, whole, KeptTables::All));
        ASSERT_FALSE(read(file, lean, KeptTables::Nfs3));
        ConvertToVariant(whole, FceVariant::Nfs3);
        EXPECT_TRUE(lean == whole);
        EXPECT_EQ(EncodeFCE3(lean).bytes, EncodeFCE3(whole).bytes);

        // A table NFSIII drops that runs past the end is still refused.
        const std::vector<std::uint8_t> cut(file.begin(), file.end() - 1);
        CarModel refused = source;
        const LoadStatus wholeStatus = read(cut, whole, KeptTables::All);
        const LoadStatus leanStatus = read(cut, refused, KeptTables::Nfs3);
        ASSERT_TRUE(leanStatus);
        EXPECT_EQ(leanStatus->detail, wholeStatus->detail);
        EXPECT_TRUE(refused == source) << "a refused read leaves the model as it was";
    }
}

TEST(Fce4m, PartNamesFollowTheirRoles)
{
    CarModel model = RandomModel(31, {.vertices = 60, .triangles = 40, .parts = 14, .dummies = 0});
    for (int p = 0; p < 14; ++p)
        model.Header.PartNames[static_cast<std::size_t>(p)] = MakeName("part" + std::to_string(p + 1));
    CarModel byPosition = model;
    EXPECT_EQ(RenamePartsForVariant(byPosition, FceVariant::Nfs3, FceVariant::Fce4m), 6);
    auto nameOf = [](const CarModel& m, int part) { return TrimmedName(m.Header.PartNames[static_cast<std::size_t>(part)]); };
    EXPECT_EQ(nameOf(byPosition, 0), ":Hbody");
    EXPECT_EQ(nameOf(byPosition, 3), ":PPLRwheel");
    EXPECT_EQ(nameOf(byPosition, 5), "part6") << "a medium body has no FCE4M name";
    EXPECT_EQ(nameOf(byPosition, 12), ":Hheadlight");
    EXPECT_EQ(nameOf(byPosition, 13), "part14");

    // By name between NFSIV and FCE4M: NUL-filled names and any letter case.
    Name64 nulFilled{};
    std::memcpy(nulFilled.data(), ":od", 3);
    model.Header.PartNames[0] = nulFilled;
    model.Header.PartNames[1] = MakeName(":MB");
    model.Header.PartNames[2] = MakeName(":HLFW");
    EXPECT_EQ(RenamePartsForVariant(model, FceVariant::Nfs4, FceVariant::Fce4m), 2);
    EXPECT_EQ(nameOf(model, 0), ":PPdriver");
    EXPECT_EQ(nameOf(model, 1), ":MB");
    EXPECT_EQ(nameOf(model, 2), ":PPLFwheel");
    EXPECT_EQ(RenamePartsForVariant(model, FceVariant::Fce4m, FceVariant::Nfs4), 2);
    EXPECT_EQ(nameOf(model, 0), ":OD");
    EXPECT_EQ(nameOf(model, 2), ":HLFW");
    EXPECT_EQ(RenamePartsForVariant(model, FceVariant::Nfs4, FceVariant::Nfs3), 0);
}
