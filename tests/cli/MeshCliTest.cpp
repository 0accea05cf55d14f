// fcetool mesh as a whole process: each operation writes what the core
// function gives, in the variant of the input, and prints the box and
// status texts.

#include "CarModel.h"
#include "CleanUp.h"
#include "Damage.h"
#include "FceFiles.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "RandomModel.h"
#include "TestFiles.h"
#include "Transforms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using ::testing::HasSubstr;

namespace {

std::vector<std::uint8_t> Encoded(CarModel model, FceVariant variant)
{
    return variant == FceVariant::Nfs4 ? EncodeFCE4(model).bytes : EncodeFCE3(model).bytes;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

struct Case {
    std::vector<std::string> operation;
    std::function<std::vector<std::string>(CarModel&)> apply; // the lines printed
};

} // namespace

TEST(FcetoolMesh, EachOperationWritesWhatTheCoreGivesInTheInputVariant)
{
    const std::vector<Case> cases = {
        {{"swap-xz"}, [](CarModel& m) { SwapAxes(m, AxisPair::XZ); return std::vector<std::string>{}; }},
        {{"rotate"}, [](CarModel& m) { RotateMesh(m); return std::vector<std::string>{}; }},
        {{"mirror-y", "--part", "hood"}, [](CarModel& m) { MirrorPart(m, 1, Axis::Y); return std::vector<std::string>{}; }},
        {{"rescale", "50", "150", "0", "--part", "3", "--part=hood"},
         [](CarModel& m) { RescaleParts(m, std::vector<int>{2, 1}, {50, 150, 0}); return std::vector<std::string>{}; }},
        {{"centre", "--part", "2"}, [](CarModel& m) { return CentrePart(m, 1).messageLines; }},
        {{"centre-all"}, [](CarModel& m) { return CentreAllParts(m).messageLines; }},
        {{"reverse-winding"}, [](CarModel& m) { ReverseWindingOrder(m); return std::vector<std::string>{}; }},
        {{"remove-duplicate-polys", "--part", "3"},
         [](CarModel& m) { RemoveDuplicatePolys(m, 2); return std::vector<std::string>{}; }},
        {{"remove-unnecessary-verts"}, [](CarModel& m) { return std::vector{RemoveUnnecessaryVerts(m, 0).statusText}; }},
        {{"fuse", "--part", "2", "--part", "1", "--part", "4"},
         [](CarModel& m) { FuseParts(m, 1, std::vector<int>{0, 3}); return std::vector<std::string>{}; }},
    };
    TempDir dir;
    for (FceVariant variant : {FceVariant::Nfs3, FceVariant::Nfs4}) {
        CarModel model = RandomModel(21, {.vertices = 60, .triangles = 90, .parts = 4, .dummies = 2});
        model.Header.PartNames[1] = MakeName("hood");
        const std::string in = dir.File("in.fce");
        const std::vector<std::uint8_t> input = Encoded(model, variant);
        WriteBytes(in, input);
        for (const Case& c : cases) {
            std::vector<std::string> args{"mesh", in, dir.File("out.fce")};
            args.insert(args.end(), c.operation.begin(), c.operation.end());
            const ProcessResult r = Fcetool(args);
            ASSERT_EQ(r.exitCode, 0) << c.operation[0] << ": " << r.err;
            CarModel expected;
            ASSERT_FALSE(OpenFCE(expected, in, variant));
            EXPECT_EQ(r.out, Lines(c.apply(expected))) << c.operation[0];
            EXPECT_EQ(ReadBytes(dir.File("out.fce")), Encoded(expected, variant)) << c.operation[0];
        }
    }
}

TEST(FcetoolMesh, CopyPartWritesTheCopyAndRefusesPartsOfOtherSizes)
{
    TempDir dir;
    CarModel model = RandomModel(22, {.vertices = 20, .triangles = 20, .parts = 2, .dummies = 0});
    model.Header.PartNumVertices = {10, 10};
    model.Header.PartFirstVertex = {0, 10};
    model.Header.PartNumTriangles = {10, 10};
    model.Header.PartFirstTriangle = {0, 10};
    for (Triangle& t : model.Triangles)
        t.I1 = t.I2 = t.I3 = 9;
    const std::string in = dir.File("in.fce");
    ASSERT_FALSE(SaveFCE4(model, in));
    ASSERT_EQ(Fcetool({"mesh", in, dir.File("copy.fce"), "copy-part", "2", "1"}).exitCode, 0);
    CarModel expected;
    ASSERT_FALSE(LoadFCE4(expected, in));
    CopyPart(expected, 1, 0);
    EXPECT_EQ(ReadBytes(dir.File("copy.fce")), Encoded(expected, FceVariant::Nfs4));

    model.Header.PartNumTriangles = {9, 11};
    model.Header.PartFirstTriangle = {0, 9};
    ASSERT_FALSE(SaveFCE4(model, in));
    const ProcessResult refused = Fcetool({"mesh", in, dir.File("refused.fce"), "copy-part", "1", "2"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("The selected parts do not contain the same number of vertices or triangles!"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("refused.fce")));
}

TEST(FcetoolMesh, DamageRepeatsWithItsSeedAndNeedsAnNfsivModel)
{
    TempDir dir;
    CarModel model = RandomModel(23, {.vertices = 30, .triangles = 30, .parts = 3, .dummies = 0});
    const std::string in = dir.File("in.fce");
    WriteBytes(in, Encoded(model, FceVariant::Nfs4));
    const std::string out = dir.File("out.fce");
    ASSERT_EQ(Fcetool({"mesh", in, out, "create-damage", "--seed", "7", "--part", "2"}).exitCode, 0);
    CarModel expected;
    ASSERT_FALSE(LoadFCE4(expected, in));
    DamageRandom random(7);
    ASSERT_EQ(CreateDamage(expected, 1, random), DamageStatus::Done);
    EXPECT_EQ(ReadBytes(out), Encoded(expected, FceVariant::Nfs4));

    ASSERT_EQ(Fcetool({"mesh", out, dir.File("reset.fce"), "reset-damage", "--part", "2"}).exitCode, 0);
    ASSERT_EQ(ResetDamage(expected, 1), DamageStatus::Done);
    EXPECT_EQ(ReadBytes(dir.File("reset.fce")), Encoded(expected, FceVariant::Nfs4));

    WriteBytes(in, Encoded(model, FceVariant::Nfs3));
    const ProcessResult refused = Fcetool({"mesh", in, dir.File("refused.fce"), "reset-damage"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr(kDamageNeedsNfs4Message));
}

TEST(FcetoolMesh, BadOperationsAndArgumentsExitTwo)
{
    const std::string sample = std::string(MOBRIX_SAMPLES_DIR) + "/sample-nfs4.fce";
    for (const std::vector<std::string>& tail : std::vector<std::vector<std::string>>{
             {"twist"},
             {"rescale", "100", "100"},
             {"rescale", "100", "201", "100"},
             {"rescale", "100", "1.5", "100"},
             {"swap-xy", "--part", "1"},
             {"mirror-x", "--part", "1", "--part", "2"},
             {"centre", "--part", "no such part"},
             {"copy-part", "1", "99"},
             {"centre", "--part"},
             {"create-damage", "--seed", "-1"},
             {"reset-damage", "--seed", "1"},
         }) {
        std::vector<std::string> args{"mesh", sample, "out.fce"};
        args.insert(args.end(), tail.begin(), tail.end());
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(tail);
        EXPECT_THAT(r.err, HasSubstr("fcetool mesh --help")) << ::testing::PrintToString(tail);
    }
    EXPECT_THAT(Fcetool({"mesh", "--help"}).out, HasSubstr("remove-unnecessary-verts"));
}
