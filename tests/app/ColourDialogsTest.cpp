// The colour dialogs driven as the user does: sliders, the entry lists,
// "Add", "Remove" and "OK", checked against the model's colour tables.

#include "dialogs/ColourDialogs.h"
#include "dialogs/ColourGroup.h"
#include "ScriptedDialogs.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace mobrix;
using namespace mobrix::app;
using testing_support::ScriptedDialogs;

namespace {

class ColourDialogTest : public ::testing::Test {
protected:
    // Opens the dialog for the model as "C&olours" does, lets `drive` work
    // in it, then presses "OK".
    ColourDialogEdit OpenAndDrive(const std::function<void()>& drive)
    {
        dialogs.Work([&](QDialog& shown) {
            dialog = &shown;
            drive();
            Click("OK");
        });
        ColourDialogEdit edit = ShowColourDialog(model, dialogs, nullptr).value();
        EXPECT_TRUE(dialogs.ScriptDone()) << "a modal dialog was shown";
        return edit;
    }

    template <class W>
    W* Child(const QString& name) const
    {
        W* w = dialog->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString Label(const QString& name) const { return Child<QLabel>(name)->text(); }
    QColor Swatch(int group) const
    {
        return Child<QFrame>(QString("pCol%1").arg(group))->palette().color(QPalette::Window);
    }
    void Slide(const QString& name, int value) { Child<QScrollBar>(name)->setValue(value); }
    void Click(const QString& name) { QTest::mouseClick(Child<QPushButton>(name), Qt::LeftButton); }
    void Select(const QString& list, int row) { Child<QListWidget>(list)->setCurrentRow(row); }
    void ExpectBox(MessageIcon icon, const char* text) const
    {
        ASSERT_FALSE(dialogs.Shown().empty());
        EXPECT_EQ(dialogs.Last().message.icon, icon);
        EXPECT_EQ(dialogs.Last().message.title, "Error!");
        EXPECT_EQ(dialogs.Last().message.text, text);
    }

    CarModel model;
    ScriptedDialogs dialogs;
    QDialog* dialog = nullptr;
};

QColor Preview(const Colour& c)
{
    return ToQColor(getCol(c));
}

} // namespace

TEST_F(ColourDialogTest, Nfs3DialogEditsThePrimaryAndSecondaryListsApart)
{
    NewFCE(model);
    model.Header.NumPriColours = 2;
    model.Header.PriColours[0] = {10, 20, 30, 40};
    model.Header.PriColours[1] = {200, 255, 255, 999}; // an NFSIII file may hold any number
    model.Header.SecColours[0] = {1, 2, 3, 4};
    const Colour third = model.Header.PriColours[2];

    const ColourDialogEdit edit = OpenAndDrive([&] {
        EXPECT_EQ(dialog->objectName(), "frmCols");
        EXPECT_EQ(dialog->windowTitle(), "Car Colours");
        EXPECT_EQ(Child<QListWidget>("ColList0")->count(), 2);
        EXPECT_EQ(Child<QListWidget>("ColList0")->currentRow(), 0);
        EXPECT_EQ(Child<QListWidget>("ColList1")->count(), 0);
        EXPECT_EQ(Label("lblHue0"), "10");
        EXPECT_EQ(Label("lblTol0"), "40");
        EXPECT_EQ(Child<QScrollBar>("sSat0")->value(), 20);
        EXPECT_EQ(Swatch(0), Preview({10, 20, 30, 40}));

        // A moved slider writes the selected entry at once.
        Slide("sBri0", 77);
        Child<QScrollBar>("sHue0")->triggerAction(QAbstractSlider::SliderSingleStepAdd); // the arrow
        EXPECT_EQ(model.Header.PriColours[0], (Colour{11, 20, 77, 40}));
        EXPECT_EQ(Label("lblBri0"), "77");
        EXPECT_EQ(Swatch(0), Preview({11, 20, 77, 40}));

        // Selecting shows an out-of-range number as it is and writes nothing.
        Select("ColList0", 1);
        EXPECT_EQ(Label("lblTol0"), "999");
        EXPECT_EQ(Child<QScrollBar>("sTol0")->value(), 255);
        EXPECT_EQ(model.Header.PriColours[1].Tolerance, 999);
        EXPECT_EQ(Swatch(0), ToQColor(HuePalette()[200]));

        // The secondary list is empty: its sliders write nothing, before and
        // after "Add", until an entry is selected.
        Slide("sHue1", 5);
        Click("AddSCol");
        EXPECT_EQ(model.Header.NumSecColours, 1);
        EXPECT_EQ(Child<QListWidget>("ColList1")->item(0)->text(), "1");
        EXPECT_EQ(Child<QListWidget>("ColList1")->currentRow(), -1);
        Slide("sHue1", 6);
        EXPECT_EQ(model.Header.SecColours[0], (Colour{1, 2, 3, 4}));
        dialogs.Ok();
        Click("RSCol");
        ExpectBox(MessageIcon::Exclamation, kNoColourSelectedMessage);
        Select("ColList1", 0);
        EXPECT_EQ(Label("lblHue1"), "1");
        Slide("sSat1", 9);
        EXPECT_EQ(model.Header.SecColours[0], (Colour{1, 9, 3, 4}));

        // Fifteen entries at most.
        for (int n = 3; n <= 15; ++n)
            Click("AddPCol");
        EXPECT_EQ(Child<QListWidget>("ColList0")->count(), 15);
        EXPECT_EQ(Child<QListWidget>("ColList0")->item(14)->text(), "15");
        dialogs.Ok();
        Click("AddPCol");
        ExpectBox(MessageIcon::Critical, kNoMorePrimaryColoursMessage);
        EXPECT_EQ(model.Header.NumPriColours, 15);

        // Removing the selected entry moves the later ones up and selects
        // the first entry.
        Click("RPCol");
        EXPECT_EQ(model.Header.NumPriColours, 14);
        EXPECT_EQ(model.Header.PriColours[1], third);
        EXPECT_EQ(Child<QListWidget>("ColList0")->count(), 14);
        EXPECT_EQ(Child<QListWidget>("ColList0")->currentRow(), 0);
        EXPECT_EQ(Label("lblBri0"), "77");

        Click("RSCol");
        EXPECT_EQ(model.Header.NumSecColours, 0);
        dialogs.Ok();
        Click("RSCol");
        ExpectBox(MessageIcon::Exclamation, kNoColourEntriesMessage);
    });
    EXPECT_TRUE(edit.Changed());
    EXPECT_EQ(edit.after, ColourTablesOf(model.Header));
    EXPECT_EQ(edit.before.PriColours[0], (Colour{10, 20, 30, 40}));
}

TEST_F(ColourDialogTest, Nfs4DialogEditsFourTablesPerEntry)
{
    NewFCE(model);
    model.FileFormat = ModelOrigin::Nfs4;
    model.Header.NumPriColours = model.Header.NumSecColours = 3;
    for (int k = 0; k < 3; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        model.Header.PriColours[slot] = {k, 10, 20, 30};
        model.Header.SecColours[slot] = {k, 11, 21, 31};
        model.Header.IntColours[slot] = {k, 12, 22, 32};
        model.Header.HairColours[slot] = {k, 13, 23, 33};
    }
    const ColourTables start = ColourTablesOf(model.Header);

    const ColourDialogEdit edit = OpenAndDrive([&] {
        EXPECT_EQ(dialog->objectName(), "frmColsNFS4");
        EXPECT_EQ(Child<QListWidget>("ColList")->count(), 3);
        for (int g = 0; g < 4; ++g)
            EXPECT_EQ(Label(QString("lblSat%1").arg(g)), QString::number(10 + g));
        EXPECT_EQ(Swatch(3), Preview({0, 13, 23, 33}));

        Select("ColList", 1);
        Slide("sTol2", 50);
        EXPECT_EQ(model.Header.IntColours[1], (Colour{1, 12, 22, 50}));
        EXPECT_EQ(model.Header.HairColours[1], start.HairColours[1]);

        Select("ColList", 0);
        Click("RPCol");
        EXPECT_EQ(model.Header.NumPriColours, 2);
        EXPECT_EQ(model.Header.IntColours[0], (Colour{1, 12, 22, 50}));
        EXPECT_EQ(Child<QListWidget>("ColList")->count(), 2);
        EXPECT_EQ(Label("lblTol2"), "50");
        EXPECT_EQ(Label("lblHue3"), "1");

        Click("AddPCol");
        EXPECT_EQ(model.Header.NumPriColours, 3);
        EXPECT_EQ(Child<QListWidget>("ColList")->item(2)->text(), "3");
    });
    EXPECT_EQ(edit.before, start);
    EXPECT_EQ(edit.after, ColourTablesOf(model.Header));
}
