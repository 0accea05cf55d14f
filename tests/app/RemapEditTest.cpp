// The section editor on its own: what it shows, the field rules and key
// filter, the remap view's picture and dragging, all changing the table it
// was given.

#include "Raster.h"
#include "dialogs/RemapEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace mobrix;
using namespace mobrix::app;

namespace {

class RemapEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<RemapEdit>(sections);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    template <class W = QWidget>
    W* Find(const char* name) const
    {
        return dialog->findChild<W*>(name);
    }
    QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }
    QListWidget* List() const { return Find<QListWidget>("GroupList"); }
    RemapView* View() const { return Find<RemapView>("RemapView"); }
    QRgb CanvasAt(QPointF texture) const { return View()->Canvas().pixel(View()->ToPixel(texture).toPoint()) & 0xFFFFFF; }
    void Retype(const char* field, const QString& keys)
    {
        Field(field)->setFocus();
        Field(field)->selectAll();
        QTest::keyClicks(Field(field), keys);
    }

    std::vector<RemapSection> sections = StartupRemapSections();
    std::unique_ptr<RemapEdit> dialog;
};

} // namespace

TEST_F(RemapEditTest, ShowsTheSelectedSectionAndStoresEveryChoice)
{
    EXPECT_EQ(dialog->windowTitle(), "Remap Editor");
    ASSERT_EQ(List()->count(), 7);
    EXPECT_EQ(List()->item(0)->text(), "0 - Side");
    EXPECT_EQ(List()->item(6)->text(), "6 - Other");
    EXPECT_EQ(dialog->SelectedSection(), 0);
    EXPECT_EQ(Field("uvLeft")->text(), "1.0000");
    EXPECT_EQ(Field("uvHeight")->text(), "0.2500");
    EXPECT_TRUE(Find<QRadioButton>("Orientation2")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("Flags0")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("rot90")->isChecked());

    List()->setCurrentRow(1);
    EXPECT_EQ(Find<QLineEdit>("GroupName")->text(), "Top");
    EXPECT_TRUE(Find<QRadioButton>("Orientation1")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("rot90")->isChecked());
    EXPECT_EQ(Field("uvTop")->text(), "0.7500");

    Find<QLineEdit>("GroupName")->setText("Roof");
    for (const char* name : {"Orientation0", "Flags2", "rot90"}) {
        QWidget* button = Find(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2)); // on the indicator
    }
    EXPECT_EQ(sections[1].GroupName, "Roof");
    EXPECT_EQ(List()->item(1)->text(), "1 - Top");
    EXPECT_EQ(sections[1].Orientation, 0);
    EXPECT_EQ(sections[1].MapKind, 2);
    EXPECT_EQ(sections[1].rot90, 0);
    EXPECT_EQ(sections[0], StartupRemapSections()[0]);
}

TEST_F(RemapEditTest, FieldsTakeNumbersRoundedToFourDecimalsThroughTheKeyFilter)
{
    Retype("uvWidth", "0.3x5y");
    EXPECT_FLOAT_EQ(sections[0].uvWidth, 0.35f);
    EXPECT_EQ(Field("uvWidth")->text(), "0.3500");

    // Every key rewrites the field with four decimals, the caret staying put,
    // so typing on past the fourth decimal replaces the last one.
    Retype("uvLeft", "0.12345");
    EXPECT_FLOAT_EQ(sections[0].uvLeft, 0.1235f);
    EXPECT_EQ(Field("uvLeft")->text(), "0.1235");

    Retype("uvTop", "-");
    EXPECT_EQ(sections[0].uvTop, 0.0f);
    EXPECT_EQ(Field("uvTop")->text(), "0.0000");
    Field("uvTop")->setCursorPosition(0);
    QTest::keyClicks(Field("uvTop"), "-7");
    EXPECT_FLOAT_EQ(sections[0].uvTop, -70.0f);
    Field("uvTop")->setCursorPosition(2);
    QTest::keyClicks(Field("uvTop"), "-");
    EXPECT_EQ(Field("uvTop")->text(), "-70.0000");

    EXPECT_EQ(RemapEdit::FieldValue(""), 0.0f);
    EXPECT_EQ(RemapEdit::FieldValue("abc"), 0.0f);
    EXPECT_FLOAT_EQ(RemapEdit::FieldValue("1.5.2"), 1.5f);
    EXPECT_FLOAT_EQ(RemapEdit::FieldValue("0.123456"), 0.1235f);
}

TEST_F(RemapEditTest, ViewShowsTheSectionsAndDraggingMovesTheSelectedOne)
{
    const QRgb grey = views::QBColor(7);
    const QRgb red = views::QBColor(12);
    const RemapSection& side = sections[0];
    EXPECT_EQ(CanvasAt({0.5, 0.85}), red); // Side: U 0..1, V 0.75..1
    EXPECT_EQ(CanvasAt({0.75, 0.4}), 0xFFFFFFu); // Top: U 0.5..1, V 0..0.75
    EXPECT_EQ(CanvasAt({1.03, 0.5}), grey);  // the margin

    const QPoint from = View()->ToPixel({0.5, 0.85}).toPoint();
    const QPoint to = from + QPoint(-40, 30);
    const QPointF moved = View()->ToTexture(to) - View()->ToTexture(from);
    QTest::mousePress(View(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, View()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View(), &move);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, to);

    EXPECT_NEAR(side.uvLeft, 1.0 + moved.x(), 1e-6);
    EXPECT_NEAR(side.uvTop, 1.0 + moved.y(), 1e-6);
    EXPECT_LT(moved.y(), 0);
    EXPECT_EQ(Field("uvLeft")->text(), QString::number(side.uvLeft, 'f', 4));
    EXPECT_EQ(CanvasAt({side.uvLeft - 0.05, side.uvTop - 0.05}), red);
    EXPECT_EQ(side.uvWidth, 1.0f);
}
