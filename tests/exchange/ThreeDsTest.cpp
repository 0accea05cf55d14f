// 3DS conversion, conversion to part files and export: the chunk walk on
// files built chunk by chunk, the finishing steps, and malformed files.

#include "ExchangeTestSupport.h"
#include "PartFiles.h"
#include "RandomModel.h"
#include "RawFce.h"
#include "TestFiles.h"
#include "ThreeDs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace mobrix;
using namespace testing_support;
using namespace exchange_testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<Vec3> kSquare = {{0, 0, 0}, {2, 0, 0}, {2, -3, 0}, {0, 3, 4}};
const std::vector<std::array<int, 3>> kSquareFaces = {{0, 1, 2}, {0, 2, 3}};
const std::vector<Vec3> kTriangle = {{5, 5, 5}, {6, 5, 5}, {5, -7, 5}};

// A model that already holds something, to see that conversion replaces it.
CarModel Busy()
{
    CarModel model = RandomModel(9, {.vertices = 20, .triangles = 10, .parts = 3, .dummies = 2});
    model.FileName = "old.fce";
    model.CurrentPart = 2;
    return model;
}

std::vector<std::uint8_t> TwoObjects()
{
    return Main({Editor({Opaque(0xAFFF, 20, {Opaque(0xA000, 4)}), // a material block
                         Opaque(0x0100, 4),                       // master scale
                         Object("BOX", {Mesh({VertexList(kSquare), FaceList(kSquareFaces, {Opaque(0x4150, 8)}),
                                              Opaque(0x4160, 48)})}),
                         Object("TRI", {Mesh({VertexList(kTriangle), FaceList({{2, 1, 0}})})}),
                         Opaque(0x0100, 4)}),
                 Opaque(0xB000, 30, {Opaque(0xB002, 12)})})
        .Bytes();
}

} // namespace

TEST(Convert3DS, TwoObjectsBecomeTwoConsecutivePartsOfAConvertedModel)
{
    CarModel model = Busy();
    const CarModel before = model;
    ASSERT_FALSE(Convert3DS(model, TwoObjects()));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    const ModelHeader& h = model.Header;
    EXPECT_EQ(h.NumParts, 2);
    EXPECT_EQ(h.NumVertices, 7);
    EXPECT_EQ(h.NumTriangles, 3);
    EXPECT_THAT(std::vector(h.PartFirstVertex.begin(), h.PartFirstVertex.begin() + 3), ElementsAre(0, 4, 0));
    EXPECT_THAT(std::vector(h.PartNumVertices.begin(), h.PartNumVertices.begin() + 3), ElementsAre(4, 3, 0));
    EXPECT_THAT(std::vector(h.PartFirstTriangle.begin(), h.PartFirstTriangle.begin() + 3), ElementsAre(0, 2, 0));
    EXPECT_THAT(std::vector(h.PartNumTriangles.begin(), h.PartNumTriangles.begin() + 3), ElementsAre(2, 1, 0));
    EXPECT_EQ(h.PartNames[0], MakeName("BOX"));
    EXPECT_EQ(h.PartNames[1], MakeName("TRI"));
    EXPECT_EQ(h.PartPos[0], Vec3{});
    EXPECT_EQ(h.PartPos[1], Vec3{});
    EXPECT_EQ(model.Vertices[1], (Vec3{2, 0, 0}));
    EXPECT_EQ(model.Vertices[6], (Vec3{5, -7, 5}));
    EXPECT_EQ(model.Normals[5], Vec3{});
    Triangle expected;
    expected.I1 = 2;
    expected.I2 = 1;
    expected.I3 = 0;
    EXPECT_EQ(model.Triangles[2], expected);
    EXPECT_EQ(model.FileFormat, ModelOrigin::From3ds);
    EXPECT_EQ(h.XHalfSize, 6);
    EXPECT_EQ(h.YHalfSize, 7);
    EXPECT_EQ(h.ZHalfSize, 5);
    EXPECT_EQ(h.NumDummies, 0);
    EXPECT_EQ(h.HeaderTag, (std::array<char, 4>{'M', 'B', 'R', 'X'}));
    EXPECT_EQ(model.CurrentPart, 0);
    EXPECT_EQ(model.FileName, "");
    EXPECT_EQ(model.Reserved1.size(), 7u);
    EXPECT_EQ(h.DummyNames, before.Header.DummyNames); // kept by the reset

    // A second conversion in the same run numbers its parts from 0 again.
    CarModel fresh;
    NewFCE(fresh);
    ASSERT_FALSE(Convert3DS(fresh, TwoObjects()));
    CarModel again = model;
    ASSERT_FALSE(Convert3DS(again, TwoObjects()));
    EXPECT_EQ(again.Header.NumParts, 2);
    EXPECT_EQ(again.Vertices, fresh.Vertices);
    EXPECT_EQ(again.Triangles, fresh.Triangles);
    EXPECT_EQ(again.Header.PartFirstVertex, fresh.Header.PartFirstVertex);
}

TEST(Convert3DS, EmptyVertexListsAddNoPart)
{
    const auto file = Main({Editor({Object("EMPTY", {Mesh({VertexList({}), FaceList({{0, 1, 2}})})}),
                                    Object("NOVERTS", {Mesh({FaceList({{0, 1, 2}})})}),
                                    Object("LIGHT", {Opaque(0x4600, 12)}),
                                    Object("TRI", {Mesh({VertexList(kTriangle)})})})})
                          .Bytes();
    CarModel model = Busy();
    ASSERT_FALSE(Convert3DS(model, file));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    EXPECT_EQ(model.Header.NumParts, 1);
    EXPECT_EQ(model.Header.PartNames[0], MakeName("TRI"));
    EXPECT_EQ(model.Header.PartNumVertices[0], 3);
    EXPECT_EQ(model.Header.PartNumTriangles[0], 0); // vertices without a face list
}

TEST(Convert3DS, MappingCoordinatesLandOnTheCornersInEitherOrder)
{
    const std::vector<std::pair<float, float>> uv = {{0.1f, 0.9f}, {0.2f, 0.8f}, {0.3f, 0.7f}, {0.4f, 0.6f}};
    for (bool mappingFirst : {false, true}) {
        std::vector<Chunk> mesh = {VertexList(kSquare), FaceList(kSquareFaces)};
        mesh.insert(mappingFirst ? mesh.begin() + 1 : mesh.end(), Mapping(uv));
        CarModel model;
        NewFCE(model);
        ASSERT_FALSE(Convert3DS(model, Main({Editor({Object("UV", {Mesh(mesh)})})}).Bytes()));
        const Triangle& t = model.Triangles[1]; // corners 0, 2, 3
        EXPECT_EQ(std::tie(t.U1, t.V1), std::tie(uv[0].first, uv[0].second)) << mappingFirst;
        EXPECT_EQ(std::tie(t.U2, t.V2), std::tie(uv[2].first, uv[2].second)) << mappingFirst;
        EXPECT_EQ(std::tie(t.U3, t.V3), std::tie(uv[3].first, uv[3].second)) << mappingFirst;
        EXPECT_EQ(model.Triangles[0].U2, 0.2f);
    }
}

TEST(Convert3DS, SixtyFourObjectsAtMost)
{
    std::vector<Chunk> objects;
    for (int i = 0; i < 70; ++i) {
        std::string name = "O";
        name += std::to_string(i);
        objects.push_back(
            Object(name, {Mesh({VertexList({{float(i), 0, 0}, {0, 1, 0}, {0, 0, 1}}), FaceList({{0, 1, 2}})})}));
    }
    const auto file = Main({Editor(objects)}).Bytes();
    CarModel model;
    NewFCE(model);
    ASSERT_FALSE(Convert3DS(model, file));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    EXPECT_EQ(model.Header.NumParts, 64);
    EXPECT_EQ(model.Header.PartNames[63], MakeName("O63"));
    EXPECT_EQ(model.Header.NumVertices, 64 * 3);
    EXPECT_EQ(model.Header.XHalfSize, 63);

    TempDir dir;
    const ThreeDsToPartsResult parts = Read3DSToParts(file, dir.path());
    ASSERT_FALSE(parts.failure);
    EXPECT_EQ(parts.written.size(), 70u);

    // Appending to a model with parts fills the remaining slots only.
    CarModel busy = RandomModel(2, {.vertices = 30, .triangles = 20, .parts = 10});
    ASSERT_FALSE(Read3DS(busy, file));
    ASSERT_THAT(CheckModel(busy), IsEmpty());
    EXPECT_EQ(busy.Header.NumParts, 64);
    EXPECT_EQ(busy.Header.PartNames[10], MakeName("O0"));
    EXPECT_EQ(busy.FileFormat, ModelOrigin::Nfs4);
    EXPECT_EQ(busy.DamagedVerts.back(), busy.Vertices.back());
}

TEST(Convert3DS, MalformedFilesAreRefusedAndLeaveTheModelUnchanged)
{
    const std::vector<std::uint8_t> good = TwoObjects();
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad;
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        bad.emplace_back("cut at " + std::to_string(cut), std::vector(good.begin(), good.begin() + long(cut)));
    const auto mesh = [](std::vector<Chunk> subs) { return Main({Editor({Object("X", {Mesh(std::move(subs))})})}).Bytes(); };
    Chunk longVertices = VertexList(kTriangle);
    longVertices.length = 200;
    Chunk shortChunk = Opaque(0x4160, 10);
    shortChunk.length = 4;
    Chunk tooMany = VertexList(kTriangle);
    tooMany.data[0] = 4; // four vertices in the room of three
    Chunk negative = VertexList(kTriangle);
    negative.data[1] = 0x80; // 32768 and more: negative as int16
    Chunk shortFaces = FaceList({{0, 1, 2}});
    shortFaces.data[0] = 2;
    Chunk unnamed = Object("X", {Mesh({VertexList(kTriangle)})});
    unnamed.data.pop_back(); // no NUL: the name runs into the sub-chunks
    unnamed.data.push_back('Y');
    Chunk longMain = Main({});
    longMain.length = 1000;
    bad.emplace_back("chunk leaves its parent", mesh({longVertices, FaceList({{0, 1, 2}})}));
    bad.emplace_back("chunk shorter than its header", mesh({VertexList(kTriangle), shortChunk}));
    bad.emplace_back("count beyond its chunk", mesh({tooMany}));
    bad.emplace_back("count above 32767", mesh({negative}));
    bad.emplace_back("face count beyond its chunk", mesh({VertexList(kTriangle), shortFaces}));
    bad.emplace_back("corner outside the vertices", mesh({VertexList(kTriangle), FaceList({{0, 1, 3}})}));
    bad.emplace_back("negative corner", mesh({VertexList(kTriangle), FaceList({{0, -1, 2}})}));
    bad.emplace_back("corner beyond the mapping",
                     mesh({VertexList(kTriangle), Mapping({{0, 0}, {1, 1}}), FaceList({{0, 1, 2}})}));
    bad.emplace_back("name without end", Main({Editor({unnamed})}).Bytes());
    bad.emplace_back("main chunk longer than the file", longMain.Bytes());
    bad.emplace_back("not a 3DS file", Bytes("MZ this is something else entirely"));
    bad.emplace_back("editor chunk first", Editor({}).Bytes());

    const CarModel original = Busy();
    for (const auto& [what, file] : bad) {
        CarModel model = original;
        const ExchangeStatus failure = Convert3DS(model, file);
        ASSERT_TRUE(failure) << what;
        EXPECT_EQ(failure->kind, ExchangeError::Failed) << what;
        EXPECT_EQ(model, original) << what;
        CarModel appended = original;
        EXPECT_TRUE(Read3DS(appended, file)) << what;
        EXPECT_EQ(appended, original) << what;
    }
    CarModel model = original;
    const ExchangeStatus failure = Convert3DS(model, bad.back().second);
    EXPECT_EQ(failure->code, 321);
    EXPECT_EQ(FailureMessage(ExchangeCommand::Convert3DS, *failure).text,
              "An error has occurred during the loading process. The error code reported was:\r321\r"
              "Report this error to: the Mobrix issue tracker\r"
              "The program will attempt to continue running (but will most probably fail).");

    // What follows the main chunk is not 3DS data.
    std::vector<std::uint8_t> padded = good;
    padded.insert(padded.end(), 5, 0);
    EXPECT_FALSE(Convert3DS(model, padded));
    EXPECT_EQ(model.Header.NumParts, 2);
}

TEST(Convert3DS, MissingFileIsFileNotFound)
{
    TempDir dir;
    CarModel model = Busy();
    const CarModel before = model;
    const ExchangeStatus failure = Convert3DS(model, dir.File("none.3DS"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, ExchangeError::FileNotFound);
    const ExchangeMessage box = FailureMessage(ExchangeCommand::Convert3DS, *failure);
    EXPECT_EQ(box.text, "File not found");
    EXPECT_EQ(box.title, "Error!");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(model, before);
}

TEST(Convert3DSToParts, NumberedNamesSkipNamesAlreadyTaken)
{
    TempDir dir;
    std::vector<Chunk> objects;
    for (const char* name : {"A", "A (2)", "a", "A"})
        objects.push_back(Object(name, {Mesh({VertexList(kTriangle)})}));
    const ThreeDsToPartsResult result = Read3DSToParts(Main({Editor(objects)}).Bytes(), dir.path());
    ASSERT_FALSE(result.failure);
    std::vector<std::string> names;
    for (const WrittenPartFile& w : result.written)
        names.push_back(std::filesystem::path(w.path).filename().string());
    EXPECT_THAT(names, ElementsAre("A.PRT", "A (2).PRT", "a (3).PRT", "A (4).PRT"));
}

TEST(Convert3DSToParts, WritesOnePartFilePerObjectInsideTheFolder)
{
    TempDir dir;
    const std::string folder = dir.File("out");
    std::filesystem::create_directory(folder);
    const auto file =
        Main({Editor({Object("../../evil", {Mesh({VertexList(kTriangle), FaceList({{0, 1, 2}})})}),
                      Object("  Wheel ", {Mesh({VertexList(kSquare), FaceList(kSquareFaces)})}),
                      Object("wheel", {Mesh({VertexList(kTriangle)})}),
                      Object("EMPTY", {Mesh({VertexList({})})}),
                      Object("", {Mesh({VertexList(kTriangle)})}),
                      Object("a/b\\c:d*e", {Mesh({VertexList(kTriangle)})}),
                      Object(std::string(70, 'L'), {Mesh({VertexList(kTriangle)})})})})
            .Bytes();
    const ThreeDsToPartsResult result = Read3DSToParts(file, folder);
    ASSERT_FALSE(result.failure);
    std::vector<std::string> names;
    std::vector<bool> renamed;
    for (const WrittenPartFile& w : result.written) {
        EXPECT_EQ(std::filesystem::path(w.path).parent_path(), std::filesystem::path(folder));
        names.push_back(std::filesystem::path(w.path).filename().string());
        renamed.push_back(w.renamed);
    }
    EXPECT_THAT(names, ElementsAre("_.._evil.PRT", "Wheel.PRT", "wheel (2).PRT", "Object.PRT", "a_b_c_d_e.PRT",
                                   std::string(64, 'L') + ".PRT"));
    EXPECT_THAT(renamed, ElementsAre(false, false, true, false, false, false));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 6);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

    // Each file is a binary part file: name plus NUL, zero normals.
    const std::vector<std::uint8_t> wheel = ReadBytes(folder + "/Wheel.PRT");
    ASSERT_EQ(wheel.size(), 72u + 24 * 4 + 56 * 2);
    EXPECT_EQ(std::string(wheel.begin(), wheel.begin() + 9), std::string("  Wheel \0", 9));
    EXPECT_EQ(wheel[9], ' ');
    EXPECT_EQ(GetF32(wheel, 72 + 12 * 3 + 8), 4.0f);
    EXPECT_EQ(GetF32(wheel, 72 + 48 + 4), 0.0f);
    EXPECT_EQ(GetI32(wheel, 72 + 96 + 56 + 12), 3);
    const std::vector<std::uint8_t> longName = ReadBytes(folder + "/" + std::string(64, 'L') + ".PRT");
    EXPECT_EQ(std::string(longName.begin(), longName.begin() + 64), std::string(64, 'L'));

    CarModel model = RandomModel(1, {.parts = 2});
    ASSERT_FALSE(InsertPartBinary(model, wheel));
    EXPECT_THAT(CheckModel(model), IsEmpty());
    EXPECT_EQ(model.Header.PartNames[2], MakeName(std::string("Wheel \0\0", 8)));

    // A refused file writes nothing.
    const std::string other = dir.File("other");
    std::filesystem::create_directory(other);
    const std::vector<std::uint8_t> broken(file.begin(), file.end() - 3);
    const ThreeDsToPartsResult refused = Read3DSToParts(broken, other);
    EXPECT_TRUE(refused.failure);
    EXPECT_TRUE(refused.written.empty());
    EXPECT_TRUE(std::filesystem::is_empty(other));
}

TEST(Export3DS, ChunkLengthsAddUpToTheFile)
{
    CarModel empty;
    NewFCE(empty);
    std::vector<std::uint8_t> bytes;
    ASSERT_FALSE(Encode3DS(empty, bytes));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x4D, 0x4D, 22, 0, 0, 0, 0x02, 0, 10, 0, 0, 0, 3, 0, 0, 0,
                                                0x3D, 0x3D, 6, 0, 0, 0}));

    CarModel model = RandomModel(4, {.vertices = 70, .triangles = 90, .parts = 4});
    model.Header.PartNames[0] = MakeName(std::string("Body\0junk", 9));
    model.Header.PartNames[1] = MakeName("  Door ");
    model.Header.PartNames[2] = MakeName(std::string(64, 'N'));
    model.Header.PartNames[3] = MakeName(std::string("\0", 1));
    ASSERT_FALSE(Encode3DS(model, bytes));
    EXPECT_EQ(GetI32(bytes, 2), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(GetI32(bytes, 18), static_cast<std::int32_t>(bytes.size()) - 16);
    std::size_t at = 22;
    const std::vector<std::string> names = {std::string("Body\0", 5), std::string("Door\0", 5),
                                            std::string(64, 'N') + '\0', std::string("\0", 1)};
    for (std::size_t p = 0; p < 4; ++p) {
        const std::int64_t n = model.Header.PartNumVertices[p];
        const std::int64_t m = model.Header.PartNumTriangles[p];
        const std::int64_t name = static_cast<std::int64_t>(names[p].size());
        EXPECT_EQ(bytes[at] | bytes[at + 1] << 8, 0x4000);
        EXPECT_EQ(GetI32(bytes, at + 2), name + 28 + 12 * n + 8 * m);
        EXPECT_EQ(std::string(bytes.begin() + long(at) + 6, bytes.begin() + long(at) + 6 + name), names[p]);
        const std::size_t mesh = at + 6 + std::size_t(name);
        EXPECT_EQ(GetI32(bytes, mesh + 2), 12 * n + 8 * m + 22);
        EXPECT_EQ(GetI32(bytes, mesh + 8), 12 * n + 8);
        EXPECT_EQ(bytes[mesh + 12] | bytes[mesh + 13] << 8, n);
        const std::size_t faces = mesh + 6 + 8 + std::size_t(12 * n);
        EXPECT_EQ(bytes[faces] | bytes[faces + 1] << 8, 0x4120);
        EXPECT_EQ(GetI32(bytes, faces + 2), 8 * m + 8);
        at += std::size_t(name + 28 + 12 * n + 8 * m);
    }
    EXPECT_EQ(at, bytes.size());
}

TEST(Export3DS, ConvertingTheExportBackGivesTheSameParts)
{
    CarModel model = RandomModel(8, {.vertices = 120, .triangles = 150, .parts = 6});
    std::vector<std::uint8_t> bytes;
    ASSERT_FALSE(Encode3DS(model, bytes));
    CarModel back;
    NewFCE(back);
    ASSERT_FALSE(Convert3DS(back, bytes));
    ASSERT_THAT(CheckModel(back), IsEmpty());
    ASSERT_EQ(back.Header.NumParts, 6);
    EXPECT_EQ(back.Vertices, model.Vertices); // part-relative, PartPos not added
    EXPECT_EQ(back.Header.PartNumVertices, model.Header.PartNumVertices);
    EXPECT_EQ(back.Header.PartNumTriangles, model.Header.PartNumTriangles);
    for (std::size_t t = 0; t < model.Triangles.size(); ++t) {
        const Triangle& a = model.Triangles[t];
        const Triangle& b = back.Triangles[t];
        EXPECT_EQ(std::tie(b.I1, b.I2, b.I3), std::tie(a.I1, a.I2, a.I3));
        EXPECT_EQ(std::tie(b.TexPage, b.Flags, b.U1, b.V3), std::make_tuple(0, 0, 0.0f, 0.0f));
    }
    for (std::size_t p = 0; p < 6; ++p) {
        EXPECT_EQ(back.Header.PartPos[p], Vec3{});
        const std::string exported = ExportObjectName(model.Header.PartNames[p]);
        EXPECT_EQ(back.Header.PartNames[p], MakeName(exported.substr(0, exported.size() - 1)));
    }
}

TEST(Export3DS, RefusesWhatA3dsFileCannotHoldAndKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.File("car.3DS");
    WriteBytes(path, {1, 2, 3});
    CarModel big;
    NewFCE(big);
    ASSERT_FALSE(InsertPartBinary(
        big, EncodeBinaryPartFile(MakeName("BIG"), std::vector<Vec3>(32768), std::vector<Vec3>(32768), {})));
    const ExchangeStatus failure = Write3DS(big, path);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, 6);
    const ExchangeMessage box = FailureMessage(ExchangeCommand::Export3DS, *failure);
    EXPECT_EQ(box.title, "Oops!");
    EXPECT_EQ(box.text, "An error has occurred during export. The error code reported was:\r6\r"
                        "Report this error to: the Mobrix issue tracker\rThe program will attempt to continue running.");
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));

    CarModel broken = RandomModel(3, {.vertices = 20, .triangles = 20, .parts = 2});
    broken.Triangles[0].I2 = broken.Header.PartNumVertices[0];
    EXPECT_TRUE(Write3DS(broken, path));
    broken = RandomModel(3, {.vertices = 20, .triangles = 20, .parts = 2});
    broken.Header.PartNumVertices[1] += 1;
    EXPECT_TRUE(Write3DS(broken, path));
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));

    CarModel fits = RandomModel(3, {.vertices = 20, .triangles = 20, .parts = 2});
    ASSERT_FALSE(Write3DS(fits, path));
    std::vector<std::uint8_t> expected;
    ASSERT_FALSE(Encode3DS(fits, expected));
    EXPECT_EQ(ReadBytes(path), expected);
}
