// fcetool render as a whole process: the picture of the sample against a
// kept reference, the texture it finds, and refusals that write nothing.

#include "CarModel.h"
#include "CliTestSupport.h"
#include "FceFiles.h"
#include "PictureFiles.h"
#include "TestFiles.h"
#include "TgaImages.h"
#include "Viv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace mobrix;
using namespace mobrix::render;
using namespace testing_support;
using namespace cli_testing;

namespace {

const std::string kSample = kSamples + "/sample-nfs4.fce";

Picture Decoded(const std::string& path)
{
    auto read = ReadPicture(path);
    if (auto* error = std::get_if<PictureError>(&read)) {
        ADD_FAILURE() << path << ": " << error->message;
        return {};
    }
    return std::get<Picture>(std::move(read));
}

// A 2 x 2 TGA of one colour.
std::vector<std::uint8_t> PlainTga(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return MakeTga({2, 2, std::vector<Bgra>(4, Bgra{b, g, r, 255})});
}

std::array<std::uint8_t, 3> Centre(const Picture& p)
{
    // The middle of the car's side in the side view.
    const std::uint8_t* c = p.At(p.width / 2, p.height * 2 / 3);
    return {c[0], c[1], c[2]};
}

} // namespace

// The reference was made by this renderer; the tolerance lets edge pixels
// differ where another compiler rounds a corner's position differently.
TEST(FcetoolRender, ThreeQuarterViewOfTheSampleMatchesTheReference)
{
    TempDir dir;
    std::filesystem::copy_file(kSample, dir.File("car.fce"));
    const ProcessResult r = Fcetool({"render", dir.File("car.fce"), dir.File("car.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Picture got = Decoded(dir.File("car.png"));
    const Picture want = Decoded(MOBRIX_TEST_DATA_DIR "/sample-three-quarter.png");
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    std::size_t off = 0;
    for (std::size_t i = 0; i < got.rgba.size(); ++i)
        off += std::abs(int(got.rgba[i]) - int(want.rgba[i])) > 8;
    EXPECT_LE(off, got.rgba.size() / 200);
}

TEST(FcetoolRender, TextureIsTheFoldersCar00ThenTheModelsOwnUnlessNamedOrRefused)
{
    TempDir dir;
    const std::string model = dir.File("car.fce");
    std::filesystem::copy_file(kSample, model);
    auto render = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"render", model, dir.File("out.png"), "--view", "side"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Centre(Decoded(dir.File("out.png")));
    };
    using Rgb = std::array<std::uint8_t, 3>;
    const Rgb white = render({});
    EXPECT_EQ(white[0], white[2]);
    EXPECT_GT(white[0], 200);

    WriteBytes(dir.File("car.tga"), PlainTga(0, 255, 0));
    EXPECT_EQ(render({}), (Rgb{0, 255, 0}));
    WriteBytes(dir.File("CAR00.TGA"), PlainTga(255, 0, 0));
    EXPECT_EQ(render({}), (Rgb{255, 0, 0}));
    WriteBytes(dir.File("named.tga"), PlainTga(0, 0, 255));
    EXPECT_EQ(render({"--texture", dir.File("named.tga")}), (Rgb{0, 0, 255}));
    EXPECT_EQ(render({"--no-texture"}), white);

    // A texture found beside the model that cannot be read is left out with
    // a warning; one named on the command line refuses the picture.
    WriteBytes(dir.File("CAR00.TGA"), {1, 2, 3});
    EXPECT_EQ(render({}), white);
    const ProcessResult named = Fcetool({"render", model, dir.File("never.png"), "--texture", dir.File("CAR00.TGA")});
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("never.png")));
}

// A car archive renders as its model and texture do loose; the entry may be
// named, whatever its case.
TEST(FcetoolRender, CarArchiveGivesItsModelWithItsTexture)
{
    TempDir dir;
    const std::string archive = kSamples + "/car.viv";
    const auto loaded = LoadViv(archive);
    ASSERT_TRUE(std::holds_alternative<LoadedViv>(loaded));
    const LoadedViv& viv = std::get<LoadedViv>(loaded);
    std::filesystem::create_directory(dir.File("loose"));
    for (const char* name : {"car.fce", "car00.tga"}) {
        const std::optional<std::size_t> entry = FindEntry(viv.archive, name);
        ASSERT_TRUE(entry) << name;
        const auto bytes = EntryBytes(viv.bytes, viv.archive.entries[*entry]);
        WriteBytes(dir.File(std::string("loose/") + name), {bytes.begin(), bytes.end()});
    }
    auto render = [&](const std::string& model, const std::string& out, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"render", model, dir.File(out)};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return ReadBytes(dir.File(out));
    };
    const auto whole = render(archive, "whole.png");
    EXPECT_EQ(render(archive + ":CAR.FCE", "named.png"), whole);
    EXPECT_EQ(render(dir.File("loose/car.fce"), "loose.png"), whole);
    EXPECT_NE(render(archive, "white.png", {"--no-texture"}), whole);
}

TEST(FcetoolRender, MalformedModelsAndBadUsageWriteNothing)
{
    TempDir dir;
    const std::vector<std::uint8_t> sample = ReadBytes(kSample);
    WriteBytes(dir.File("empty.fce"), {});
    WriteBytes(dir.File("truncated.fce"), {sample.begin(), sample.begin() + 9000});
    std::vector<std::uint8_t> huge = sample;
    huge[8] = 0xFF, huge[9] = 0xFF, huge[10] = 0xFF, huge[11] = 0x7F; // the NFSIV triangle count
    WriteBytes(dir.File("huge.fce"), huge);
    std::vector<std::uint8_t> garbage(20000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    WriteBytes(dir.File("garbage.fce"), garbage);
    CarModel none;
    NewFCE(none);
    ASSERT_FALSE(SaveFCE3(none, dir.File("none.fce")));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0666), 0);
    const std::vector<std::uint8_t> archive = ReadBytes(kSamples + "/car.viv");
    WriteBytes(dir.File("truncated.viv"), {archive.begin(), archive.begin() + 200});
    WriteBytes(dir.File("car.viv"), archive);

    const std::string out = dir.File("out.png");
    for (const char* name : {"empty.fce", "truncated.fce", "huge.fce", "garbage.fce", "none.fce", "fifo", "missing.fce",
                             "truncated.viv", "truncated.viv:car.fce", "car.viv:missing.fce", "car.viv:carp.txt"}) {
        const ProcessResult r = Fcetool({"render", dir.File(name), out});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_EQ(Lines(r.err), 1) << name << ": " << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << name;
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"render", kSample},
             {"render", kSample, out, "--size", "0"},
             {"render", kSample, out, "--size", "4097"},
             {"render", kSample, out, "--view", "back"},
             {"render", kSample, out, "--parts", "some"},
             {"render", kSample, out, "--texture", "x.tga", "--no-texture"}}) {
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}
