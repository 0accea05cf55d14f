// The mesh transforms: every vertex set moves with the working set, swaps
// turn normals, part and dummy positions with the vertices, mirrors keep
// the corner order, centring shows the exact box text.

#include "CarModel.h"
#include "CleanUp.h"
#include "MeshEdit.h"
#include "PartsDummies.h"
#include "RandomModel.h"
#include "Transforms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

CarModel Nfs4Model(std::uint32_t seed)
{
    return RandomModel(seed, {.vertices = 40, .triangles = 50, .parts = 4, .dummies = 3});
}

// Every vertex and normal table that a transform must move alike.
std::vector<std::vector<Vec3>*> PointSets(CarModel& m)
{
    return {&m.Vertices, &m.NormalVerts, &m.Undamaged2Verts, &m.DamagedVerts,
            &m.Normals,  &m.NormalNorms, &m.Undamaged2Norms, &m.DamagedNorms};
}

Vec3 Swapped(Vec3 v, AxisPair pair)
{
    switch (pair) {
    case AxisPair::XY: return {v.Y, v.X, v.Z};
    case AxisPair::XZ: return {v.Z, v.Y, v.X};
    case AxisPair::YZ: return {v.X, v.Z, v.Y};
    }
    return v;
}

Vec3 Absolute(const CarModel& m, int part, std::size_t vertex)
{
    const Vec3 pos = m.Header.PartPos[static_cast<std::size_t>(part)];
    const Vec3 v = m.Vertices[vertex];
    return {v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z};
}

} // namespace

TEST(Transforms, SwapsTurnTheWholeCarInEverySetAndTwiceRestoreIt)
{
    const CarModel before = Nfs4Model(1);
    for (AxisPair pair : {AxisPair::XY, AxisPair::XZ, AxisPair::YZ}) {
        CarModel m = before;
        CarModel old = before;
        const TransformResult result = SwapAxes(m, pair);
        EXPECT_EQ(result.vertices, 40);
        EXPECT_EQ(result.triangles, 50);
        const auto sets = PointSets(m);
        const auto oldSets = PointSets(old);
        for (std::size_t s = 0; s < sets.size(); ++s) {
            for (std::size_t i = 0; i < sets[s]->size(); ++i)
                ASSERT_EQ((*sets[s])[i], Swapped((*oldSets[s])[i], pair)) << "set " << s << " vertex " << i;
        }
        for (int p = 0; p < before.Header.NumParts; ++p) {
            const auto first = static_cast<std::size_t>(before.Header.PartFirstVertex[static_cast<std::size_t>(p)]);
            EXPECT_EQ(Absolute(m, p, first), Swapped(Absolute(before, p, first), pair)) << "part " << p;
        }
        EXPECT_EQ(m.Header.DummyPos[2], Swapped(before.Header.DummyPos[2], pair));
        EXPECT_EQ(m.Header.DummyPos[3], before.Header.DummyPos[3]) << "unused dummy slots stay";
        const Triangle& t = m.Triangles[7];
        const Triangle& o = before.Triangles[7];
        EXPECT_EQ((std::array{t.I1, t.I2, t.I3, t.TexPage}), (std::array{o.I3, o.I2, o.I1, o.TexPage}));
        EXPECT_EQ((std::array{t.U1, t.U3, t.V1, t.V3}), (std::array{o.U3, o.U1, o.V3, o.V1}));
        EXPECT_THAT(CheckModel(m), IsEmpty());

        SwapAxes(m, pair);
        EXPECT_EQ(m, before);
    }
    CarModel rotated = before;
    CarModel swapped = before;
    RotateMesh(rotated);
    SwapAxes(swapped, AxisPair::YZ);
    EXPECT_EQ(rotated, swapped);
}

TEST(Transforms, MirrorNegatesThePartInEverySetAndTurnsItsTrianglesToFaceOut)
{
    const CarModel before = Nfs4Model(2);
    CarModel m = before;
    CarModel old = before;
    ASSERT_EQ(MirrorPart(m, 2, Axis::Z).status, MeshToolStatus::Done);
    const auto first = static_cast<std::size_t>(before.Header.PartFirstVertex[2]);
    const auto end = first + static_cast<std::size_t>(before.Header.PartNumVertices[2]);
    const auto sets = PointSets(m);
    const auto oldSets = PointSets(old);
    for (std::size_t s = 0; s < sets.size(); ++s) {
        for (std::size_t i = 0; i < sets[s]->size(); ++i) {
            const Vec3 o = (*oldSets[s])[i];
            const Vec3 expected = i >= first && i < end ? Vec3{o.X, o.Y, -o.Z} : o;
            ASSERT_EQ((*sets[s])[i], expected) << "set " << s << " vertex " << i;
        }
    }
    // The part's triangles, and only they, run the other way round, each
    // texture coordinate and mark still on its own corner.
    CarModel turned = before;
    ExchangeFirstAndThirdCorners(turned);
    const auto firstTriangle = static_cast<std::size_t>(before.Header.PartFirstTriangle[2]);
    const auto endTriangle = firstTriangle + static_cast<std::size_t>(before.Header.PartNumTriangles[2]);
    ASSERT_GT(endTriangle, firstTriangle);
    for (std::size_t t = 0; t < m.Triangles.size(); ++t) {
        const bool mirrored = t >= firstTriangle && t < endTriangle;
        EXPECT_EQ(m.Triangles[t], (mirrored ? turned : before).Triangles[t]) << t;
        EXPECT_EQ(m.TriState[t], (mirrored ? turned : before).TriState[t]) << t;
    }
    EXPECT_EQ(m.Header, before.Header);
}

TEST(Transforms, RescaleMultipliesTheChosenPartsAndTheirPositions)
{
    const CarModel before = Nfs4Model(3);
    CarModel m = before;
    EXPECT_EQ(RescaleParts(m, std::vector<int>{0, 2}, {}).status, MeshToolStatus::Done);
    EXPECT_EQ(m, before) << "100 % everywhere is bit-identical";

    ASSERT_EQ(RescaleParts(m, std::vector<int>{2, 0, 2}, {0, 200, 50}).vertices,
              before.Header.PartNumVertices[0] + before.Header.PartNumVertices[2]);
    for (std::size_t i = 0; i < m.Vertices.size(); ++i) {
        const bool chosen = i < static_cast<std::size_t>(before.Header.PartFirstVertex[1]) ||
                            (i >= static_cast<std::size_t>(before.Header.PartFirstVertex[2]) &&
                             i < static_cast<std::size_t>(before.Header.PartFirstVertex[3]));
        const Vec3 o = before.DamagedVerts[i];
        const Vec3 scaled{0.0f * o.X, o.Y * 2, o.Z / 2};
        ASSERT_EQ(m.DamagedVerts[i], chosen ? scaled : o) << i;
    }
    EXPECT_EQ(m.Header.PartPos[2].X, 0.0f);
    EXPECT_EQ(m.Header.PartPos[2].Y, before.Header.PartPos[2].Y * 2);
    EXPECT_EQ(m.Header.PartPos[1], before.Header.PartPos[1]);
    EXPECT_EQ(m.Normals, before.Normals);

    CarModel refused = before;
    EXPECT_EQ(RescaleParts(refused, std::vector<int>{0, 4}, {50, 50, 50}).status, MeshToolStatus::NoSuchPart);
    EXPECT_EQ(refused, before);
}

TEST(Transforms, CentringShowsTheBoxAndCentresEverySet)
{
    CarModel m = Nfs4Model(4);
    ModelHeader& h = m.Header;
    h.PartNumVertices[1] += h.PartNumVertices[0] - 3;
    h.PartNumVertices[0] = 3;
    h.PartFirstVertex[1] = 3;
    for (Triangle& t : m.Triangles.Window(0, static_cast<std::size_t>(h.PartNumTriangles[0])))
        t.I1 = t.I2 = t.I3 = 0;
    m.Vertices[0] = {1, 2, 3};
    m.Vertices[1] = {-3, 0.5f, 3};
    m.Vertices[2] = {2, -1, 3};
    const Vec3 damaged = m.DamagedVerts[1];
    const CarModel before = m;

    const CentreResult box = CentrePart(m, 0);
    EXPECT_THAT(box.messageLines,
                ElementsAre("HiX: 2 LoX: -3", "HiY: 2 LoY: -1", "HiZ: 3 LoZ: 3", " cx: -0.5 cy: 0.5 cz: 3"));
    EXPECT_EQ(MessageBoxText(box.messageLines), "HiX: 2 LoX: -3\rHiY: 2 LoY: -1\rHiZ: 3 LoZ: 3\r cx: -0.5 cy: 0.5 cz: 3");
    EXPECT_EQ(m.Vertices[1], (Vec3{-2.5f, 0, 0}));
    EXPECT_EQ(m.DamagedVerts[1], (Vec3{damaged.X + 0.5f, damaged.Y - 0.5f, damaged.Z - 3}));
    EXPECT_EQ(m.Vertices[3], before.Vertices[3]);
    EXPECT_EQ(m.Header, before.Header) << "the part position stays";
    EXPECT_EQ(CentrePart(m, 0).messageLines.back(), " cx: 0 cy: 0 cz: 0");

    // All parts together, on the stored coordinates whatever the positions.
    CarModel all = before;
    const CentreResult whole = CentreAllParts(all);
    ASSERT_EQ(whole.status, MeshToolStatus::Done);
    EXPECT_EQ(whole.vertices, 40);
    float high = before.Vertices[0].X;
    for (const Vec3& v : before.Vertices)
        high = std::max(high, v.X);
    EXPECT_EQ(whole.high.X, high);
    EXPECT_EQ(all.Vertices[5].X, before.Vertices[5].X - whole.centre.X);
    EXPECT_EQ(all.Header.PartPos, before.Header.PartPos);
}

TEST(Transforms, EmptyScopesChangeNothing)
{
    CarModel m;
    NewFCE(m);
    AddPartSlot(m, "empty");
    const CarModel before = m;
    EXPECT_EQ(CentrePart(m, 0).status, MeshToolStatus::EmptyScope);
    EXPECT_EQ(CentreAllParts(m).status, MeshToolStatus::EmptyScope);
    EXPECT_EQ(MirrorPart(m, 0, Axis::X).status, MeshToolStatus::EmptyScope);
    EXPECT_EQ(CentrePart(m, 1).status, MeshToolStatus::NoSuchPart);
    EXPECT_EQ(SwapAxes(m, AxisPair::XY).vertices, 0);
    EXPECT_EQ(RemoveDuplicatePolys(m, 0).statusText, "");
    EXPECT_EQ(RemoveUnnecessaryVerts(m, 0).removedVertices, 0);
    EXPECT_EQ(RescaleParts(m, std::vector<int>{}, {0, 0, 0}).status, MeshToolStatus::EmptyScope);
    EXPECT_EQ(m, before);
    EXPECT_THAT(CheckModel(m), IsEmpty());

    CarModel twice = Nfs4Model(5);
    const CarModel original = twice;
    EXPECT_EQ(ReverseWindingOrder(twice).triangles, 50);
    EXPECT_NE(twice.Triangles, original.Triangles);
    ReverseWindingOrder(twice);
    EXPECT_EQ(twice, original);
}
