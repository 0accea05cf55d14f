// "Create Damage", "Reset Damage" and "C&olours" through the real window:
// each is one undo step that gives the model back exactly.

#include "AppFixture.h"
#include "Colours.h"
#include "Damage.h"

#include <QDialog>
#include <QScrollBar>
#include <QUndoStack>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class DamageColoursWindow : public AppTest {
protected:
    const CarModel& M() const { return form->Model(); }
    QUndoStack& History() { return form->Doc().History(); }

    // Triggers "C&olours", lets `drive` work in the dialog, then presses "OK".
    template <class Drive>
    void EditColours(Drive drive)
    {
        dialogs.Work([&](QDialog& dialog) {
            drive(dialog);
            QTest::mouseClick(dialog.findChild<QPushButton*>("OK"), Qt::LeftButton);
        });
        Trigger("mnuCols");
        EXPECT_TRUE(dialogs.ScriptDone()) << "a colour dialog was shown";
    }

    // The entries of `table` in the current part's vertex range.
    std::vector<Vec3> OfPart(const std::vector<Vec3>& table) const
    {
        const auto part = static_cast<std::size_t>(M().CurrentPart);
        const auto first = table.begin() + M().Header.PartFirstVertex[part];
        return {first, first + M().Header.PartNumVertices[part]};
    }
};

TEST_F(DamageColoursWindow, DamageCommandsAreUndoStepsAndNeedAnNfs4Model)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const CarModel opened = M();

    Trigger("mnuDamage");
    EXPECT_NE(OfPart(M().DamagedVerts), OfPart(M().NormalVerts));
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Create Damage");
    const CarModel damaged = M();
    Trigger("mnuUndo");
    EXPECT_EQ(M(), opened);
    Trigger("mnuRedo");
    EXPECT_EQ(M(), damaged);

    Trigger("mnuRDamage");
    EXPECT_EQ(OfPart(M().DamagedVerts), OfPart(M().NormalVerts));
    Trigger("mnuUndo");
    EXPECT_EQ(M(), damaged);

    Open(nfs3Path, kOpenNfs3);
    const CarModel nfs3 = M();
    dialogs.Ok();
    Trigger("mnuDamage");
    ExpectMessage(kProgramTitle, kDamageNeedsNfs4Message, MessageIcon::None);
    EXPECT_EQ(M(), nfs3);
    EXPECT_EQ(History().count(), 0);
}

TEST_F(DamageColoursWindow, OneOpeningOfTheColourDialogIsOneUndoStep)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const ColourTables opened = ColourTablesOf(M().Header);

    EditColours([](QDialog& dialog) {
        dialog.findChild<QScrollBar*>("sHue0")->setValue(99);
        dialog.findChild<QScrollBar*>("sBri0")->setValue(12);
    });
    const ColourTables edited = ColourTablesOf(M().Header);
    EXPECT_EQ(edited.PriColours[0].Hue, 99);
    EXPECT_EQ(edited.PriColours[0].Brightness, 12);
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(Action("mnuUndo")->text(), "&Undo Edit Colours");

    Trigger("mnuUndo");
    EXPECT_EQ(ColourTablesOf(M().Header), opened);
    Trigger("mnuRedo");
    EXPECT_EQ(ColourTablesOf(M().Header), edited);

    // An opening that changes nothing leaves no step.
    EditColours([](QDialog&) {});
    EXPECT_EQ(History().count(), 1);
}

} // namespace
