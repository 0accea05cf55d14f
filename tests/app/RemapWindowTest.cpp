// The UV remapper page, the texture map and the texture-map view through
// the real window, on the sample car.

#include "AppFixture.h"
#include "Remap.h"
#include "dialogs/RemapEdit.h"
#include "RemapFile.h"
#include "TgaImages.h"
#include "panels/ViewsPanel.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>

#include <fstream>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class RemapWindow : public AppTest {
protected:
    // The sample open, the Triangle Editor on and the remapper page showing.
    void OpenWithRemapper()
    {
        Start();
        Open(nfs3Path, kOpenNfs3);
        Trigger("mnuUVEdit");
        Click("CmdTriSide1");
        ASSERT_TRUE(Widget("TriSide1")->isVisible());
    }
    const CarModel& M() const { return form->Model(); }
    QListWidget* UVList() const { return Widget<QListWidget>("UVList"); }
    void ChooseTriangle(int row)
    {
        auto* list = Widget<QListView>("TriList");
        list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    std::vector<std::int16_t> Groups() const
    {
        std::vector<std::int16_t> g;
        for (const TriStateRecord& t : M().TriState)
            g.push_back(t.RemapGroup);
        return g;
    }
    void Mouse(int view, QEvent::Type type, QPoint at, Qt::MouseButtons held)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QWidget* w = Widget(QString("View%1").arg(view));
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, {});
        QApplication::sendEvent(w, &e);
    }
};

TEST_F(RemapWindow, RemapIsOneUndoStep)
{
    OpenWithRemapper();
    EXPECT_EQ(Widget<QPushButton>("Command5")->toolTip(), "Remap UV Data");
    const CarModel opened = M();
    CarModel expected = M();
    Remap(expected, StartupRemapSections());
    ASSERT_NE(expected.Triangles, opened.Triangles);

    Click("Command5");
    EXPECT_EQ(M().Triangles, expected.Triangles);
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo REMAP");
    Trigger("mnuUndo");
    EXPECT_EQ(M().Triangles, opened.Triangles);
    Trigger("mnuRedo");
    EXPECT_EQ(M().Triangles, expected.Triangles);
}

// Sections go into the data file beside the model and come back from it;
// the list, an editor session and a load are one step each.
TEST_F(RemapWindow, SectionsSaveAndLoadBesideTheModel)
{
    OpenWithRemapper();
    ChooseTriangle(2);
    UVList()->setCurrentRow(3);
    const int t = 2; // part 0 starts at triangle 0
    EXPECT_EQ(M().TriState[t].RemapGroup, 3);
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Assign UV Section");

    // An editor session that moves the Side section's rectangle.
    dialogs.Work([](QDialog& shown) {
        auto* editor = qobject_cast<RemapEdit*>(&shown);
        ASSERT_NE(editor, nullptr);
        auto* left = editor->findChild<QLineEdit*>("uvLeft");
        left->selectAll();
        QTest::keyClicks(left, "0.75");
        editor->accept();
    });
    Click("Command7");
    EXPECT_FLOAT_EQ(form->Doc().Sections()[0].uvLeft, 0.75f);

    Click("Command8");
    const std::string uvPath = RemapDataPath(nfs3Path);
    ASSERT_TRUE(std::ifstream(uvPath).good());

    // Undo the session and the assignment, then load them back in one step.
    Trigger("mnuUndo");
    Trigger("mnuUndo");
    EXPECT_EQ(M().TriState[t].RemapGroup, 0);
    EXPECT_EQ(form->Doc().Sections(), StartupRemapSections());
    Click("Command6");
    EXPECT_EQ(M().TriState[t].RemapGroup, 3);
    EXPECT_EQ(UVList()->currentRow(), 3) << "the list follows the chosen triangle";
    EXPECT_FLOAT_EQ(form->Doc().Sections()[0].uvLeft, 0.75f);
    Trigger("mnuUndo");
    EXPECT_EQ(M().TriState[t].RemapGroup, 0);
    EXPECT_EQ(form->Doc().Sections(), StartupRemapSections());

    // A file written for another model is refused whole, with both counts.
    CarModel other;
    other.TriState.resize(M().TriState.size() + 1);
    const std::vector<std::uint8_t> foreign = EncodeRemapData(other, StartupRemapSections());
    std::ofstream(uvPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(foreign.data()), std::streamsize(foreign.size()));
    dialogs.Ok();
    Click("Command6");
    EXPECT_TRUE(dialogs.Last().message.text.contains(QString::number(M().TriState.size() + 1)));
    EXPECT_EQ(M().TriState[t].RemapGroup, 0);
}

TEST_F(RemapWindow, AModelWithoutAFileNameAsksWhereItsDataFileGoes)
{
    Start();
    Trigger("mnuNew");
    Trigger("mnuUVEdit");
    Click("CmdTriSide1");
    const QString uv = QString::fromStdString(dir.File("new.UV"));
    dialogs.Choose(uv, 1);
    Click("Command8");
    EXPECT_EQ(dialogs.Last().file.mode, FileDialogMode::Save);
    EXPECT_TRUE(std::ifstream(uv.toStdString()).good());
    dialogs.Choose(uv, 1);
    Click("Command6");
    EXPECT_EQ(dialogs.Last().kind, ShownBox::Kind::File) << "loaded without a message";
    EXPECT_EQ(dialogs.Last().file.mode, FileDialogMode::Open);

    dialogs.Choose(QString::fromStdString(dir.File("no such folder/new.UV")), 1);
    dialogs.Ok();
    Click("Command8");
    EXPECT_EQ(dialogs.Last().kind, ShownBox::Kind::Message) << "a failed save says so";
}

TEST_F(RemapWindow, ATgaTextureIsPaintedUnderTheTextureMapView)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    TestImage red{2, 2, std::vector<Bgra>(4, Bgra{0, 0, 255, 255})};
    const std::string tga = dir.File("paint.tga");
    const std::vector<std::uint8_t> bytes = MakeTga(red);
    std::ofstream(tga, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    dialogs.Choose(QString::fromStdString(tga), 1);
    Trigger("mnuLoadTx");
    const QString temp = QString::fromStdString(dir.File("TEMP.BMP"));
    EXPECT_EQ(form->Doc().TexturePath(), temp);
    Click("cmdView4");
    const QImage& canvas = form->Surfaces()[4].canvas;
    int reds = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            reds += (canvas.pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_GT(reds, canvas.width() * canvas.height() / 2);
}

TEST_F(RemapWindow, TheTriangleBandAssignsTheChosenSection)
{
    OpenWithRemapper();
    Click("cmdView1"); // "XY" alone
    UVList()->setCurrentRow(4); // also puts the chosen triangle into section 4
    const std::vector<std::int16_t> before = Groups();

    const QSize size = Widget("View0")->size();
    Mouse(0, QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton);
    Mouse(0, QEvent::MouseMove, QPoint(size.width() - 3, size.height() - 3), Qt::LeftButton);
    Mouse(0, QEvent::MouseButtonRelease, QPoint(size.width() - 3, size.height() - 3), Qt::NoButton);
    const IndexRange part = PartTriangleRange(M(), 0);
    for (std::int64_t t = 0; t < std::int64_t(M().TriState.size()); ++t)
        EXPECT_EQ(M().TriState[std::size_t(t)].RemapGroup, t < part.end ? 4 : before[std::size_t(t)]) << t;
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Assign UV Sections");
    Trigger("mnuUndo");
    EXPECT_EQ(Groups(), before);
}

} // namespace
