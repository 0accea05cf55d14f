// The part and dummy panels through the real window: limits and name
// messages, removing with its question and status line, renaming, and the
// lists and views that follow each change.

#include "AppFixture.h"
#include "PartsDummies.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <numeric>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

class PartsWindow : public AppTest {};

TEST_F(PartsWindow, AddPartAsksForANameAndKeepsTheLimits)
{
    Start();
    Trigger("mnuNew");
    dialogs.Type("Bonnet");
    Click("AddPart");
    const InputRequest& asked = dialogs.Last().input;
    EXPECT_EQ(asked.prompt, "Enter part name:");
    EXPECT_EQ(asked.title, "New Part");
    EXPECT_EQ(asked.defaultText, "Part2");
    EXPECT_EQ(PartListTexts(), (QStringList{"Part1", "Bonnet"}));
    EXPECT_EQ(form->Model().CurrentPart, 1);
    EXPECT_EQ(Widget<QListWidget>("PartList")->currentRow(), 1);
    EXPECT_EQ(form->Model().Header.PartNames[1], StoredName("Bonnet"));

    // 64 characters are taken as they are; 65 are refused; cancelling adds nothing.
    const QString sixtyFour(64, 'n');
    dialogs.Type(sixtyFour);
    Click("AddPart");
    EXPECT_EQ(form->Model().Header.PartNames[2], MakeName(std::string(64, 'n')));
    dialogs.Type(sixtyFour + "x");
    dialogs.Ok();
    Click("AddPart");
    ExpectMessage("Error!", "Part name is too long! (Max. 64 characters)", MessageIcon::Critical);
    dialogs.Type("");
    Click("AddPart");
    EXPECT_EQ(form->Model().Header.NumParts, 3);

    while (form->Model().Header.NumParts < 15) {
        dialogs.Type("P");
        Click("AddPart");
    }
    dialogs.Ok();
    Click("AddPart");
    ExpectMessage("Error!", "No more parts allowed! (max. 15)", MessageIcon::Critical);
    EXPECT_EQ(form->Model().Header.NumParts, 15);
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());
}

TEST_F(PartsWindow, NfsivModelsTakeMorePartsUpToTheTableSlots)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    while (form->Model().Header.NumParts < kPartSlots) {
        dialogs.Type("P");
        Click("AddPart");
    }
    dialogs.Ok();
    Click("AddPart");
    ExpectMessage("Error!", "No more parts allowed! (max. 64)", MessageIcon::Critical);
    EXPECT_EQ(Widget<QListWidget>("PartList")->count(), 64);
    EXPECT_THAT(CheckModel(form->Model()), IsEmpty());
}

TEST_F(PartsWindow, RemovePartAsksThenRemovesAndRefillsTheLists)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    auto* list = Widget<QListWidget>("PartList");
    list->setCurrentRow(2);
    ASSERT_EQ(form->Model().CurrentPart, 2);
    const CarModel before = form->Model();

    dialogs.No();
    Click("RemovePart");
    EXPECT_EQ(dialogs.Last().message.title, "Remove selected part");
    EXPECT_EQ(dialogs.Last().message.text, "Are you sure?");
    EXPECT_EQ(dialogs.Last().message.buttons, MessageButtons::YesNo);
    EXPECT_EQ(form->Model(), before);

    dialogs.Yes();
    Click("RemovePart");
    const CarModel& m = form->Model();
    const int removed = before.Header.PartNumVertices[2];
    EXPECT_EQ(Status(), "Removing Vertices" + QString((removed - 1) / 10 + 1, '.'));
    EXPECT_EQ(m.Header.NumParts, before.Header.NumParts - 1);
    EXPECT_EQ(m.Header.NumVertices, before.Header.NumVertices - removed);
    EXPECT_THAT(CheckModel(m), IsEmpty());
    EXPECT_EQ(m.CurrentPart, 0);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->count(), m.Header.NumParts);
    EXPECT_EQ(Rows("VertList"), m.Header.PartNumVertices[0]);
    EXPECT_EQ(Rows("TriList"), m.Header.PartNumTriangles[0]);
}

TEST_F(PartsWindow, RemovingAPartClearsTheMarksOfTheOthers)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    Widget<QListWidget>("PartList")->setCurrentRow(2);
    Trigger("mnuVEdit");
    QTest::keyClick(Widget("View1"), Qt::Key_S); // marks every vertex of the model
    const auto marked = [&] {
        const auto& marks = form->Model().VertSelected;
        return std::count_if(marks.begin(), marks.end(), [](std::int16_t mark) { return mark != 0; });
    };
    ASSERT_GT(marked(), form->Model().Header.PartNumVertices[2]);

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    dialogs.Yes();
    Click("RemovePart");
    EXPECT_EQ(marked(), 0) << "a following Remove Vert or drag would act on the first part";
    EXPECT_EQ(QApplication::focusWidget(), form->centralWidget());
}

TEST_F(PartsWindow, APartReachingOutsideTheModelIsNotRemoved)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    CarModel broken = form->Model();
    broken.Header.PartNumTriangles[2] = broken.Header.NumTriangles + 1;
    form->Doc().ReplaceModel(broken, {.saveVariant = FceVariant::Nfs4, .reportPath = nfs4Path});
    auto* list = Widget<QListWidget>("PartList");
    list->setCurrentRow(2);
    const CarModel before = form->Model();
    const QStringList names = PartListTexts();

    dialogs.Yes();
    dialogs.Ok();
    Click("RemovePart");
    ExpectMessage("Error!", kPartOutsideModelMessage, MessageIcon::Critical);
    EXPECT_FALSE(dialogs.Last().busyPointer);
    EXPECT_EQ(form->Model(), before);
    EXPECT_EQ(PartListTexts(), names);
    EXPECT_EQ(list->currentRow(), 2);
}

TEST_F(PartsWindow, RemovingTheOnlyPartEmptiesTheLists)
{
    Start();
    Trigger("mnuNew");
    dialogs.Yes();
    Click("RemovePart");
    EXPECT_EQ(form->Model().Header.NumParts, 0);
    EXPECT_EQ(Widget<QListWidget>("PartList")->count(), 0);
    EXPECT_EQ(Rows("VertList"), 0);
    EXPECT_EQ(Rows("TriList"), 0);
    EXPECT_EQ(Status(), "Removing Vertices");

    dialogs.Ok();
    Click("RemovePart");
    ExpectMessage("Error!", "No parts to delete!", MessageIcon::Exclamation);
}

TEST_F(PartsWindow, RenamingToTheSameNameOrCancellingChangesNothing)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const Name64 stored = form->Model().Header.PartNames[0];
    const QString shown = PartListTexts()[0];
    dialogs.Type(shown);
    Click("NamePart");
    EXPECT_EQ(dialogs.Last().input.prompt, "Give the part a name:");
    EXPECT_EQ(dialogs.Last().input.title, "Name Part");
    EXPECT_EQ(dialogs.Last().input.defaultText, shown);
    EXPECT_EQ(form->Model().Header.PartNames[0], stored);
    dialogs.Type("");
    Click("NamePart");
    EXPECT_EQ(form->Model().Header.PartNames[0], stored);

    dialogs.Type(QString(65, 'r'));
    dialogs.Ok();
    Click("NamePart");
    ExpectMessage("Error!", "Part name is too long! (Max. 64 characters)", MessageIcon::Critical);

    dialogs.Type("Body");
    Click("NamePart");
    EXPECT_EQ(form->Model().Header.PartNames[0], StoredName("Body"));
    EXPECT_EQ(PartListTexts()[0], "Body");
}

TEST_F(PartsWindow, SelectingPartsClearsTheMarksAndDrawsOthersGrey)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    std::vector<int> every(form->Model().VertSelected.size());
    std::iota(every.begin(), every.end(), 0);
    form->Doc().SetVertexMarks(every, true);
    auto* list = Widget<QListWidget>("PartList");
    list->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    list->setCurrentRow(3, QItemSelectionModel::Select);
    const CarModel& m = form->Model();
    EXPECT_EQ(m.CurrentPart, 3);
    EXPECT_TRUE(std::all_of(m.VertSelected.begin(), m.VertSelected.end(), [](auto v) { return v == 0; }));
    EXPECT_EQ(form->Views().Parts.Shown, (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(Rows("VertList"), m.Header.PartNumVertices[3]);

    // A corner of part 1 (grey) and of part 3 (black) in view 1 (Z across, X up).
    const views::ViewSurface& zx = form->Surfaces()[views::ViewZX];
    const views::PixelMapping map(form->Views().State.Scale[views::ViewZX], zx.canvas.width(), zx.canvas.height());
    auto pixelOfCorner = [&](int part) {
        const auto p = static_cast<std::size_t>(part);
        const Triangle& t = m.Triangles[static_cast<std::size_t>(m.Header.PartFirstTriangle[p])];
        const Vec3 v = m.Vertices[static_cast<std::size_t>(m.Header.PartFirstVertex[p] + t.I1)];
        const Vec3 pos = m.Header.PartPos[p];
        return zx.canvas.pixel(map.PixelX(v.Z + pos.Z), map.PixelY(v.X + pos.X));
    };
    EXPECT_EQ(pixelOfCorner(3), qRgb(0, 0, 0));
    EXPECT_EQ(pixelOfCorner(1), qRgb(192, 192, 192));
}

TEST_F(PartsWindow, DummiesAddRemoveRenameWithTheirMessages)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const int start = form->Model().Header.NumDummies;
    auto* list = Widget<QComboBox>("DummyList");
    const QString first = list->itemText(0);

    dialogs.Type("Light");
    Click("AddDummy");
    EXPECT_EQ(dialogs.Last().input.prompt, "Enter dummy name:");
    EXPECT_EQ(dialogs.Last().input.title, "New Dummy");
    EXPECT_EQ(dialogs.Last().input.defaultText, first);
    EXPECT_EQ(form->Model().Header.NumDummies, start + 1);
    EXPECT_EQ(form->Model().CurrentDummy, start);
    EXPECT_EQ(list->currentText(), "Light");

    dialogs.Type(QString(65, 'd'));
    dialogs.Ok();
    Click("AddDummy");
    ExpectMessage("Error!", "Dummy name is too long! (Max. 64 characters)", MessageIcon::Critical);

    while (form->Model().Header.NumDummies < 15) {
        dialogs.Type("D");
        Click("AddDummy");
    }
    dialogs.Ok();
    Click("AddDummy");
    ExpectMessage("Error!", "No more dummies allowed! (max. 15)", MessageIcon::Critical);

    dialogs.Type("Brake");
    list->setCurrentIndex(1);
    Click("NameDummy");
    EXPECT_EQ(dialogs.Last().input.prompt, "Type the dummy's name below:");
    EXPECT_EQ(dialogs.Last().input.title, "Name Dummy");
    EXPECT_EQ(list->itemText(1), "Brake");

    dialogs.Yes();
    Click("RemoveDummy");
    EXPECT_EQ(dialogs.Last().message.title, "Remove selected dummy");
    EXPECT_EQ(form->Model().Header.NumDummies, 14);
    EXPECT_EQ(list->count(), 14);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_NE(list->itemText(1), "Brake");

    while (form->Model().Header.NumDummies > 0) {
        dialogs.Yes();
        Click("RemoveDummy");
    }
    dialogs.Ok();
    Click("RemoveDummy");
    ExpectMessage("Error!", "No dummies to delete!", MessageIcon::Exclamation);
}

} // namespace
