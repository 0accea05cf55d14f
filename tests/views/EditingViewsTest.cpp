// Picking, the rubber band, drags and nudges in one and several views, the
// zoom limits, the key table, and the mouse handling on real canvases.

#include "CommaLocale.h"
#include "Raster.h"
#include "ViewDrawing.h"
#include "ViewEditing.h"
#include "ViewMouse.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;
using namespace mobrix::views;
using testing_support::CommaLocale;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using Action = KeyCommand::Action;

// Part 0: one vertex far away; part 1 (current) at position (0.5, 0.5, 0.5)
// with a triangle of stored corners (0,0,0), (0.4,0,0.2), (0,0.4,0.3) and a
// fourth, loose vertex. Nothing of part 1 crosses the axes in any view.
CarModel Model()
{
    CarModel m;
    ModelHeader& h = m.Header;
    h.NumParts = 2;
    m.Vertices = {{-1, -1, -1}, {0, 0, 0}, {0.4f, 0, 0.2f}, {0, 0.4f, 0.3f}, {0.2f, 0.2f, 0.1f}};
    h.NumVertices = 5;
    h.PartFirstVertex[0] = 0;
    h.PartNumVertices[0] = 1;
    h.PartFirstVertex[1] = 1;
    h.PartNumVertices[1] = 4;
    h.PartPos[1] = {0.5f, 0.5f, 0.5f};
    Triangle t;
    t.I1 = 0;
    t.I2 = 1;
    t.I3 = 2;
    m.Triangles.push_back(t);
    h.NumTriangles = 1;
    h.PartFirstTriangle[1] = 0;
    h.PartNumTriangles[1] = 1;
    m.Normals.assign(5, Vec3{});
    m.CurrentPart = 1;
    h.NumDummies = 2;
    h.DummyPos[0] = {-0.5f, -0.5f, -0.5f};
    h.DummyPos[1] = {-0.8f, 0.8f, 0.8f};
    ResetSelection(m);
    return m;
}

struct Scene {
    CarModel model = Model();
    ViewState state;
    DisplayOptions options;
    ViewSurfaces views;
    PartSelection parts{{false, true}};

    explicit Scene(std::initializer_list<int> shown = {ViewXY, ViewZX, ViewZY})
    {
        options.MaintainAspect = false;
        options.Dummies = false;
        options.Vertices = true;
        options.Modes.Vertex = true;
        for (int v = 0; v < kViewCount; ++v)
            views[v].Resize(ViewSize{204, 164});
        for (int v : shown)
            views[v].visible = true;
        RescaleView(model, options, views[ViewZX].size, state);
    }
    DrawContext Ctx() { return DrawContext{model, state, options, views}; }
    void Redraw() { RedrawView(Ctx(), parts); }
    PixelMapping Map(int view) const
    {
        return PixelMapping(state.Scale[view], views[view].canvas.width(), views[view].canvas.height());
    }
    // The model coordinates a pixel centre stands for.
    ViewPoint AtPixel(int view, int x, int y) const { return Map(view).Logical(x, y); }
    ViewPoint Of(int view, int vertex) const { return Project(view, AbsoluteVertex(model, 1, vertex)); }
};

ViewPoint Shifted(ViewPoint p, float dh, float dv)
{
    return {p.h + dh, p.v + dv};
}

} // namespace

TEST(Picking, ExactlyOneToleranceAwayIsNotHit)
{
    CarModel m = Model();
    // Part 0 sits at the origin, so its vertex is where it is stored: put
    // it exactly one tolerance to the right, left, above or below the
    // pointer.
    const ViewPoint at{-1, -1};
    const float t = kVertexTolerance;
    for (const Vec3 p : {Vec3{-1 + t, -1, 0}, Vec3{-1 - t, -1, 0}, Vec3{-1, -1 + t, 0}, Vec3{-1, -1 - t, 0}}) {
        m.Vertices[0] = p;
        EXPECT_THAT(VerticesUnder(m, 0, ViewXY, at), IsEmpty()) << p.X << "," << p.Y;
    }
    m.Vertices[0] = {std::nextafter(-1 + t, -1.0f), std::nextafter(-1 - t, -1.0f), 0};
    EXPECT_THAT(VerticesUnder(m, 0, ViewXY, at), ElementsAre(0)) << "just inside on both axes";

    const ViewPoint v1 = Project(ViewXY, AbsoluteVertex(m, 1, 1)); // (0.5, 0.5)

    // Two vertices closer than the tolerance are both hit; the hover readout
    // takes the first.
    m.Vertices[4] = {0.01f, 0.005f, 0.9f};
    EXPECT_THAT(VerticesUnder(m, 1, ViewXY, v1), ElementsAre(1, 4));
    EXPECT_EQ(FirstVertexUnder(m, 1, ViewXY, v1), 1);
    // In view 1 (Z across, X up) the same two lie far apart.
    EXPECT_THAT(VerticesUnder(m, 1, ViewZX, Project(ViewZX, AbsoluteVertex(m, 1, 1))), ElementsAre(1));
    EXPECT_THAT(VerticesUnder(m, 0, ViewXY, v1), IsEmpty()) << "only the given part";
}

TEST(Picking, DummiesAreWideAcrossAndNarrowUp)
{
    const CarModel m = Model();
    const ViewPoint d0 = Project(ViewXY, m.Header.DummyPos[0]);
    EXPECT_EQ(DummyUnder(m, ViewXY, Shifted(d0, 0.05f, 0)), 0);
    EXPECT_EQ(DummyUnder(m, ViewXY, Shifted(d0, -0.09f, 0.01f)), 0);
    EXPECT_EQ(DummyUnder(m, ViewXY, Shifted(d0, 0, 0.05f)), std::nullopt);
    EXPECT_EQ(DummyUnder(m, ViewZY, Project(ViewZY, m.Header.DummyPos[1])), 1);
}

TEST(Picking, TrianglesByCentroidOfShownSectionsOnly)
{
    CarModel m = Model();
    DisplayOptions options;
    // Centroid of (0.5,0.5,0.5), (0.9,0.5,0.7), (0.5,0.9,0.8).
    const Vec3 c{(0.5f + 0.9f + 0.5f) / 3, (0.5f + 0.5f + 0.9f) / 3, (0.5f + 0.7f + 0.8f) / 3};
    EXPECT_THAT(TrianglesUnder(m, options, 1, ViewZY, Shifted(Project(ViewZY, c), 0.015f, -0.015f)), ElementsAre(0));
    EXPECT_THAT(TrianglesUnder(m, options, 1, ViewXY, Shifted(Project(ViewXY, c), 0.03f, 0)), IsEmpty());
    m.TriState[0].RemapGroup = 3;
    options.RemapVisible[3] = false;
    EXPECT_THAT(TrianglesUnder(m, options, 1, ViewZY, Project(ViewZY, c)), IsEmpty());
    m.Triangles[0].I2 = 9; // a corner outside the part is never followed
    options.RemapVisible[3] = true;
    EXPECT_THAT(TrianglesUnder(m, options, 1, ViewZY, Project(ViewZY, c)), IsEmpty());
}

TEST(Band, EitherDirectionSelectsTheSameVerticesStrictlyInside)
{
    const CarModel m = Model();
    // In view 0 the part's vertices lie at (0.5, 0.5), (0.9, 0.5), (0.5, 0.9)
    // and (0.7, 0.7); a band from (0.55, 0.95) to (0.95, 0.45) holds the
    // second and the fourth.
    const ViewPoint a{0.55f, 0.95f}, b{0.95f, 0.45f};
    EXPECT_THAT(VerticesInBand(m, 1, ViewXY, MakeBand(a, b)), ElementsAre(2, 4));
    EXPECT_THAT(VerticesInBand(m, 1, ViewXY, MakeBand(b, a)), ElementsAre(2, 4));
    EXPECT_THAT(VerticesInBand(m, 1, ViewXY, MakeBand({b.h, a.v}, {a.h, b.v})), ElementsAre(2, 4));
    // A band edge exactly through a vertex leaves it out.
    const float v2 = AbsoluteVertex(m, 1, 2).X;
    EXPECT_THAT(VerticesInBand(m, 1, ViewXY, MakeBand(a, {v2, 0.4f})), ElementsAre(4));
    DisplayOptions options;
    EXPECT_THAT(TrianglesInBand(m, options, 1, ViewXY, MakeBand({0, 0}, {1, 1})), ElementsAre(0));
}

TEST(ViewMoves, AMoveStaysInThePlaneOfItsView)
{
    Vec3 p{1, 2, 3};
    MoveInView(p, ViewZX, 0.5f, 0.25f);
    EXPECT_EQ(p, (Vec3{1.25f, 2, 3.5f})) << "view 1: across is Z, up is X";
    p = {0, 0, 0};
    MoveInView(p, ViewXY, 0.1f, 0.2f);
    EXPECT_EQ(p, (Vec3{0.1f, 0.2f, 0})) << "the other views add nothing";
    MoveInView(p, ViewZY, 0.5f, 0.5f);
    EXPECT_EQ(p, (Vec3{0.1f, 0.7f, 0.5f}));
    for (int view : {int(View3D), int(ViewUV)}) {
        MoveInView(p, view, 1, 1);
        EXPECT_EQ(p, (Vec3{0.1f, 0.7f, 0.5f})) << "the perspective and texture-map views move nothing";
    }
}

TEST(Zoom, LimitsAreOneOver128AndTwoToTheNineteenth)
{
    ViewState s;
    int changed = 0;
    for (int i = 0; i < 8; ++i)
        changed += ZoomIn(s);
    EXPECT_EQ(changed, 7);
    EXPECT_EQ(s.ViewZoom, 1.0f / 128) << "eight presses reach 1/128";
    EXPECT_FALSE(ZoomIn(s)) << "a ninth does nothing";
    EXPECT_EQ(s.ViewZoom, 1.0f / 128);
    s.ViewZoom = 1;
    for (int i = 0; i < 19; ++i)
        ASSERT_TRUE(ZoomOut(s));

    s.ViewZoom = 262144;
    EXPECT_TRUE(ZoomOut(s));
    EXPECT_EQ(s.ViewZoom, 524288.0f);
    EXPECT_FALSE(ZoomOut(s));
    EXPECT_EQ(s.ViewZoom, 524288.0f);

    s.ViewZoom = 4;
    Pan(s, 0, -1); // Page Up
    Pan(s, 1, 1);  // End
    EXPECT_EQ(s.ViewPanX, -4.0f);
    EXPECT_EQ(s.ViewPanY, 4.0f);
    EXPECT_EQ(NudgeStep(s), 0.04f);
}

TEST(KeyTable, GroupsInOrderWithTheirModesAndModifiers)
{
    const EditModes none{}, part{.Part = true}, vertex{.Vertex = true}, dummy{.Dummy = true},
        triangle{.Triangle = true};
    EXPECT_EQ(KeyCommands('R', kShift, none), (std::vector<KeyCommand>{{Action::Redraw}}));
    EXPECT_EQ(KeyCommands(vk::KeypadMinus, 0, none), (std::vector<KeyCommand>{{Action::ZoomOut}}));
    EXPECT_EQ(KeyCommands(vk::Home, 0, none),
              (std::vector<KeyCommand>{{.action = Action::Pan, .axis = 1, .sign = -1}}));
    EXPECT_THAT(KeyCommands(vk::Left, 0, none), IsEmpty()) << "arrows need an editor";
    EXPECT_THAT(KeyCommands('1', 0, none), IsEmpty());

    EXPECT_EQ(KeyCommands('1', 0, part), (std::vector<KeyCommand>{{.action = Action::MovePart, .axis = 0, .sign = 1}}));
    EXPECT_EQ(KeyCommands('3', kCtrl, part),
              (std::vector<KeyCommand>{{.action = Action::MovePart, .axis = 2, .sign = -1}}));
    EXPECT_EQ(KeyCommands('5', kShift, part),
              (std::vector<KeyCommand>{{.action = Action::MovePart, .axis = 1, .sign = -1, .scaled = true}}));
    EXPECT_EQ(KeyCommands('N', 0, part), (std::vector<KeyCommand>{{Action::RenamePart}}));
    EXPECT_EQ(KeyCommands('N', 0, dummy), (std::vector<KeyCommand>{{Action::RenameDummy}}));

    EXPECT_EQ(KeyCommands('0', 0, triangle),
              (std::vector<KeyCommand>{{.action = Action::ShowSingleView, .view = 0}}));
    EXPECT_EQ(KeyCommands('4', 0, vertex), (std::vector<KeyCommand>{{.action = Action::ShowSingleView, .view = 4}}));
    EXPECT_EQ(KeyCommands('2', 0, dummy), (std::vector<KeyCommand>{{.action = Action::ShowOrthoView, .view = 1}}));
    EXPECT_THAT(KeyCommands('4', 0, dummy), IsEmpty());
    EXPECT_EQ(KeyCommands(vk::Up, 0, vertex), (std::vector<KeyCommand>{{.action = Action::NudgeVertices, .dv = 1}}));
    EXPECT_EQ(KeyCommands(vk::Left, 0, dummy), (std::vector<KeyCommand>{{.action = Action::NudgeDummy, .dh = -1}}));
    EXPECT_EQ(KeyCommands('S', 0, vertex), (std::vector<KeyCommand>{{Action::InvertSelection}}));
    EXPECT_THAT(KeyCommands('D', 0, dummy), IsEmpty());

    // A key matching in two modes acts in the order of the groups.
    const std::vector<KeyCommand> both = KeyCommands('1', 0, EditModes{.Part = true, .Vertex = true});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].action, Action::MovePart);
    EXPECT_EQ(both[1].action, Action::ShowSingleView);
}

TEST(KeyTable, QtKeysBecomeTheTablesCodes)
{
    EXPECT_EQ(VirtualKeyCode(Qt::Key_R, Qt::ShiftModifier), 'R');
    EXPECT_EQ(VirtualKeyCode(Qt::Key_1, Qt::NoModifier), '1');
    EXPECT_EQ(VirtualKeyCode(Qt::Key_1, Qt::KeypadModifier), 97) << "keypad digits are other keys";
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Plus, Qt::KeypadModifier), vk::KeypadPlus);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Minus, Qt::KeypadModifier), vk::KeypadMinus);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Plus, Qt::ShiftModifier), 0) << "the main keyboard's plus does not zoom";
    EXPECT_EQ(VirtualKeyCode(Qt::Key_PageUp, Qt::KeypadModifier), vk::PageUp);
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Down, Qt::NoModifier), vk::Down);
    // Shift+1 arrives as "!" on the digit row's first key.
    EXPECT_EQ(VirtualKeyCode(Qt::Key_Exclam, Qt::ShiftModifier, 10), '1');
    EXPECT_EQ(VirtualKeyCode(Qt::Key_ParenRight, Qt::ShiftModifier, 19), '0');
    EXPECT_EQ(ShiftState(Qt::ShiftModifier | Qt::AltModifier), kShift | kAlt);

    ViewVisibility v{true, true, true, true, false};
    ShowOnlyOrthoView(v, ViewZY);
    EXPECT_EQ(v, (ViewVisibility{false, false, true, true, false}));
}

TEST(HoverReadout, KeepsTheDecimalPointUnderACommaLocale)
{
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no locale with a decimal comma could be found or built";
    EXPECT_EQ(FormatUpTo3(1.5f), "1.5");
    EXPECT_EQ(FormatUpTo3(-12.25f), "-12.25");
}

TEST(HoverReadout, NumbersUpToThreeDecimalsWithoutLeadingZero)
{
    EXPECT_EQ(FormatUpTo3(1.5f), "1.5");
    EXPECT_EQ(FormatUpTo3(0.25f), ".25");
    EXPECT_EQ(FormatUpTo3(-0.125f), "-.125");
    EXPECT_EQ(FormatUpTo3(2.0f), "2.");
    EXPECT_EQ(FormatUpTo3(12.34567f), "12.346");
    EXPECT_EQ(FormatUpTo3(0.0f), ".");
    EXPECT_EQ(FormatUpTo3(-0.0001f), ".");
    const CarModel m = Model();
    EXPECT_EQ(HoverText(m, 2), "Vert. 3 X:.4 Y:. Z:.2");
}

TEST(RubberBand, InvertingTheOutlineTwiceRestoresTheCanvas)
{
    QImage canvas(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            canvas.setPixel(x, y, qRgb(x * 6, y * 8, 100));
    const QImage before = canvas.copy();
    Raster raster(canvas);
    raster.InvertRectOutline(30, 25, 5, 4); // drawn from bottom right to top left
    for (const QPoint corner : {QPoint(5, 4), QPoint(30, 4), QPoint(5, 25), QPoint(30, 25), QPoint(17, 4), QPoint(5, 13)})
        EXPECT_EQ(canvas.pixel(corner) & 0xFFFFFF, ~before.pixel(corner) & 0xFFFFFF) << corner.x() << "," << corner.y();
    EXPECT_EQ(canvas.pixel(17, 13), before.pixel(17, 13)) << "only the outline";
    raster.InvertRectOutline(5, 4, 30, 25);
    EXPECT_EQ(canvas, before);
    // Degenerate and partly outside bands come and go just the same.
    for (const QRect r : {QRect(QPoint(7, 7), QPoint(7, 7)), QRect(QPoint(3, 9), QPoint(20, 9)),
                          QRect(QPoint(-10, -5), QPoint(60, 12))}) {
        raster.InvertRectOutline(r.left(), r.top(), r.right(), r.bottom());
        raster.InvertRectOutline(r.right(), r.bottom(), r.left(), r.top());
        EXPECT_EQ(canvas, before);
    }
}

TEST(VertexDrag, OneStepLeavesThePictureAFullRedrawGives)
{
    for (const auto shown : {std::initializer_list<int>{ViewZX}, std::initializer_list<int>{ViewXY, ViewZX, ViewZY}}) {
        Scene s(shown);
        s.model.VertSelected[2] = -1; // a corner of the triangle
        s.model.VertSelected[4] = -1; // a loose vertex
        s.model.VertSelected[0] = -1; // a vertex of part 0 moves too
        s.Redraw();
        const DragSet set = PrepareDrag(s.model, 1);
        ASSERT_EQ(set.selected, (std::vector<int>{0, 2, 4}));
        DrawDragStep(s.Ctx(), set, DragPhase::Erase);
        const std::vector<Vec3> moved = MovedInView(s.model, set.selected, ViewZX, 0.05f, -0.03f);
        for (std::size_t k = 0; k < moved.size(); ++k)
            s.model.Vertices[static_cast<std::size_t>(set.selected[k])] = moved[k];
        DrawDragStep(s.Ctx(), set, DragPhase::Draw);

        // Part 0 is not shown and nothing of part 1 crosses an axis, so
        // erasing in white cut nothing that a full redraw would show.
        // (Part 0's vertex is drawn with part 1's position, as every
        // vertex dragged in the current part's views is.)
        Scene fresh(shown);
        fresh.model = s.model;
        fresh.state = s.state;
        fresh.Redraw();
        for (int v : shown) {
            const PixelMapping map = s.Map(v);
            const ViewPoint other = Project(v, AbsoluteVertex(s.model, 1, 0));
            Raster(fresh.views[v].canvas).Point(map.PixelX(other.h), map.PixelY(other.v), 3, Complement(QBColor(12)));
            EXPECT_EQ(s.views[v].canvas, fresh.views[v].canvas) << "view " << v;
        }
    }
}

TEST(VertexMouse, ClickSelectsAndDragsShiftClickDeselectsBandSelects)
{
    Scene s({ViewXY});
    ViewMouse mouse;
    s.Redraw();
    const QImage clean = s.views[ViewXY].canvas.copy();

    // A press on vertex 2 asks to select it, moves the list to it and
    // starts a drag; the mouse itself changes nothing in the model.
    const CarModel untouched = s.model;
    MouseOutcome out = mouse.Press(s.model, s.Ctx(), ViewXY, 1, 0, s.Of(ViewXY, 2));
    ASSERT_TRUE(out.marks);
    EXPECT_EQ(out.marks->vertices, std::vector<int>{2});
    EXPECT_TRUE(out.marks->selected);
    EXPECT_EQ(out.vertListRow, 1);
    EXPECT_TRUE(mouse.State().DragVerts);
    s.model.VertSelected[2] = -1; // as the window carries the request out
    out = mouse.Move(s.model, s.Ctx(), ViewXY, 1, Shifted(s.Of(ViewXY, 2), 0.1f, 0.0f));
    ASSERT_TRUE(out.drag);
    EXPECT_EQ(out.drag->view, ViewXY);
    EXPECT_FLOAT_EQ(out.drag->dh, 0.1f);
    EXPECT_EQ(out.drag->dv, 0.0f);
    ASSERT_TRUE(mouse.Drag());
    EXPECT_EQ(mouse.Drag()->selected, std::vector<int>{2});
    EXPECT_EQ(s.model.Vertices, untouched.Vertices);
    out = mouse.Release(s.model, s.Ctx(), ViewXY, 1, 0, s.Of(ViewXY, 2));
    EXPECT_TRUE(out.refreshVertexFields);
    EXPECT_TRUE(out.dragEnded);

    // Shift alone deselects and does not drag: the move stretches a band.
    out = mouse.Press(s.model, s.Ctx(), ViewXY, 1, kShift, s.Of(ViewXY, 2));
    ASSERT_TRUE(out.marks);
    EXPECT_FALSE(out.marks->selected);
    EXPECT_FALSE(mouse.State().DragVerts);
    s.model.VertSelected[2] = 0;
    const Vec3 moved = s.model.Vertices[2];
    s.Redraw();
    const QImage redrawn = s.views[ViewXY].canvas.copy();

    // Band from above right of the triangle to below left of vertex 1,
    // then released: the outline goes, vertices 1..4 inside are selected.
    mouse.Press(s.model, s.Ctx(), ViewXY, 1, 0, {1.2f, 1.2f});
    mouse.Move(s.model, s.Ctx(), ViewXY, 1, {0.6f, 0.7f});
    EXPECT_NE(s.views[ViewXY].canvas, redrawn) << "the band outline is drawn";
    out = mouse.Move(s.model, s.Ctx(), ViewXY, 1, {0.4f, 0.4f});
    EXPECT_EQ(s.model.Vertices[2], moved) << "a band moves nothing";
    EXPECT_EQ(out.status, "") << "nothing under the pointer";
    out = mouse.Release(s.model, s.Ctx(), ViewXY, 1, 0, {0.4f, 0.4f});
    ASSERT_TRUE(out.marks);
    EXPECT_EQ(out.marks->vertices, (std::vector<int>{1, 2, 3, 4})) << "other parts are not banded";
    EXPECT_TRUE(out.redrawPartVertices);
    EXPECT_EQ(out.status, "");
    EXPECT_EQ(out.vertListRow, 3);
    // No trace of the band is left.
    EXPECT_EQ(s.views[ViewXY].canvas, redrawn);

    // Hovering over a vertex reads it out.
    out = mouse.Move(s.model, s.Ctx(), ViewXY, 0, s.Of(ViewXY, 3));
    EXPECT_EQ(out.status, HoverText(s.model, 3));
}

TEST(VertexMouse, MarksChangedDuringADragAreWhatTheNextStepMoves)
{
    Scene s({ViewXY});
    ViewMouse mouse;
    s.Redraw();
    ViewPoint at = s.Of(ViewXY, 2);
    mouse.Press(s.model, s.Ctx(), ViewXY, 1, 0, at);
    at = Shifted(at, 0.1f, 0);
    mouse.Move(s.model, s.Ctx(), ViewXY, 1, at);
    // A key swaps the marks while the button is still held.
    s.model.VertSelected[2] = 0;
    s.model.VertSelected[3] = -1;
    mouse.MarksChanged();
    const MouseOutcome out = mouse.Move(s.model, s.Ctx(), ViewXY, 1, Shifted(at, 0.1f, 0));
    ASSERT_TRUE(out.drag);
    ASSERT_TRUE(mouse.Drag());
    EXPECT_EQ(mouse.Drag()->selected, std::vector<int>{3});
}

TEST(VertexMouse, ReleasedBandLeavesNoOutlineBehind)
{
    Scene s({ViewZY});
    ViewMouse mouse;
    s.Redraw();
    const QImage clean = s.views[ViewZY].canvas.copy();
    mouse.Press(s.model, s.Ctx(), ViewZY, 1, 0, {-0.2f, -0.2f}); // an empty spot
    for (float t : {0.1f, 0.3f, 0.25f})
        mouse.Move(s.model, s.Ctx(), ViewZY, 1, {t, t});
    mouse.Release(s.model, s.Ctx(), ViewZY, 1, 0, {0.25f, 0.25f});
    EXPECT_EQ(s.views[ViewZY].canvas, clean);

    // A plain click on an empty spot leaves no dot either.
    mouse.Press(s.model, s.Ctx(), ViewZY, 1, 0, {-0.3f, 0.2f});
    mouse.Release(s.model, s.Ctx(), ViewZY, 1, 0, {-0.3f, 0.2f});
    EXPECT_EQ(s.views[ViewZY].canvas, clean);
}

TEST(OtherMouseModes, DummyAndTrianglePicks)
{
    Scene s({ViewXY});
    s.options.Modes = EditModes{.Dummy = true};
    ViewMouse mouse;
    MouseOutcome out = mouse.Press(s.model, s.Ctx(), ViewXY, 2, 0, Shifted(Project(ViewXY, s.model.Header.DummyPos[1]), 0.08f, 0));
    EXPECT_EQ(out.dummy, 1);
    EXPECT_TRUE(out.redrawDummies);
    out = mouse.Press(s.model, s.Ctx(), ViewXY, 1, 0, {0.9f, -0.9f});
    EXPECT_EQ(out.dummy, std::nullopt) << "a miss keeps the current dummy";
    // The perspective and texture-map views show no model coordinates:
    // a press there picks nothing.
    for (int view : {int(View3D), int(ViewUV)}) {
        out = mouse.Press(s.model, s.Ctx(), view, 1, 0, Project(ViewXY, s.model.Header.DummyPos[0]));
        EXPECT_EQ(out.dummy, std::nullopt) << view;
    }

    s.options.Modes = EditModes{.Triangle = true};
    const Vec3 c{(0.5f + 0.9f + 0.5f) / 3, (0.5f + 0.5f + 0.9f) / 3, (0.5f + 0.7f + 0.8f) / 3};
    out = mouse.Press(s.model, s.Ctx(), ViewXY, 1, 0, Project(ViewXY, c));
    EXPECT_EQ(out.triListRow, 0);
    // Vertices are not picked outside the Vertex Editor.
    EXPECT_FALSE(out.marks);
}

TEST(TriangleEditorDrawing, SectionColoursHiddenSectionsAndTheRestoringRedraw)
{
    Scene s({ViewXY});
    s.options.Modes = EditModes{.Triangle = true};
    s.options.Vertices = false;
    s.model.TriState[0].RemapGroup = 2;
    s.Redraw();
    const PixelMapping map = s.Map(ViewXY);
    const ViewPoint a = s.Of(ViewXY, 1), b = s.Of(ViewXY, 2); // the first edge
    const QPoint edgeMid(map.PixelX((a.h + b.h) / 2), map.PixelY((a.v + b.v) / 2));
    const Vec3 c{(0.5f + 0.9f + 0.5f) / 3, (0.5f + 0.5f + 0.9f) / 3, (0.5f + 0.7f + 0.8f) / 3};
    const QPoint dot(map.PixelX(c.X), map.PixelY(c.Y));
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(edgeMid) & 0xFFFFFF, QBColor(9));
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(dot) & 0xFFFFFF, QBColor(12));

    // A highlighted triangle goes back to its section colour.
    ReDrawTri2(s.Ctx(), 0, QBColor(12));
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(edgeMid) & 0xFFFFFF, QBColor(12));
    ReDrawTri(s.Ctx(), 0);
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(edgeMid) & 0xFFFFFF, QBColor(9));
    // Outside the Triangle Editor it goes back to black.
    s.options.Modes = EditModes{.Vertex = true};
    ReDrawTri2(s.Ctx(), 0, QBColor(12));
    ReDrawTri(s.Ctx(), 0);
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(edgeMid) & 0xFFFFFF, kBlack);

    s.options.Modes = EditModes{.Triangle = true};
    s.options.RemapVisible[2] = false;
    s.Redraw();
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(edgeMid) & 0xFFFFFF, kWhite);
    EXPECT_EQ(s.views[ViewXY].canvas.pixel(dot) & 0xFFFFFF, kWhite);
}
