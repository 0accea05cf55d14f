// fcetool's exchange commands as a whole process: what they write, their
// exit statuses and their one-line messages.

#include "ExchangeTestSupport.h"
#include "FceFiles.h"
#include "Obj.h"
#include "PartFiles.h"
#include "CliTestSupport.h"
#include "Process.h"
#include "RandomModel.h"
#include "TestFiles.h"
#include "ThreeDs.h"
#include "XFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using namespace cli_testing;
using namespace exchange_testing;
using ::testing::HasSubstr;

namespace {

// The text part file without its date line.
std::string WithoutDate(const std::vector<std::uint8_t>& bytes)
{
    std::string text(bytes.begin(), bytes.end());
    const auto at = text.find("File created: ");
    return at == std::string::npos ? text : text.substr(0, at);
}

CarModel Loaded(const std::string& path)
{
    CarModel model;
    EXPECT_FALSE(OpenFCE(model, path, DetectVariant(path)));
    return model;
}

} // namespace

TEST(FcetoolExchange, ExtractPartByNumberOrNameInEitherForm)
{
    TempDir dir;
    CarModel model = RandomModel(31, {.vertices = 60, .triangles = 70, .parts = 4});
    model.Header.PartNames[2] = MakeName(std::string("Left door\0zz", 12));
    const std::string fce = dir.File("car.fce");
    ASSERT_FALSE(SaveFCE4(model, fce));
    const CarModel read = Loaded(fce);

    const ProcessResult byNumber = Fcetool({"extract-part", fce, "3", dir.File("door.prt")});
    ASSERT_EQ(byNumber.exitCode, 0) << byNumber.err;
    std::vector<std::uint8_t> expected;
    ASSERT_FALSE(EncodePartBinary(read, 2, expected));
    EXPECT_EQ(ReadBytes(dir.File("door.prt")), expected);

    const ProcessResult byName = Fcetool({"extract-part", fce, "Left door", dir.File("door.txt")});
    ASSERT_EQ(byName.exitCode, 0) << byName.err;
    ASSERT_FALSE(EncodePartText(read, 2, "", expected));
    const std::vector<std::uint8_t> text = ReadBytes(dir.File("door.txt"));
    EXPECT_EQ(WithoutDate(text), WithoutDate(expected));
    const std::string written(text.begin(), text.end());
    const auto created = written.find("File created: ");
    ASSERT_NE(created, std::string::npos);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(written[created + 14]))) << written.substr(created);

    for (const char* part : {"0", "5", "Right door"}) {
        const ProcessResult r = Fcetool({"extract-part", fce, part, dir.File("x.prt")});
        EXPECT_EQ(r.exitCode, 2) << part;
        EXPECT_FALSE(std::filesystem::exists(dir.File("x.prt")));
    }
}

TEST(FcetoolExchange, InsertPartSavesInTheVariantOfTheModel)
{
    TempDir dir;
    const std::string nfs4 = kSamples + "/sample-nfs4.fce";
    const std::string part = dir.File("door.TXT");
    CarModel model = Loaded(nfs4);
    ASSERT_FALSE(ExtractPart(model, 1, part, PartFileFormat::Text, "now"));

    const ProcessResult r = Fcetool({"insert-part", nfs4, part, dir.File("out.fce")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_FALSE(InsertPart(model, part, PartFileFormat::Text));
    EXPECT_EQ(ReadBytes(dir.File("out.fce")), EncodeFCE4(model).bytes);

    // Into an NFSIII model, read as such when forced.
    const std::string nfs3 = kSamples + "/sample-nfs3.fce";
    const ProcessResult forced = Fcetool({"insert-part", "--nfs3", nfs3, dir.File("door.TXT"), dir.File("out3.fce")});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    CarModel three = Loaded(nfs3);
    ASSERT_FALSE(InsertPart(three, part, PartFileFormat::Text));
    EXPECT_EQ(ReadBytes(dir.File("out3.fce")), EncodeFCE3(three).bytes);

    // Refusals: one line each, nothing written.
    CarModel full = RandomModel(5, {.vertices = 40, .triangles = 30, .parts = 15, .origin = ModelOrigin::Nfs3});
    ASSERT_FALSE(SaveFCE3(full, dir.File("full.fce")));
    std::vector<std::uint8_t> badHeader = ReadBytes(part);
    badHeader[0] = 'M';
    WriteBytes(dir.File("bad.txt"), badHeader);
    WriteBytes(dir.File("short.prt"), std::vector<std::uint8_t>(10, 0));
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"insert-part", dir.File("full.fce"), part, dir.File("no.fce")}, "No more parts allowed! (max. 15)"},
        {{"insert-part", nfs4, dir.File("bad.txt"), dir.File("no.fce")},
         "Not sure if this is a NFSIII Mobrix part file. (Invalid header)"},
        {{"insert-part", nfs4, dir.File("missing.prt"), dir.File("no.fce")}, "File not found"},
        {{"insert-part", nfs4, dir.File("short.prt"), dir.File("no.fce")},
         "An error has occurred whilst extracting the part. The error code reported was: 62"},
    };
    for (const auto& [args, message] : refused) {
        const ProcessResult failed = Fcetool(args);
        EXPECT_EQ(failed.exitCode, 1) << message;
        EXPECT_THAT(failed.err, HasSubstr(message));
        EXPECT_EQ(Lines(failed.err), 1) << failed.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("no.fce")));
    }
}

TEST(FcetoolExchange, ThreeDsCommandsWriteWhatTheCoreWrites)
{
    TempDir dir;
    const auto file = Main({Editor({Object("Body", {Mesh({VertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                                        FaceList({{0, 1, 2}})})}),
                                    Object("body", {Mesh({VertexList({{0, 0, 2}, {1, 0, 2}, {0, 1, 2}})})})})})
                          .Bytes();
    const std::string in = dir.File("in.3DS");
    WriteBytes(in, file);
    CarModel converted;
    NewFCE(converted);
    ASSERT_FALSE(Convert3DS(converted, file));

    const ProcessResult nfs3 = Fcetool({"import-3ds", in, dir.File("a.fce")});
    ASSERT_EQ(nfs3.exitCode, 0) << nfs3.err;
    CarModel copy = converted;
    EXPECT_EQ(ReadBytes(dir.File("a.fce")), EncodeFCE3(copy).bytes);
    const ProcessResult nfs4 = Fcetool({"import-3ds", "--to", "nfs4", in, dir.File("b.fce")});
    ASSERT_EQ(nfs4.exitCode, 0) << nfs4.err;
    copy = converted;
    EXPECT_EQ(ReadBytes(dir.File("b.fce")), EncodeFCE4(copy).bytes);

    const ProcessResult exported = Fcetool({"export-3ds", dir.File("b.fce"), dir.File("out.3ds")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    std::vector<std::uint8_t> expected;
    ASSERT_FALSE(Encode3DS(Loaded(dir.File("b.fce")), expected));
    EXPECT_EQ(ReadBytes(dir.File("out.3ds")), expected);

    const std::string folder = dir.File("parts");
    std::filesystem::create_directory(folder);
    const ProcessResult parts = Fcetool({"3ds-to-prt", in, folder});
    ASSERT_EQ(parts.exitCode, 0) << parts.err;
    EXPECT_EQ(parts.out, folder + "/Body.PRT\n" + folder + "/body (2).PRT\n");
    EXPECT_THAT(parts.err, HasSubstr("'body'"));
    EXPECT_EQ(Lines(parts.err), 1);
    EXPECT_TRUE(std::filesystem::exists(folder + "/body (2).PRT"));

    std::vector<std::uint8_t> cut = file;
    cut.pop_back();
    WriteBytes(dir.File("cut.3ds"), cut);
    for (const char* command : {"import-3ds", "3ds-to-prt"}) {
        const ProcessResult failed = Fcetool({command, dir.File("cut.3ds"), dir.File("c.fce")});
        EXPECT_EQ(failed.exitCode, 1) << command;
        EXPECT_THAT(failed.err, HasSubstr("An error has occurred during the loading process. The error code "
                                          "reported was: 62"));
        EXPECT_EQ(Lines(failed.err), 1);
    }
    CarModel big;
    NewFCE(big);
    ASSERT_FALSE(InsertPartBinary(big, EncodeBinaryPartFile(MakeName("BIG"), std::vector<Vec3>(40000), {}, {})));
    ASSERT_FALSE(SaveFCE3(big, dir.File("big.fce")));
    const ProcessResult tooBig = Fcetool({"export-3ds", dir.File("big.fce"), dir.File("big.3ds")});
    EXPECT_EQ(tooBig.exitCode, 1);
    EXPECT_THAT(tooBig.err, HasSubstr("An error has occurred during export. The error code reported was: 6"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("big.3ds")));
}

TEST(FcetoolExchange, ImportXMakesOnePartAndRefusesOtherPolygons)
{
    TempDir dir;
    const std::string x = dir.File("wedge.x");
    WriteBytes(x, Bytes("xof 0303txt 0032\nMesh w { 4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;; 2; 3;0,1,2;, 3;0,2,3;; }\n"));
    const ProcessResult r = Fcetool({"import-x", x, dir.File("w.fce"), "--to=nfs4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    CarModel model;
    NewFCE(model);
    ASSERT_FALSE(ConvertX(model, x));
    EXPECT_EQ(ReadBytes(dir.File("w.fce")), EncodeFCE4(model).bytes);
    EXPECT_EQ(Loaded(dir.File("w.fce")).Header.PartNames[0], MakeName(std::string("wedge\0", 6)));

    WriteBytes(x, Bytes("Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;; 2; 3;0,1,2;, 4;0,1,2,3;; }"));
    const ProcessResult quad = Fcetool({"import-x", x, dir.File("q.fce")});
    EXPECT_EQ(quad.exitCode, 1);
    EXPECT_THAT(quad.err, HasSubstr("Error - only 3-sided polygons allowed - error on polygon: 1"));
    EXPECT_EQ(Lines(quad.err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("q.fce")));

    const ProcessResult missing = Fcetool({"import-x", dir.File("none.x"), dir.File("q.fce")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("File not found"));
}

TEST(FcetoolExchange, ObjCommandsWriteWhatTheCoreWrites)
{
    TempDir dir;
    const std::string sample = kSamples + "/sample-nfs4.fce";
    const ProcessResult exported =
        Fcetool({"export-obj", sample, dir.File("car.obj"), "--texture", dir.File("car00.tga")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    ObjFiles expected;
    ASSERT_FALSE(EncodeObj(Loaded(sample), "car.mtl", "car00.tga", expected));
    const std::vector<std::uint8_t> obj = ReadBytes(dir.File("car.obj"));
    EXPECT_EQ(std::string(obj.begin(), obj.end()), expected.obj);
    const std::vector<std::uint8_t> mtl = ReadBytes(dir.File("car.mtl"));
    EXPECT_EQ(std::string(mtl.begin(), mtl.end()), expected.mtl);

    const ProcessResult imported = Fcetool({"import-obj", dir.File("car.obj"), dir.File("back.fce"), "--to", "nfs4"});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    CarModel converted;
    NewFCE(converted);
    ASSERT_FALSE(ConvertObj(converted, dir.File("car.obj")));
    EXPECT_EQ(ReadBytes(dir.File("back.fce")), EncodeFCE4(converted).bytes);

    WriteBytes(dir.File("bad.obj"), Bytes("v 0 0 0\nf 1 1 2\n"));
    const ProcessResult refused = Fcetool({"import-obj", dir.File("bad.obj"), dir.File("no.fce")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("(line 2: position index 2 is out of range: 1 are read so far)"));
    EXPECT_EQ(Lines(refused.err), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("no.fce")));
}

TEST(FcetoolExchange, UsageErrorsExitTwoAndHelpExitsZero)
{
    const std::string sample = kSamples + "/sample-nfs4.fce";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"extract-part", sample, "1"},
             {"extract-part", "--nfs3", "--nfs4", sample, "1", "out.prt"},
             {"insert-part", sample, "part.prt"},
             {"import-3ds", "in.3ds"},
             {"import-3ds", "in.3ds", "out.fce", "--to", "nfs5"},
             {"import-x", "in.x", "out.fce", "--bogus"},
             {"3ds-to-prt", "in.3ds"},
             {"export-3ds", sample},
             {"export-obj", sample, "out.obj", "--texture"},
             {"import-obj", "in.obj"},
         }) {
        const ProcessResult r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(r.err, "") << ::testing::PrintToString(args);
    }
    for (const std::string command :
         {"extract-part", "insert-part", "import-3ds", "3ds-to-prt", "export-3ds", "import-x", "export-obj",
          "import-obj"}) {
        const ProcessResult r = Fcetool({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_THAT(r.out, HasSubstr("Usage: fcetool " + command)) << command;
        EXPECT_THAT(Fcetool({"--help"}).out, HasSubstr(command));
    }
}

TEST(FcetoolExchange, GltfCommandsGiveBackTheFileAndRefuseBadInputOnOneLine)
{
    TempDir dir;
    const std::string sample = kSamples + "/sample-nfs4.fce";
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0};
    WriteBytes(dir.File("skin.png"), png);
    ProcessResult r = Fcetool({"export-gltf", "--texture", dir.File("skin.png"), sample, dir.File("car.gltf")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("car.png")), png);
    r = Fcetool({"import-gltf", dir.File("car.gltf"), dir.File("back.fce"), "--to", "nfs4"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("back.fce")), ReadBytes(sample));

    WriteBytes(dir.File("bad.gltf"), Bytes(R"({"asset": {"version": "2.0"}, "buffers": [{"uri": "/etc/hostname",
        "byteLength": 4}]})"));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"import-gltf", dir.File("bad.gltf"), dir.File("out.fce")},
             {"export-gltf", "--texture", sample, sample, dir.File("out.glb")}}) {
        r = Fcetool(args);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_EQ(Lines(r.err), 1) << r.err;
    }
    EXPECT_THAT(r.err, HasSubstr("not a PNG image"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.fce")));
}
