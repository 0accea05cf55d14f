// fcetool info and convert as a whole process: the report, the converted
// files, and the messages for refused files.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileInfoReport.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(Fcetool, InfoPrintsTheReportWithThePathAsGiven)
{
    TempDir dir;
    CarModel model = RandomModel(1, {.vertices = 30, .triangles = 20, .parts = 3, .dummies = 2});
    const std::string path = dir.File("car.fce");
    ASSERT_FALSE(SaveFCE4(model, path));
    CarModel read;
    ASSERT_FALSE(LoadFCE4(read, path));

    const ProcessResult detected = Fcetool({"info", path});
    EXPECT_EQ(detected.exitCode, 0) << detected.err;
    EXPECT_EQ(detected.out, Joined(FileInfoReport(read, path)));
    EXPECT_EQ(detected.err, "");

    const ProcessResult flagAfter = Fcetool({"info", path, "--nfs4"});
    EXPECT_EQ(flagAfter.exitCode, 0);
    EXPECT_EQ(flagAfter.out, detected.out);

    const ProcessResult sample = Fcetool({"info", kSamples + "/sample-nfs3.fce"});
    EXPECT_EQ(sample.exitCode, 0);
    EXPECT_THAT(sample.out, StartsWith("File information for '" + kSamples + "/sample-nfs3.fce'\nUnknown: MBRX\n"));
}

TEST(Fcetool, RefusedFilesPrintOneLineWithTheMessageAndExitOne)
{
    TempDir dir;
    CarModel model = RandomModel(2, {.origin = ModelOrigin::Nfs3});
    std::vector<std::uint8_t> nfs3 = EncodeFCE3(model).bytes;
    const std::string plain = dir.File("plain.fce");
    WriteBytes(plain, nfs3);

    const ProcessResult forced = Fcetool({"info", "--nfs4", plain});
    EXPECT_EQ(forced.exitCode, 1);
    EXPECT_THAT(forced.err, HasSubstr("Not an NFSIV File!"));
    EXPECT_EQ(Lines(forced.err), 1);
    EXPECT_EQ(forced.out, "");

    const std::string truncated = dir.File("truncated.fce");
    WriteBytes(truncated, {nfs3.begin(), nfs3.end() - 10});
    const ProcessResult cut = Fcetool({"info", truncated});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_THAT(cut.err, HasSubstr("Not an NFSIII File!"));
    EXPECT_EQ(Lines(cut.err), 1);

    const std::string corrupted = dir.File("corrupted.fce");
    PutI32(nfs3, 0x14, 1'000'000);
    WriteBytes(corrupted, nfs3);
    const ProcessResult bad = Fcetool({"convert", corrupted, dir.File("out.fce"), "--to", "nfs4"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_THAT(bad.err, HasSubstr("This file appears to contain corrupted data."));
    EXPECT_EQ(Lines(bad.err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.fce")));

    const ProcessResult missing = Fcetool({"info", dir.File("missing.fce")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("error code reported was: 53"));
    EXPECT_EQ(Lines(missing.err), 1);
}

TEST(Fcetool, ConvertWritesWhatSaveAsWrites)
{
    TempDir dir;
    const std::string nfs4 = kSamples + "/sample-nfs4.fce";
    const ProcessResult toNfs3 = Fcetool({"convert", "--to=nfs3", nfs4, dir.File("a.fce")});
    ASSERT_EQ(toNfs3.exitCode, 0) << toNfs3.err;
    CarModel model;
    ASSERT_FALSE(LoadFCE4(model, nfs4));
    EXPECT_EQ(ReadBytes(dir.File("a.fce")), EncodeFCE3(model).bytes);

    const ProcessResult back = Fcetool({"convert", dir.File("a.fce"), "--to", "nfs4", dir.File("b.fce")});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    CarModel fresh;
    ASSERT_FALSE(LoadFCE(fresh, dir.File("a.fce")));
    EXPECT_EQ(ReadBytes(dir.File("b.fce")), EncodeFCE4(fresh).bytes);

    const ProcessResult same = Fcetool({"convert", nfs4, dir.File("c.fce"), "--nfs4", "--to", "nfs4"});
    ASSERT_EQ(same.exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.File("c.fce")), ReadBytes(nfs4));

    const ProcessResult unwritable = Fcetool({"convert", nfs4, dir.File("no/such/folder.fce"), "--to", "nfs3"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_THAT(unwritable.err, HasSubstr("An error has occurred whilst saving the file. The error code reported was: 76"));
}

// The third variant: there and back gives the NFSIV file again, and the
// parts can take the later game's names on the way.
TEST(Fcetool, ConvertReachesFce4mAndRenamesPartsOnRequest)
{
    TempDir dir;
    const std::string nfs4 = kSamples + "/sample-nfs4.fce";
    ASSERT_EQ(Fcetool({"convert", nfs4, dir.File("m.fce"), "--to", "fce4m"}).exitCode, 0);
    EXPECT_EQ(DetectVariant(dir.File("m.fce")), FceVariant::Fce4m);
    const ProcessResult back = Fcetool({"convert", dir.File("m.fce"), dir.File("back.fce"), "--to", "nfs4"});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(ReadBytes(dir.File("back.fce")), ReadBytes(nfs4));

    ASSERT_EQ(Fcetool({"convert", nfs4, dir.File("r.fce"), "--to", "fce4m", "--rename-parts"}).exitCode, 0);
    const ProcessResult info = Fcetool({"info", dir.File("r.fce")});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("FCE4M"));
    EXPECT_THAT(info.out, HasSubstr(":Hbody"));

    const ProcessResult bad = Fcetool({"convert", nfs4, dir.File("x.fce"), "--to", "fce5"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(Lines(bad.err), 1);
}
