// fcetool viv and the FCE commands on models inside car archives, as a
// whole process.

#include "ArchiveEntries.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "TestFiles.h"
#include "Viv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using ::testing::HasSubstr;

namespace {

namespace fs = std::filesystem;

const std::string kSampleViv = kSamples + "/car.viv";

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

void WriteArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::vector<std::vector<std::uint8_t>> contents;
    for (const auto& entry : entries)
        contents.push_back(Bytes(entry.second));
    std::vector<VivFileView> files;
    for (std::size_t i = 0; i < entries.size(); ++i)
        files.push_back({entries[i].first, contents[i]});
    ASSERT_FALSE(SaveViv(path, files));
}


} // namespace

TEST(FcetoolViv, ListPrintsEachEntryAsTextOrJson)
{
    const ProcessResult text = Fcetool({"viv", "list", kSampleViv});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const auto read = ListViv(kSampleViv);
    const VivArchive& archive = std::get<VivArchive>(read);
    std::string expected;
    for (const VivEntry& e : archive.entries)
        expected += e.name + "\t" + std::to_string(e.offset) + "\t" + std::to_string(e.size) + "\n";
    EXPECT_EQ(text.out, expected);

    const ProcessResult json = Fcetool({"viv", "list", "--json", kSampleViv});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_THAT(json.out, HasSubstr("{\"name\": \"car00.tga\", \"offset\": " +
                                    std::to_string(archive.entries[1].offset) + ", \"size\": " +
                                    std::to_string(archive.entries[1].size) + "},"));
    EXPECT_EQ(json.out.front(), '[');
}

TEST(FcetoolViv, ExtractWritesTheEntriesAndOverwritesOnlyWhenForced)
{
    TempDir dir;
    const std::string out = dir.File("out");
    ProcessResult run = Fcetool({"viv", "extract", kSampleViv, "-C", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const auto& [name, bytes] : Entries(kSampleViv))
        EXPECT_EQ(ReadBytes(out + "/" + name), bytes) << name;

    WriteBytes(out + "/car00.tga", Bytes("mine"));
    run = Fcetool({"viv", "extract", kSampleViv, "car00.tga", "-C", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, HasSubstr("--force"));
    EXPECT_EQ(ReadBytes(out + "/car00.tga"), Bytes("mine"));

    fs::remove(out + "/carp.txt");
    run = Fcetool({"viv", "extract", kSampleViv, "CAR00.TGA", "-C", out, "--force"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(out + "/car00.tga"), Entries(kSampleViv)[1].second);
    EXPECT_FALSE(fs::exists(out + "/carp.txt")) << "only the entry named is extracted";
}

TEST(FcetoolViv, ExtractRefusesNamesThatLeaveTheFolderAndWritesNothing)
{
    for (const std::string name : {"../x", "/etc/x", "a/../../x", "..\\x"}) {
        TempDir dir;
        const std::string archive = dir.File("evil.viv");
        WriteArchive(archive, {{"fine.txt", "fine"}, {name, "escaped"}});
        const std::string target = dir.File("target");
        fs::create_directory(target);
        const ProcessResult run = Fcetool({"viv", "extract", archive, "-C", target});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_THAT(run.err, HasSubstr("outside")) << name;
        EXPECT_EQ(Lines(run.err), 1);
        EXPECT_TRUE(fs::is_empty(target)) << name;
        EXPECT_FALSE(fs::exists(dir.File("x"))) << name;
    }
}

TEST(FcetoolViv, PackAndReplaceKeepTheOtherEntries)
{
    TempDir dir;
    WriteBytes(dir.File("a.txt"), Bytes("first"));
    WriteBytes(dir.File("b.bin"), Bytes("second"));
    const std::string archive = dir.File("new.viv");
    ProcessResult run = Fcetool({"viv", "pack", archive, dir.File("a.txt"), dir.File("b.bin")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    using Entry = std::pair<std::string, std::vector<std::uint8_t>>;
    EXPECT_EQ(Entries(archive), (std::vector<Entry>{{"a.txt", Bytes("first")}, {"b.bin", Bytes("second")}}));

    WriteBytes(dir.File("c"), Bytes("a longer replacement"));
    run = Fcetool({"viv", "replace", archive, "a.txt", dir.File("c")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Entries(archive),
              (std::vector<Entry>{{"a.txt", Bytes("a longer replacement")}, {"b.bin", Bytes("second")}}));

    const std::vector<std::uint8_t> before = ReadBytes(archive);
    run = Fcetool({"viv", "replace", archive, "missing.txt", dir.File("c")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadBytes(archive), before);
}

TEST(FcetoolViv, ModelCommandsReadAndWriteInsideArchives)
{
    TempDir dir;
    ASSERT_EQ(Fcetool({"viv", "extract", kSampleViv, "car.fce", "-C", dir.path()}).exitCode, 0);
    const ProcessResult loose = Fcetool({"info", dir.File("car.fce")});
    const ProcessResult archived = Fcetool({"info", kSampleViv});
    ASSERT_EQ(archived.exitCode, 0) << archived.err;
    // The reports differ only in the file name of their first line.
    EXPECT_EQ(archived.out.substr(archived.out.find('\n')), loose.out.substr(loose.out.find('\n')));

    // Into a new archive: the other entries come along byte for byte.
    const std::string out = dir.File("out.viv");
    ProcessResult run = Fcetool({"convert", kSampleViv + ":CAR.FCE", out, "--to", "nfs3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto original = Entries(kSampleViv);
    auto converted = Entries(out);
    ASSERT_EQ(converted.size(), original.size());
    EXPECT_EQ(converted[0].first, "car.fce");
    EXPECT_NE(converted[0].second, original[0].second);
    for (std::size_t i = 1; i < original.size(); ++i)
        EXPECT_EQ(converted[i], original[i]);

    // In place, the same variant: the sample archive comes back byte for byte.
    fs::copy_file(kSampleViv, dir.File("copy.viv"));
    run = Fcetool({"convert", dir.File("copy.viv"), dir.File("copy.viv"), "--to", "nfs4"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.File("copy.viv")), ReadBytes(kSampleViv));

    // A loose model makes an archive of its own.
    run = Fcetool({"convert", dir.File("car.fce"), dir.File("alone.viv"), "--to", "nfs4"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Entries(dir.File("alone.viv")), (std::vector{original[0]}));
}

TEST(FcetoolViv, MalformedArchiveIsOneLineAndExitOne)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = ReadBytes(kSampleViv);
    bytes.resize(bytes.size() / 2); // entries now run past the end
    WriteBytes(dir.File("cut.viv"), bytes);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", dir.File("cut.viv")}, {"viv", "list", dir.File("cut.viv")},
          {"convert", dir.File("cut.viv"), dir.File("o.fce"), "--to", "nfs4"}}) {
        const ProcessResult run = Fcetool(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_EQ(Lines(run.err), 1) << run.err;
        EXPECT_THAT(run.err, HasSubstr("cut.viv"));
    }
    EXPECT_FALSE(fs::exists(dir.File("o.fce")));
}
