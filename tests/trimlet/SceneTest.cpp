// The normal generators and the scene without a window: face colours,
// turning, picking and the current face across rebuilds.

#include "Normals.h"
#include "Scene.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace trimlet;

namespace {

Triangle Face(int a, int b, int c, std::int32_t flags = 0)
{
    Triangle t;
    t.I1 = a;
    t.I2 = b;
    t.I3 = c;
    t.Flags = flags;
    return t;
}

PartFile MakePart(Vec3 position, std::vector<Vec3> points, std::vector<Triangle> faces)
{
    PartFile part;
    part.Position = position;
    for (std::size_t s = 0; s < 3; ++s) {
        part.VertexSets[s] = points;
        part.NormalSets[s] = std::vector<Vec3>(points.size(), Vec3{0, 9, 0});
    }
    part.Flags.resize(points.size());
    part.Triangles = std::move(faces);
    return part;
}

void ExpectVec(const Vec3& v, double x, double y, double z)
{
    EXPECT_NEAR(v.X, x, 1e-6);
    EXPECT_NEAR(v.Y, y, 1e-6);
    EXPECT_NEAR(v.Z, z, 1e-6);
}

TEST(Normals, RadialNormalsPointAwayFromTheModelCentre)
{
    // Vertex 3 sits at the model centre once placed; vertex 4 is unused.
    PartFile part = MakePart({1, 0, 0}, {{2, 4, 0}, {-1, 0, 2}, {0, 0, 5}, {-1, 0, 0}, {7, 7, 7}},
                             {Face(0, 1, 2), Face(1, 2, 3)});
    part.VertexSets[1][0] = {-4, 0, 0}; // another set has its own positions
    const std::vector<Vec3> set0 = RadialNormals(part, 0);
    ExpectVec(set0[0], 0.6, 0.8, 0);
    ExpectVec(set0[1], 0, 0, 1);
    ExpectVec(set0[2], 1 / std::sqrt(26.0), 0, 5 / std::sqrt(26.0));
    EXPECT_EQ(set0[3], (Vec3{0, 9, 0})) << "no direction at the centre: the normal stays";
    EXPECT_EQ(set0[4], (Vec3{0, 9, 0})) << "unused vertices keep theirs";
    ExpectVec(RadialNormals(part, 1)[0], -1, 0, 0);
}

TEST(Normals, FaceNormalsAverageTheFacesSharingAVertex)
{
    // Two faces folded along the edge 0-2: one in the plane z = 0, one in x = 0.
    PartFile part = MakePart({5, 5, 5}, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {3, 3, 3}, {1, 1, 1}},
                             {Face(0, 1, 2), Face(0, 2, 3), Face(5, 5, 4)});
    const std::vector<Vec3> normals = FaceAveragedNormals(part, 0);
    const double h = std::sqrt(0.5);
    ExpectVec(normals[0], h, 0, h);
    ExpectVec(normals[1], 0, 0, 1);
    ExpectVec(normals[2], h, 0, h);
    ExpectVec(normals[3], 1, 0, 0);
    EXPECT_EQ(normals[4], (Vec3{0, 9, 0})) << "a face without area adds nothing";
    EXPECT_EQ(normals[5], (Vec3{0, 9, 0}));

    // The winding decides the side: reversed faces give reversed normals.
    part.Triangles = {Face(0, 2, 1)};
    ExpectVec(FaceAveragedNormals(part, 0)[0], 0, 0, -1);
}

TEST(Scene, FaceColours)
{
    EXPECT_EQ(FaceColourFor(0, false), (FaceColour{1, 1, 1, 1}));
    EXPECT_EQ(FaceColourFor(0x0C, false), (FaceColour{0.6f, 0.6f, 1.0f, 0.5f}));
    EXPECT_EQ(FaceColourFor(0x04, true), (FaceColour{1, 0, 0, 1}));
    EXPECT_EQ(FaceColourFor(0x08, true), (FaceColour{1, 0, 0, 0.5f}));
}

// A square of side 4 facing the camera, split along its diagonal: face 0 is
// the lower right half, face 1 the upper left.
Scene SquareScene()
{
    Scene scene;
    scene.AddMesh("TPART1.PRT",
                  MakePart({0, 0, 0}, {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}},
                           {Face(0, 1, 2, 0x0C), Face(0, 2, 3)}));
    return scene;
}

TEST(Scene, PickingFindsTheFaceUnderThePointerFromEitherSide)
{
    Scene scene = SquareScene();
    const int w = 800;
    const int h = 600;
    // At distance 15 with a field of 0.5, one unit is 600 / 15 = 40 pixels.
    EXPECT_EQ(scene.Pick(400 + 40, 300 + 40, w, h), (FaceRef{0, 0}));
    EXPECT_EQ(scene.Pick(400 - 40, 300 - 40, w, h), (FaceRef{0, 1}));
    EXPECT_FALSE(scene.Pick(400 + 100, 300, w, h));

    // Half a turn about Y (dragging 50 pi pixels to the left) shows the back;
    // the lower right half now appears on the left.
    scene.Turn(400, 300, 400 - static_cast<int>(std::round(50 * std::numbers::pi)), 300);
    EXPECT_EQ(scene.Pick(400 - 40, 300 + 40, w, h), (FaceRef{0, 0}));

    scene.SetDistance(60);
    EXPECT_FALSE(scene.Pick(400 - 40, 300 + 40, w, h)) << "further away the square is smaller";
}

// A square of half size 2 reaches 2 * sqrt(2) from the origin.
TEST(Scene, TheCameraFitsTheModelAndNeverEntersIt)
{
    Scene scene = SquareScene();
    const double reach = 2 * std::sqrt(2.0);
    EXPECT_EQ(scene.NearestDistance(), static_cast<int>(std::ceil(reach + scene.CameraLens().front)));
    scene.SetDistance(-5);
    EXPECT_EQ(scene.Distance(), scene.NearestDistance());

    // The fitted sphere just fits the shorter side: its outline seen from
    // the start distance is at most the lens's half field.
    scene.Turn(0, 0, 30, 40);
    scene.FitCamera(10);
    const double d = scene.StartDistance();
    EXPECT_EQ(scene.Distance(), d);
    EXPECT_EQ(scene.Orientation().m, Mat3{}.m);
    const double seen = 10 / std::sqrt(d * d - 100);
    EXPECT_LE(seen, scene.CameraLens().field);
    EXPECT_GT(seen, 0.8 * scene.CameraLens().field) << "and is not far smaller";

    scene.MoveAway();
    scene.Turn(0, 0, 30, 40);
    scene.ResetCamera();
    EXPECT_EQ(scene.Distance(), d);
    EXPECT_EQ(scene.Orientation().m, Mat3{}.m);

    // A larger part shown pushes the camera out of it; far away, the back
    // plane moves out too.
    scene.AddMesh("BIG.PRT", MakePart({0, 0, 0}, {{0, 0, 500}, {1, 0, 500}, {0, 1, 500}}, {Face(0, 1, 2)}));
    EXPECT_GE(scene.Distance(), 501 + scene.CameraLens().front);
    scene.SetDistance(2000);
    EXPECT_GT(scene.CameraLens().back, 2500);
}

// The colour of the stream's vertex `v`.
FaceColour StreamColour(const VertexStream& stream, int v)
{
    const float* c = &stream.data[static_cast<std::size_t>(v * VertexStream::kFloatsPerVertex + 6)];
    return {c[0], c[1], c[2], c[3]};
}

TEST(Scene, TheCurrentFaceSurvivesRebuildsOfItsPart)
{
    Scene scene = SquareScene();
    scene.SetCurrentFace({0, 1});
    // The opaque face 1 comes first, the half-transparent face 0 after it.
    VertexStream stream = BuildVertexStream(scene);
    EXPECT_EQ(StreamColour(stream, 0), (FaceColour{1, 0, 0, 1}));
    EXPECT_EQ(StreamColour(stream, 3), (FaceColour{0.6f, 0.6f, 1.0f, 0.5f}));

    // Rebuilt with another part first: the face follows its part file.
    const PartFile square = scene.Meshes()[0].data;
    scene.ClearMeshes();
    EXPECT_FALSE(scene.CurrentFace());
    scene.AddMesh("TPART4.PRT", MakePart({0, 0, 0}, {{0, 0, 0}}, {}));
    scene.AddMesh("TPART1.PRT", square);
    EXPECT_EQ(scene.CurrentFace(), (FaceRef{1, 1}));
    EXPECT_EQ(StreamColour(BuildVertexStream(scene), 0), (FaceColour{1, 0, 0, 1}));

    scene.ForgetCurrentFace();
    EXPECT_FALSE(scene.CurrentFace());
    EXPECT_EQ(StreamColour(BuildVertexStream(scene), 0), (FaceColour{1, 1, 1, 1}));
}

TEST(Scene, OnlyChangesOfGeometryOrColourAskForTheMeshesToBeSentAgain)
{
    Scene scene = SquareScene();
    std::uint64_t revision = scene.GeometryRevision();
    scene.Turn(10, 10, 40, 25);
    scene.SetDistance(20);
    EXPECT_EQ(scene.GeometryRevision(), revision) << "turning and moving change only the transform";

    scene.SetCurrentFace({0, 1});
    EXPECT_GT(scene.GeometryRevision(), revision) << "a new current face changes two colours";
    revision = scene.GeometryRevision();
    scene.SetCurrentFace({0, 1});
    EXPECT_EQ(scene.GeometryRevision(), revision) << "the same face again changes nothing";
    scene.SetVertexSet(1);
    EXPECT_GT(scene.GeometryRevision(), revision);
}

TEST(Scene, TheVertexStreamPutsHalfTransparentFacesLast)
{
    Scene scene = SquareScene();
    VertexStream stream = BuildVertexStream(scene);
    ASSERT_EQ(stream.opaqueVertices, 3);
    ASSERT_EQ(stream.transparentVertices, 3);
    constexpr int k = VertexStream::kFloatsPerVertex;
    // First the opaque face 1 (corners 0, 2, 3), then face 0.
    EXPECT_FLOAT_EQ(stream.data[2 * k + 0], -2);
    EXPECT_FLOAT_EQ(stream.data[2 * k + 1], 2);
    EXPECT_FLOAT_EQ(stream.data[3 * k + 9], 0.5f);
    EXPECT_FLOAT_EQ(stream.data[4 * k + 0], 2);

    scene.SetCurrentFace({0, 1});
    stream = BuildVertexStream(scene);
    EXPECT_FLOAT_EQ(stream.data[6], 1.0f);
    EXPECT_FLOAT_EQ(stream.data[7], 0.0f) << "the current face is red";

    scene.SetVertexSet(2);
    PartFile moved = scene.Meshes()[0].data;
    moved.Position = {10, 0, 0};
    moved.VertexSets[2][0] = {-3, -3, 0};
    scene.ReplaceMeshData(0, moved);
    stream = BuildVertexStream(scene);
    EXPECT_FLOAT_EQ(stream.data[0], 7) << "the shown set, placed at the part's position";
}

} // namespace
