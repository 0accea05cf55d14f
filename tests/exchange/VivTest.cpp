// Car archives: the reader and writer against an independent one in Python,
// malformed archives, replacing entries, name safety, extraction, models
// inside archives and the committed sample archive.

#include "FceFiles.h"
#include "Process.h"
#include "SampleArchive.h"
#include "SampleCar.h"
#include "TestFiles.h"
#include "Viv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view text)
{
    return {text.begin(), text.end()};
}

struct File {
    std::string name;
    Bytes bytes;
};

// Names with folders either way, an empty file and a larger binary one.
std::vector<File> SomeFiles()
{
    Bytes binary(3000);
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return {{"car.fce", binary}, {"Textures/car00.TGA", Text("tga bytes")}, {"empty.txt", {}},
            {"data\\carp.txt", Text("colours 3\r\n")}};
}

std::vector<VivFileView> Views(const std::vector<File>& files)
{
    std::vector<VivFileView> views;
    for (const File& f : files)
        views.push_back({f.name, f.bytes});
    return views;
}

Bytes Encoded(const std::vector<File>& files)
{
    VivEncoded encoded = EncodeViv(Views(files));
    if (auto* failure = std::get_if<VivFailure>(&encoded))
        ADD_FAILURE() << failure->detail;
    return std::get_if<Bytes>(&encoded) ? std::get<Bytes>(encoded) : Bytes{};
}

VivArchive Read(const Bytes& file)
{
    VivRead read = ReadViv(file);
    if (auto* failure = std::get_if<VivFailure>(&read)) {
        ADD_FAILURE() << failure->detail;
        return {};
    }
    return std::get<VivArchive>(read);
}

void ExpectHolds(const Bytes& file, const std::vector<File>& files)
{
    const VivArchive archive = Read(file);
    ASSERT_EQ(archive.entries.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(archive.entries[i].name, files[i].name);
        const auto bytes = EntryBytes(file, archive.entries[i]);
        EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), files[i].bytes) << files[i].name;
    }
}

void PutBig(Bytes& file, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Debian's own interpreter, which the project's packages bring.
constexpr const char* kPython = "/usr/bin/python3";

// Written from the published layout alone: `write OUT NAME FILE...` packs
// the files into a plain archive, `read IN FOLDER` writes entry i's bytes to
// FOLDER/i and prints "offset size name" per entry.
constexpr const char* kPythonArchive = R"(
import struct, sys
if sys.argv[1] == 'write':
    names = sys.argv[3::2]
    datas = [open(p, 'rb').read() for p in sys.argv[4::2]]
    header = 16 + sum(8 + len(n.encode()) + 1 for n in names)
    total = header + sum(len(d) for d in datas)
    out = b'BIGF' + struct.pack('>III', total, len(names), header)
    offset = header
    for n, d in zip(names, datas):
        out += struct.pack('>II', offset, len(d)) + n.encode() + b'\0'
        offset += len(d)
    open(sys.argv[2], 'wb').write(out + b''.join(datas))
else:
    data = open(sys.argv[2], 'rb').read()
    magic, total, count, header = struct.unpack('>4sIII', data[:16])
    assert magic == b'BIGF' and total == len(data), (magic, total)
    pos = 16
    for i in range(count):
        offset, size = struct.unpack('>II', data[pos:pos + 8])
        end = data.index(b'\0', pos + 8)
        name = data[pos + 8:end].decode()
        pos = end + 1
        open(sys.argv[3] + '/' + str(i), 'wb').write(data[offset:offset + size])
        print(offset, size, name)
    assert pos == header
)";

} // namespace

TEST(Viv, WriterAndAnIndependentPythonPackerReadEachOther)
{
    if (::access(kPython, X_OK) != 0)
        GTEST_SKIP() << kPython << " is not installed";
    TempDir dir;
    const std::vector<File> files = SomeFiles();

    // Python packs, the reader reads, and the writer writes the same bytes.
    std::vector<std::string> args{"-c", kPythonArchive, "write", dir.File("py.viv")};
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteBytes(dir.File("in" + std::to_string(i)), files[i].bytes);
        args.insert(args.end(), {files[i].name, dir.File("in" + std::to_string(i))});
    }
    const ProcessResult packed = RunProcess(kPython, args);
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    const Bytes fromPython = ReadBytes(dir.File("py.viv"));
    ExpectHolds(fromPython, files);
    EXPECT_EQ(Encoded(files), fromPython);

    // The writer packs, Python unpacks.
    ASSERT_FALSE(SaveViv(dir.File("ours.viv"), Views(files)));
    std::filesystem::create_directory(dir.File("out"));
    const ProcessResult unpacked =
        RunProcess(kPython, {"-c", kPythonArchive, "read", dir.File("ours.viv"), dir.File("out")});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    std::istringstream listing(unpacked.out);
    const VivArchive archive = Read(ReadBytes(dir.File("ours.viv")));
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::uint32_t offset = 0, size = 0;
        std::string name;
        listing >> offset >> size >> name;
        EXPECT_EQ((VivEntry{name, offset, size}), archive.entries[i]);
        EXPECT_EQ(ReadBytes(dir.File("out/" + std::to_string(i))), files[i].bytes) << name;
    }
}

TEST(Viv, MalformedArchivesAreRefusedNamingTheEntry)
{
    const Bytes good = Encoded(SomeFiles());
    const std::uint32_t headerSize = Read(good).headerSize;
    // Offsets into the directory: entry 1's record starts at 16, entry 2's
    // after "car.fce\0".
    constexpr std::size_t kSecond = 16 + 8 + 8;
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        VivError kind;
        std::int64_t entry;
        const char* named; // a text the message must hold
    };
    const Case cases[] = {
        {"magic", [](Bytes& f) { f[3] = 'X'; }, VivError::NotAnArchive, -1, "magic"},
        {"size", [](Bytes& f) { f.push_back(0); }, VivError::SizeMismatch, -1, "archive size"},
        {"header size small", [](Bytes& f) { PutBig(f, 12, 15); }, VivError::BadHeaderSize, -1, "15"},
        {"header size past end", [&](Bytes& f) { PutBig(f, 12, static_cast<std::uint32_t>(f.size() + 1)); },
         VivError::BadHeaderSize, -1, "past the end"},
        {"count", [](Bytes& f) { PutBig(f, 8, 0x40000000); }, VivError::TooManyEntries, -1, "1073741824 entries"},
        {"record past header",
         [](Bytes& f) {
             PutBig(f, 8, 2);
             PutBig(f, 12, kSecond + 4);
         },
         VivError::DirectoryPastHeader, 1, "entry 2"},
        {"no NUL", [&](Bytes& f) { PutBig(f, 12, headerSize - 1); }, VivError::NameNotTerminated, 3, "entry 4"},
        {"empty name", [](Bytes& f) { f[kSecond + 8] = 0; }, VivError::EmptyName, 1, "entry 2"},
        {"control character", [](Bytes& f) { f[kSecond + 9] = '\n'; }, VivError::BadName, 1, "'T?xtures/car00"},
        {"entry past end", [](Bytes& f) { PutBig(f, kSecond, static_cast<std::uint32_t>(f.size() - 8)); },
         VivError::EntryPastEnd, 1, "entry 2 ('Textures/car00.TGA')"},
        {"offset near 4 GiB", [](Bytes& f) { PutBig(f, 16, 0xFFFFFFF0u); }, VivError::EntryPastEnd, 0, "entry 1"},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        c.damage(file);
        VivRead read = ReadViv(file);
        const auto* failure = std::get_if<VivFailure>(&read);
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->kind, c.kind) << c.what << ": " << failure->detail;
        EXPECT_EQ(failure->entry, c.entry) << c.what;
        EXPECT_NE(failure->detail.find(c.named), std::string::npos) << c.what << ": " << failure->detail;
    }

    // Cut at every byte of the header and directory, with the numbers as
    // they were and with an archive and header size that fit the cut.
    for (std::size_t n = 0; n < headerSize; ++n) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_TRUE(std::holds_alternative<VivFailure>(ReadViv(cut))) << n;
        if (n >= 16) {
            PutBig(cut, 4, static_cast<std::uint32_t>(n));
            PutBig(cut, 12, static_cast<std::uint32_t>(n));
            EXPECT_TRUE(std::holds_alternative<VivFailure>(ReadViv(cut))) << n;
        }
    }

    // Random damage to the header and directory: an error with a message,
    // or entries that all lie inside the file.
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        Bytes file = good;
        for (int k = 0; k < 1 + round % 4; ++k)
            file[random() % headerSize] = static_cast<std::uint8_t>(random());
        VivRead read = ReadViv(file);
        if (const auto* failure = std::get_if<VivFailure>(&read)) {
            EXPECT_FALSE(failure->detail.empty());
            continue;
        }
        for (const VivEntry& e : std::get<VivArchive>(read).entries)
            EXPECT_EQ(EntryBytes(file, e).size(), e.size);
    }
}

TEST(Viv, OtherLayoutsReadAndWriteBackPlain)
{
    const std::vector<File> files = SomeFiles();
    const Bytes plain = Encoded(files);
    // The plain layout survives a read and write unchanged.
    const VivArchive archive = Read(plain);
    EXPECT_EQ(std::get<Bytes>(EncodeViv(VivFiles(plain, archive))), plain);

    // BIG4 with its little-endian size, BIGH, a BIGF with a swapped size,
    // padding after the directory and entries in another order sharing
    // bytes: each reads as it is and writes back in the plain layout.
    Bytes big4 = plain;
    std::copy_n("BIG4", 4, big4.begin());
    std::reverse(big4.begin() + 4, big4.begin() + 8);
    Bytes bigh = plain;
    bigh[3] = 'H';
    Bytes swapped = plain;
    std::reverse(swapped.begin() + 4, swapped.begin() + 8);
    // Padded: 4 bytes after the directory, every offset moved along.
    Bytes padded = plain;
    padded.insert(padded.begin() + archive.headerSize, 4, 0xAA);
    PutBig(padded, 4, static_cast<std::uint32_t>(padded.size()));
    PutBig(padded, 12, archive.headerSize + 4);
    std::size_t record = 16;
    for (const VivEntry& e : archive.entries) {
        PutBig(padded, record, e.offset + 4);
        record += 8 + e.name.size() + 1;
    }
    for (const Bytes* other : {&big4, &bigh, &swapped, &padded}) {
        ExpectHolds(*other, files);
        EXPECT_EQ(std::get<Bytes>(EncodeViv(VivFiles(*other, Read(*other)))), plain);
    }
    EXPECT_EQ(Read(big4).kind, VivKind::Big4);

    // Overlapping entries read as they are.
    Bytes overlap = plain;
    PutBig(overlap, 16 + 8 + 8, archive.entries[0].offset + 1); // entry 2 inside entry 1
    const VivArchive shared = Read(overlap);
    EXPECT_EQ(EntryBytes(overlap, shared.entries[1]).data(), EntryBytes(overlap, shared.entries[0]).data() + 1);
}

TEST(Viv, ReplacingAnEntryKeepsTheOthersAndTheirOrder)
{
    std::vector<File> files = SomeFiles();
    const Bytes before = Encoded(files);
    const Bytes replacement = Text("a much longer replacement for the texture entry");
    VivEncoded replaced = ReplaceEntry(before, Read(before), 1, replacement);
    ASSERT_TRUE(std::holds_alternative<Bytes>(replaced));
    files[1].bytes = replacement;
    ExpectHolds(std::get<Bytes>(replaced), files);

    replaced = ReplaceEntry(before, Read(before), 4, replacement);
    ASSERT_TRUE(std::holds_alternative<VivFailure>(replaced));
    EXPECT_EQ(std::get<VivFailure>(replaced).kind, VivError::NoSuchEntry);

    // The writer refuses names no reader would take.
    for (const char* name : {"", "bad\tname"}) {
        const VivFileView bad[] = {{"ok", {}}, {name, {}}};
        replaced = EncodeViv(bad);
        ASSERT_TRUE(std::holds_alternative<VivFailure>(replaced)) << name;
        EXPECT_EQ(std::get<VivFailure>(replaced).entry, 1);
    }
}

TEST(Viv, NamesThatWouldLeaveTheFolderAreNotExtracted)
{
    for (const char* unsafe : {"../x", "/etc/x", "a/../../x", "C:x", "\\\\x", "a\\..\\x", "", "./.", "a/.."})
        EXPECT_EQ(SafeExtractPath(unsafe), std::nullopt) << unsafe;
    EXPECT_EQ(SafeExtractPath("a/b.tga"), "a/b.tga");
    EXPECT_EQ(SafeExtractPath("a\\.\\b..c//d.tga"), "a/b..c/d.tga");

    TempDir dir;
    const Bytes good = Encoded(SomeFiles());
    auto extracted = ExtractViv(good, Read(good), dir.File("car"));
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(extracted));
    EXPECT_EQ(ReadBytes(dir.File("car/data/carp.txt")), Text("colours 3\r\n"));
    EXPECT_EQ(ReadBytes(dir.File("car/Textures/car00.TGA")), Text("tga bytes"));

    // One unsafe name refuses the archive before anything is written.
    std::vector<File> files = SomeFiles();
    files.push_back({"../escaped", Text("x")});
    const Bytes bad = Encoded(files);
    extracted = ExtractViv(bad, Read(bad), dir.File("bad"));
    ASSERT_TRUE(std::holds_alternative<VivFailure>(extracted));
    EXPECT_EQ(std::get<VivFailure>(extracted).entry, 4);
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("escaped")));
}

TEST(Viv, ModelsOpenFromAndSaveIntoTheirArchive)
{
    TempDir dir;
    const std::string path = dir.File("car.viv");
    // The car second, behind a folder-named texture, so the ".fce" search
    // must skip entries.
    const CarModel car = BuildSampleCar();
    const EncodedFile fce = EncodeFCE4(car);
    const Bytes texture = BuildSampleTexture();
    const Bytes notes = Text("notes");
    const VivFileView files[] = {{"Car00.TGA", texture}, {"CAR.FCE", fce.bytes}, {"carp.txt", notes}};
    ASSERT_FALSE(SaveViv(path, files));

    CarModel model;
    auto opened = LoadModelFromArchive(model, path, "");
    ASSERT_TRUE(std::holds_alternative<ArchiveModel>(opened));
    EXPECT_EQ(std::get<ArchiveModel>(opened).entryName, "CAR.FCE");
    EXPECT_EQ(std::get<ArchiveModel>(opened).variant, FceVariant::Nfs4);
    EXPECT_EQ(model.Vertices, car.Vertices);

    // Saving as NFSIII rewrites only that entry.
    model.Vertices[0].X += 1.0f;
    PrepareForSave(model, FceVariant::Nfs3);
    ASSERT_FALSE(SaveModelIntoArchive(model, path, "car.fce", FceVariant::Nfs3));
    ExpectHolds(ReadBytes(path), {{"Car00.TGA", texture}, {"CAR.FCE", EncodeFCE3(model).bytes}, {"carp.txt", notes}});
    const Bytes saved = ReadBytes(path);
    CarModel back;
    opened = LoadModelFromArchive(back, path, "car.fce");
    ASSERT_TRUE(std::holds_alternative<ArchiveModel>(opened));
    EXPECT_EQ(std::get<ArchiveModel>(opened).variant, FceVariant::Nfs3);

    // A forced variant that does not fit carries the FCE reader's failure;
    // a missing entry names itself; a failed read leaves the model alone.
    opened = LoadModelFromArchive(back, path, "", FceVariant::Nfs4);
    ASSERT_TRUE(std::holds_alternative<VivFailure>(opened));
    const VivFailure& wrong = std::get<VivFailure>(opened);
    EXPECT_EQ(wrong.kind, VivError::ModelUnreadable);
    ASSERT_TRUE(wrong.model);
    EXPECT_EQ(wrong.model->kind, LoadError::NotNfs4File);
    EXPECT_NE(wrong.detail.find(kNotNfs4Message), std::string::npos) << wrong.detail;
    EXPECT_EQ(back.Vertices, model.Vertices);
    EXPECT_EQ(std::get<VivFailure>(LoadModelFromArchive(back, path, "car01.fce")).kind, VivError::NoSuchEntry);
    EXPECT_EQ(SaveModelIntoArchive(back, path, "car01.fce", FceVariant::Nfs4).value().kind, VivError::NoSuchEntry);
    EXPECT_EQ(ReadBytes(path), saved);
}

TEST(Viv, TheCommittedSampleArchiveIsWhatTheGeneratorMakes)
{
    const std::string committed = std::string(MOBRIX_SAMPLES_DIR) + "/" + kSampleArchiveName;
    VivEncoded built = BuildSampleArchive();
    ASSERT_TRUE(std::holds_alternative<Bytes>(built));
    EXPECT_EQ(std::get<Bytes>(built), ReadBytes(committed)) << "run `make samples`";

    // Listing reads the directory alone and checks it against the file.
    VivRead listed = ListViv(committed);
    ASSERT_TRUE(std::holds_alternative<VivArchive>(listed));
    const VivArchive& archive = std::get<VivArchive>(listed);
    EXPECT_EQ(archive.entries, Read(std::get<Bytes>(built)).entries);
    EXPECT_TRUE(FindEntry(archive, "CAR00.tga"));

    TempDir dir;
    Bytes cut = ReadBytes(committed);
    cut.resize(archive.entries.back().offset);
    PutBig(cut, 4, static_cast<std::uint32_t>(cut.size()));
    WriteBytes(dir.File("cut.viv"), cut);
    listed = ListViv(dir.File("cut.viv"));
    ASSERT_TRUE(std::holds_alternative<VivFailure>(listed));
    EXPECT_EQ(std::get<VivFailure>(listed).kind, VivError::EntryPastEnd);
    EXPECT_EQ(std::get<VivFailure>(listed).detail.rfind(dir.File("cut.viv") + ": entry 3", 0), 0u)
        << std::get<VivFailure>(listed).detail;
}
