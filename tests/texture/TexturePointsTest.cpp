// Texture-point picking with the small square around the pointer.

#include "TexturePoints.h"

#include <gtest/gtest.h>

using namespace mobrix;

TEST(TexturePoints, PickMarksEveryCornerOfThePartInsideTheSquare)
{
    CarModel m;
    NewFCE(m);
    m.Header.NumParts = 2;
    m.Header.PartNumTriangles = {2, 1};
    m.Header.PartFirstTriangle = {0, 2};
    m.Triangles.resize(3);
    m.Header.NumTriangles = 3;
    ResetSelection(m);
    m.Triangles[0] = {.U1 = 0.5f, .U2 = 0.504f, .U3 = 0.4f, .V1 = 0.5f, .V2 = 0.496f, .V3 = 0.5f};
    m.Triangles[1] = {.U1 = 0.506f, .U2 = 0.5f, .U3 = 0.5f, .V1 = 0.5f, .V2 = 0.5f, .V3 = 0.9f};
    m.Triangles[2] = {.U1 = 0.5f, .V1 = 0.5f}; // another part

    EXPECT_EQ(PickTexturePoints(m, 0, 0.5f, 0.5f, false), 3);
    const std::vector<TriStateRecord> expected{{0, -1, -1, 0, 0}, {0, 0, -1, 0, 0}, {}};
    EXPECT_EQ(m.TriState, expected);

    // Shift: the two points within 0.005 of (0.508, 0.5) are cleared, one of
    // them unselected already; the others keep their marks.
    EXPECT_EQ(PickTexturePoints(m, 0, 0.508f, 0.5f, true), 2);
    EXPECT_EQ(m.TriState[0].Corner1Sel, -1);
    EXPECT_EQ(m.TriState[0].Corner2Sel, 0);
    EXPECT_EQ(m.TriState[1].Corner1Sel, 0);
    EXPECT_EQ(m.TriState[1].Corner2Sel, -1);
}
