// The mesh transforms, the clean-up and part copying through the real
// window: each item changes the model as the edit library does, is one undo
// step named after it, and undo and redo give back each state exactly.

#include "AppFixture.h"
#include "CleanUp.h"
#include "dialogs/frmCPart.h"
#include "dialogs/frmRescale.h"

#include <QScrollBar>

#include <gmock/gmock.h>

#include <functional>
#include <tuple>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
using ::testing::StartsWith;

namespace {

class TransformWindow : public AppTest {
protected:
    void OpenSample(const std::string& path)
    {
        Start();
        Open(path, kOpenNfs4);
    }
    const CarModel& M() const { return form->Model(); }

    // Works the modal dialog `Dialog` once it is open.
    template <class Dialog>
    void WhenOpen(std::function<void(Dialog&)> work)
    {
        dialogs.Work([work](QDialog& shown) {
            auto* dialog = qobject_cast<Dialog*>(&shown);
            ASSERT_NE(dialog, nullptr);
            work(*dialog);
        });
    }
    template <class W>
    static W* In(QDialog& dialog, const char* name) { return dialog.findChild<W*>(name); }

    // The model is `after`; undoing `steps` steps gives `before` back and
    // redoing them `after` again.
    void ExpectUndoRedo(int steps, const CarModel& before, const CarModel& after)
    {
        EXPECT_TRUE(M() == after);
        for (int k = 0; k < steps; ++k)
            Trigger("mnuUndo");
        EXPECT_TRUE(M() == before) << "undo gives the model back";
        for (int k = 0; k < steps; ++k)
            Trigger("mnuRedo");
        EXPECT_TRUE(M() == after) << "redo applies the steps again";
    }
    QString UndoText() const { return Action("mnuUndo")->text(); }
};

TEST_F(TransformWindow, TransformsAreStepsOfTheirOwn)
{
    OpenSample(nfs4Path);
    const CarModel opened = M();
    const Vec3 v = opened.Vertices[0];

    Trigger("mnuSwapXY");
    EXPECT_EQ(UndoText(), "&Undo Swap X Y");
    EXPECT_EQ(M().Vertices[0], (Vec3{v.Y, v.X, v.Z}));
    EXPECT_EQ(M().Triangles[0].I1, opened.Triangles[0].I3);

    Trigger("mnuMirrorX");
    EXPECT_EQ(M().Vertices[0], (Vec3{-v.Y, v.X, v.Z}));

    WhenOpen<frmRescale>([](frmRescale& d) {
        In<QScrollBar>(d, "XScale")->setValue(200);
        QTest::mouseClick(In<QPushButton>(d, "Command1"), Qt::LeftButton);
    });
    Trigger("mnuRescale");
    EXPECT_EQ(M().Vertices[0], (Vec3{-2 * v.Y, v.X, v.Z}));

    dialogs.Ok();
    Trigger("mnuCentAll");
    EXPECT_THAT(dialogs.Last().message.text.toStdString(), StartsWith("HiX: "));

    ExpectUndoRedo(4, opened, CarModel(M()));
}

// "Show Other Parts" is kept in Mobrix.ini, and a part that is only shown
// is out of every command's reach, as a rescale of the current part shows.
TEST_F(TransformWindow, ShowOtherPartsIsKeptInTheIniAndWidensNoCommand)
{
    {
        const std::string ini = "[recent]\r\n\r\n[settings]\r\nShowOtherParts=0\r\n\r\n";
        WriteBytes(iniPath, std::vector<std::uint8_t>(ini.begin(), ini.end()));
    }
    OpenSample(nfs4Path);
    ASSERT_GT(M().Header.NumParts, 1);
    for (int p = 0; p < M().Header.NumParts; ++p)
        ASSERT_EQ(form->Views().Parts.IsShown(p), p == M().CurrentPart) << "only the current part is in hand";
    EXPECT_FALSE(Action("mnuOtherParts")->isChecked());
    Trigger("mnuOtherParts");
    EXPECT_TRUE(form->Views().Options.ShowOtherParts);

    const CarModel before = M();
    WhenOpen<frmRescale>([](frmRescale& d) {
        In<QScrollBar>(d, "XScale")->setValue(200);
        QTest::mouseClick(In<QPushButton>(d, "Command1"), Qt::LeftButton);
    });
    Trigger("mnuRescale");
    const IndexRange current = PartVertexRange(M(), M().CurrentPart);
    for (std::size_t i = 0; i < M().Vertices.size(); ++i) {
        const bool inCurrent = std::int64_t(i) >= current.begin && std::int64_t(i) < current.end;
        if (inCurrent)
            EXPECT_EQ(M().Vertices[i].X, 2 * before.Vertices[i].X) << i;
        else
            EXPECT_EQ(M().Vertices[i], before.Vertices[i]) << "vertex " << i << " is only shown";
    }

    dialogs.Yes();
    Trigger("mnuExit");
    const std::vector<std::uint8_t> ini = ReadBytes(iniPath);
    EXPECT_THAT(std::string(ini.begin(), ini.end()), ::testing::EndsWith("[settings]\r\nShowOtherParts=1\r\n\r\n"));
}

TEST_F(TransformWindow, CleanUpItemsShowTheirStatus)
{
    // The body gets a repeated triangle and two coincident vertices.
    CarModel car = BuildSampleCar();
    Triangle& second = car.Triangles[1];
    std::tie(second.I1, second.I2, second.I3) = std::tuple(car.Triangles[0].I1, car.Triangles[0].I2, car.Triangles[0].I3);
    for (std::vector<Vec3>* set : {&car.Vertices, &car.NormalVerts, &car.Undamaged2Verts, &car.DamagedVerts})
        (*set)[1] = (*set)[0];
    const std::string path = dir.File("dented.fce");
    ASSERT_FALSE(SaveFCE4(car, path));
    Start();
    Open(path, kOpenNfs4);
    EXPECT_TRUE(Widget<QMenu>("mnuTools")->menuAction()->isEnabled());
    const CarModel opened = M();

    CarModel expected = opened;
    ReverseWindingOrder(expected);
    const CleanUpResult polys = RemoveDuplicatePolys(expected, 0);
    const CleanUpResult verts = RemoveUnnecessaryVerts(expected, 0);
    ASSERT_GT(polys.removedTriangles, 0);
    ASSERT_GT(verts.removedVertices, 0);

    Trigger("mnuWind");
    EXPECT_EQ(UndoText(), "&Undo Reverse Winding Order");
    Trigger("mnuRPolys");
    EXPECT_EQ(Status().toStdString(), polys.statusText);
    Trigger("mnuRVerts");
    EXPECT_EQ(Status(), QString::fromStdString(RemovedVerticesStatus(verts.removedVertices)));
    EXPECT_EQ(Rows("VertList"), M().Header.PartNumVertices[0]) << "the vertex list follows at once";

    ExpectUndoRedo(3, opened, expected);
}

TEST_F(TransformWindow, CopyPartAndFuseSelectedParts)
{
    OpenSample(nfs4Path);
    const CarModel opened = M();

    // Body over a wheel is refused with the dialog still open; a wheel over
    // another is copied.
    dialogs.Ok();
    WhenOpen<frmCPart>([](frmCPart& d) {
        In<QListWidget>(d, "CopyFrom")->setCurrentRow(0);
        In<QListWidget>(d, "CopyTo")->setCurrentRow(1);
        QTest::mouseClick(In<QPushButton>(d, "Command2"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        In<QListWidget>(d, "CopyFrom")->setCurrentRow(1);
        In<QListWidget>(d, "CopyTo")->setCurrentRow(2);
        QTest::mouseClick(In<QPushButton>(d, "Command2"), Qt::LeftButton);
    });
    Trigger("mnuCPart");
    ExpectMessage(kCopyPartSizeTitle, kCopyPartSizeMessage, MessageIcon::Exclamation);
    CarModel copied = opened;
    ASSERT_EQ(CopyPart(copied, 1, 2).status, MeshToolStatus::Done);
    EXPECT_TRUE(M() == copied);

    // The two rear wheels go into the body.
    auto* list = Widget<QListWidget>("PartList");
    list->setCurrentRow(0);
    list->item(3)->setSelected(true);
    list->item(4)->setSelected(true);
    const CarModel selected = M();
    CarModel fused = selected;
    const std::vector<int> parts{0, 3, 4};
    ASSERT_EQ(FuseParts(fused, 0, parts).fusedParts, 2);
    Trigger("mnuFuse");
    EXPECT_EQ(UndoText(), "&Undo Fuse Selected Parts");
    EXPECT_EQ(list->count(), opened.Header.NumParts - 2) << "the part list follows at once";

    ExpectUndoRedo(1, selected, fused);
    Trigger("mnuUndo");
    Trigger("mnuUndo");
    EXPECT_EQ(M().Vertices, opened.Vertices) << "the copy is undone as well";
}

} // namespace
