// Pixels the views draw: the current part black over the other selected
// parts in light grey, unselected parts absent, selected vertices in the
// complement colour, dummy circles, erasing by drawing in white, and models
// with broken ranges drawn without harm.

#include "Raster.h"
#include "ViewDrawing.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;
using namespace mobrix::views;

namespace {

constexpr int kOuter = 204; // 200 x 200 client pixels

QRgb Rgb32(Rgb c)
{
    return 0xFF000000u | c;
}

// Three parts, one triangle each, side by side along X, Y and Z alike so
// every view shows them apart; two dummies.
CarModel ThreeParts()
{
    CarModel m;
    ModelHeader& h = m.Header;
    h.NumParts = 3;
    for (int p = 0; p < 3; ++p) {
        const float o = -0.8f + 0.6f * float(p);
        m.Vertices.push_back({o, o, o});
        m.Vertices.push_back({o + 0.4f, o, o + 0.4f});
        m.Vertices.push_back({o, o + 0.4f, o});
        Triangle t;
        t.I1 = 0;
        t.I2 = 1;
        t.I3 = 2;
        m.Triangles.push_back(t);
        h.PartFirstVertex[p] = 3 * p;
        h.PartNumVertices[p] = 3;
        h.PartFirstTriangle[p] = p;
        h.PartNumTriangles[p] = 1;
    }
    h.NumVertices = 9;
    h.NumTriangles = 3;
    m.Normals.assign(9, Vec3{});
    h.NumDummies = 2;
    h.DummyPos[0] = {0.5f, -0.5f, 0.5f};
    h.DummyPos[1] = {-0.5f, 0.5f, -0.5f};
    m.CurrentDummy = 1;
    ResetSelection(m);
    return m;
}

struct Scene {
    CarModel model = ThreeParts();
    ViewState state;
    DisplayOptions options;
    ViewSurfaces views;
    PartSelection parts{{true, true, false}};

    Scene()
    {
        options.MaintainAspect = false;
        for (int v = 0; v < kViewCount; ++v) {
            views[v].Resize(ViewSize{kOuter, kOuter});
            views[v].visible = v != View3D && v != ViewUV;
        }
    }
    DrawContext Ctx() { return DrawContext{model, state, options, views}; }
    void Redraw()
    {
        RescaleView(model, options, views[ViewZX].size, state);
        RedrawView(Ctx(), parts);
    }
    // The pixel of a model point in a view.
    QRgb At(int view, Vec3 p) const
    {
        const PixelMapping map(state.Scale[view], views[view].canvas.width(), views[view].canvas.height());
        const ViewPoint vp = Project(view, p);
        return views[view].canvas.pixel(map.PixelX(vp.h), map.PixelY(vp.v));
    }
    // A point on the first edge of part p's triangle, in model coordinates.
    Vec3 EdgeMid(int p) const
    {
        const Vec3 a = model.Vertices[std::size_t(3 * p)], b = model.Vertices[std::size_t(3 * p + 1)];
        return {(a.X + b.X) / 2, (a.Y + b.Y) / 2, (a.Z + b.Z) / 2};
    }
};

TEST(RedrawView, CurrentPartBlackSelectedPartsGreyOthersPaleOrAbsent)
{
    Scene s;
    s.model.CurrentPart = 0;
    s.Redraw();
    for (int v = 0; v < kOrthoViewCount; ++v) {
        EXPECT_EQ(s.At(v, s.model.Vertices[0]), Rgb32(kBlack)) << "view " << v;
        EXPECT_EQ(s.At(v, s.model.Vertices[3]), Rgb32(QBColor(7))) << "view " << v;
        EXPECT_EQ(s.At(v, s.model.Vertices[6]), Rgb32(kOtherPartColour)) << "view " << v;
    }
    // The pale parts lie behind: the current part's outline wins where the
    // two cross, and in the Triangle Editor the pale part stays plain.
    s.model.Vertices[6] = s.model.Vertices[0];
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[0]), Rgb32(kBlack));
    s.options.Modes.Triangle = true;
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[7]), Rgb32(kOtherPartColour));
    s.options.Modes.Triangle = false;
    s.model.Vertices[6] = ThreeParts().Vertices[6];

    s.options.ShowOtherParts = false;
    s.Redraw();
    for (int v = 0; v < kOrthoViewCount; ++v)
        EXPECT_EQ(s.At(v, s.model.Vertices[6]), Rgb32(kWhite)) << "view " << v;
    // View 0 shows X across and Y up: the edge from vertex 0 to vertex 1 is
    // horizontal, so its midpoint is drawn too.
    EXPECT_EQ(s.At(ViewXY, s.EdgeMid(0)), Rgb32(kBlack));
    // The axes are drawn in very light grey where nothing covers them.
    EXPECT_EQ(s.At(ViewXY, Vec3{0, 0.9f, 0}), Rgb32(kAxisColour));

    // Without polygons neither the current nor the reference parts appear.
    s.options.Polygons = false;
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[0]), Rgb32(kWhite));
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[3]), Rgb32(kWhite));
}

TEST(RedrawView, HiddenViewsAreLeftAlone)
{
    Scene s;
    s.views[ViewZY].visible = false;
    s.views[ViewZY].canvas.fill(QColor(1, 2, 3));
    s.Redraw();
    EXPECT_EQ(s.views[ViewZY].canvas.pixel(100, 100), qRgb(1, 2, 3));
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[0]), Rgb32(kBlack));
}

// A model large enough to be drawn on two threads: the three parts above
// and a wavy sheet of 64,082 triangles as the current part, with its
// vertices, normals and dummies shown.
TEST(RedrawView, ALargeModelDrawnOnTwoThreadsGivesTheSamePicturesAsOneViewAtATime)
{
    Scene s;
    CarModel& m = s.model;
    constexpr int kSide = 180;
    const auto first = static_cast<std::int32_t>(m.Vertices.size());
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            const float x = float(c) / kSide - 0.5f, y = float(r) / kSide - 0.5f;
            m.Vertices.push_back({x, y, 0.2f * std::sin(9 * x) * std::cos(7 * y)});
        }
    const auto firstTriangle = static_cast<std::int32_t>(m.Triangles.size());
    for (int r = 0; r + 1 < kSide; ++r)
        for (int c = 0; c + 1 < kSide; ++c) {
            const int a = r * kSide + c;
            m.Triangles.push_back(Triangle{.I1 = a, .I2 = a + 1, .I3 = a + kSide});
            m.Triangles.push_back(Triangle{.I1 = a + 1, .I2 = a + kSide + 1, .I3 = a + kSide});
        }
    ModelHeader& h = m.Header;
    h.PartFirstVertex[3] = first;
    h.PartNumVertices[3] = kSide * kSide;
    h.PartFirstTriangle[3] = firstTriangle;
    h.PartNumTriangles[3] = static_cast<std::int32_t>(m.Triangles.size()) - firstTriangle;
    h.NumParts = 4;
    h.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    h.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    m.Normals.assign(m.Vertices.size(), Vec3{0.01f, 0.02f, 0.03f});
    ResetSelection(m);
    m.CurrentPart = 3;
    s.options.Normals = true;
    s.parts.Shown = {true, true, false, true};
    s.Redraw();

    for (int v = 0; v < kOrthoViewCount; ++v) {
        ViewSurfaces alone;
        for (int w = 0; w < kViewCount; ++w) {
            alone[w].Resize(ViewSize{kOuter, kOuter});
            alone[w].visible = w == v;
        }
        RedrawView(DrawContext{m, s.state, s.options, alone}, s.parts);
        EXPECT_EQ(s.views[v].canvas, alone[v].canvas) << "view " << v;
        EXPECT_NE(s.At(v, m.Vertices[std::size_t(first)]), Rgb32(kWhite)) << "view " << v;
    }
}

TEST(RedrawView, SelectedVertexInComplementColourAndDummyCircles)
{
    Scene s;
    s.options.Vertices = true;
    s.model.VertSelected[1] = -1;
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[0]), Rgb32(QBColor(12)));
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[1]), Rgb32(0x00FFFF));
    // Vertices of other parts are not drawn as points.
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[4]), Rgb32(QBColor(7)));

    // Dummy circles of radius 0.1 units: yellow, the current one red; the
    // centre itself stays clear.
    const PixelMapping map(s.state.Scale[ViewXY], 200, 200);
    const double radius = 0.1 * map.ScaleX();
    for (int d : {0, 1}) {
        const Vec3 c = s.model.Header.DummyPos[std::size_t(d)];
        const QRgb expected = Rgb32(d == s.model.CurrentDummy ? QBColor(12) : QBColor(14));
        const int cx = map.PixelX(c.X), cy = map.PixelY(c.Y);
        const int r = PixelMapping::Round(radius);
        EXPECT_EQ(s.views[ViewXY].canvas.pixel(cx + r, cy), expected) << "dummy " << d;
        EXPECT_EQ(s.views[ViewXY].canvas.pixel(cx, cy - r), expected) << "dummy " << d;
        EXPECT_EQ(s.views[ViewXY].canvas.pixel(cx, cy), Rgb32(kWhite));
    }
    WipeDummies(s.Ctx());
    const Vec3 c = s.model.Header.DummyPos[0];
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(map.PixelX(c.X) + PixelMapping::Round(radius), map.PixelY(c.Y)),
              Rgb32(kWhite));
}

// The current part's texture outlines must show on the plain white view as
// well as over a picture.
TEST(RedrawView, TextureOutlineBlackWithoutATextureAndWhiteOverOne)
{
    Scene s;
    s.views[ViewUV].visible = true;
    Triangle& t = s.model.Triangles[0];
    t.U1 = 0.2f, t.V1 = 0.2f, t.U2 = 0.8f, t.V2 = 0.2f, t.U3 = 0.2f, t.V3 = 0.8f;
    s.Redraw();
    const PixelMapping map(s.state.Scale[ViewUV], 200, 200);
    const QImage& canvas = s.views[ViewUV].canvas;
    const int x = map.PixelX(0.5f), y = map.PixelY(0.2f);
    EXPECT_EQ(canvas.pixel(x, y), Rgb32(kBlack));

    TextureMap texture;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 200));
    texture.SetImage(picture);
    DrawContext ctx = s.Ctx();
    ctx.texture = &texture;
    RedrawTextureView(ctx, s.parts);
    EXPECT_EQ(canvas.pixel(x, y), Rgb32(kWhite));
    EXPECT_EQ(canvas.pixel(x, y - 20), qRgb(0, 0, 200));
}

TEST(RedrawView, RedrawingAVertexInWhiteErasesItAndItsEdges)
{
    Scene s;
    s.options.Vertices = true;
    s.parts.Shown = {true, false, false};
    s.Redraw();
    const QImage before = s.views[ViewXY].canvas.copy();
    ReDrawVert(s.Ctx(), 0, 0, kWhite, kWhite, kWhite);
    // Every black pixel of the only drawn triangle belonged to an edge that
    // touches vertex 0 (all of them do), so no black remains.
    const QImage& after = s.views[ViewXY].canvas;
    int black = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            black += after.pixel(x, y) == Rgb32(kBlack);
    EXPECT_EQ(black, 0);
    // Drawing the three vertices again in the normal colours brings back the
    // triangle; only the points, drawn in another order, may differ.
    ReDrawVert(s.Ctx(), 0, 0, QBColor(12), Complement(QBColor(12)), kBlack);
    ReDrawVert(s.Ctx(), 0, 1, QBColor(12), Complement(QBColor(12)), kBlack);
    ReDrawVert(s.Ctx(), 0, 2, QBColor(12), Complement(QBColor(12)), kBlack);
    const QRgb axis = Rgb32(kAxisColour);
    const PixelMapping map(s.state.Scale[ViewXY], 200, 200);
    auto nearVertex = [&](int x, int y) {
        for (int v = 0; v < 3; ++v) {
            const Vec3 p = s.model.Vertices[std::size_t(v)];
            if (std::abs(map.PixelX(p.X) - x) <= 1 && std::abs(map.PixelY(p.Y) - y) <= 1)
                return true;
        }
        return false;
    };
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (before.pixel(x, y) != axis && !nearVertex(x, y)) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
        }
    }

    // ReDrawTri2 outlines a single triangle of any part.
    ReDrawTri2(s.Ctx(), 2, QBColor(12));
    EXPECT_EQ(s.At(ViewZX, s.model.Vertices[6]), Rgb32(QBColor(12)));
}

TEST(RedrawView, NormalsRunFromTheVertexInTheirOwnDirectionHoweverLong)
{
    Scene s;
    s.model.CurrentPart = 0;
    s.options.Normals = true;
    s.model.Normals[2] = {0.15f, -0.05f, 0};
    s.model.Normals[1] = {3e9f, 1e9f, 0}; // a wild normal, far past the canvas
    s.Redraw();
    auto along = [&](int vertex, float share) {
        const Vec3 v = s.model.Vertices[std::size_t(vertex)], n = s.model.Normals[std::size_t(vertex)];
        return Vec3{v.X + share * n.X, v.Y + share * n.Y, v.Z};
    };
    EXPECT_EQ(s.At(ViewXY, along(2, 0.5f)), Rgb32(QBColor(10)));
    EXPECT_EQ(s.At(ViewXY, along(1, 0.1f / 3e9f)), Rgb32(QBColor(10))) << "drawn at the angle of clamped ends";
    s.options.Normals = false;
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, along(2, 0.5f)), Rgb32(kWhite));
}

TEST(RedrawView, BrokenRangesAndCornersAreSkippedNotFollowed)
{
    Scene s;
    // Part 0's corner points past its three vertices, part 1 claims more
    // vertices and triangles than the tables hold, part 2 starts below 0.
    s.model.Triangles[0].I2 = 3;
    s.model.Header.PartNumVertices[1] = 1000;
    s.model.Header.PartNumTriangles[1] = 50;
    s.model.Header.PartFirstVertex[2] = -7;
    s.model.Header.PartFirstTriangle[2] = -1;
    s.model.Header.NumDummies = 99;
    s.model.VertSelected.clear();
    s.parts.Shown = {true, true, true};
    s.options.Vertices = s.options.Normals = true;
    for (int current : {0, 1, 2, 63, -5}) {
        s.model.CurrentPart = static_cast<std::int16_t>(current);
        s.Redraw();
        ReDrawVert(s.Ctx(), current, 4, kWhite, kWhite, kWhite);
        ReDrawTri2(s.Ctx(), 0, kWhite);
    }
    // The triangle with the corner outside its part is not drawn at all.
    s.model.CurrentPart = 0;
    s.options.Normals = false;
    s.Redraw();
    EXPECT_EQ(s.At(ViewXY, s.model.Vertices[0]), Rgb32(QBColor(12))) << "only the point";
    EXPECT_EQ(s.At(ViewXY, s.EdgeMid(0)), Rgb32(kWhite));

    // A current part reaching past the tables is not drawn at all: walked
    // in part, its triangle range would take in part 2's triangle.
    s.model.Header.PartFirstVertex[2] = 6;
    s.model.Header.PartFirstTriangle[2] = 2;
    s.model.CurrentPart = 1;
    s.Redraw();
    for (int v = 0; v < kOrthoViewCount; ++v) {
        EXPECT_EQ(s.At(v, s.model.Vertices[3]), Rgb32(kWhite)) << "view " << v;
        EXPECT_EQ(s.At(v, s.EdgeMid(2)), Rgb32(QBColor(7))) << "view " << v;
    }
}

TEST(Raster, LinesAreTheSameInBothDirectionsAndClipSafely)
{
    QImage a(64, 48, QImage::Format_RGB32), b(64, 48, QImage::Format_RGB32);
    a.fill(Qt::white);
    b.fill(Qt::white);
    Raster ra(a), rb(b);
    const int ends[][4] = {{3, 4, 60, 17}, {10, 40, 13, 2}, {0, 0, 63, 47}, {5, 5, 5, 30},
                           {7, 9, 50, 9},  {2, 30, 40, 8}, {20, 20, 21, 19}, {30, 30, 30, 30}};
    for (const auto& e : ends) {
        ra.Line(e[0], e[1], e[2], e[3], kBlack);
        rb.Line(e[2], e[3], e[0], e[1], kBlack);
    }
    EXPECT_EQ(a, b);

    // One pixel per step along the longer axis, both ends included.
    QImage c(64, 48, QImage::Format_RGB32);
    c.fill(Qt::white);
    Raster rc(c);
    rc.Line(3, 4, 60, 17, kBlack);
    int count = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            count += c.pixel(x, y) == Rgb32(kBlack);
    EXPECT_EQ(count, 58);
    EXPECT_EQ(c.pixel(3, 4), Rgb32(kBlack));
    EXPECT_EQ(c.pixel(60, 17), Rgb32(kBlack));
    // Edges of one or two pixels, as dense meshes have many of.
    rc.Line(40, 40, 41, 39, QBColor(12));
    rc.Line(44, 40, 44, 40, QBColor(12));
    EXPECT_EQ(c.pixel(40, 40), Rgb32(QBColor(12)));
    EXPECT_EQ(c.pixel(41, 39), Rgb32(QBColor(12)));
    EXPECT_EQ(c.pixel(44, 40), Rgb32(QBColor(12)));
    EXPECT_EQ(c.pixel(41, 40), Rgb32(kWhite));

    // Lines reaching far outside are clipped to the canvas; lines fully
    // outside draw nothing.
    QImage d(64, 48, QImage::Format_RGB32);
    d.fill(Qt::white);
    Raster rd(d);
    rd.Line(-(1 << 28), 20, 1 << 28, 20, kBlack);
    rd.Line(-500, -500, -10, 900, kBlack);
    rd.Line(1 << 28, 1 << 28, -(1 << 28), -(1 << 28), QBColor(12));
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(d.pixel(x, 20) == Rgb32(kBlack) || d.pixel(x, 20) == Rgb32(QBColor(12)), true) << x;
    EXPECT_EQ(d.pixel(0, 0), Rgb32(QBColor(12)));
    EXPECT_EQ(d.pixel(47, 47), Rgb32(QBColor(12)));
    EXPECT_EQ(d.pixel(63, 0), Rgb32(kWhite));

    // An end billions of pixels away, as a deep zoom gives: the part on the
    // canvas keeps the line's slope of one half.
    QImage e(64, 48, QImage::Format_RGB32);
    e.fill(Qt::white);
    Raster re(e);
    const std::int64_t far = std::int64_t{1} << 40;
    re.FarLine(10, 10, 10 + far, 10 + far / 2, kBlack);
    EXPECT_EQ(e.pixel(30, 20), Rgb32(kBlack));
    EXPECT_EQ(e.pixel(60, 35), Rgb32(kBlack));
    EXPECT_EQ(e.pixel(47, 47), Rgb32(kWhite)) << "drawn at the angle of clamped ends";
}

TEST(Raster, ComplementAndColourTable)
{
    EXPECT_EQ(Complement(QBColor(12)), 0x00FFFFu);
    EXPECT_EQ(QBColor(7), 0xC0C0C0u);
    EXPECT_EQ(QBColor(8), 0x808080u);
    EXPECT_EQ(QBColor(9), 0x0000FFu);
    EXPECT_EQ(QBColor(10), 0x00FF00u);
    EXPECT_EQ(QBColor(14), 0xFFFF00u);
}

} // namespace
