// Malformed files: each kind gives its own error and leaves the model as it
// was, and nothing large is allocated before the counts are checked; sound
// files are read and written without a copy of the whole file.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileErrors.h"
#include "FileIO.h"
#include "RandomModel.h"
#include "SampleCar.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

using namespace mobrix;
using namespace testing_support;

// The largest single allocation while tracking is on. Replacing the global
// allocator is the only way to see what a reader tries to allocate.
namespace {
std::atomic<bool> g_tracking{false};
std::atomic<std::size_t> g_largest{0};
} // namespace

// The replacement pair is malloc/free underneath; the compiler cannot see
// that the two belong together once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (g_tracking && size > g_largest)
        g_largest = size;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

enum class Reader { Nfs3, Nfs4, Fce4m };

LoadStatus ReadWith(Reader reader, const std::vector<std::uint8_t>& bytes, CarModel& model)
{
    switch (reader) {
    case Reader::Nfs4: return ReadFCE4(bytes, model);
    case Reader::Fce4m: return ReadFCE4M(bytes, model);
    case Reader::Nfs3: break;
    }
    return ReadFCE3(bytes, model);
}

// Reads `bytes` into a model that already holds another car and checks the
// error kind (and the detail, when one is given) and that the model did not
// change.
void ExpectRefused(Reader reader, const std::vector<std::uint8_t>& bytes, LoadError kind, int code,
                   const std::string& what, const std::string& detail = {})
{
    CarModel model = RandomModel(99);
    const CarModel before = model;
    const LoadStatus status = ReadWith(reader, bytes, model);
    ASSERT_TRUE(status) << what << ": accepted";
    EXPECT_EQ(status->kind, kind) << what << ": " << status->detail;
    EXPECT_EQ(status->code, code) << what;
    EXPECT_FALSE(status->detail.empty()) << what;
    if (!detail.empty()) {
        EXPECT_EQ(status->detail, detail) << what;
    }
    EXPECT_EQ(model, before) << what << ": the model changed";
}

std::vector<std::uint8_t> ValidNfs3()
{
    CarModel model = RandomModel(5, {.origin = ModelOrigin::Nfs3});
    return EncodeFCE3(model).bytes;
}

std::vector<std::uint8_t> ValidNfs4()
{
    CarModel model = RandomModel(6);
    return EncodeFCE4(model).bytes;
}

std::vector<std::uint8_t> With(std::vector<std::uint8_t> bytes, std::size_t at, std::int32_t value)
{
    PutI32(bytes, at, value);
    return bytes;
}

constexpr int kAbsurd = ErrorCode::SubscriptOutOfRange;
constexpr int kBadRecord = ErrorCode::BadRecordNumber;

} // namespace

TEST(LoadErrors, Nfs3AbsurdCountsAndTruncation)
{
    const auto good = ValidNfs3();
    const auto n = static_cast<std::size_t>(GetI32(good, 0x08));
    ASSERT_GT(n, 0u);

    ExpectRefused(Reader::Nfs3, {}, LoadError::IndexOutOfRange, kAbsurd, "empty file");
    std::vector<std::uint8_t> tiny(40, 0);
    PutI32(tiny, 0x08, 2'000'000'000);
    ExpectRefused(Reader::Nfs3, tiny, LoadError::IndexOutOfRange, kAbsurd, "40 bytes, two billion vertices");
    ExpectRefused(Reader::Nfs3, With(good, 0x08, 2'000'000'000), LoadError::IndexOutOfRange, kAbsurd,
                  "two billion vertices");
    ExpectRefused(Reader::Nfs3, With(good, 0x04, 1'000'000'000), LoadError::IndexOutOfRange, kAbsurd,
                  "a billion triangles");
    ExpectRefused(Reader::Nfs3, With(good, 0x08, -1), LoadError::IndexOutOfRange, kAbsurd, "negative vertices");
    ExpectRefused(Reader::Nfs3, With(good, 0x04, -5), LoadError::IndexOutOfRange, kAbsurd, "negative triangles");
    ExpectRefused(Reader::Nfs3, With(good, 0xF8, 65), LoadError::IndexOutOfRange, kAbsurd, "65 parts");
    ExpectRefused(Reader::Nfs3, With(good, 0xF8, -1), LoadError::IndexOutOfRange, kAbsurd, "negative parts");
    ExpectRefused(Reader::Nfs3, With(good, 0x34, 17), LoadError::IndexOutOfRange, kAbsurd, "17 dummies");
    ExpectRefused(Reader::Nfs3, {good.begin(), good.end() - 1}, LoadError::IndexOutOfRange, kAbsurd,
                  "last byte missing");
    ExpectRefused(Reader::Nfs3, {good.begin(), good.begin() + 7939}, LoadError::IndexOutOfRange, kAbsurd,
                  "header cut short");
    // A block starting inside the file but running over its end.
    ExpectRefused(Reader::Nfs3, With(good, 0x10, static_cast<std::int32_t>(good.size() - 7940 - 4)),
                  LoadError::IndexOutOfRange, kAbsurd, "vertex block over the end");
}

TEST(LoadErrors, Nfs3BadBlockPositions)
{
    const auto good = ValidNfs3();
    const auto end = static_cast<std::int32_t>(good.size() - 7940);
    ExpectRefused(Reader::Nfs3, With(good, 0x10, end + 1), LoadError::CorruptedData, kBadRecord,
                  "vertices past the end");
    ExpectRefused(Reader::Nfs3, With(good, 0x18, 1'000'000'000), LoadError::CorruptedData, kBadRecord,
                  "triangles far past the end");
    ExpectRefused(Reader::Nfs3, With(good, 0x14, -7941), LoadError::CorruptedData, kBadRecord,
                  "normals before the file");
    ExpectRefused(Reader::Nfs3, With(good, 0x24, -2'000'000'000), LoadError::CorruptedData, kBadRecord,
                  "reserved 3 far before the file");

    // Offsets are relative to the end of the header: a small negative one
    // points into the header, which is a position inside the file.
    CarModel model;
    EXPECT_FALSE(ReadFCE3(With(good, 0x20, -100), model));
    // An empty block is never read, so its offset does not matter.
    std::vector<std::uint8_t> empty = EncodeFCE3(model = CarModel{}).bytes;
    PutI32(empty, 0x10, -1'000'000);
    EXPECT_FALSE(ReadFCE3(empty, model));
}

TEST(LoadErrors, Nfs4MagicCountsAndPositions)
{
    const auto good = ValidNfs4();
    const int notNfs4 = ErrorCode::NotNfs4File;
    auto wrongMagic = good;
    wrongMagic[0] = 0x15;
    ExpectRefused(Reader::Nfs4, wrongMagic, LoadError::NotNfs4File, notNfs4, "wrong magic");
    ExpectRefused(Reader::Nfs4, {}, LoadError::NotNfs4File, notNfs4, "empty file");
    ExpectRefused(Reader::Nfs4, {0x14, 0x10, 0x10}, LoadError::NotNfs4File, notNfs4, "three bytes");
    ExpectRefused(Reader::Nfs4, ValidNfs3(), LoadError::NotNfs4File, notNfs4, "an NFSIII file");

    ExpectRefused(Reader::Nfs4, {good.begin(), good.begin() + 100}, LoadError::IndexOutOfRange, kAbsurd,
                  "header cut short");
    ExpectRefused(Reader::Nfs4, {good.begin(), good.end() - 1}, LoadError::IndexOutOfRange, kAbsurd,
                  "last byte missing");
    ExpectRefused(Reader::Nfs4, With(good, 0x0C, 2'000'000'000), LoadError::IndexOutOfRange, kAbsurd,
                  "two billion vertices");
    ExpectRefused(Reader::Nfs4, With(good, 0x08, -1), LoadError::IndexOutOfRange, kAbsurd, "negative triangles");
    ExpectRefused(Reader::Nfs4, With(good, 0x11C, 100), LoadError::IndexOutOfRange, kAbsurd, "100 parts");
    ExpectRefused(Reader::Nfs4, With(good, 0x58, 40), LoadError::IndexOutOfRange, kAbsurd, "40 dummies");

    const auto end = static_cast<std::int32_t>(good.size() - 8248);
    ExpectRefused(Reader::Nfs4, With(good, 0x34, end + 12), LoadError::CorruptedData, kBadRecord,
                  "damaged vertices past the end");
    ExpectRefused(Reader::Nfs4, With(good, 0x48, -9000), LoadError::CorruptedData, kBadRecord,
                  "triangle reserved block before the file");
    ExpectRefused(Reader::Nfs4, With(good, 0x40, end - 2), LoadError::IndexOutOfRange, kAbsurd,
                  "flags block over the end");
}

TEST(LoadErrors, Fce4mWordCountsAndEveryTable)
{
    const auto good = EncodeFCE4M(RandomModel(7, {.origin = ModelOrigin::Fce4m})).bytes;
    const int notFce4m = ErrorCode::NotFce4mFile;
    const std::string wrongWord = "the file starts with neither 15 10 10 00 nor 00 00 00 00";
    ExpectRefused(Reader::Fce4m, ValidNfs4(), LoadError::NotFce4mFile, notFce4m, "an NFSIV file", wrongWord);
    ExpectRefused(Reader::Fce4m, With(good, 0, 0x00101016), LoadError::NotFce4mFile, notFce4m, "unknown word",
                  wrongWord);
    ExpectRefused(Reader::Fce4m, {0x15, 0x10, 0x10}, LoadError::NotFce4mFile, notFce4m, "three bytes", wrongWord);
    ExpectRefused(Reader::Fce4m, {good.begin(), good.begin() + 0x2037}, LoadError::IndexOutOfRange, kAbsurd,
                  "header cut short", "the file is 8247 bytes long, shorter than the 8248-byte header");

    const auto size = static_cast<std::int64_t>(good.size());
    const std::int64_t tailAt = 8248 + GetI32(good, 0x48) + 12 * GetI32(good, 0x08);
    ExpectRefused(Reader::Fce4m, {good.begin(), good.end() - 1}, LoadError::IndexOutOfRange, kAbsurd,
                  "last byte missing",
                  "triangle reserved tail block at file position " + std::to_string(tailAt) + " needs " +
                      std::to_string(size - tailAt) + " bytes; the file ends after " +
                      std::to_string(size - tailAt - 1));
    ExpectRefused(Reader::Fce4m, With(good, 0x0C, 2'000'000'000), LoadError::IndexOutOfRange, kAbsurd,
                  "two billion vertices");
    ExpectRefused(Reader::Fce4m, With(good, 0x08, -1), LoadError::IndexOutOfRange, kAbsurd, "negative triangles",
                  "negative number of triangles (-1)");
    ExpectRefused(Reader::Fce4m, With(good, 0x11C, 65), LoadError::IndexOutOfRange, kAbsurd, "65 parts",
                  "number of parts 65 is outside 0..64");
    ExpectRefused(Reader::Fce4m, With(good, 0x58, 17), LoadError::IndexOutOfRange, kAbsurd, "17 dummies",
                  "number of dummies 17 is outside 0..16");

    // Every table, placed past the end of the file or running over it.
    const std::pair<std::size_t, const char*> tables[] = {
        {0x14, "vertex"},           {0x18, "normal"},
        {0x1C, "triangle"},         {0x20, "reserved 1"},
        {0x24, "reserved 2"},       {0x28, "reserved 3"},
        {0x2C, "second undamaged vertex"}, {0x30, "second undamaged normal"},
        {0x34, "damaged vertex"},   {0x38, "damaged normal"},
        {0x3C, "vertex reserved A"}, {0x40, "vertex flags"},
        {0x44, "vertex reserved B"}, {0x48, "triangle reserved"},
    };
    const auto end = static_cast<std::int32_t>(size - 8248);
    for (const auto& [field, name] : tables) {
        ExpectRefused(Reader::Fce4m, With(good, field, end + 1), LoadError::CorruptedData, kBadRecord,
                      std::string(name) + " past the end",
                      std::string(name) + " block at file position " + std::to_string(size + 1) +
                          " lies outside the file of " + std::to_string(size) + " bytes");
        ExpectRefused(Reader::Fce4m, With(good, field, end - 1), LoadError::IndexOutOfRange, kAbsurd,
                      std::string(name) + " over the end");
    }

    // The colour count means nothing in FCE4M: any value is read.
    CarModel model;
    EXPECT_FALSE(ReadFCE4M(With(good, 0x820, 1000), model));
    EXPECT_EQ(model.Header.NumPriColours, 1000);
}

TEST(LoadErrors, AbsurdCountsAreRefusedBeforeAnythingLargeIsAllocated)
{
    auto claim = ValidNfs4();
    PutI32(claim, 0x0C, 2'000'000'000);
    std::vector<std::uint8_t> tiny(40, 0);
    PutI32(tiny, 0x08, 2'000'000'000);
    CarModel model;
    g_largest = 0;
    g_tracking = true;
    const LoadStatus nfs4 = ReadFCE4(claim, model);
    const LoadStatus nfs3 = ReadFCE3(tiny, model);
    g_tracking = false;
    ASSERT_TRUE(nfs4);
    ASSERT_TRUE(nfs3);
    EXPECT_EQ(nfs4->code, kAbsurd) << "not refused as out of memory after a failed allocation";
    EXPECT_LT(g_largest.load(), 64u * 1024u);
}

TEST(LoadErrors, FilesThatCannotBeRead)
{
    TempDir dir;
    CarModel model = RandomModel(3);
    const CarModel before = model;
    LoadStatus missing = LoadFCE(model, dir.File("missing.fce"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, LoadError::Other);
    EXPECT_EQ(missing->code, 53);
    LoadStatus folder = LoadFCE4(model, dir.path());
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->kind, LoadError::Other);
    EXPECT_EQ(folder->code, 75);
    EXPECT_EQ(model, before);
}

// A file that another program cuts short while it is read gives no
// table made of what is no longer there.
TEST(LoadErrors, AFileThatShrinksWhileItIsReadFailsTheRead)
{
    TempDir dir;
    const std::string path = dir.File("shrinking.fce");
    WriteBytes(path, std::vector<std::uint8_t>(1000, 7));
    FileSource file;
    ASSERT_FALSE(file.Open(path));
    std::filesystem::resize_file(path, 100);
    std::vector<std::uint8_t> out(200, 1);
    EXPECT_TRUE(file.Read(0, std::span(out).first(50)));
    EXPECT_EQ(out[49], 7);
    EXPECT_FALSE(file.Read(50, out));
    EXPECT_EQ(out, std::vector<std::uint8_t>(200, 0));
    EXPECT_TRUE(file.failed());
}

// Reading takes a file block by block into the tables and writing streams
// the tables into the file: neither holds a copy of the whole file.
TEST(FileMemory, FilesAreReadAndWrittenWithoutACopyOfTheWholeFile)
{
    TempDir dir;
    const std::string path = dir.File("big.fce");
    // Many vertices, so that each table is well under half the file.
    CarModel model = RandomModel(7, {.vertices = 40'000, .triangles = 4'000, .parts = 4});
    using Save = SaveStatus (*)(const CarModel&, const std::string&);
    using Load = LoadStatus (*)(CarModel&, const std::string&);
    for (const auto& [save, load] : {std::pair<Save, Load>{SaveFCE3, LoadFCE}, {SaveFCE4, LoadFCE4}}) {
        CarModel read;
        g_largest = 0;
        g_tracking = true;
        const SaveStatus saved = save(model, path);
        const LoadStatus loaded = load(read, path);
        g_tracking = false;
        ASSERT_FALSE(saved);
        ASSERT_FALSE(loaded);
        EXPECT_LT(g_largest.load(), std::filesystem::file_size(path) / 2);
    }
}

// Models of a million triangles are about 96 MB: size alone refuses nothing.
TEST(LoadErrors, LargeFilesAreJudgedByTheirCountsNotTheirSize)
{
    TempDir dir;
    const std::string path = dir.File("big.fce");
    CarModel sample = BuildSampleCar();
    ASSERT_FALSE(SaveFCE3(sample, path));
    std::filesystem::resize_file(path, std::int64_t{100} << 20); // sparse zeros after the model
    CarModel model;
    ASSERT_FALSE(LoadFCE(model, path));
    EXPECT_EQ(model.Vertices, sample.Vertices);
    EXPECT_EQ(model.Triangles.size(), sample.Triangles.size());
}

TEST(LoadErrors, EachKindHasItsMessage)
{
    EXPECT_EQ(LoadFailureMessage({LoadError::IndexOutOfRange, 9, ""}), "Not an NFSIII File!");
    EXPECT_EQ(LoadFailureMessage({LoadError::CorruptedData, 63, ""}),
              "This file appears to contain corrupted data.");
    EXPECT_EQ(LoadFailureMessage({LoadError::NotNfs4File, 32000, ""}), "Not an NFSIV File!");
    EXPECT_EQ(LoadFailureMessage({LoadError::NotFce4mFile, 32001, ""}), "Not an FCE4M File!");
    EXPECT_EQ(LoadFailureMessage({LoadError::Other, 53, ""}),
              "An error has occurred during the loading process. The error code reported was:\r53\r"
              "Report this error to: the Mobrix issue tracker\r"
              "The program will attempt to continue running, however this error will probably make Mobrix "
              "unstable.");
    EXPECT_EQ(SaveFailureMessage({61, ""}),
              "An error has occurred whilst saving the file. The error code reported was:\r61\r"
              "Report this error to: the Mobrix issue tracker\rThe program will attempt to continue running.");
}
