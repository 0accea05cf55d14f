// OBJ export and conversion: the round trip of whole models, what the files
// hold, the statements and corner forms of files from other programs, and
// malformed files.

#include "ExchangeTestSupport.h"
#include "Obj.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <filesystem>
#include <set>

using namespace mobrix;
using namespace testing_support;
using namespace exchange_testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

ExchangeStatus Convert(CarModel& model, std::string_view text, const std::string& unnamed = "file")
{
    return ConvertObj(model, Bytes(text), unnamed);
}

Vec3 Plus(const Vec3& a, const Vec3& b)
{
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}

std::vector<int> PartCounts(const CarModel& model, const std::array<std::int32_t, kPartSlots>& table)
{
    return {table.begin(), table.begin() + model.Header.NumParts};
}

// The model read back from its OBJ file holds it part for part: vertices
// at their absolute positions, triangles, texture coordinates, and normals
// where a triangle uses the vertex.
void ExpectReadBack(const CarModel& model, const CarModel& back)
{
    ASSERT_THAT(CheckModel(back), IsEmpty());
    const ModelHeader& h = model.Header;
    ASSERT_EQ(back.Header.NumParts, h.NumParts);
    EXPECT_EQ(PartCounts(back, back.Header.PartNumVertices), PartCounts(model, h.PartNumVertices));
    EXPECT_EQ(PartCounts(back, back.Header.PartNumTriangles), PartCounts(model, h.PartNumTriangles));
    for (int p = 0; p < h.NumParts; ++p) {
        const auto part = static_cast<std::size_t>(p);
        EXPECT_EQ(TrimmedName(back.Header.PartNames[part]), ObjObjectName(h.PartNames[part], p));
        EXPECT_EQ(back.Header.PartPos[part], Vec3{});
        std::set<std::int32_t> used; // a vertex no triangle uses has no normal in the file
        for (int t = 0; t < h.PartNumTriangles[part]; ++t) {
            const Triangle& was = model.Triangles[static_cast<std::size_t>(h.PartFirstTriangle[part] + t)];
            const Triangle& now = back.Triangles[static_cast<std::size_t>(back.Header.PartFirstTriangle[part] + t)];
            ASSERT_EQ(std::tie(now.I1, now.I2, now.I3, now.U1, now.U2, now.U3, now.V1, now.V2, now.V3),
                      std::tie(was.I1, was.I2, was.I3, was.U1, was.U2, was.U3, was.V1, was.V2, was.V3))
                << p << " " << t;
            used.insert({was.I1, was.I2, was.I3});
        }
        for (int i = 0; i < h.PartNumVertices[part]; ++i) {
            const auto was = static_cast<std::size_t>(h.PartFirstVertex[part] + i);
            const auto now = static_cast<std::size_t>(back.Header.PartFirstVertex[part] + i);
            ASSERT_EQ(back.Vertices[now], Plus(model.Vertices[was], h.PartPos[part])) << p << " " << i;
            ASSERT_EQ(back.Normals[now], used.count(i) ? model.Normals[was] : Vec3{}) << p << " " << i;
        }
    }
}

} // namespace

TEST(ObjExport, AModelReadsBackPartForPartThroughTheFiles)
{
    CarModel model = RandomModel(16, {.vertices = 300, .triangles = 500, .parts = 5, .dummies = 2});
    model.Header.PartNames[1] = MakeName(std::string(" Left door\0zz", 13));
    TempDir dir;
    const std::string obj = dir.File("car.obj");
    ASSERT_FALSE(WriteObj(model, obj, dir.File("skins/car00.tga")));
    const std::string mtl = Text(ReadBytes(dir.File("car.mtl")));
    EXPECT_THAT(mtl, HasSubstr("newmtl page0\nKd 1 1 1\nmap_Kd skins/car00.tga\n"));

    CarModel back;
    NewFCE(back);
    ASSERT_FALSE(ConvertObj(back, obj));
    ExpectReadBack(model, back);
    EXPECT_EQ(TrimmedName(back.Header.PartNames[1]), "Left door");
    EXPECT_EQ(back.FileFormat, ModelOrigin::From3ds);
}

TEST(ObjExport, ObjectsMaterialsAndDummiesAsWritten)
{
    CarModel model;
    NewFCE(model);
    model.Header.NumParts = 2;
    model.Header.NumVertices = 4;
    model.Header.NumTriangles = 3;
    model.Vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0.5f, 0.25f, -2}};
    model.Normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {1, 0, 0}};
    model.Triangles.assign(3, Triangle{});
    std::tie(model.Triangles[0].I2, model.Triangles[0].I3, model.Triangles[0].U2) = std::tuple(1, 2, 0.5f);
    std::tie(model.Triangles[1].I1, model.Triangles[1].TexPage) = std::tuple(2, 3);
    model.Header.PartNumVertices[0] = 3;
    model.Header.PartNumTriangles[0] = 2;
    model.Header.PartFirstVertex[1] = 3;
    model.Header.PartNumVertices[1] = 1;
    model.Header.PartFirstTriangle[1] = 2;
    model.Header.PartNumTriangles[1] = 1;
    model.Header.PartPos[1] = {10, 0, 0};
    model.Header.PartNames[0] = MakeName(std::string("Body\0", 5));
    model.Header.PartNames[1] = MakeName("\n");
    model.Header.NumDummies = 1;
    model.Header.DummyNames[0] = MakeName(std::string(":HFLO\0", 6));
    model.Header.DummyPos[0] = {-0.5f, 1, 2};

    ObjFiles files;
    ASSERT_FALSE(EncodeObj(model, "car.mtl", "", files));
    EXPECT_THAT(files.obj, HasSubstr("mtllib car.mtl\n# dummy 1 :HFLO at -0.5 1 2\no Body\nv 0 0 0\nv 1 0 0\n"
                                     "v 0 1 0\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvt 0 0\nvt 0.5 0\nvt 0 0\n"));
    EXPECT_THAT(files.obj, HasSubstr("usemtl page0\nf 1/1/1 2/2/2 3/3/3\nusemtl page3\nf 3/4/3 1/5/1 1/6/1\n"
                                     "o _\nv 10.5 0.25 -2\nvn 1 0 0\n"));
    EXPECT_THAT(files.obj, HasSubstr("usemtl page0\nf 4/7/4 4/8/4 4/9/4\n"));
    EXPECT_EQ(files.mtl, "# Materials: one per texture page\n\nnewmtl page0\nKd 1 1 1\n\nnewmtl page3\nKd 1 1 1\n");

    // A corner outside its part is refused rather than written as another part's vertex.
    model.Triangles[2].I3 = 1;
    const ExchangeStatus refused = EncodeObj(model, "car.mtl", "", files);
    ASSERT_TRUE(refused);
    EXPECT_THAT(refused->detail, HasSubstr("part 2: triangle 1 has corner 1 outside its 1 vertices"));
}

TEST(ObjImport, StatementsAndCornerFormsOfOtherPrograms)
{
    const char* const text = "# from elsewhere\r\n"
                             "mtllib x.mtl\r\n"
                             "v 0 0 0\nv 1 0 0\nv 1 1 0 1.0\nv 0 1 0 0.2 0.3 0.4\n"
                             "vt 0 0 0\nvt 1 0\nvt 1 1\nvt 0.5\n"
                             "vn 0 0 1\nvn 0 0 -1\n"
                             "o  Quad  \n"
                             "g ignored\n"
                             "usemtl red\ns 1\n"
                             "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
                             "l 1 2\n"
                             "o Mixed\n"
                             "v 5 5 5\n"
                             "v 9 9 9\n"
                             "f -2//-2 1 -4/-1\n"
                             "f\t1//2   2//2  5//2\n";
    CarModel model = RandomModel(3, {.vertices = 20, .triangles = 10, .parts = 2});
    model.FileName = "old.fce";
    ASSERT_FALSE(Convert(model, text));
    ASSERT_THAT(CheckModel(model), IsEmpty());
    const ModelHeader& h = model.Header;
    ASSERT_EQ(h.NumParts, 2); // nothing before the first object: no unnamed part
    EXPECT_EQ(TrimmedName(h.PartNames[0]), "Quad");
    EXPECT_EQ(TrimmedName(h.PartNames[1]), "Mixed");
    EXPECT_EQ(PartCounts(model, h.PartNumVertices), (std::vector<int>{4, 7}));
    EXPECT_EQ(PartCounts(model, h.PartNumTriangles), (std::vector<int>{2, 2}));
    EXPECT_TRUE(model.FileName.empty());

    // The quad as the fan (1 2 3) (1 3 4), with texture coordinates on the corners.
    const Triangle& fan = model.Triangles[1];
    EXPECT_EQ(std::tie(fan.I1, fan.I2, fan.I3), std::tuple(0, 2, 3));
    EXPECT_EQ(std::tie(fan.U1, fan.V1, fan.U2, fan.V2, fan.U3, fan.V3), std::tuple(0.f, 0.f, 1.f, 1.f, 0.5f, 0.f));
    EXPECT_EQ(model.Vertices[3], (Vec3{0, 1, 0}));
    EXPECT_EQ(model.Normals[3], (Vec3{0, 0, 1}));
    EXPECT_EQ(h.PartPos[0], Vec3{});

    // Mixed: one vertex per pair of position and normal, ordered by
    // position, then normal: (1 -) (1 n2) (2 n2) (3 -) (5 n1) (5 n2), and
    // the unused position 6 kept.
    const auto mixed = static_cast<std::size_t>(h.PartFirstVertex[1]);
    const std::vector<Vec3> vertices(model.Vertices.begin() + mixed, model.Vertices.begin() + mixed + 7);
    const std::vector<Vec3> normals(model.Normals.begin() + mixed, model.Normals.begin() + mixed + 7);
    EXPECT_THAT(vertices, ElementsAre(Vec3{0, 0, 0}, Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{5, 5, 5},
                                      Vec3{5, 5, 5}, Vec3{9, 9, 9}));
    EXPECT_THAT(normals, ElementsAre(Vec3{}, Vec3{0, 0, -1}, Vec3{0, 0, -1}, Vec3{}, Vec3{0, 0, 1},
                                     Vec3{0, 0, -1}, Vec3{}));
    const Triangle& negative = model.Triangles[2];
    EXPECT_EQ(std::tie(negative.I1, negative.I2, negative.I3), std::tuple(4, 0, 3));
    EXPECT_EQ(std::tie(negative.U3, negative.V3), std::tuple(0.5f, 0.f));
    const Triangle& last = model.Triangles[3];
    EXPECT_EQ(std::tie(last.I1, last.I2, last.I3), std::tuple(1, 2, 5));
}

TEST(ObjImport, GroupsMakePartsOnlyWithoutObjectsAndAtMost64)
{
    CarModel model;
    NewFCE(model);
    ASSERT_FALSE(Convert(model, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng Hood\nf 3 2 1\ng\ng Roof\nf 1 3 2\n", "car"));
    EXPECT_EQ(model.Header.NumParts, 3);
    EXPECT_EQ(TrimmedName(model.Header.PartNames[0]), "car"); // the faces before the first group
    EXPECT_EQ(TrimmedName(model.Header.PartNames[1]), "Hood");
    EXPECT_EQ(TrimmedName(model.Header.PartNames[2]), "Roof"); // the empty group made no part

    std::string many = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 70; ++i)
        many += "o part" + std::to_string(i) + "\nf 1 2 3\n";
    ASSERT_FALSE(Convert(model, many));
    EXPECT_EQ(model.Header.NumParts, 64);
    EXPECT_EQ(TrimmedName(model.Header.PartNames[63]), "part63");
    EXPECT_THAT(CheckModel(model), IsEmpty());

    // A file without objects or groups is one part named after the file.
    TempDir dir;
    WriteBytes(dir.File("wedge.obj"), Bytes("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    ASSERT_FALSE(ConvertObj(model, dir.File("wedge.obj")));
    EXPECT_EQ(model.Header.NumParts, 1);
    EXPECT_EQ(TrimmedName(model.Header.PartNames[0]), "wedge");
}

TEST(ObjImport, MalformedFilesAreRefusedNamingTheLineAndChangeNothing)
{
    const std::string head = "o A\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {head + "f 1 2 4\n", ErrorCode::SubscriptOutOfRange, "line 6: position index 4 is out of range: 3"},
        {head + "f 1 2 0\n", ErrorCode::SubscriptOutOfRange, "line 6: position index 0 is out of range"},
        {head + "f -4 1 2\n", ErrorCode::SubscriptOutOfRange, "line 6: position index -4 is out of range"},
        {head + "f 1/2 2/1 3/1\n", ErrorCode::SubscriptOutOfRange, "line 6: texture coordinate index 2"},
        {head + "f 1//1 2 3\n", ErrorCode::SubscriptOutOfRange, "line 6: normal index 1 is out of range: 0"},
        {head + "f 1 2 3x\n", ExchangeErrorCode::TypeMismatch, "line 6: '3x' is not a number"},
        {head + "f 1/1/1/1 2 3\n", ExchangeErrorCode::TypeMismatch, "line 6: '1/1' is not a number"},
        {head + "f 1 2 99999999999\n", ErrorCode::Overflow, "line 6: '99999999999' is outside"},
        {"o A\nv 0 0 0\nv 1 0,5 0\n", ExchangeErrorCode::TypeMismatch, "line 3: '0,5' is not a number"},
        {"v 1e39 0 0\n", ErrorCode::Overflow, "line 1: '1e39' is too large"},
        {"\n\nvn 0 1\n", ExchangeErrorCode::InvalidFileFormat, "line 3: a normal needs 3 numbers; this one has 2"},
        {head + "f 1 2\n", ExchangeErrorCode::InvalidFileFormat,
         "line 6: a face needs at least three corners; this one has 2"},
    };
    for (const auto& [text, code, detail] : cases) {
        CarModel model = RandomModel(7, {.vertices = 20, .triangles = 10, .parts = 2});
        const CarModel before = model;
        const ExchangeStatus failure = Convert(model, text);
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->code, code) << text;
        EXPECT_THAT(failure->detail, HasSubstr(detail)) << text;
        EXPECT_TRUE(model == before) << text;
    }
    // The window's box carries the line too.
    CarModel model;
    const ExchangeStatus failure = Convert(model, head + "f 1 2\n");
    ASSERT_TRUE(failure);
    EXPECT_THAT(FailureMessage(ExchangeCommand::ConvertObj, *failure).text,
                ::testing::EndsWith("\rline 6: a face needs at least three corners; this one has 2"));
}

// A file of many megabytes is written in pieces and read in two halves at once. It reads back as a
// small one does, and what needs the lines before it (an index counted back
// from the last, a mistake and its line) comes out as read in order.
TEST(ObjImport, LargeFilesAreMadeAndReadAtOnceAsInOrder)
{
    const CarModel model = RandomModel(18, {.vertices = 70'000, .triangles = 100'000, .parts = 2});
    ObjFiles files;
    ASSERT_FALSE(EncodeObj(model, "car.mtl", "", files));
    ASSERT_GT(files.obj.size(), std::size_t{8} << 20) << "too small to be read in halves";
    // Written in pieces made at once, the file holds the same text.
    TempDir dir;
    ASSERT_FALSE(WriteObj(model, dir.File("car.obj")));
    EXPECT_TRUE(Text(ReadBytes(dir.File("car.obj"))) == files.obj);

    CarModel back;
    ASSERT_FALSE(Convert(back, files.obj));
    ExpectReadBack(model, back);

    CarModel counted;
    ASSERT_FALSE(Convert(counted, files.obj + "f -1 -2 -3\n"));
    ASSERT_EQ(counted.Header.NumTriangles, back.Header.NumTriangles + 1);
    const int last = model.Header.NumParts - 1;
    const Triangle& added = counted.Triangles.back();
    const auto vertex = static_cast<std::size_t>(counted.Header.PartFirstVertex[static_cast<std::size_t>(last)] + added.I1);
    EXPECT_EQ(counted.Vertices[vertex], Plus(model.Vertices.back(), model.Header.PartPos[static_cast<std::size_t>(last)]));

    const auto lines = static_cast<std::size_t>(std::count(files.obj.begin(), files.obj.end(), '\n'));
    const ExchangeStatus failure = Convert(counted, files.obj + "f 1 2 70001\n");
    ASSERT_TRUE(failure);
    EXPECT_THAT(failure->detail,
                HasSubstr("line " + std::to_string(lines + 1) + ": position index 70001 is out of range: 70000"));
}

// Every number reads as the float nearest to it, as the standard library
// reads it, also where a first rounding to double would land exactly
// halfway between two floats, below the normal floats, and at their top.
TEST(ObjImport, NumbersReadAsTheNearestFloat)
{
    const std::vector<std::string> numbers = {
        "16777217", "8.700203418731689", "8.880053043365479", "8.639851093292236", "8.542237758636475", "-0", "0.1", "1.5e+3", "-2.5E-7", "1e-40", "3.4028235e38",
        "0.000000000000000000000001", "123456789012345678", "7.", ".5", "1.17549435e-38", "0.30000001192092896"};
    std::string text;
    for (const std::string& number : numbers)
        text += "v " + number + " 0 0\n";
    text += "f 1 2 3\n";
    CarModel model;
    ASSERT_FALSE(Convert(model, text));
    ASSERT_EQ(model.Vertices.size(), numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        float expected = 0;
        std::from_chars(numbers[i].data(), numbers[i].data() + numbers[i].size(), expected);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(model.Vertices[i].X), std::bit_cast<std::uint32_t>(expected))
            << numbers[i];
    }
}
