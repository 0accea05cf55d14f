// The document through the real window: the title and its modified marker,
// undo and redo of every editing command, and the navigation and focus
// fixes found by using the editor.

#include "AppFixture.h"
#include "MeshEdit.h"
#include "RandomModel.h"
#include "VertexEditor.h"
#include "ViewEditing.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>
#include <functional>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class UndoWindow : public AppTest {
protected:
    void OpenSample()
    {
        Start();
        Open(nfs4Path, kOpenNfs4);
        // Shortcuts reach only the active window.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    const CarModel& M() const { return form->Model(); }
    QWidget* View(int v) const { return Widget(QString("View%1").arg(v)); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(form->centralWidget(), key, mods); }
    void SelectRow(const QString& list, int row)
    {
        auto* l = Widget<QListView>(list);
        l->selectionModel()->setCurrentIndex(l->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    void Mark(int row)
    {
        SelectRow("VertList", row);
        auto* box = Widget<QCheckBox>("VertSel");
        if (!box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
};

TEST_F(UndoWindow, TheTitleFollowsTheHistoryAndSaveWritesWhatTheHistoryShows)
{
    OpenSample();
    EXPECT_EQ(form->windowTitle(), "car4.fce[*] - Mobrix");
    EXPECT_FALSE(form->isWindowModified());
    const std::vector<std::uint8_t> original = ReadBytes(nfs4Path);
    const float x = M().Header.PartPos[0].X;

    Trigger("mnuPEdit");
    Key(Qt::Key_1);
    EXPECT_TRUE(form->isWindowModified());
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Move Part");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(form->isWindowModified()) << "undone back to the state opened";
    Trigger("mnuSave");
    EXPECT_EQ(ReadBytes(nfs4Path), original);

    Key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(form->isWindowModified());
    Trigger("mnuSave");
    EXPECT_FALSE(form->isWindowModified());
    CarModel reread;
    ASSERT_FALSE(LoadFCE4(reread, nfs4Path));
    EXPECT_EQ(reread.Header.PartPos[0].X, x + 0.1f);
    // Undoing past the save marks the document modified again.
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(form->isWindowModified());

    dialogs.Yes();
    Trigger("mnuNew");
    EXPECT_EQ(form->windowTitle(), "Untitled[*] - Mobrix");
    EXPECT_FALSE(Action("mnuUndo")->isEnabled()) << "a new model starts a new history";
}

TEST_F(UndoWindow, EveryEditingCommandIsOneStepThatUndoesAndRedoesExactly)
{
    OpenSample();
    Trigger("mnuVEdit");
    struct Command {
        const char* step;
        std::function<void()> run;
    };
    const std::vector<Command> commands{
        {"Apply Vertex",
         [&] {
             SelectRow("VertList", 2);
             Widget<QLineEdit>("VertX")->clear();
             QTest::keyClicks(Widget<QLineEdit>("VertX"), "1.5");
             Click("cmdApply");
         }},
        {"Add Vertice", [&] { Click("Command1"); }},
        {"Remove Vert",
         [&] {
             Mark(1);
             Mark(3);
             Click("Command3");
         }},
        {"Add Poly",
         [&] {
             Key(Qt::Key_D);
             for (int r : {0, 1, 2})
                 Mark(r);
             Click("Command2");
         }},
        {"Remove Poly",
         [&] {
             SelectRow("TriList", 4);
             Click("Command4");
         }},
        {"Apply Triangle",
         [&] {
             SelectRow("TriList", 1);
             Widget<QLineEdit>("TriU1")->clear();
             QTest::keyClicks(Widget<QLineEdit>("TriU1"), "0.25");
             Click("cmdTriApply");
         }},
        {"Add Part", [&] { dialogs.Type("Spoiler"), Click("AddPart"); }},
        {"Rename Part", [&] { dialogs.Type("Bonnet"), Click("NamePart"); }},
        {"Remove Part", [&] { dialogs.Yes(), Click("RemovePart"); }},
        {"Add Dummy", [&] { dialogs.Type(":LIGHT"), Click("AddDummy"); }},
        {"Rename Dummy", [&] { dialogs.Type(":FLARE"), Click("NameDummy"); }},
        {"Remove Dummy", [&] { dialogs.Yes(), Click("RemoveDummy"); }},
    };
    for (const Command& c : commands) {
        const CarModel before = M();
        c.run();
        const CarModel after = M();
        ASSERT_NE(Content(after), Content(before)) << c.step;
        EXPECT_EQ(Action("mnuUndo")->text(), QString("&Undo ") + c.step);
        Trigger("mnuUndo");
        EXPECT_EQ(Content(M()), Content(before)) << c.step;
        EXPECT_EQ(CheckModel(M()), std::vector<std::string>{}) << c.step;
        Trigger("mnuRedo");
        EXPECT_EQ(Content(M()), Content(after)) << c.step;
    }
    // Undo walks back through every command to the model as opened.
    CarModel opened;
    ASSERT_FALSE(LoadFCE4(opened, nfs4Path));
    opened.FileName = nfs4Path;
    while (Action("mnuUndo")->isEnabled())
        Trigger("mnuUndo");
    EXPECT_EQ(Content(M()), Content(opened));
    EXPECT_FALSE(form->isWindowModified());
}

TEST_F(UndoWindow, NudgesOfOneSelectionMakeOneStep)
{
    OpenSample();
    Trigger("mnuVEdit");
    Mark(1);
    const CarModel before = M();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(View(views::ViewXY), Qt::Key_Up);
    EXPECT_NE(M().Vertices, before.Vertices);
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Nudge Vertices");
    Trigger("mnuUndo");
    EXPECT_EQ(M().Vertices, before.Vertices) << "three nudges, one step";
}

TEST_F(UndoWindow, KeysStillWorkAfterTheFocusedViewIsHidden)
{
    OpenSample();
    QTest::mouseClick(View(views::ViewXY), Qt::RightButton, {}, QPoint(5, 5));
    View(views::ViewXY)->setFocus();
    Click("cmdView2"); // "ZX" alone: the focused view goes away
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(qobject_cast<QPushButton*>(focus), nullptr) << "no button takes the keys";
    const float zoom = form->Views().State.ViewZoom;
    QTest::keyClick(focus, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(form->Views().State.ViewZoom, zoom * 2) << "keypad minus zooms out";

    // The same when a single-view key hides the focused view.
    Trigger("mnuVEdit");
    View(views::ViewZX)->setFocus();
    QTest::keyClick(View(views::ViewZX), Qt::Key_1); // "XY" alone
    ASSERT_FALSE(View(views::ViewZX)->isVisible());
    focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(form->Views().State.ViewZoom, zoom);
}

TEST_F(UndoWindow, TheWheelZoomsAndTheMiddleButtonPans)
{
    OpenSample();
    QWidget* view = View(views::ViewXY);
    const float zoom = form->Views().State.ViewZoom;
    const QPointF at(view->width() / 2.0, view->height() / 2.0);
    QWheelEvent in(at, view->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &in);
    EXPECT_EQ(form->Views().State.ViewZoom, zoom * 0.5f) << "as keypad plus";
    QWheelEvent out(at, view->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &out);
    EXPECT_EQ(form->Views().State.ViewZoom, zoom);

    const float panX = form->Views().State.ViewPanX;
    QTest::mousePress(view, Qt::MiddleButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(80, 50), view->mapToGlobal(QPointF(80, 50)), Qt::NoButton,
                     Qt::MiddleButton, {});
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::MiddleButton, {}, QPoint(80, 50));
    EXPECT_LT(form->Views().State.ViewPanX, panX) << "the picture follows the pointer to the right";
}

TEST_F(UndoWindow, TheFirstOpenEntryReadsEitherVariantByItsMagic)
{
    Start();
    Open(nfs4Path, kOpenEitherVariant);
    EXPECT_EQ(M().FileFormat, ModelOrigin::Nfs4);
    Open(nfs3Path, kOpenEitherVariant);
    EXPECT_EQ(M().FileFormat, ModelOrigin::Nfs3);
    EXPECT_EQ(dialogs.Shown().front().file.selectedFilter, 1);
}

TEST_F(UndoWindow, TheEditingWindowShowsThePanelOfTheModeAndTheStatusNamesIt)
{
    OpenSample();
    Trigger("mnuUVEdit");
    EXPECT_TRUE(Widget("EditFrame1")->isVisible());
    EXPECT_FALSE(Widget("EditFrame0")->isVisible());
    EXPECT_EQ(Status(), "Triangle Editor");
    Trigger("mnuVEdit");
    EXPECT_TRUE(Widget("EditFrame0")->isVisible());
    EXPECT_EQ(Status(), "Vertex Editor");
}

TEST_F(UndoWindow, AboutAndGettingStartedWindows)
{
    Start();
    Trigger("mnuAbout");
    auto* about = form->findChild<QDialog*>("About");
    ASSERT_NE(about, nullptr);
    const QString credits = about->findChild<QLabel*>()->text();
    EXPECT_TRUE(credits.contains("Mobrix") && credits.contains("Licence") && credits.contains("Credits"));
    EXPECT_TRUE(credits.contains("GNU General Public License"));
    Trigger("mnuStart");
    auto* start = form->findChild<QDialog*>("GettingStarted");
    ASSERT_NE(start, nullptr);
    QStringList lines;
    for (QLabel* l : start->findChildren<QLabel*>())
        lines << l->text();
    EXPECT_TRUE(lines.join(' ').contains("File > Open"));
    EXPECT_EQ(Action("mnuKeys")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(Action("mnuOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

TEST_F(UndoWindow, APaintTheWindowSystemAsksForShowsTheWholePicture)
{
    OpenSample();
    QTest::qWait(20);
    const views::ViewSurface& xy = form->Surfaces()[views::ViewXY];
    const QImage drawn = xy.canvas.copy();
    // What a drag's white erasing leaves behind, then an expose.
    const_cast<QImage&>(xy.canvas).fill(Qt::white);
    View(views::ViewXY)->update();
    QTest::qWait(50);
    EXPECT_EQ(xy.canvas, drawn);
}

// Mobrix.ini's budget reaches the history: a thousand structural edits of a
// large model keep the history within it, the status line says when old
// steps go, the last step still undoes and redoes, and quitting writes the
// setting back as the file had it.
TEST_F(UndoWindow, TheIniBudgetBoundsTheHistoryAndTheStatusLineSaysSo)
{
    WriteBytes(iniPath, [] {
        const std::string ini = "[recent]\r\n\r\n[settings]\r\nShowOtherParts=1\r\nUndoBudgetMiB=1\r\n\r\n";
        return std::vector<std::uint8_t>(ini.begin(), ini.end());
    }());
    const std::string large = dir.File("large.fce");
    ASSERT_FALSE(SaveFCE4(RandomModel(11, {.vertices = 5000, .triangles = 20000, .parts = 4}), large));
    Start();
    Open(large, kOpenNfs4);
    Document& doc = form->Doc();
    constexpr std::size_t kBudget = std::size_t{1} << 20;
    ASSERT_EQ(doc.HistoryBudget(), kBudget);

    constexpr int kEdits = 1000;
    std::vector<int> rows(12);
    for (std::size_t t = 0; t < rows.size(); ++t)
        rows[t] = static_cast<int>(2 * t);
    for (int k = 0; k < kEdits; ++k) {
        const auto& counts = M().Header.PartNumTriangles;
        const int part = static_cast<int>(std::max_element(counts.begin(), counts.begin() + 4) - counts.begin());
        ASSERT_TRUE(doc.EditPart("Remove Poly", part, Change{.meshPart = part}, [&](CarModel& m) {
            return RemoveTriangles(m, part, rows) == MeshEditStatus::Done;
        })) << "edit " << k;
        ASSERT_LE(doc.HistoryBytes(), kBudget) << "after edit " << k;
    }
    EXPECT_EQ(Status(), kOldStepsDroppedText);
    EXPECT_GT(doc.History().count(), 1);
    EXPECT_LT(doc.History().count(), kEdits);

    const CarModel last = M();
    Trigger("mnuUndo");
    EXPECT_EQ(M().Header.NumTriangles, last.Header.NumTriangles + 12) << "the last step still undoes";
    Trigger("mnuRedo");
    EXPECT_EQ(M(), last);

    dialogs.Yes();
    form->close();
    const std::vector<std::uint8_t> ini = ReadBytes(iniPath);
    EXPECT_NE(std::string(ini.begin(), ini.end()).find("\r\nUndoBudgetMiB=1\r\n"), std::string::npos);
}

} // namespace
