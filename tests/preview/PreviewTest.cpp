// The 3D preview as the user sees it: pixels read back from the OpenGL
// preview (background, parts shown, texture orientation, turning under a
// drag) and from the software wireframe, plus the vertex table's partial
// rewrite against a full rebuild.

#include "PreviewGL.h"
#include "PreviewWire.h"

#include "RandomModel.h"
#include "TestFiles.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;
using namespace mobrix::preview;

namespace {

constexpr int kSize = 200; // the preview is kSize × kSize pixels
constexpr float kZHalfSize = 2; // the eye stands at z = -4

// A quadrilateral part at `centre` with corners bottom left, bottom right,
// top right, top left; V runs from 0 at its bottom to 1 at its top, U from
// 0 at its left. Its normals are zero.
void AddQuadPart(CarModel& m, Vec3 centre, std::initializer_list<Vec3> corners)
{
    ModelHeader& h = m.Header;
    const auto p = static_cast<std::size_t>(h.NumParts++);
    h.PartPos[p] = centre;
    h.PartFirstVertex[p] = static_cast<std::int32_t>(m.Vertices.size());
    h.PartNumVertices[p] = 4;
    h.PartFirstTriangle[p] = static_cast<std::int32_t>(m.Triangles.size());
    h.PartNumTriangles[p] = 2;
    m.Vertices.insert(m.Vertices.end(), corners);
    Triangle a, b;
    a.I1 = 0, a.I2 = 1, a.I3 = 2;
    a.U1 = 0, a.V1 = 0, a.U2 = 1, a.V2 = 0, a.U3 = 1, a.V3 = 1;
    b.I1 = 0, b.I2 = 2, b.I3 = 3;
    b.U1 = 0, b.V1 = 0, b.U2 = 1, b.V2 = 1, b.U3 = 0, b.V3 = 1;
    m.Triangles.insert(m.Triangles.end(), {a, b});
    h.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    h.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    m.Normals.resize(m.Vertices.size());
    ResetSelection(m);
}

// A square facing the camera, centred at `centre` with half side `half`.
void AddSquarePart(CarModel& m, Vec3 centre, float half)
{
    AddQuadPart(m, centre, {{-half, -half, 0}, {half, -half, 0}, {half, half, 0}, {-half, half, 0}});
}

CarModel SquaresModel(std::initializer_list<std::pair<Vec3, float>> squares)
{
    CarModel m;
    NewFCE(m);
    m.Header.ZHalfSize = kZHalfSize;
    for (const auto& [centre, half] : squares)
        AddSquarePart(m, centre, half);
    return m;
}

// Where a point in front of the eye lands, by a pinhole camera at
// (0, 0, -2 × kZHalfSize) with a 60 degree vertical field of view.
QPointF Pinhole(float x, float y, float z)
{
    const double distance = z + 2 * kZHalfSize;
    const double pixelsPerUnit = (kSize / 2.0) / std::tan(3.14159265358979 / 6);
    return {kSize / 2.0 + x / distance * pixelsPerUnit, kSize / 2.0 - y / distance * pixelsPerUnit};
}

QRgb At(const QImage& image, QPointF p)
{
    return image.pixel(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

constexpr QRgb kGrey = qRgb(100, 100, 100);
constexpr QRgb kWhite = qRgb(255, 255, 255);

class PreviewGLTest : public ::testing::Test {
protected:
    void Show(const CarModel& model, std::vector<bool> shown, int current)
    {
        preview.setFixedSize(kSize, kSize);
        // Unlit, the picture's colours are exact.
        preview.SetLighting(false);
        preview.SetModel(&model);
        preview.SetShownParts(std::move(shown), current);
        preview.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
        ASSERT_TRUE(preview.isValid());
    }
    QImage Frame() { return preview.grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

    void Drag(QPoint from, QPoint to)
    {
        QMouseEvent press(QEvent::MouseButtonPress, from, preview.mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&preview, &press);
        QMouseEvent move(QEvent::MouseMove, to, preview.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&preview, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, preview.mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&preview, &release);
    }

    // The middle of the white run through row `y`, or -1.
    static double WhiteRunCentre(const QImage& image, int y)
    {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == kWhite) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return first < 0 ? -1 : (first + last + 1) / 2.0;
    }

    PreviewGL preview;
};

TEST_F(PreviewGLTest, ShowsSelectedAndCurrentPartsUnmirroredOnGreyAndFollowsMovedVertices)
{
    // Left, middle and right squares: the left one selected, the middle one
    // current, the right one neither.
    CarModel model = SquaresModel({{{-1.5f, 0, 0}, 0.4f}, {{0, 0, 0}, 0.4f}, {{1.5f, 0, 0}, 0.4f}});
    Show(model, {true, false, false}, 1);
    QImage frame = Frame();
    EXPECT_EQ(frame.pixel(2, 2), kGrey);
    // Points off the squares' diagonals: filled in Solid, empty in Wireframe.
    const QPointF left = Pinhole(-1.5f + 0.2f, -0.1f, 0), middle = Pinhole(0.2f, -0.1f, 0);
    const QPointF right = Pinhole(1.5f + 0.2f, -0.1f, 0);
    EXPECT_EQ(At(frame, left), kWhite);
    EXPECT_EQ(At(frame, middle), kWhite);
    EXPECT_EQ(At(frame, right), kGrey);

    // The middle square's vertices move up by 1 (the table is rewritten in
    // place, counts unchanged).
    for (int i = 4; i < 8; ++i)
        model.Vertices[static_cast<std::size_t>(i)].Y += 1;
    preview.VerticesMoved(4, 4);
    frame = Frame();
    EXPECT_EQ(At(frame, middle), kGrey);
    EXPECT_EQ(At(frame, Pinhole(0.2f, 0.9f, 0)), kWhite);
    EXPECT_EQ(At(frame, left), kWhite);

    // Wireframe: the left square's outline is drawn, its inside is not.
    preview.SetFillMode(FillMode::Wireframe);
    frame = Frame();
    EXPECT_EQ(At(frame, left), kGrey);
    int edge = 0;
    const QPointF edgePoint = Pinhole(-1.9f, 0.1f, 0);
    for (int dx = -1; dx <= 1; ++dx)
        edge += frame.pixel(int(edgePoint.x()) + dx, int(edgePoint.y())) == kWhite;
    EXPECT_GE(edge, 1);
}

TEST_F(PreviewGLTest, LightingShadesByTheNormalsOrEachTrianglesPlaneAndOffIsFlatWhite)
{
    // Left: a square facing the camera whose normals turn from sideways on
    // its left edge to the camera on its right. Middle: the same square
    // without normals. Right: a square without normals turned 45 degrees
    // about Y, its right side away from the eye.
    CarModel model = SquaresModel({{{-1.2f, 0, 0}, 0.4f}, {{0, 0, 0}, 0.4f}});
    const float c = 0.4f * std::cos(3.14159265f / 4);
    AddQuadPart(model, {1.2f, 0, 0}, {{-c, -0.4f, -c}, {c, -0.4f, c}, {c, 0.4f, c}, {-c, 0.4f, -c}});
    model.Normals[0] = model.Normals[3] = {-1, 0, 0};
    model.Normals[1] = model.Normals[2] = {0, 0, -1};
    Show(model, {true, true, true}, 0);
    const QPointF points[] = {Pinhole(-1.5f, 0.1f, 0), Pinhole(-0.9f, 0.1f, 0), Pinhole(-0.3f, 0.1f, 0),
                              Pinhole(0.3f, 0.1f, 0), Pinhole(1.2f, 0.1f, 0)};
    QImage frame = Frame();
    for (const QPointF& p : points)
        EXPECT_EQ(At(frame, p), kWhite) << "unlit at " << p.x();

    preview.SetLighting(true);
    frame = Frame();
    auto brightness = [&](const QPointF& p) { return qGray(At(frame, p)); };
    EXPECT_GT(brightness(points[1]) - brightness(points[0]), 80) << "the normals turn the light";
    EXPECT_NEAR(brightness(points[2]), brightness(points[3]), 3) << "a flat part without normals is even";
    EXPECT_GE(brightness(points[2]), 245);
    EXPECT_LT(brightness(points[4]), brightness(points[2]) - 30) << "a turned face is darker";
    EXPECT_GT(brightness(points[4]), 120);
}

TEST_F(PreviewGLTest, OtherPartsAreDimmedAndLieBehindTheCurrentOne)
{
    // The current square, and nearer the eye a square that is only shown,
    // covering the current one's right half.
    const CarModel model = SquaresModel({{{0, 0, 0}, 0.5f}, {{0.6f, 0, -1}, 0.5f}});
    Show(model, {false, false}, 0);
    const QPointF covered = Pinhole(0.3f, -0.2f, 0), onlyOther = Pinhole(1.0f, 0.3f, -1);
    QImage frame = Frame();
    EXPECT_EQ(At(frame, covered), kWhite);
    EXPECT_EQ(At(frame, onlyOther), kGrey);

    preview.SetShowOtherParts(true);
    frame = Frame();
    EXPECT_EQ(At(frame, covered), kWhite);
    EXPECT_NEAR(qGray(At(frame, onlyOther)), 140, 1);
}

TEST_F(PreviewGLTest, TextureLandsRightWayUpAndUnreadableTextureGivesWhite)
{
    const CarModel model = SquaresModel({{{0, 0, 0}, 1.0f}});
    Show(model, {true}, 0);
    QImage texture(8, 8, QImage::Format_RGB32);
    texture.fill(Qt::blue);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            texture.setPixel(x, y, qRgb(255, 0, 0));
    testing_support::TempDir dir;
    const QString path = QString::fromStdString(dir.File("halves.png"));
    ASSERT_TRUE(texture.save(path));

    EXPECT_TRUE(preview.SetTexture(path));
    QImage frame = Frame();
    EXPECT_EQ(At(frame, Pinhole(0.3f, 0.5f, 0)), qRgb(255, 0, 0));
    EXPECT_EQ(At(frame, Pinhole(-0.3f, -0.5f, 0)), qRgb(0, 0, 255));

    EXPECT_FALSE(preview.SetTexture(QString::fromStdString(dir.File("missing.tga"))));
    frame = Frame();
    EXPECT_EQ(At(frame, Pinhole(0.3f, 0.5f, 0)), kWhite);
    EXPECT_EQ(At(frame, Pinhole(-0.3f, -0.5f, 0)), kWhite);
}

TEST_F(PreviewGLTest, DragOfFiftyPixelsTurnsOneRadianAboutTheScreensFixedAxes)
{
    // A square centred at (1, 0, 0), a half side of 0.3.
    const CarModel model = SquaresModel({{{1, 0, 0}, 0.3f}});
    Show(model, {true}, 0);
    const int row = kSize / 2;
    EXPECT_NEAR(WhiteRunCentre(Frame(), row), (Pinhole(0.7f, 0, 0).x() + Pinhole(1.3f, 0, 0).x()) / 2, 1.0);

    // Right by 50: about the vertical axis, x' = x cos 1 - z sin 1,
    // z' = x sin 1 + z cos 1 (the front swings right, the far side away).
    Drag({100, 100}, {150, 100});
    const double c = std::cos(1.0), s = std::sin(1.0);
    auto turned = [&](double x) { return Pinhole(float(x * c), 0, float(x * s)).x(); };
    EXPECT_NEAR(WhiteRunCentre(Frame(), row), (turned(0.7) + turned(1.3)) / 2, 1.0);

    // Then down by 50: about the screen's horizontal axis, whatever the
    // model's own axes are by now: y' = z sin 1, z' = z cos 1 for y = 0.
    Drag({100, 100}, {100, 150});
    const QPointF centre = Pinhole(float(c), float(s * s), float(s * c));
    const QImage frame = Frame();
    EXPECT_EQ(At(frame, centre), kWhite);
    EXPECT_EQ(At(frame, Pinhole(float(c), 0, float(s))), kGrey);
}

TEST(PreviewMeshTest, MovedVerticesRewriteOnlyTheirCornersAndMatchARebuild)
{
    CarModel model = testing_support::RandomModel(7, {400, 700, 5, 0});
    PreviewMesh mesh = BuildPreviewMesh(model);
    const PreviewMesh before = mesh;
    // Vertices 130..139 move; they lie in one or two parts.
    for (int i = 130; i < 140; ++i)
        model.Vertices[static_cast<std::size_t>(i)].Y += 5;
    const std::vector<TableRun> runs = RewriteMovedCorners(model, 130, 10, mesh);
    const PreviewMesh rebuilt = BuildPreviewMesh(model);

    // Every triangle corner as drawn, against a rebuild of the moved model.
    ASSERT_EQ(mesh.indices, rebuilt.indices);
    for (std::size_t k = 0; k < mesh.indices.size(); ++k) {
        const PreviewVertex& a = mesh.corners[mesh.indices[k]];
        const PreviewVertex& b = rebuilt.corners[rebuilt.indices[k]];
        ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.tu == b.tu && a.tv == b.tv) << k;
    }
    // What changed lies inside the runs, and the runs are a small part of
    // the table.
    std::vector<bool> inRun(mesh.corners.size(), false);
    std::int64_t uploaded = 0;
    for (const TableRun& run : runs) {
        uploaded += run.count;
        for (std::int64_t k = run.first; k < run.first + run.count; ++k)
            inRun[static_cast<std::size_t>(k)] = true;
    }
    int changed = 0;
    for (std::size_t k = 0; k < mesh.corners.size(); ++k) {
        if (mesh.corners[k].y != before.corners[k].y) {
            ++changed;
            EXPECT_TRUE(inRun[k]) << "changed corner " << k << " outside the uploaded runs";
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_LT(uploaded, static_cast<std::int64_t>(mesh.corners.size()) / 2);
}

// Software wireframe: a 2 × 2 square in the XY plane at the origin (current
// part, black) and one at x = 1.5 (selected, grey), one at x = -1.5 not
// shown; the view spans -2..2 on both axes over 100 × 100 pixels.
TEST(PreviewWireTest, DrawsCurrentBlackSelectedGreyAndTurnsUnderADrag)
{
    const CarModel model = SquaresModel({{{0, 0, 0}, 1.0f}, {{1.5f, 0, 0}, 0.25f}, {{-1.5f, 0, 0}, 0.25f}});
    PreviewWire wire;
    wire.resize(104, 104);
    wire.SetScale({-2, 2, 4, -4});
    wire.SetModel(&model);
    wire.SetShownParts({false, true, false}, 0);
    wire.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wire));

    const QImage& canvas = wire.Canvas();
    ASSERT_EQ(canvas.size(), QSize(100, 100));
    const QRgb black = qRgb(0, 0, 0), grey = qRgb(192, 192, 192), white = qRgb(255, 255, 255);
    EXPECT_EQ(canvas.pixel(25, 35), black);             // left edge of the current square
    EXPECT_EQ(canvas.pixel(50, 35), white);             // inside it, off its diagonal
    EXPECT_EQ(wire.Canvas().pixel(81, 50), grey);       // left edge of the selected square
    EXPECT_EQ(wire.Canvas().pixel(12, 50), white);      // the square that is not shown

    // A quarter of the width to the right turns B by -3.14 / 2: the squares
    // turn edge-on, onto the vertical line x' = 0.
    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(&wire, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, wire.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&wire, &move);
        QTest::mouseRelease(&wire, Qt::LeftButton, {}, to);
    };
    drag({52, 52}, {77, 52});
    EXPECT_NEAR(wire.Angles().B, -3.14f / 2, 1e-5);
    EXPECT_EQ(wire.Canvas().pixel(25, 35), white);
    EXPECT_EQ(wire.Canvas().pixel(50, 35), black);

    // Back, then a quarter of the height down turns C by -3.14 / 2: the
    // square lies on the horizontal line y' = 0.
    drag({77, 52}, {52, 52});
    drag({52, 52}, {52, 77});
    EXPECT_EQ(wire.Canvas().pixel(25, 35), white);
    EXPECT_EQ(wire.Canvas().pixel(35, 50), black);
}

} // namespace

// Run by ctest a second time with OpenGL switched off in Qt's X11 platform
// (QT_XCB_GL_INTEGRATION=none); in the ordinary run it has nothing to do.
// The window asks before it shows the preview, since Qt cannot show an
// OpenGL widget without OpenGL; the software wireframe still draws.
TEST(PreviewWithoutOpenGLTest, IsReportedBeforeShowingAndTheWireframeStillDraws)
{
    if (qEnvironmentVariable("QT_XCB_GL_INTEGRATION") != QLatin1String("none")) {
        EXPECT_TRUE(PreviewGL::OpenGLAvailable());
        GTEST_SKIP() << "OpenGL is available";
    }
    EXPECT_FALSE(PreviewGL::OpenGLAvailable());
    const CarModel model = SquaresModel({{{0, 0, 0}, 1.0f}});
    PreviewWire wire;
    wire.resize(104, 104);
    wire.SetScale({-2, 2, 4, -4});
    wire.SetModel(&model);
    wire.SetShownParts({false}, 0);
    wire.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wire));
    EXPECT_EQ(wire.Canvas().pixel(25, 35), qRgb(0, 0, 0));
}
