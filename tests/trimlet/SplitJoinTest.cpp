// Splitting NFSIV files into part files and joining them again: every block
// comes back byte for byte, the header is rebuilt back to back with the tag
// "MBRX", fusing keeps the totals and the kept blocks, and broken input is
// refused before anything is written.

#include "FceStore.h"
#include "ProjectFile.h"
#include "Workspace.h"

#include "CarModel.h"
#include "FceFiles.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestCars.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace testing_support;
using trimlet::FileFailure;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeader = 8248;

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t size)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + size)};
}

// A model on disk and its temp folder.
struct Workbench {
    TempDir dir;
    fs::path fce = fs::path(dir.path()) / "car.fce";
    fs::path temp = fs::path(dir.path()) / "temp";

    trimlet::FceStore Split(const std::vector<std::uint8_t>& bytes)
    {
        WriteBytes(fce.string(), bytes);
        auto split = trimlet::SplitFce(fce, temp);
        if (auto* failure = std::get_if<FileFailure>(&split))
            ADD_FAILURE() << failure->message;
        return std::get<trimlet::FceStore>(std::move(split));
    }

    std::vector<std::uint8_t> Join(const trimlet::FceStore& store)
    {
        const auto failure = trimlet::JoinFce(fce, temp, store);
        EXPECT_FALSE(failure) << failure->message;
        return ReadBytes(fce.string());
    }

    std::vector<std::string> TempFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(temp))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// The offsets of a joined file: the blocks back to back in the order of
// their offset fields.
std::map<std::size_t, std::int32_t> BackToBackOffsets(std::int32_t n, std::int32_t m)
{
    const std::pair<std::size_t, std::int32_t> sizes[] = {
        {0x14, 12 * n}, {0x18, 12 * n}, {0x1C, 56 * m}, {0x20, 32 * n}, {0x24, 12 * n},
        {0x28, 12 * n}, {0x2C, 12 * n}, {0x30, 12 * n}, {0x34, 12 * n}, {0x38, 12 * n},
        {0x3C, 4 * n},  {0x40, 4 * n},  {0x44, 4 * n},  {0x48, 12 * m}};
    std::map<std::size_t, std::int32_t> offsets;
    std::int32_t at = 0;
    for (auto [field, size] : sizes) {
        offsets[field] = at;
        at += size;
    }
    return offsets;
}

const std::pair<const char*, std::size_t> kBlockFields[] = {
    {"vertices", 0x14},       {"normals", 0x18},      {"triangles", 0x1C},       {"reserved1", 0x20},
    {"reserved2", 0x24},      {"reserved3", 0x28},    {"undamaged2Verts", 0x2C}, {"undamaged2Norms", 0x30},
    {"damagedVerts", 0x34},   {"damagedNorms", 0x38}, {"vertReservedA", 0x3C},   {"vertFlags", 0x40},
    {"vertReservedB", 0x44},  {"triReserved", 0x48}};

std::vector<std::uint8_t> JoinedBlock(const std::vector<std::uint8_t>& joined, std::size_t field, std::size_t size)
{
    return Slice(joined, kHeader + static_cast<std::size_t>(GetI32(joined, field)), size);
}

TEST(SplitJoin, SplitThenJoinGivesBackEveryBlockBehindARebuiltHeader)
{
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const RawFce raw = BuildRawFce4(seed, {.vertices = 60, .triangles = 90, .parts = 4, .dummies = 5});
        Workbench bench;
        const trimlet::FceStore store = bench.Split(raw.bytes);
        const std::vector<std::uint8_t> joined = bench.Join(store);
        const std::int32_t n = raw.vertices;
        const std::int32_t m = raw.triangles;

        ASSERT_EQ(joined.size(), kHeader + 140 * static_cast<std::size_t>(n) + 68 * static_cast<std::size_t>(m));
        EXPECT_EQ(Slice(joined, 0, 4), (std::vector<std::uint8_t>{0x14, 0x10, 0x10, 0x00}));
        EXPECT_EQ(Slice(joined, 4, 4), (std::vector<std::uint8_t>{'M', 'B', 'R', 'X'}));
        EXPECT_EQ(GetI32(joined, 0x08), m);
        EXPECT_EQ(GetI32(joined, 0x0C), n);
        for (auto [field, offset] : BackToBackOffsets(n, m))
            EXPECT_EQ(GetI32(joined, field), offset) << "offset field " << field;
        for (auto [name, field] : kBlockFields)
            EXPECT_EQ(JoinedBlock(joined, field, raw.blocks.at(name).size), raw.Block(name)) << name;
        // Everything else of the header, the parts' tables, names and
        // positions, dummies, colours, art count and fill areas included, is
        // as it was.
        EXPECT_EQ(Slice(joined, 0x10, 4), Slice(raw.bytes, 0x10, 4));
        EXPECT_EQ(Slice(joined, 0x58, kHeader - 0x58), Slice(raw.bytes, 0x58, kHeader - 0x58));
    }
}

TEST(SplitJoin, AFileOfTheEditorsWriterComesBackBitForBit)
{
    for (std::uint32_t seed : {7u, 8u}) {
        SCOPED_TRACE(seed);
        mobrix::CarModel model = RandomModel(seed, {.vertices = 70, .triangles = 110, .parts = 6, .dummies = 4});
        model.Header.HeaderTag = {'M', 'B', 'R', 'X'};
        const mobrix::EncodedFile file = mobrix::EncodeFCE4(model);
        ASSERT_FALSE(file.failure);
        Workbench bench;
        const trimlet::FceStore store = bench.Split(file.bytes);
        // Half sizes included: both compute them over the undamaged set.
        EXPECT_EQ(bench.Join(store), file.bytes);
    }
}

TEST(SplitJoin, AOnePartModelGivesOnePartFileAndAProjectWithOneName)
{
    const RawFce raw = BuildRawFce4(11, {.vertices = 25, .triangles = 0, .parts = 1, .dummies = 3});
    Workbench bench;
    fs::create_directories(bench.temp);
    WriteBytes((bench.temp / "TPART7.PRT").string(), {1, 2, 3}); // left by an earlier, larger model
    bench.Split(raw.bytes);
    EXPECT_THAT(bench.TempFiles(), ::testing::ElementsAre("TPART1.PRT", "TPROJECT.PRJ"));

    const std::vector<std::uint8_t> part = ReadBytes((bench.temp / "TPART1.PRT").string());
    const std::size_t n = 25;
    ASSERT_EQ(part.size(), 90 + 100 * n); // no triangles
    EXPECT_EQ(Slice(part, 0, 6), (std::vector<std::uint8_t>{'M', 'B', 'R', 'X', 1, 0}));
    EXPECT_EQ(Slice(part, 6, 64), Slice(raw.bytes, 0x0E28, 64));
    EXPECT_EQ(Slice(part, 70, 12), Slice(raw.bytes, 0x0120, 12));
    EXPECT_EQ(GetI32(part, 82), 25);
    EXPECT_EQ(GetI32(part, 86), 0);
    const std::size_t sets = 90;
    const std::size_t normals = 90 + 48 * n;
    EXPECT_EQ(Slice(part, sets, 12 * n), raw.Block("vertices"));
    EXPECT_EQ(Slice(part, sets + 12 * n, 12 * n), raw.Block("undamaged2Verts"));
    EXPECT_EQ(Slice(part, sets + 24 * n, 12 * n), raw.Block("damagedVerts"));
    EXPECT_EQ(Slice(part, sets + 36 * n, 12 * n), std::vector<std::uint8_t>(12 * n, 0));
    EXPECT_EQ(Slice(part, normals, 12 * n), raw.Block("normals"));
    EXPECT_EQ(Slice(part, normals + 12 * n, 12 * n), raw.Block("undamaged2Norms"));
    EXPECT_EQ(Slice(part, normals + 24 * n, 12 * n), raw.Block("damagedNorms"));
    EXPECT_EQ(Slice(part, normals + 36 * n, 12 * n), std::vector<std::uint8_t>(12 * n, 0));
    EXPECT_EQ(Slice(part, 90 + 96 * n, 4 * n), raw.Block("vertFlags"));

    const std::vector<std::uint8_t> project = ReadBytes((bench.temp / "TPROJECT.PRJ").string());
    std::vector<std::uint8_t> expected{29, 0};
    const std::string description = "Mobrix Temporary project file";
    expected.insert(expected.end(), description.begin(), description.end());
    expected.insert(expected.end(), {1, 0, 10, 0});
    const std::string name = "TPART1.PRT";
    expected.insert(expected.end(), name.begin(), name.end());
    for (int i = 0; i < 63; ++i)
        expected.insert(expected.end(), {0, 0});
    const auto header = [&](std::size_t at, std::size_t size) {
        const auto bytes = Slice(raw.bytes, at, size);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    };
    header(0x58, 4);    // dummy count
    header(0xA28, 1024); // dummy names
    header(0x5C, 192);  // dummy positions
    header(0x820, 4);   // colour count
    header(0x824, 256); // primary, interior, secondary, driver's hair
    EXPECT_EQ(project, expected);
}

// Where the vertex sets and triangles of a part lie in a model read back by
// the editor's reader.
struct PartView {
    const mobrix::CarModel& model;
    int part;
    mobrix::Vec3 Absolute(const std::vector<mobrix::Vec3>& set, int k) const
    {
        const mobrix::Vec3& v = set[static_cast<std::size_t>(model.Header.PartFirstVertex[part] + k)];
        const mobrix::Vec3& p = model.Header.PartPos[part];
        return {v.X + p.X, v.Y + p.Y, v.Z + p.Z};
    }
    const mobrix::Triangle& Face(int k) const
    {
        return model.Triangles[static_cast<std::size_t>(model.Header.PartFirstTriangle[part] + k)];
    }
};

void ExpectNear(const mobrix::Vec3& a, const mobrix::Vec3& b)
{
    EXPECT_NEAR(a.X, b.X, 1e-4);
    EXPECT_NEAR(a.Y, b.Y, 1e-4);
    EXPECT_NEAR(a.Z, b.Z, 1e-4);
}

TEST(SplitJoin, FusingTheSecondAndFourthPartsIntoTheFirstKeepsTotalsBlocksAndPlaces)
{
    mobrix::CarModel model = RandomModel(21, {.vertices = 80, .triangles = 120, .parts = 5, .dummies = 2});
    const mobrix::EncodedFile file = mobrix::EncodeFCE4(model);
    ASSERT_FALSE(file.failure);
    mobrix::CarModel before;
    ASSERT_FALSE(mobrix::ReadFCE4(file.bytes, before));

    Workbench bench;
    trimlet::FceStore store = bench.Split(file.bytes);
    const auto third = ReadBytes((bench.temp / "TPART3.PRT").string());
    const auto fifth = ReadBytes((bench.temp / "TPART5.PRT").string());

    auto fused = trimlet::FuseParts(bench.temp, store.Project, {0, 1, 3});
    ASSERT_TRUE(std::holds_alternative<trimlet::FuseOutcome>(fused));
    EXPECT_EQ(std::get<trimlet::FuseOutcome>(fused).target, 0);
    EXPECT_THAT(std::get<trimlet::FuseOutcome>(fused).removed, ::testing::ElementsAre(1, 3));
    EXPECT_EQ(store.Project.PartCount, 3);
    EXPECT_THAT(store.Project.PartFileNames, ::testing::ElementsAre("TPART1.PRT", "TPART3.PRT", "TPART5.PRT"));
    EXPECT_THAT(bench.TempFiles(), ::testing::ElementsAre("TPART1.PRT", "TPART3.PRT", "TPART5.PRT", "TPROJECT.PRJ"));
    EXPECT_EQ(ReadBytes((bench.temp / "TPART3.PRT").string()), third);
    EXPECT_EQ(ReadBytes((bench.temp / "TPART5.PRT").string()), fifth);

    const std::vector<std::uint8_t> joined = bench.Join(store);
    mobrix::CarModel after;
    ASSERT_FALSE(mobrix::ReadFCE4(joined, after));
    EXPECT_THAT(mobrix::CheckModel(after), ::testing::IsEmpty());
    EXPECT_EQ(after.Header.NumVertices, before.Header.NumVertices);
    EXPECT_EQ(after.Header.NumTriangles, before.Header.NumTriangles);
    EXPECT_EQ(after.Header.NumParts, 3);
    EXPECT_EQ(after.Reserved1, before.Reserved1);
    EXPECT_EQ(after.Reserved2, before.Reserved2);
    EXPECT_EQ(after.Reserved3, before.Reserved3);
    EXPECT_EQ(after.VertReservedA, before.VertReservedA);
    EXPECT_EQ(after.VertReservedB, before.VertReservedB);
    EXPECT_EQ(after.TriReserved, before.TriReserved);

    const auto& hb = before.Header;
    const auto& ha = after.Header;
    EXPECT_EQ(ha.PartNumVertices[0], hb.PartNumVertices[0] + hb.PartNumVertices[1] + hb.PartNumVertices[3]);
    EXPECT_EQ(ha.PartNumTriangles[0], hb.PartNumTriangles[0] + hb.PartNumTriangles[1] + hb.PartNumTriangles[3]);
    EXPECT_EQ(ha.PartNames[0], hb.PartNames[0]);
    EXPECT_EQ(ha.PartNames[1], hb.PartNames[2]);
    EXPECT_EQ(ha.PartNames[2], hb.PartNames[4]);
    EXPECT_EQ(ha.PartPos[0], hb.PartPos[0]);
    EXPECT_EQ(ha.PartPos[1], hb.PartPos[2]);

    // The appended parts keep their place in the model in every vertex set,
    // and their triangles point at the same vertices as before.
    const PartView target{after, 0};
    int base = hb.PartNumVertices[0];
    int faceBase = hb.PartNumTriangles[0];
    for (int appended : {1, 3}) {
        const PartView old{before, appended};
        for (int k = 0; k < hb.PartNumVertices[appended]; ++k) {
            ExpectNear(target.Absolute(after.NormalVerts, base + k), old.Absolute(before.NormalVerts, k));
            ExpectNear(target.Absolute(after.Undamaged2Verts, base + k), old.Absolute(before.Undamaged2Verts, k));
            ExpectNear(target.Absolute(after.DamagedVerts, base + k), old.Absolute(before.DamagedVerts, k));
            EXPECT_EQ(after.NormalNorms[static_cast<std::size_t>(base + k)],
                      before.NormalNorms[static_cast<std::size_t>(hb.PartFirstVertex[appended] + k)]);
        }
        for (int k = 0; k < hb.PartNumTriangles[appended]; ++k) {
            const mobrix::Triangle& now = target.Face(faceBase + k);
            const mobrix::Triangle& was = old.Face(k);
            EXPECT_EQ(now.I1, was.I1 + base);
            EXPECT_EQ(now.I2, was.I2 + base);
            EXPECT_EQ(now.I3, was.I3 + base);
            EXPECT_EQ(now.Flags, was.Flags);
        }
        base += hb.PartNumVertices[appended];
        faceBase += hb.PartNumTriangles[appended];
    }
}

TEST(SplitJoin, FusingOneSelectedPartChangesNothing)
{
    const RawFce raw = BuildRawFce4(31, {.vertices = 30, .triangles = 40, .parts = 3, .dummies = 1});
    Workbench bench;
    trimlet::FceStore store = bench.Split(raw.bytes);
    const trimlet::ProjectData project = store.Project;
    const auto second = ReadBytes((bench.temp / "TPART2.PRT").string());
    for (const std::vector<int>& selected : {std::vector<int>{1}, std::vector<int>{}, std::vector<int>{1, 1, 9}}) {
        auto fused = trimlet::FuseParts(bench.temp, store.Project, selected);
        ASSERT_TRUE(std::holds_alternative<trimlet::FuseOutcome>(fused));
        EXPECT_EQ(std::get<trimlet::FuseOutcome>(fused).target, -1);
        // Compared as written: the random dummy positions may hold NaNs.
        EXPECT_EQ(trimlet::EncodeProjectFile(store.Project), trimlet::EncodeProjectFile(project));
        EXPECT_EQ(ReadBytes((bench.temp / "TPART2.PRT").string()), second);
    }
}

TEST(SplitJoin, BrokenFilesAreRefusedBeforeAnythingIsWritten)
{
    const RawFce raw = BuildRawFce4(41, {.vertices = 30, .triangles = 40, .parts = 3, .dummies = 1});
    const int firstFace = static_cast<int>(raw.blocks.at("triangles").position);
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> breakIt;
        FileFailure::Kind kind;
        const char* says = "";
    };
    const Case cases[] = {
        {"wrong magic", [](auto& b) { b[0] = 0x13; }, FileFailure::Kind::NotNfs4File},
        {"three bytes", [](auto& b) { b.resize(3); }, FileFailure::Kind::NotNfs4File},
        {"short header", [](auto& b) { b.resize(8000); }, FileFailure::Kind::Damaged},
        {"negative vertex count", [](auto& b) { PutI32(b, 0x0C, -1); }, FileFailure::Kind::Damaged},
        {"65 parts", [](auto& b) { PutI32(b, 0x11C, 65); }, FileFailure::Kind::Damaged},
        {"block past the end", [](auto& b) { PutI32(b, 0x48, static_cast<std::int32_t>(b.size())); },
         FileFailure::Kind::Damaged},
        {"block before the data", [](auto& b) { PutI32(b, 0x20, -100); }, FileFailure::Kind::Damaged},
        {"huge triangle count", [](auto& b) { PutI32(b, 0x08, 0x7FFFFFFF); }, FileFailure::Kind::Damaged},
        {"parts miss a vertex", [](auto& b) { PutI32(b, 0x520 + 8, GetI32(b, 0x520 + 8) - 1); },
         FileFailure::Kind::Damaged, "no part claims vertices 29 to 29"},
        // The counts still add up, but joining would write the first part's
        // records twice and drop the second's.
        {"two parts on the same vertices", [](auto& b) { PutI32(b, 0x420 + 4, GetI32(b, 0x420)); },
         FileFailure::Kind::Damaged, "parts 1 and 2 both claim vertices 0 to"},
        {"two parts on the same triangles", [](auto& b) { PutI32(b, 0x620 + 8, GetI32(b, 0x620)); },
         FileFailure::Kind::Damaged, "parts 1 and 3 both claim triangles 0 to"},
        {"part past the table", [](auto& b) { PutI32(b, 0x420 + 8, 30); }, FileFailure::Kind::Damaged},
        {"corner outside its part", [&](auto& b) { PutI32(b, static_cast<std::size_t>(firstFace + 4), 1000); },
         FileFailure::Kind::Damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bytes = raw.bytes;
        c.breakIt(bytes);
        Workbench bench;
        WriteBytes(bench.fce.string(), bytes);
        auto split = trimlet::SplitFce(bench.fce, bench.temp);
        ASSERT_TRUE(std::holds_alternative<FileFailure>(split));
        const FileFailure& failure = std::get<FileFailure>(split);
        EXPECT_EQ(failure.kind, c.kind);
        if (c.kind == FileFailure::Kind::NotNfs4File)
            EXPECT_EQ(failure.message, "Not a NFSIV FCE file!");
        else
            EXPECT_THAT(failure.message, ::testing::StartsWith("The FCE file is damaged: "));
        EXPECT_THAT(failure.message, ::testing::HasSubstr(c.says));
        EXPECT_FALSE(fs::exists(bench.temp / "TPART1.PRT"));
    }
}

TEST(SplitJoin, EmptyBlocksMayHoldAnyOffset)
{
    // Nothing is read from an empty block, so its offset is never used.
    RawFce raw = BuildRawFce4(43, {.vertices = 0, .triangles = 0, .parts = 1, .dummies = 2});
    for (std::size_t field = 0x14; field <= 0x48; field += 4)
        PutI32(raw.bytes, field, field % 8 == 0 ? 0x7FFFFFF0 : -0x7FFFFFF0);
    Workbench bench;
    const trimlet::FceStore store = bench.Split(raw.bytes);
    const std::vector<std::uint8_t> joined = bench.Join(store);
    ASSERT_EQ(joined.size(), kHeader);
    for (std::size_t field = 0x14; field <= 0x48; field += 4)
        EXPECT_EQ(GetI32(joined, field), 0) << "offset field " << field;
}

TEST(SplitJoin, AFailedJoinLeavesTheFileAsItWas)
{
    const RawFce raw = BuildRawFce4(51, {.vertices = 30, .triangles = 40, .parts = 3, .dummies = 1});
    Workbench bench;
    const trimlet::FceStore store = bench.Split(raw.bytes);

    // A part that lost a vertex no longer matches the kept blocks.
    const fs::path second = bench.temp / "TPART2.PRT";
    const auto original = ReadBytes(second.string());
    auto part = std::get<trimlet::PartFile>(trimlet::DecodePartFile(original, "TPART2.PRT"));
    for (auto& set : part.VertexSets)
        set.pop_back();
    for (auto& set : part.NormalSets)
        set.pop_back();
    part.Flags.pop_back();
    std::erase_if(part.Triangles, [&](const trimlet::Triangle& t) {
        return t.I1 >= part.VertexCount() || t.I2 >= part.VertexCount() || t.I3 >= part.VertexCount();
    });
    WriteBytes(second.string(), trimlet::EncodePartFile(part));
    auto failure = trimlet::JoinFce(bench.fce, bench.temp, store);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::Kind::Damaged);
    EXPECT_EQ(ReadBytes(bench.fce.string()), raw.bytes);

    // A truncated part file.
    WriteBytes(second.string(), Slice(original, 0, original.size() - 1));
    failure = trimlet::JoinFce(bench.fce, bench.temp, store);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::Kind::Damaged);
    EXPECT_EQ(ReadBytes(bench.fce.string()), raw.bytes);

    // A store no split has filled.
    failure = trimlet::JoinFce(bench.fce, bench.temp, trimlet::FceStore{});
    ASSERT_TRUE(failure);
    EXPECT_EQ(ReadBytes(bench.fce.string()), raw.bytes);

    // A target that cannot be written: a folder, and a file in a missing folder.
    WriteBytes(second.string(), original);
    failure = trimlet::JoinFce(bench.temp, bench.temp, store);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::Kind::WriteFailed);
    failure = trimlet::JoinFce(fs::path(bench.dir.path()) / "missing" / "car.fce", bench.temp, store);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::Kind::WriteFailed);

    // And a good save replaces the file without leaving anything behind.
    EXPECT_FALSE(trimlet::JoinFce(bench.fce, bench.temp, store));
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(bench.dir.path()))
        files.push_back(entry.path().filename().string());
    EXPECT_THAT(files, ::testing::UnorderedElementsAre("car.fce", "temp"));
}

} // namespace
