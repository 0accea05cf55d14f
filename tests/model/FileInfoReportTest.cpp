// The file information report: its lines, number formats and the File
// Information window's lists.

#include "CarModel.h"
#include "FceFiles.h"
#include "FileInfoReport.h"
#include "Process.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

using namespace mobrix;
using ::testing::ElementsAre;

TEST(FileInfoReport, NumberFormats)
{
    EXPECT_EQ(FormatFloat(0.5f), "0.5");
    EXPECT_EQ(FormatFloat(-12.25f), "-12.25");
    EXPECT_EQ(FormatFloat(1e-5f), "1E-05");
    EXPECT_EQ(FormatFloat(1.2345678e8f), "1.234568E+08");
    EXPECT_EQ(FormatFloat(0.0f), "0");
    EXPECT_EQ(FormatFloat(100.0f), "100");
    EXPECT_EQ(FormatFloat(1234567.0f), "1234567");
    EXPECT_EQ(FormatFloat(12345678.0f), "1.234568E+07");
    EXPECT_EQ(FormatFloat(0.1f), "0.1");
    EXPECT_EQ(FormatFloat(0.0001f), "0.0001");
    EXPECT_EQ(FormatFloat(1.0f / 3.0f), "0.3333333");
    EXPECT_EQ(FormatFloat(-0.70710678f), "-0.7071068");
    EXPECT_EQ(FormatIndex(1), " 1");
    EXPECT_EQ(FormatIndex(10), " 10");
    EXPECT_EQ(FormatIndex(0), " 0");
    EXPECT_EQ(FormatInteger(-7940), "-7940");
}

TEST(FileInfoReport, FloatsUseAPointWhateverTheLocale)
{
    // Qt programs switch the C locale to the user's; a German one writes
    // numbers with a decimal comma. Build such a locale for this test.
    testing_support::TempDir dir;
    const auto built = testing_support::RunProcess(
        "/usr/bin/localedef", {"-i", "de_DE", "-f", "UTF-8", dir.File("de_DE.UTF-8")});
    if (built.exitCode != 0)
        GTEST_SKIP() << "localedef could not build de_DE: " << built.err;
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 0.5);
    const std::string formatted = FormatFloat(-12.25f);
    std::setlocale(LC_NUMERIC, saved.c_str());
    ::unsetenv("LOCPATH");
    EXPECT_STREQ(printed, "0,50") << "the locale should really use a comma";
    EXPECT_EQ(formatted, "-12.25");
}

TEST(FileInfoReport, LinesOfASmallModel)
{
    CarModel model;
    NewFCE(model);
    ModelHeader& h = model.Header;
    h.HeaderTag = {'A', '\0', 'B', ' '};
    h.NumTriangles = 3;
    h.NumVertices = 4;
    h.NumArts = 1;
    h.VerticesOffset = 0;
    h.NormalsOffset = 48;
    h.TrianglesOffset = 96;
    h.Reserved1Offset = 264;
    h.Reserved2Offset = 392;
    h.Reserved3Offset = -440;
    h.XHalfSize = 0.5f;
    h.YHalfSize = 1e-5f;
    h.ZHalfSize = 123456789.0f;
    h.NumDummies = 1;
    h.DummyPos[0] = {0.5f, -0.25f, 1.0f};
    h.DummyNames[0] = MakeName("  :HFLO");
    h.NumParts = 2;
    h.PartPos[0] = {0, 0, 0};
    h.PartPos[1] = {-12.25f, 2, 0.1f};
    h.PartFirstVertex = {0, 3};
    h.PartNumVertices = {3, 1};
    h.PartFirstTriangle = {0, 2};
    h.PartNumTriangles = {2, 1};
    h.NumPriColours = 7;
    h.NumSecColours = 2;
    h.PartNames[0] = MakeName("high body");
    Name64 withNul = MakeName(" wheel");
    withNul[6] = '\0';
    h.PartNames[1] = withNul;

    using namespace std::string_literals;
    EXPECT_THAT(FileInfoReport(model, "C:\\cars\\car.fce"),
                ElementsAre("File information for 'C:\\cars\\car.fce'", "Unknown: A\0B "s,
                            "Number of Triangles: 3", "Number of Vertices: 4", "Number of Arts: 1",
                            "Vertices Offset: 0", "Normals Offset: 48", "Triangles Offset: 96",
                            "Reserved 1 Offset: 264", "Reserved 2 Offset: 392", "Reserved 3 Offset: -440",
                            "X Half-Size: 0.5", "Y Half-Size: 1E-05", "Z Half-Size: 1.234568E+08",
                            "Number of Dummies: 1", "Dummy Co-ordinates:", " 1: X: 0.5 Y: -0.25 Z: 1",
                            "Number of Parts: 2", "Part Co-ordinates:", " 1: X: 0 Y: 0 Z: 0",
                            " 2: X: -12.25 Y: 2 Z: 0.1", "First Vertex in each part:", " 1: 0", " 2: 3",
                            "Number of vertices in each part:", " 1: 3", " 2: 1", "First triangle in each part:",
                            " 1: 0", " 2: 2", "Number of triangles in each part:", " 1: 2", " 2: 1",
                            "Number of Primary Colours: 7", "Number of Secondary Colours: 2", "Dummy Names:",
                            " 1: :HFLO", "Part Names:", " 1: high body", " 2: wheel\0"s));
}

TEST(FileInfoReport, EmptyModelHasHeadingsOnlyAndTenPartsCountToTen)
{
    CarModel model;
    NewFCE(model);
    const std::vector<std::string> empty = FileInfoReport(model, "");
    EXPECT_EQ(empty.front(), "File information for ''");
    EXPECT_EQ(empty.size(), 26u); // every heading, no entries
    EXPECT_THAT(std::vector<std::string>(empty.end() - 4, empty.end()),
                ElementsAre("Number of Primary Colours: 0", "Number of Secondary Colours: 0", "Dummy Names:",
                            "Part Names:"));

    model.Header.NumParts = 10;
    const std::vector<std::string> ten = FileInfoReport(model, "x");
    // Never-named slots hold NUL bytes, shown as they are.
    EXPECT_EQ(ten.back(), " 10: " + std::string(64, '\0'));
    EXPECT_EQ(ten[ten.size() - 10].substr(0, 4), " 1: ");
}

TEST(FileInfoReport, ReservedBlockListsShowRawBytes)
{
    CarModel model = testing_support::RandomModel(8, {.vertices = 5, .triangles = 7, .parts = 1, .dummies = 0});
    model.Reserved2[1] = {'a', 0, 'b', 1, 2, 3, 4, 5, 6, 7, 8, 'z'};
    const ReservedBlockLines lines = FileInfoWindowLines(model);
    EXPECT_EQ(lines.List1.size(), 5u);
    EXPECT_EQ(lines.List1[4].size(), 32u);
    EXPECT_EQ(lines.List2[1], std::string("a\0b\1\2\3\4\5\6\7\10z", 12));
    EXPECT_EQ(lines.List3.size(), 5u);
    EXPECT_EQ(lines.List4[0].size(), 4u);
    EXPECT_EQ(lines.List5.size(), 5u);
    EXPECT_EQ(lines.List6.size(), 7u);
    EXPECT_EQ(lines.List6[6].size(), 12u);

    CarModel nfs3 = testing_support::RandomModel(8, {.origin = ModelOrigin::Nfs3});
    const ReservedBlockLines plain = FileInfoWindowLines(nfs3);
    EXPECT_EQ(plain.List1.size(), 50u);
    EXPECT_TRUE(plain.List4.empty());
    EXPECT_TRUE(plain.List6.empty());
}

TEST(FileInfoReport, Nfs4ReadGivesTheSameLinesAsTheModelHeader)
{
    CarModel model = testing_support::RandomModel(12, {.vertices = 20, .triangles = 10, .parts = 3, .dummies = 2});
    CarModel read;
    ASSERT_FALSE(ReadFCE4(EncodeFCE4(model).bytes, read));
    const std::vector<std::string> lines = FileInfoReport(read, "a.fce");
    EXPECT_EQ(lines[5], "Vertices Offset: 0");
    EXPECT_EQ(lines[6], "Normals Offset: 240");
    EXPECT_EQ(lines[7], "Triangles Offset: 480");
    EXPECT_EQ(lines[14], "Number of Dummies: 2");
    EXPECT_EQ(lines.size(), 26u + 2 * 2 + 3 * 6);
}

// An FCE4M model names its variant and its own fields after the title and
// ends with what the game may not expect; other models show neither.
TEST(FileInfoReport, Fce4mFieldsAndWarnings)
{
    using ::testing::Contains;
    using ::testing::Not;
    CarModel model = testing_support::RandomModel(13, {.vertices = 20, .triangles = 10, .parts = 3, .dummies = 0,
                                                       .origin = ModelOrigin::Fce4m});
    model.Header.PartNames[0] = MakeName(":PPLFwheel");
    model.Header.PartNames[1] = MakeName(":Hbody");
    model.Header.NumPriColours = model.Header.NumSecColours = 17;
    model.Fce4Header[0x924] = 0xFE;
    model.Fce4Header[0x927] = 0xFF;
    const std::vector<std::string> lines = FileInfoReport(model, "m.fce");
    EXPECT_THAT(std::vector(lines.begin() + 1, lines.begin() + 4),
                ElementsAre("Variant: FCE4M", "Version: 0x00101015", "Field at 0x0924: -16776962"));
    EXPECT_THAT(std::vector(lines.end() - 2, lines.end()),
                ElementsAre("Warning: the colour count at 0x0820 is 17, outside 0-16",
                            "Warning: there is no part :PPLRwheel"));

    model.Header.PartNames[2] = MakeName(":pplrwheel");
    model.Header.NumPriColours = 16;
    EXPECT_THAT(FileInfoReport(model, "m.fce"), Not(Contains(::testing::StartsWith("Warning"))));
    model.FileFormat = ModelOrigin::Nfs4;
    model.Header.NumPriColours = 17;
    EXPECT_THAT(FileInfoReport(model, "m.fce"), Not(Contains(::testing::StartsWith("Variant"))));
    EXPECT_THAT(FileInfoReport(model, "m.fce"), Not(Contains(::testing::StartsWith("Warning"))));
}
