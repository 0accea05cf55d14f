// Fitting the orthographic views: extents from absolute vertex positions,
// the 0.1 margin, the shared aspect-ratio scale, zoom about the origin and
// pan added afterwards.

#include "ViewGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;
using namespace mobrix::views;

namespace {

// One part at `pos` holding the given vertices (no triangles needed).
CarModel ModelOf(std::vector<Vec3> vertices, Vec3 pos = {})
{
    CarModel m;
    m.Header.NumParts = 1;
    m.Header.PartPos[0] = pos;
    m.Header.NumVertices = static_cast<int>(vertices.size());
    m.Header.PartNumVertices[0] = m.Header.NumVertices;
    m.Vertices = std::move(vertices);
    return m;
}

void ExpectScale(const ViewScale& s, float left, float top, float width, float height)
{
    EXPECT_FLOAT_EQ(s.ScaleLeft, left);
    EXPECT_FLOAT_EQ(s.ScaleTop, top);
    EXPECT_FLOAT_EQ(s.ScaleWidth, width);
    EXPECT_FLOAT_EQ(s.ScaleHeight, height);
}

DisplayOptions NoAspect()
{
    DisplayOptions o;
    o.MaintainAspect = false;
    return o;
}

TEST(RescaleView, FitsEachViewToTheLargestAbsoluteCoordinates)
{
    // Part position counts: the absolute X reaches 1.5 on the negative side.
    const CarModel m = ModelOf({{0.5f, 0.25f, -2}, {-2.0f, -0.5f, 1}}, Vec3{0.5f, 0, 0});
    ViewState s;
    RescaleView(m, NoAspect(), ViewSize{404, 304}, s);
    ExpectScale(s.Scale[ViewXY], -1.6f, 0.6f, 3.2f, -1.2f);
    ExpectScale(s.Scale[ViewZX], -2.1f, 1.6f, 4.2f, -3.2f);
    ExpectScale(s.Scale[ViewZY], -2.1f, 0.6f, 4.2f, -1.2f);
    ExpectScale(s.Scale[ViewUV], 0, 1, 1, -1);

    // An infinite coordinate from a damaged file does not blank the views.
    const CarModel wild = ModelOf({{0.5f, 0.25f, -2}, {-2.0f, -0.5f, 1}, {INFINITY, 0, 0}}, Vec3{0.5f, 0, 0});
    ViewState w;
    RescaleView(wild, NoAspect(), ViewSize{404, 304}, w);
    ExpectScale(w.Scale[ViewXY], -1.6f, 0.6f, 3.2f, -1.2f);
}

TEST(RescaleView, EmptyModelAndFlatModelSpanPlusMinusTheMargin)
{
    ViewState s;
    RescaleView(CarModel{}, NoAspect(), ViewSize{404, 304}, s);
    for (int v = 0; v < kOrthoViewCount; ++v)
        ExpectScale(s.Scale[v], -0.1f, 0.1f, 0.2f, -0.2f);

    // All Z = 0: views 1 and 2 run from -0.1 to 0.1 across.
    const CarModel flat = ModelOf({{3, 1, 0}, {-1, 2, 0}});
    RescaleView(flat, NoAspect(), ViewSize{404, 304}, s);
    for (int v : {int(ViewZX), int(ViewZY)}) {
        EXPECT_FLOAT_EQ(s.Scale[v].ScaleLeft, -0.1f);
        EXPECT_FLOAT_EQ(s.Scale[v].ScaleLeft + s.Scale[v].ScaleWidth, 0.1f);
    }
}

TEST(RescaleView, ZoomScalesAboutTheOriginAndPanIsAddedUnscaled)
{
    const CarModel m = ModelOf({{1, 2, 3}});
    ViewState s;
    s.ViewZoom = 2;
    s.ViewPanX = 1;
    s.ViewPanY = -3;
    RescaleView(m, NoAspect(), ViewSize{404, 304}, s);
    // view 0 unzoomed: left -1.1, top 2.1, width 2.2, height -4.2.
    ExpectScale(s.Scale[ViewXY], -2.2f + 0.5f, 4.2f - 1.5f, 4.4f, -8.4f);
    ExpectScale(s.Scale[ViewUV], 0, 1, 1, -1);
}

TEST(RescaleView, AspectRatioGivesOneCentredScaleWithSquarePixels)
{
    const CarModel m = ModelOf({{0.9f, 0.6f, 2.2f}, {-0.9f, -0.1f, -2.2f}});
    DisplayOptions o;
    o.MaintainAspect = true;
    for (const ViewSize view1 : {ViewSize{804, 504}, ViewSize{404, 804}, ViewSize{1604, 104}}) {
        ViewState s;
        RescaleView(m, o, view1, s);
        EXPECT_EQ(s.Scale[ViewXY], s.Scale[ViewZX]);
        EXPECT_EQ(s.Scale[ViewXY], s.Scale[ViewZY]);
        const ViewScale& v = s.Scale[ViewXY];
        // Square pixels in view 1's proportions.
        const double ratio = double(view1.outerHeight) / view1.outerWidth;
        EXPECT_NEAR(-v.ScaleHeight / v.ScaleWidth, ratio, 1e-5);
        // Centred on the origin.
        EXPECT_NEAR(v.ScaleLeft + v.ScaleWidth / 2, 0, 1e-5);
        EXPECT_NEAR(v.ScaleTop + v.ScaleHeight / 2, 0, 1e-5);
        // Every view's own fit lies inside: across 2.3 (Z), up 1.0 (X).
        EXPECT_LE(v.ScaleLeft, -2.3f + 1e-5f);
        EXPECT_GE(v.ScaleTop, 1.0f - 1e-5f);
    }
    // A wide view is fitted by the widest extent: 2.3 each side.
    ViewState wide;
    RescaleView(m, o, ViewSize{804, 504}, wide);
    ExpectScale(wide.Scale[ViewXY], -2.3f, 2.3f * 504 / 804, 4.6f, -4.6f * 504 / 804);
    // A very flat view is fitted by the tallest extent: 1.0 up and down.
    ViewState flat;
    RescaleView(m, o, ViewSize{1604, 104}, flat);
    ExpectScale(flat.Scale[ViewXY], -1.0f * 1604 / 104, 1.0f, 2.0f * 1604 / 104, -2.0f);
}

TEST(PixelMapping, MapsScaleEdgesToCanvasEdgesAndRoundsHalvesToEven)
{
    const ViewScale scale{-1, 1, 2, -2};
    const PixelMapping map(scale, 200, 100);
    EXPECT_EQ(map.PixelX(-1), 0);
    EXPECT_EQ(map.PixelX(1), 200);
    EXPECT_EQ(map.PixelY(1), 0);
    EXPECT_EQ(map.PixelY(-1), 100);
    EXPECT_EQ(map.PixelX(0), 100);
    // Halves go to the even neighbour: 128.5 to 128, 129.5 to 130.
    const PixelMapping fine(scale, 256, 256);
    EXPECT_EQ(fine.PixelX(1.0f / 256), 128);
    EXPECT_EQ(fine.PixelX(3.0f / 256), 130);
    // And back: the logical point of a pixel maps onto that pixel.
    const ViewPoint p = map.Logical(150, 25);
    EXPECT_FLOAT_EQ(p.h, 0.5f);
    EXPECT_FLOAT_EQ(p.v, 0.5f);
    // Far-off points stay representable.
    EXPECT_EQ(map.PixelX(1e30f), 1 << 28);
    EXPECT_EQ(map.PixelX(-1e30f), -(1 << 28));
    // Line ends keep far positions: 1e9 logical units are 1e11 pixels.
    EXPECT_EQ(map.LineEndX(1e9f), std::int64_t{100} + std::int64_t{100'000'000'000});
}

} // namespace
