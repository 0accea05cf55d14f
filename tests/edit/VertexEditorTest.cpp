// The editor fields' text and checks, the corners "Add Poly" takes, the
// selection keys, part and texture-point moves, and the vertex-set switch.

#include "CarModel.h"
#include "CommaLocale.h"
#include "MeshEdit.h"
#include "RandomModel.h"
#include "VertexEditor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace mobrix;
using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// One part of five vertices at x = 0..4 and one triangle, after a part of
// two vertices, so that part-relative and absolute indices differ.
CarModel TwoParts()
{
    CarModel m;
    NewFCE(m);
    m.Header.NumParts = 2;
    for (int i = 0; i < 2; ++i)
        AddVertex(m, 0, -1, float(i), 0);
    for (int i = 0; i < 5; ++i)
        AddVertex(m, 1, float(i), 0, 0);
    AddTriangle(m, 1, 0, 1, 2);
    ResetSelection(m);
    return m;
}

} // namespace

TEST(EditorFields, CoordinatesShowSixDecimalsAndAtLeastOneIntegerDigit)
{
    EXPECT_EQ(FormatFixed6(1.5f), "1.500000");
    EXPECT_EQ(FormatFixed6(-0.25f), "-0.250000");
    EXPECT_EQ(FormatFixed6(0.0f), "0.000000");
    EXPECT_EQ(FormatFixed6(-0.0f), "0.000000");
    EXPECT_EQ(FormatFixed6(1234.0000001f), "1234.000000");
}

TEST(EditorFields, CoordinatesKeepTheDecimalPointUnderACommaLocale)
{
    // The window toolkit adopts the user's locale; the fields must not
    // follow its LC_NUMERIC.
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no locale with a decimal comma could be found or built";
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.1f", 1.5);
    ASSERT_STREQ(printed, "1,5") << "the locale is in force";
    EXPECT_EQ(FormatFixed6(1.5f), "1.500000");
    EXPECT_EQ(FormatFixed6(-1234.25f), "-1234.250000");
}

TEST(EditorFields, OnlyNumbersAreTakenFromTheFields)
{
    EXPECT_EQ(ParseCoordinate("-1.25"), -1.25f);
    EXPECT_EQ(ParseCoordinate(".5"), 0.5f);
    EXPECT_EQ(ParseCoordinate("5."), 5.0f);
    EXPECT_EQ(ParseCoordinate("0.1"), 0.1f);
    EXPECT_EQ(ParseCoordinate("0." + std::string(60, '0') + "1"), 0.0f) << "too small for a float is zero";
    for (const char* bad : {"", "-", ".", "-.", "1.2.3", "--1", "1-", "1e5", "abc", " 1", "1 ", "+1", "nan", "inf"})
        EXPECT_EQ(ParseCoordinate(bad), std::nullopt) << bad;
    EXPECT_EQ(ParseCoordinate("1" + std::string(50, '0')), std::nullopt) << "beyond a float";

    EXPECT_EQ(ParseCorner("0", 3), 0);
    EXPECT_EQ(ParseCorner("2", 3), 2);
    for (const char* bad : {"3", "", "-1", "1.0", "99999999999999999999999"})
        EXPECT_EQ(ParseCorner(bad, 3), std::nullopt) << bad;
    EXPECT_EQ(ParseCorner("0", 0), std::nullopt) << "a part without vertices has no corner to name";

    for (char32_t key : {U'0', U'9', char32_t{8}}) {
        EXPECT_TRUE(CoordinateKeyAllowed(key));
        EXPECT_TRUE(IndexKeyAllowed(key));
    }
    EXPECT_TRUE(CoordinateKeyAllowed(U'-'));
    EXPECT_TRUE(CoordinateKeyAllowed(U'.'));
    EXPECT_FALSE(IndexKeyAllowed(U'-'));
    EXPECT_FALSE(IndexKeyAllowed(U'.'));
    for (char32_t key : {U'a', U'e', U'+', U' ', U',', char32_t{13}})
        EXPECT_FALSE(CoordinateKeyAllowed(key));
}

TEST(EditorFields, TriangleFieldsNeverStoreACornerOutsideThePart)
{
    CarModel m = TwoParts();
    TriangleFields f{{4, 3, 0}, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}};
    ASSERT_TRUE(SetTriangleFields(m, 1, 0, f));
    EXPECT_EQ(TriangleFieldsOf(m, 1, 0)->corners, f.corners);
    EXPECT_EQ(m.Triangles[0].V3, 0.6f);

    const CarModel before = m;
    f.corners[1] = 5;
    EXPECT_FALSE(SetTriangleFields(m, 1, 0, f));
    f.corners[1] = -1;
    EXPECT_FALSE(SetTriangleFields(m, 1, 0, f));
    EXPECT_FALSE(SetTriangleFields(m, 0, 0, TriangleFields{})) << "part 0 has no triangle";
    EXPECT_FALSE(SetVertex(m, 1, 5, Vec3{}));
    m.Header.PartNumVertices[1] = 50; // a broken range is not edited
    EXPECT_FALSE(SetVertex(m, 1, 1, Vec3{}));
    m.Header.PartNumVertices[1] = 5;
    EXPECT_EQ(m, before);
    EXPECT_THAT(CheckModel(m), IsEmpty());
}

TEST(AddPolyCorners, MarkedVerticesInIndexOrderCountedUpToFour)
{
    CarModel m = TwoParts();
    m.VertSelected[0] = -1; // part 0: not counted for part 1
    for (int k : {4, 1, 3})
        m.VertSelected[static_cast<std::size_t>(2 + k)] = -1;
    MarkedCorners three = MarkedCornersOf(m, 1);
    EXPECT_EQ(three.count, 3);
    EXPECT_EQ(three.corners, (std::array{1, 3, 4}));
    EXPECT_THAT(MarkedVerticesOf(m, 1), ElementsAre(1, 3, 4));

    m.VertSelected[2] = m.VertSelected[4] = -1;
    EXPECT_EQ(MarkedCornersOf(m, 1).count, 4) << "counting stops at four";
    EXPECT_EQ(MarkedCornersOf(m, 7).count, 0);
}

TEST(SelectionKeys, DeselectClearsEveryMarkAndInvertTwiceRestores)
{
    CarModel m = RandomModel(8, {.vertices = 40, .triangles = 30, .parts = 3, .dummies = 0});
    for (std::size_t i = 0; i < m.VertSelected.size(); i += 3)
        m.VertSelected[i] = -1;
    const std::vector<std::int16_t> marks = m.VertSelected;
    InvertVertexMarks(m);
    for (std::size_t i = 0; i < marks.size(); ++i)
        ASSERT_EQ(m.VertSelected[i], marks[i] == 0 ? -1 : 0) << i;
    InvertVertexMarks(m);
    EXPECT_EQ(m.VertSelected, marks);

    m.TriState[2] = {-1, -1, -1, -1, 5};
    DeselectAll(m);
    EXPECT_EQ(std::count(m.VertSelected.begin(), m.VertSelected.end(), 0), std::ptrdiff_t(m.VertSelected.size()));
    EXPECT_EQ(m.TriState[2], (TriStateRecord{0, 0, 0, 0, 5})) << "the remap section stays";
}

TEST(Moves, PartPositionAndMarkedTexturePoints)
{
    CarModel m = TwoParts();
    ASSERT_TRUE(MovePart(m, 1, 0, 0.1f));
    ASSERT_TRUE(MovePart(m, 1, 2, -0.25f));
    EXPECT_EQ(m.Header.PartPos[1], (Vec3{0.1f, 0, -0.25f}));
    EXPECT_EQ(m.Vertices[3], (Vec3{1, 0, 0})) << "the part's vertices stay where they are stored";
    EXPECT_FALSE(MovePart(m, 2, 0, 1));
    EXPECT_FALSE(MovePart(m, 1, 3, 1));

    m.TriState[0].Corner2Sel = -1;
    NudgeTexturePoints(m, 1, 0.005f, -0.005f);
    EXPECT_EQ(m.Triangles[0].U2, 0.005f);
    EXPECT_EQ(m.Triangles[0].V2, -0.005f);
    EXPECT_EQ(m.Triangles[0].U1, 0.0f);
    EXPECT_EQ(m.Triangles[0].V3, 0.0f);
}

TEST(VertexSets, SwitchingKeepsEachSetsVerticesAndNormals)
{
    CarModel m = RandomModel(9, {.vertices = 30, .triangles = 20, .parts = 2, .dummies = 0});
    ASSERT_EQ(m.ActiveVertexSet, VertexSet::Normal);
    const std::vector<Vec3> damaged = m.DamagedVerts;
    const std::vector<Vec3> damagedNormals = m.DamagedNorms;
    const std::vector<Vec3> normalNormals = m.NormalNorms;
    m.Vertices[4] = {7, 8, 9}; // an edit of set 0 in the working arrays

    ASSERT_TRUE(SwitchVertexSet(m, VertexSet::Damaged));
    EXPECT_EQ(m.ActiveVertexSet, VertexSet::Damaged);
    EXPECT_EQ(m.NormalVerts[4], (Vec3{7, 8, 9})) << "the working set went back into set 0";
    EXPECT_EQ(m.Vertices, damaged);
    EXPECT_EQ(m.Normals, damagedNormals);

    m.Vertices[5] = {1, 1, 1};
    ASSERT_TRUE(SwitchVertexSet(m, VertexSet::Normal));
    EXPECT_EQ(m.DamagedVerts[5], (Vec3{1, 1, 1}));
    // Set 0's normals never reach set 2 (and the other way round).
    EXPECT_EQ(m.DamagedNorms, damagedNormals);
    EXPECT_EQ(m.Normals, normalNormals);
    EXPECT_EQ(m.Vertices[4], (Vec3{7, 8, 9}));

    m.Undamaged2Norms.pop_back();
    const CarModel broken = m;
    EXPECT_FALSE(SwitchVertexSet(m, VertexSet::Undamaged2));
    EXPECT_EQ(m, broken);
}
