// fcetool remap and tga-to-bmp as whole processes.

#include "CarModel.h"
#include "FceFiles.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "RandomModel.h"
#include "Remap.h"
#include "RemapFile.h"
#include "TestFiles.h"
#include "TgaImages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using ::testing::HasSubstr;

namespace {

// What Mobrix gives: open, load the sections (or keep the start-up ones),
// REMAP, save in the same variant.
std::vector<std::uint8_t> RemappedInProcess(const std::string& in, const std::string& uv)
{
    CarModel model;
    EXPECT_FALSE(LoadFCE4(model, in));
    RemapSections sections = StartupRemapSections();
    if (!uv.empty()) {
        EXPECT_FALSE(LoadRemapData(model, sections, uv));
    }
    Remap(model, sections);
    return EncodeFCE4(model).bytes;
}

} // namespace

TEST(FcetoolTexture, RemapUsesTheDataFileBesideTheModelOrTheNamedOne)
{
    TempDir dir;
    CarModel model = RandomModel(21, {.vertices = 40, .triangles = 60, .parts = 3, .dummies = 0});
    const std::string in = dir.File("car.fce");
    ASSERT_FALSE(SaveFCE4(model, in));
    ResetSelection(model);
    for (std::size_t t = 0; t < model.TriState.size(); ++t)
        model.TriState[t].RemapGroup = static_cast<std::int16_t>(t % 7);
    RemapSections sections = StartupRemapSections();
    sections[3].MapKind = static_cast<std::int16_t>(RemapKind::Symmetry);
    sections[6].rot90 = -1;
    const std::string named = dir.File("named.dat");
    ASSERT_FALSE(SaveRemapData(model, sections, named));

    const ProcessResult plain = Fcetool({"remap", in, dir.File("plain.fce")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(ReadBytes(dir.File("plain.fce")), RemappedInProcess(in, ""));

    const ProcessResult withNamed = Fcetool({"remap", in, dir.File("named.fce"), "--uv", named});
    ASSERT_EQ(withNamed.exitCode, 0) << withNamed.err;
    const std::vector<std::uint8_t> expected = RemappedInProcess(in, named);
    EXPECT_EQ(ReadBytes(dir.File("named.fce")), expected);
    EXPECT_NE(expected, RemappedInProcess(in, ""));

    std::filesystem::copy_file(named, dir.File("car.UV"));
    const ProcessResult beside = Fcetool({"remap", "--nfs4", in, dir.File("beside.fce")});
    ASSERT_EQ(beside.exitCode, 0) << beside.err;
    EXPECT_EQ(ReadBytes(dir.File("beside.fce")), expected);
}

TEST(FcetoolTexture, RemapRefusesADataFileThatDoesNotFitTheModel)
{
    TempDir dir;
    CarModel model = RandomModel(22, {.vertices = 30, .triangles = 25, .parts = 2, .dummies = 0});
    const std::string in = dir.File("car.fce");
    ASSERT_FALSE(SaveFCE3(model, in));
    CarModel other = RandomModel(23, {.vertices = 30, .triangles = 26, .parts = 2, .dummies = 0});
    ResetSelection(other);
    ASSERT_FALSE(SaveRemapData(other, StartupRemapSections(), dir.File("car.UV")));

    const ProcessResult r = Fcetool({"remap", in, dir.File("out.fce")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("a model with 26 triangles, but the current model has 25 triangles"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.fce")));

    const ProcessResult missing = Fcetool({"remap", in, dir.File("out.fce"), "--uv", dir.File("none.UV")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("not found"));
}

TEST(FcetoolTexture, TgaToBmpWritesTheBitmapOrExitsOneWithTheMessage)
{
    TempDir dir;
    const TestImage image = PatternImage(7, 3);
    WriteBytes(dir.File("in.tga"), MakeTga(image, {.runLength = true, .topLeft = true}));
    const ProcessResult ok = Fcetool({"tga-to-bmp", dir.File("in.tga"), dir.File("out.bmp")});
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ReadBytes(dir.File("out.bmp")), ExpectedBitmap(image));

    WriteBytes(dir.File("rgb.tga"), MakeTga(image, {.depth = 24}));
    const ProcessResult refused = Fcetool({"tga-to-bmp", dir.File("rgb.tga"), dir.File("rgb.bmp")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("TGA file format must be 32 bits per pixel (RGBA format)"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("rgb.bmp")));
    EXPECT_EQ(Fcetool({"tga-to-bmp", dir.File("in.tga")}).exitCode, 2);
}
