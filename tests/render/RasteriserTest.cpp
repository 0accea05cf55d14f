// The software rasteriser: what lands where in the picture.

#include "FceFiles.h"
#include "Rasteriser.h"

#include <gtest/gtest.h>

#include <array>

using namespace mobrix;
using namespace mobrix::render;

namespace {

CarModel Sample()
{
    CarModel model;
    EXPECT_FALSE(LoadFCE4(model, MOBRIX_SAMPLES_DIR "/sample-nfs4.fce"));
    return model;
}

// A model of one part from corners and triangles (absolute positions).
struct Tri {
    std::array<Vec3, 3> corner;
    std::array<float, 3> u{}, v{};
};

CarModel ModelOf(const std::vector<Tri>& tris)
{
    CarModel m;
    m.Header.NumParts = 1;
    m.Header.PartNumVertices[0] = static_cast<std::int32_t>(tris.size() * 3);
    m.Header.PartNumTriangles[0] = static_cast<std::int32_t>(tris.size());
    for (const Tri& t : tris) {
        Triangle tri;
        tri.I1 = static_cast<std::int32_t>(m.Vertices.size());
        tri.I2 = tri.I1 + 1;
        tri.I3 = tri.I1 + 2;
        tri.U1 = t.u[0], tri.U2 = t.u[1], tri.U3 = t.u[2];
        tri.V1 = t.v[0], tri.V2 = t.v[1], tri.V3 = t.v[2];
        m.Vertices.insert(m.Vertices.end(), t.corner.begin(), t.corner.end());
        m.Triangles.push_back(tri);
    }
    m.Header.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    m.Header.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    return m;
}

// Two triangles covering the square -1..1 in X and Y at depth z, facing the
// front view, with V = 1 along the top edge.
std::vector<Tri> Square(float z, float u = 0.5f)
{
    return {{{{{-1, -1, z}, {1, -1, z}, {1, 1, z}}}, {u, u, u}, {0, 0, 1}},
            {{{{-1, -1, z}, {1, 1, z}, {-1, 1, z}}}, {u, u, u}, {0, 1, 1}}};
}

Picture TwoColours(std::array<std::uint8_t, 3> top, std::array<std::uint8_t, 3> bottom)
{
    Picture t(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const auto& c = y < 4 ? top : bottom;
            std::uint8_t* p = t.At(x, y);
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    }
    return t;
}

double OpaqueShare(const Picture& p)
{
    int opaque = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            opaque += p.At(x, y)[3] == 255;
    return double(opaque) / (p.width * p.height);
}

// True when every pixel on the picture's outer ring is fully transparent.
bool ClearBorder(const Picture& p)
{
    for (int x = 0; x < p.width; ++x)
        if (p.At(x, 0)[3] != 0 || p.At(x, p.height - 1)[3] != 0)
            return false;
    for (int y = 0; y < p.height; ++y)
        if (p.At(0, y)[3] != 0 || p.At(p.width - 1, y)[3] != 0)
            return false;
    return true;
}

} // namespace

TEST(Rasteriser, EveryViewFitsTheSampleOnAClearBackground)
{
    const CarModel model = Sample();
    for (const RenderView view : {RenderView::Front, RenderView::Side, RenderView::Top, RenderView::ThreeQuarter}) {
        for (const bool wireframe : {false, true}) {
            SCOPED_TRACE(testing::Message() << "view " << int(view) << (wireframe ? " wireframe" : " solid"));
            const auto picture = RenderModel(model, {.size = 200, .view = view, .wireframe = wireframe}, nullptr);
            ASSERT_TRUE(picture);
            EXPECT_EQ(std::max(picture->width, picture->height), 200);
            EXPECT_TRUE(ClearBorder(*picture));
            for (std::size_t i = 3; i < picture->rgba.size(); i += 4)
                ASSERT_TRUE(picture->rgba[i] == 0 || picture->rgba[i] == 255);
            const double share = OpaqueShare(*picture);
            if (wireframe) {
                EXPECT_GT(share, 0.05);
                EXPECT_LT(share, 0.6);
            } else {
                EXPECT_GT(share, 0.45);
                EXPECT_LT(share, 0.97);
            }
        }
    }
}

TEST(Rasteriser, ViewsAreLaidOutAsTheEditorsViews)
{
    // A long, low, narrow box: 4 along Z, 1 up Y, 2 across X.
    std::vector<Tri> box;
    for (const float z : {-2.0f, 2.0f})
        box.push_back({{{{-1, 0, z}, {1, 0, z}, {1, 1, z}}}});
    box.push_back({{{{-1, 0, -2}, {1, 0, -2}, {1, 0, 2}}}});
    box.push_back({{{{-1, 1, -2}, {-1, 1, 2}, {1, 1, 2}}}});
    const CarModel model = ModelOf(box);
    const auto front = RenderModel(model, {.size = 100, .view = RenderView::Front}, nullptr);
    const auto side = RenderModel(model, {.size = 100, .view = RenderView::Side}, nullptr);
    const auto top = RenderModel(model, {.size = 100, .view = RenderView::Top}, nullptr);
    ASSERT_TRUE(front && side && top);
    // Front: X across (2) by Y up (1); side: Z (4) by Y (1); top: Z (4) by X (2).
    EXPECT_NEAR(double(front->height) / front->width, 0.5, 0.06);
    EXPECT_NEAR(double(side->height) / side->width, 0.25, 0.06);
    EXPECT_NEAR(double(top->height) / top->width, 0.5, 0.06);
}

TEST(Rasteriser, TextureLandsTheRightWayUp)
{
    const Picture texture = TwoColours({255, 0, 0}, {0, 0, 255});
    const auto picture = RenderModel(ModelOf(Square(0)), {.size = 64, .view = RenderView::Front}, &texture);
    ASSERT_TRUE(picture);
    const std::uint8_t* high = picture->At(picture->width / 2, picture->height / 4);
    const std::uint8_t* low = picture->At(picture->width / 2, picture->height * 3 / 4);
    // Facing the light, so unshaded.
    EXPECT_EQ((std::array{high[0], high[1], high[2]}), (std::array<std::uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ((std::array{low[0], low[1], low[2]}), (std::array<std::uint8_t, 3>{0, 0, 255}));
}

TEST(Rasteriser, NearerTriangleHidesFartherOneInEitherOrder)
{
    // U picks a column of a left-red, right-blue texture: the near square
    // red, the far one blue. The front view looks from +Z.
    Picture texture = TwoColours({255, 0, 0}, {255, 0, 0});
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            texture.At(x, y)[0] = 0, texture.At(x, y)[2] = 255;
    std::vector<Tri> nearFirst = Square(1, 0.25f), far = Square(-1, 0.75f);
    std::vector<Tri> farFirst = far;
    nearFirst.insert(nearFirst.end(), far.begin(), far.end());
    farFirst.insert(farFirst.end(), nearFirst.begin(), nearFirst.begin() + 2);
    for (const auto& tris : {nearFirst, farFirst}) {
        const auto picture = RenderModel(ModelOf(tris), {.size = 32, .view = RenderView::Front}, &texture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->At(16, 16)[0], 255);
        EXPECT_EQ(picture->At(16, 16)[2], 0);
    }
}

TEST(Rasteriser, ShownPartsAreTheHighDetailOnesAndBrokenTrianglesAreSkipped)
{
    CarModel model = Sample();
    model.Header.PartNames[1] = MakeName(":MB");
    const std::vector<int> shown = PartsToDraw(model, RenderParts::Shown);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 1), 0);
    EXPECT_EQ(shown.size(), std::size_t(UsablePartCount(model.Header) - 1));

    // Corners outside the part and non-finite positions draw nothing; with
    // nothing left there is no picture.
    CarModel broken = ModelOf(Square(0));
    broken.Triangles[0].I2 = 99;
    broken.Vertices[3].X = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(RenderModel(broken, {}, nullptr));
    CarModel none;
    EXPECT_FALSE(RenderModel(none, {}, nullptr));
}
