// What every fcetool command shares, through the whole process: usage
// errors exit 2, help exits 0, and every failure is one line on standard
// error.

#include "CarModel.h"
#include "FceFiles.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using ::testing::HasSubstr;

TEST(Fcetool, UsageErrorsExitTwoAndHelpExitsZero)
{
    const std::string sample = kSamples + "/sample-nfs4.fce";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"info"},
             {"info", sample, sample},
             {"info", "--bogus", sample},
             {"info", "--nfs3", "--nfs4", sample},
             {"convert", sample, "out.fce"},
             {"convert", sample, "out.fce", "--to", "nfs5"},
             {"convert", sample, "--to", "nfs3"},
             {"convert", sample, "out.fce", "--to"},
         }) {
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err, "") << ::testing::PrintToString(args);
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"info", "--help"}, {"convert", "--help"}, {"help", "convert"}}) {
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(args);
        EXPECT_THAT(r.out, HasSubstr("Usage: fcetool")) << ::testing::PrintToString(args);
    }
    EXPECT_THAT(Fcetool({"convert", "--help"}).out, HasSubstr("--to nfs3|nfs4"));
}

// Whatever went wrong, standard error gets one line, also when the message
// quotes file text with line breaks in it; reading a FIFO does not wait.
TEST(Fcetool, EveryFailureWritesOneLineOnStandardError)
{
    TempDir dir;
    const std::string sample = kSamples + "/sample-nfs4.fce";
    CarModel model = RandomModel(7, {.origin = ModelOrigin::Nfs3});
    std::vector<std::uint8_t> nfs3 = EncodeFCE3(model).bytes;
    WriteBytes(dir.File("plain.fce"), nfs3);
    WriteBytes(dir.File("truncated.fce"), {nfs3.begin(), nfs3.end() - 10});
    PutI32(nfs3, 0x14, 1'000'000);
    WriteBytes(dir.File("corrupted.fce"), nfs3);
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0666), 0);
    WriteBytes(dir.File("protected.fce"), {1, 2, 3});
    ::chmod(dir.File("protected.fce").c_str(), 0444);
    const std::string lines = "xof 0303txt 0032\nMesh m {\n\"one\ntwo\nthree\nfour\";\n}\n";
    WriteBytes(dir.File("lines.x"), {lines.begin(), lines.end()});
    const std::string header = "Not a part file\n";
    WriteBytes(dir.File("bad.txt"), {header.begin(), header.end()});
    const std::string out = dir.File("out.fce");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"info"},
             {"convert", sample, out, "--to"},
             {"info", dir.File("missing.fce")},
             {"info", "--nfs4", dir.File("plain.fce")},
             {"info", dir.File("truncated.fce")},
             {"info", dir.File("corrupted.fce")},
             {"info", dir.File("fifo")},
             {"import-x", dir.File("fifo"), out},
             {"import-3ds", dir.File("fifo"), out},
             {"convert", sample, dir.File("fifo"), "--to", "nfs3"},
             {"convert", sample, dir.File("protected.fce"), "--to", "nfs3"},
             {"convert", sample, dir.File("no/folder.fce"), "--to", "nfs3"},
             {"import-x", dir.File("lines.x"), out},
             {"extract-part", sample, "no such part", dir.File("part.prt")},
             {"insert-part", sample, dir.File("bad.txt"), out},
             {"export-3ds", sample, dir.path()},
         }) {
        const ProcessResult r = Fcetool(args);
        EXPECT_NE(r.exitCode, 0) << ::testing::PrintToString(args);
        EXPECT_EQ(Lines(r.err), 1) << ::testing::PrintToString(args) << "\n" << r.err;
        EXPECT_EQ(r.out, "") << ::testing::PrintToString(args);
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(ReadBytes(dir.File("protected.fce")), (std::vector<std::uint8_t>{1, 2, 3}));
}
