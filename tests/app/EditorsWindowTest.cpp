// The vertex and triangle editors, the Edit menu's modes, the mouse and the
// keys through the real window, on the sample car.

#include "AppFixture.h"
#include "MeshEdit.h"
#include "VertexEditor.h"
#include "ViewEditing.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

#include <gmock/gmock.h>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

class EditorsWindow : public AppTest {
protected:
    void OpenSample()
    {
        Start();
        Open(nfs4Path, kOpenNfs4);
        ASSERT_EQ(form->Model().CurrentPart, 0);
    }
    const CarModel& M() const { return form->Model(); }
    QLineEdit* Field(const QString& name) const { return Widget<QLineEdit>(name); }
    QListView* List(const QString& name) const { return Widget<QListView>(name); }
    QWidget* View(int v) const { return Widget(QString("View%1").arg(v)); }
    int Row(const QString& list) const { return List(list)->currentIndex().row(); }
    void SelectRow(const QString& list, int row, QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect)
    {
        QListView* l = List(list);
        l->selectionModel()->setCurrentIndex(l->model()->index(row, 0), how);
    }
    // Marks exactly these part-relative vertices through the "Selected" box.
    void MarkThrough(std::initializer_list<int> rows)
    {
        for (int r : rows) {
            SelectRow("VertList", r);
            auto* box = Widget<QCheckBox>("VertSel");
            if (!box->isChecked())
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        }
    }
    int BlackPixels(int view) const
    {
        const QImage& c = form->Surfaces()[static_cast<std::size_t>(view)].canvas;
        int n = 0;
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                n += (c.pixel(x, y) & 0xFFFFFF) == 0;
        return n;
    }
    int Marked() const { return int(std::count(M().VertSelected.begin(), M().VertSelected.end(), -1)); }

    // The widget pixel of a model point in a view, and mouse events there.
    QPoint PixelOf(int view, const Vec3& p) const
    {
        const views::ViewSurface& s = form->Surfaces()[static_cast<std::size_t>(view)];
        const views::PixelMapping map(form->Views().State.Scale[static_cast<std::size_t>(view)], s.canvas.width(),
                                      s.canvas.height());
        const views::ViewPoint vp = views::Project(view, p);
        return QPoint(map.PixelX(vp.h) + views::kViewBorder, map.PixelY(vp.v) + views::kViewBorder);
    }
    views::ViewPoint LogicalOf(int view, QPoint pixel) const
    {
        const views::ViewSurface& s = form->Surfaces()[static_cast<std::size_t>(view)];
        return views::PixelMapping(form->Views().State.Scale[static_cast<std::size_t>(view)], s.canvas.width(),
                                   s.canvas.height())
            .Logical(pixel.x() - views::kViewBorder, pixel.y() - views::kViewBorder);
    }
    void Mouse(int view, QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers mods = {})
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QWidget* w = View(view);
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
        QApplication::sendEvent(w, &e);
    }
    void Drag(int view, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {})
    {
        Mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
        Mouse(view, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, mods);
        Mouse(view, QEvent::MouseMove, to, Qt::LeftButton, mods);
        Mouse(view, QEvent::MouseButtonRelease, to, Qt::NoButton, mods);
    }
    void Key(QWidget* where, Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(where, key, mods); }
};

const QRegularExpression kFixed6("^-?[0-9]+\\.[0-9]{6}$");

TEST_F(EditorsWindow, VertexFieldsShowTheChosenVertexAndApplyOnlyNumbers)
{
    OpenSample();
    SelectRow("VertList", 4);
    const Vec3 v = M().Vertices[4];
    EXPECT_EQ(Field("VertX")->text(), QString::fromStdString(FormatFixed6(v.X)));
    for (const char* f : {"VertX", "VertY", "VertZ"})
        EXPECT_TRUE(kFixed6.match(Field(f)->text()).hasMatch()) << Field(f)->text().toStdString();
    EXPECT_FALSE(Widget<QPushButton>("cmdApply")->isEnabled());

    // Letters are discarded but still count as typing; "-" and "." pass.
    Field("VertY")->clear();
    QTest::keyClicks(Field("VertY"), "x-1a.5e");
    EXPECT_EQ(Field("VertY")->text(), "-1.5");
    EXPECT_TRUE(Widget<QPushButton>("cmdApply")->isEnabled());
    Click("cmdApply");
    EXPECT_EQ(M().Vertices[4], (Vec3{v.X, -1.5f, v.Z}));
    EXPECT_TRUE(Widget<QPushButton>("cmdApply")->isEnabled()) << "the button stays enabled";

    // Text that is not a number (pasted, for example) stores nothing.
    Field("VertZ")->setText("1.2.3");
    dialogs.Ok();
    Click("cmdApply");
    ExpectMessage("Error!", kCoordinateNotNumberMessage, MessageIcon::Critical);
    EXPECT_EQ(M().Vertices[4], (Vec3{v.X, -1.5f, v.Z}));

    MarkThrough({4});
    EXPECT_EQ(M().VertSelected[4], -1);
    SelectRow("VertList", 3);
    EXPECT_FALSE(Widget<QCheckBox>("VertSel")->isChecked());
    SelectRow("VertList", 4);
    EXPECT_TRUE(Widget<QCheckBox>("VertSel")->isChecked());
}

TEST_F(EditorsWindow, AddVerticeListSelectedAddPolyAndRemoveVert)
{
    OpenSample();
    const int vertices = M().Header.PartNumVertices[0];
    const int triangles = M().Header.PartNumTriangles[0];
    Click("Command1"); // "Add Vertice"
    EXPECT_EQ(M().Header.PartNumVertices[0], vertices + 1);
    EXPECT_EQ(Rows("VertList"), vertices + 1);
    EXPECT_EQ(Row("VertList"), vertices) << "the new vertex is chosen";
    EXPECT_EQ(Field("VertX")->text(), "0.000000");
    EXPECT_EQ(Marked(), 1);
    EXPECT_THAT(CheckModel(M()), IsEmpty());

    MarkThrough({2, 7});
    Click("Command9"); // "List Selected"
    auto* list1 = Widget("ObjWindow")->findChild<QListWidget*>("List1");
    ASSERT_EQ(list1->count(), 3);
    EXPECT_EQ(list1->item(0)->text(), "3");
    EXPECT_EQ(list1->item(2)->text(), QString::number(vertices + 1));
    QTest::mouseClick(list1->viewport(), Qt::LeftButton, {}, list1->visualItemRect(list1->item(1)).center());
    EXPECT_EQ(Row("VertList"), 7);

    // Four marked vertices are refused, three make a triangle in index order.
    MarkThrough({0});
    dialogs.Ok();
    Click("Command2");
    ExpectMessage("Error!", "You must select three vertices", MessageIcon::None);
    EXPECT_EQ(M().Header.PartNumTriangles[0], triangles);
    SelectRow("VertList", 0);
    QTest::mouseClick(Widget<QCheckBox>("VertSel"), Qt::LeftButton, {}, QPoint(8, 8));
    Click("Command2");
    ASSERT_EQ(M().Header.PartNumTriangles[0], triangles + 1);
    EXPECT_EQ(Rows("TriList"), triangles + 1);
    const Triangle& added = M().Triangles[static_cast<std::size_t>(triangles)];
    EXPECT_EQ((std::array{added.I1, added.I2, added.I3}), (std::array{2, 7, vertices}));

    // "Remove Vert" takes the marked vertices and every triangle using them.
    CarModel expected = M();
    ASSERT_EQ(RemoveMarkedVertices(expected, 0), MeshEditStatus::Done);
    Click("Command3");
    EXPECT_EQ(M(), expected);
    EXPECT_EQ(Rows("VertList"), vertices - 2);
    EXPECT_EQ(Rows("TriList"), expected.Header.PartNumTriangles[0]);
    EXPECT_THAT(CheckModel(M()), IsEmpty());
}

TEST_F(EditorsWindow, TriangleFieldsApplyAndRemovePolyOfSeveralEntries)
{
    OpenSample();
    Click("SelFrame1");
    EXPECT_TRUE(Widget("EditFrame1")->isVisible());
    SelectRow("TriList", 2);
    const Triangle t = M().Triangles[2];
    EXPECT_EQ(Field("TriI1")->text(), QString::number(t.I1));
    EXPECT_TRUE(kFixed6.match(Field("TriU3")->text()).hasMatch());
    EXPECT_TRUE(kFixed6.match(Field("TriV1")->text()).hasMatch());
    EXPECT_EQ(M().TriState[2].Selected, -1);
    SelectRow("TriList", 3);
    EXPECT_EQ(M().TriState[2].Selected, 0) << "the highlight moves on";
    EXPECT_EQ(M().TriState[3].Selected, -1);

    // A corner must name a vertex of the part; "-" cannot be typed there.
    QTest::keyClicks(Field("TriI2"), "-");
    EXPECT_EQ(Field("TriI2")->text(), QString::number(M().Triangles[3].I2));
    const int vertices = M().Header.PartNumVertices[0];
    const Triangle before = M().Triangles[3];
    Field("TriI2")->setText(QString::number(vertices));
    Field("TriU1")->setText("0.25");
    dialogs.Ok();
    Click("cmdTriApply");
    ExpectMessage("Error!", QString::fromStdString(CornerOutOfRangeMessage(vertices)), MessageIcon::Critical);
    EXPECT_EQ(M().Triangles[3], before) << "nothing is stored";
    Field("TriI2")->setText(QString::number(vertices - 1));
    Click("cmdTriApply");
    EXPECT_EQ(M().Triangles[3].I2, vertices - 1);
    EXPECT_EQ(M().Triangles[3].U1, 0.25f);
    EXPECT_EQ(M().Triangles[3].I1, before.I1);

    // Several entries: the same model as removing them from the highest down.
    SelectRow("TriList", 1);
    SelectRow("TriList", 4, QItemSelectionModel::Select);
    SelectRow("TriList", 6, QItemSelectionModel::Select);
    CarModel expected = M();
    const std::vector<int> rows{6, 4, 1};
    ASSERT_EQ(RemoveTriangles(expected, 0, rows), MeshEditStatus::Done);
    Click("Command4");
    EXPECT_EQ(M(), expected);
    EXPECT_EQ(Rows("TriList"), expected.Header.PartNumTriangles[0]);
    EXPECT_EQ(Status(), "Done.");
    EXPECT_THAT(CheckModel(M()), IsEmpty());
}

TEST_F(EditorsWindow, EditModesAreExclusiveAndSetTheViewOptions)
{
    OpenSample();
    auto checked = [&] {
        QStringList on;
        for (const char* name : {"mnuPEdit", "mnuVEdit", "mnuDEdit", "mnuUVEdit"})
            if (Action(name)->isChecked())
                on << name;
        return on;
    };
    Trigger("mnuVEdit");
    EXPECT_EQ(checked(), QStringList{"mnuVEdit"});
    EXPECT_TRUE(Action("mnuVerts")->isChecked());
    EXPECT_FALSE(Action("mnuDummies")->isChecked());
    Trigger("mnuDEdit");
    EXPECT_EQ(checked(), QStringList{"mnuDEdit"});
    EXPECT_FALSE(form->Views().Options.Vertices);
    EXPECT_TRUE(form->Views().Options.Dummies) << "switched on by its own toggle";
    Trigger("mnuDEdit"); // choosing the checked mode again keeps it
    EXPECT_EQ(checked(), QStringList{"mnuDEdit"});
    Trigger("mnuPEdit");
    EXPECT_EQ(checked(), QStringList{"mnuPEdit"});
    EXPECT_TRUE(Action("mnuPolys")->isChecked());
    EXPECT_FALSE(Action("mnuDummies")->isChecked());

    EXPECT_GT(BlackPixels(views::ViewXY), 0);
    Trigger("mnuUVEdit");
    EXPECT_EQ(checked(), QStringList{"mnuUVEdit"});
    EXPECT_EQ(BlackPixels(views::ViewXY), 0) << "the Triangle Editor draws in the section colours";
}

TEST_F(EditorsWindow, ANudgeDrawsOnlyWhatTheViewOptionsShow)
{
    OpenSample();
    Trigger("mnuVEdit");
    MarkThrough({1});
    const int wholeOutline = BlackPixels(views::ViewXY);
    Trigger("mnuPolys"); // outlines off, all views drawn again
    ASSERT_FALSE(form->Views().Options.Polygons);
    ASSERT_EQ(BlackPixels(views::ViewXY), 0);
    const float y = M().Vertices[1].Y;
    Key(View(views::ViewXY), Qt::Key_Up);
    ASSERT_NE(M().Vertices[1].Y, y) << "Up moves up in the view the pointer was last in";
    // The moved vertex's own edges are drawn by the step; the rest of the
    // part's outline stays hidden.
    EXPECT_LT(BlackPixels(views::ViewXY), wholeOutline / 4);
}

TEST_F(EditorsWindow, ClickBandAndDragInOneAndInSeveralViews)
{
    OpenSample();
    Trigger("mnuVEdit");
    Click("cmdView1"); // "XY" alone
    const int v = 10;
    const QPoint at = PixelOf(views::ViewXY, M().Vertices[v]);
    const std::vector<int> under = views::VerticesUnder(M(), 0, views::ViewXY, LogicalOf(views::ViewXY, at));
    ASSERT_THAT(under, ::testing::Contains(v));

    CarModel start = M();
    const CarModel opened = M();
    Mouse(views::ViewXY, QEvent::MouseButtonPress, at, Qt::LeftButton);
    std::vector<int> marked;
    for (std::size_t i = 0; i < M().VertSelected.size(); ++i)
        if (M().VertSelected[i])
            marked.push_back(int(i));
    EXPECT_THAT(marked, ElementsAreArray(under)) << "every vertex under the pointer";
    EXPECT_EQ(Row("VertList"), under.back());
    const QPoint to = at + QPoint(12, -7);
    Mouse(views::ViewXY, QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(views::ViewXY, QEvent::MouseButtonRelease, to, Qt::NoButton);
    const views::ViewPoint a = LogicalOf(views::ViewXY, at), b = LogicalOf(views::ViewXY, to);
    for (int i : under) {
        Vec3 expected = start.Vertices[static_cast<std::size_t>(i)];
        expected.X += b.h - a.h;
        expected.Y += b.v - a.v;
        EXPECT_EQ(M().Vertices[static_cast<std::size_t>(i)], expected) << i;
    }
    EXPECT_EQ(Field("VertX")->text(), QString::fromStdString(FormatFixed6(M().Vertices[std::size_t(under.back())].X)));

    // In the 2 x 2 grid a drag in one view moves only that view's two
    // axes, and the vertex stays under the pointer.
    Click("cmdView5");
    start = M();
    const QPoint again = PixelOf(views::ViewZY, M().Vertices[v]);
    ASSERT_NE(start.VertSelected[v], 0);
    Drag(views::ViewZY, again, again + QPoint(10, -6));
    EXPECT_EQ(M().Vertices[v].X, start.Vertices[v].X) << "X is not an axis of view ZY";
    EXPECT_NE(M().Vertices[v].Z, start.Vertices[v].Z);
    EXPECT_NE(M().Vertices[v].Y, start.Vertices[v].Y);
    EXPECT_LE((PixelOf(views::ViewZY, M().Vertices[v]) - (again + QPoint(10, -6))).manhattanLength(), 1);
    // Each drag, press to release, is one undo step.
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Drag Vertices");
    Trigger("mnuUndo");
    EXPECT_EQ(M().Vertices, start.Vertices);
    Trigger("mnuUndo");
    EXPECT_EQ(M().Vertices, opened.Vertices);
    EXPECT_FALSE(form->isWindowModified());

    // A Shift band over the whole view deselects the part; a plain band
    // from the other corner selects it again.
    const QSize size = View(views::ViewZY)->size();
    Drag(views::ViewZY, QPoint(size.width() - 3, size.height() - 3), QPoint(3, 3), Qt::ShiftModifier);
    EXPECT_EQ(Marked(), 0);
    EXPECT_EQ(Status(), "");
    Drag(views::ViewZY, QPoint(3, 3), QPoint(size.width() - 3, size.height() - 3));
    EXPECT_EQ(Marked(), M().Header.PartNumVertices[0]);

    // Hovering reads the vertex out.
    Mouse(views::ViewZY, QEvent::MouseMove, PixelOf(views::ViewZY, M().Vertices[v]), Qt::NoButton);
    EXPECT_TRUE(Status().startsWith("Vert. ")) << Status().toStdString();
}

TEST_F(EditorsWindow, KeysInAViewActAsInTheWindow)
{
    OpenSample();
    const views::ViewScale before = form->Views().State.Scale[views::ViewXY];
    Key(View(views::ViewXY), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(form->Views().State.ViewZoom, 2.0f);
    EXPECT_EQ(form->Views().State.Scale[views::ViewXY].ScaleWidth, 2 * before.ScaleWidth);
    Key(form->centralWidget(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Views().State.ViewZoom, 1.0f);

    Trigger("mnuPEdit");
    Key(View(views::ViewZX), Qt::Key_1);
    EXPECT_EQ(M().Header.PartPos[0].X, 0.1f);
    Key(View(views::ViewZX), Qt::Key_1, Qt::ShiftModifier);
    EXPECT_EQ(M().Header.PartPos[0].X, 0.1f - 0.1f);
    dialogs.Type("");
    Key(form->centralWidget(), Qt::Key_N);
    EXPECT_EQ(dialogs.Last().input.title, "Name Part");

    // "S" twice gives the selection back; "D" clears it.
    Trigger("mnuVEdit");
    MarkThrough({1, 3});
    const std::vector<std::int16_t> marks = M().VertSelected;
    Key(View(views::ViewZY), Qt::Key_S);
    EXPECT_EQ(Marked(), int(marks.size()) - 2);
    Key(View(views::ViewZY), Qt::Key_S);
    EXPECT_EQ(M().VertSelected, marks);

    // "2" shows view 1 alone; Up then moves X by ViewZoom x 0.01.
    Key(form->centralWidget(), Qt::Key_2);
    EXPECT_TRUE(View(views::ViewZX)->isVisible());
    EXPECT_FALSE(View(views::ViewXY)->isVisible());
    const CarModel start = M();
    Key(View(views::ViewZX), Qt::Key_Up);
    EXPECT_EQ(M().Vertices[1].X, start.Vertices[1].X + 0.01f);
    EXPECT_EQ(M().Vertices[1].Y, start.Vertices[1].Y);
    EXPECT_EQ(M().Vertices[2], start.Vertices[2]) << "unmarked vertices stay";
    // Up in a coordinate field stays in the field.
    const CarModel nudged = M();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Field("VertY")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), Field("VertY"));
    Key(Field("VertY"), Qt::Key_Up);
    EXPECT_EQ(M().Vertices, nudged.Vertices);
    form->centralWidget()->setFocus();
    Key(form->centralWidget(), Qt::Key_D);
    EXPECT_EQ(Marked(), 0);

    // "4" shows the texture-map view alone, over the whole view area even
    // though the grid never placed it.
    Click("cmdView5");
    const QSize quarter = View(views::View3D)->size();
    Key(form->centralWidget(), Qt::Key_4);
    EXPECT_TRUE(View(views::ViewUV)->isVisible());
    EXPECT_FALSE(View(views::View3D)->isVisible());
    EXPECT_GE(View(views::ViewUV)->width(), 2 * quarter.width());
    EXPECT_GE(View(views::ViewUV)->height(), 2 * quarter.height());
}

TEST_F(EditorsWindow, AZoomKeyAtItsLimitDoesNothing)
{
    OpenSample();
    auto& xy = const_cast<QImage&>(form->Surfaces()[views::ViewXY].canvas);
    const std::pair<Qt::Key, float> limits[] = {{Qt::Key_Plus, views::kMinZoom}, {Qt::Key_Minus, views::kMaxZoom}};
    for (const auto& [key, limit] : limits) {
        while (form->Views().State.ViewZoom != limit)
            Key(form->centralWidget(), key, Qt::KeypadModifier);
        // A mark no redraw would leave: the key must not draw at all.
        xy.setPixel(0, 0, qRgb(1, 2, 3));
        const views::ViewState state = form->Views().State;
        Key(form->centralWidget(), key, Qt::KeypadModifier);
        EXPECT_EQ(form->Views().State.ViewZoom, limit);
        EXPECT_EQ(form->Views().State.Scale, state.Scale);
        EXPECT_EQ(xy.pixel(0, 0), qRgb(1, 2, 3));
    }
}

TEST_F(EditorsWindow, DummyNudgesNeedACurrentDummy)
{
    OpenSample();
    Trigger("mnuDEdit");
    Key(form->centralWidget(), Qt::Key_1); // view 0 alone among the three
    ASSERT_GT(M().Header.NumDummies, 0);
    const int d = M().CurrentDummy;
    const Vec3 pos = M().Header.DummyPos[static_cast<std::size_t>(d)];
    Key(form->centralWidget(), Qt::Key_Right);
    EXPECT_EQ(M().Header.DummyPos[static_cast<std::size_t>(d)], (Vec3{pos.X + 0.01f, pos.Y, pos.Z}));

    // A click beside another dummy makes it current.
    const Vec3 other = M().Header.DummyPos[static_cast<std::size_t>(d == 0 ? 1 : 0)];
    Mouse(views::ViewXY, QEvent::MouseButtonPress, PixelOf(views::ViewXY, other), Qt::LeftButton);
    EXPECT_EQ(M().CurrentDummy, d == 0 ? 1 : 0);
    EXPECT_TRUE(Status().endsWith(" Selected.")) << Status().toStdString();

    // A new model has no dummies: the arrows change nothing.
    dialogs.Yes();
    Trigger("mnuNew");
    Trigger("mnuDEdit");
    const CarModel empty = M();
    for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
        Key(form->centralWidget(), k);
    EXPECT_EQ(M(), empty);
}

TEST_F(EditorsWindow, VertexSetsSwitchAndSaveIntoTheirOwnTables)
{
    OpenSample();
    const CarModel read = M();
    Click("VertType2"); // "D"
    EXPECT_TRUE(Widget("VertType2")->font().bold());
    EXPECT_FALSE(Widget("VertType0")->font().bold());
    EXPECT_EQ(M().Vertices, read.DamagedVerts);
    // The fields show the chosen set: a vertex the damage moved.
    int dented = 0;
    while (dented < read.Header.PartNumVertices[0] &&
           read.DamagedVerts[std::size_t(dented)].X == read.NormalVerts[std::size_t(dented)].X)
        ++dented;
    ASSERT_LT(dented, read.Header.PartNumVertices[0]);
    Click("VertType0");
    SelectRow("VertList", dented);
    Click("VertType2");
    EXPECT_EQ(Field("VertX")->text(), QString::fromStdString(FormatFixed6(read.DamagedVerts[std::size_t(dented)].X)));
    SelectRow("VertList", 0);
    Field("VertX")->clear();
    QTest::keyClicks(Field("VertX"), "3");
    Click("cmdApply");
    Click("VertType0");
    EXPECT_EQ(M().Vertices, read.NormalVerts);
    EXPECT_EQ(M().DamagedVerts[0].X, 3.0f);
    Click("VertType2");
    Trigger("mnuSave");

    CarModel saved;
    ASSERT_FALSE(LoadFCE4(saved, nfs4Path));
    EXPECT_EQ(saved.DamagedVerts[0].X, 3.0f);
    EXPECT_EQ(saved.NormalVerts, read.NormalVerts);
    EXPECT_EQ(saved.DamagedNorms, read.DamagedNorms);
    EXPECT_EQ(saved.NormalNorms, read.NormalNorms);
}

TEST_F(EditorsWindow, WithoutAPartTheEditorsRefuseAndChangeNothing)
{
    Start();
    Trigger("mnuNew");
    dialogs.Yes();
    Click("RemovePart");
    ASSERT_EQ(M().Header.NumParts, 0);
    Trigger("mnuVEdit");
    const CarModel empty = M();
    dialogs.Ok();
    Click("Command1");
    ExpectMessage("Error!", kPartNotEditableMessage, MessageIcon::Critical);
    EXPECT_FALSE(dialogs.Last().busyPointer) << "the hourglass goes before the box";
    dialogs.Ok();
    Click("Command3");
    ExpectMessage("Error!", kPartNotEditableMessage, MessageIcon::Critical);
    EXPECT_FALSE(dialogs.Last().busyPointer);
    dialogs.Ok();
    Click("Command2");
    ExpectMessage("Error!", "You must select three vertices", MessageIcon::None);
    Click("Command4");
    Click("cmdApply");
    Drag(views::ViewXY, QPoint(5, 5), QPoint(60, 40));
    for (Qt::Key k : {Qt::Key_Up, Qt::Key_S, Qt::Key_1})
        Key(View(views::ViewXY), k);
    EXPECT_EQ(M(), empty);
}

TEST_F(EditorsWindow, PanelSwitchSidePagesAndTheHelpWindow)
{
    OpenSample();
    Click("SelFrame1");
    EXPECT_FALSE(Widget("EditFrame0")->isVisible());
    Click("CmdTriSide0");
    EXPECT_TRUE(Widget("TriSide0")->isVisible());
    EXPECT_FALSE(Widget("TriSide1")->isVisible());
    Click("SelFrame0");
    EXPECT_TRUE(Widget("EditFrame0")->isVisible());
    EXPECT_FALSE(Widget("TriSide0")->isVisible());
    Click("SelFrame1");
    EXPECT_FALSE(Widget("TriSide0")->isVisible()) << "the side pages stay put away";
    auto* smoothing = Widget<QListWidget>("SmoothList");
    QStringList entries;
    for (int i = 0; i < smoothing->count(); ++i)
        entries << smoothing->item(i)->text();
    EXPECT_EQ(entries, (QStringList{"1 - Don't Chrome", "2 - High Chrome", "3 - "}));

    Trigger("mnuKeys");
    auto* help = form->findChild<QDialog*>("Help");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "Help!");
    QStringList lines;
    for (QLabel* l : help->findChildren<QLabel*>())
        lines << l->text();
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[1], "- First, load an FCE file (File > Open, Ctrl+O).");
    EXPECT_TRUE(lines.filter("readme", Qt::CaseInsensitive).isEmpty()) << "no file the program lacks";
    EXPECT_FALSE(lines.filter("zoom").isEmpty());
    QTest::mouseClick(help->findChild<QPushButton*>("OK"), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());
}

} // namespace
