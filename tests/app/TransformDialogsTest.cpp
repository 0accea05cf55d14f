// The rescale and copy part dialogs on their own: captions, the bar labels,
// the values they hand back, and Copy Part staying open while the copy is
// refused.

#include "dialogs/frmCPart.h"
#include "dialogs/frmRescale.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace mobrix;
using namespace mobrix::app;

TEST(TransformDialogs, RescaleBarsShowTheirPercentAndGiveTheValues)
{
    frmRescale dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Rescale Model");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label5")->text(), "Z-Scale Factor:");
    auto* x = dialog.findChild<QScrollBar*>("XScale");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->maximum(), 200);
    EXPECT_EQ(dialog.findChild<QLabel*>("XLabel")->text(), "100 %");
    x->setValue(150);
    dialog.findChild<QScrollBar*>("ZScale")->setValue(0);
    EXPECT_EQ(dialog.findChild<QLabel*>("XLabel")->text(), "150 %");
    EXPECT_EQ(dialog.findChild<QLabel*>("Zlabel")->text(), "0 %");
    const RescalePercent percent = dialog.Percent();
    EXPECT_EQ((std::array{percent.x, percent.y, percent.z}), (std::array{150, 100, 0}));
    QTest::mouseClick(dialog.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(TransformDialogs, CopyPartAsksOnlyWithBothPartsChosenAndStaysOpenWhenRefused)
{
    std::vector<std::pair<int, int>> asked;
    bool copied = false;
    frmCPart dialog({"body", "hood", "wheel"}, [&](int from, int to) {
        asked.emplace_back(from, to);
        return copied;
    });
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Copy Part");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label3")->text(), "Copy this part:");
    auto* ok = dialog.findChild<QPushButton*>("Command2");
    EXPECT_FALSE(ok->isEnabled()) << "no part chosen yet";
    dialog.findChild<QListWidget*>("CopyFrom")->setCurrentRow(2);
    EXPECT_FALSE(ok->isEnabled());
    dialog.findChild<QListWidget*>("CopyTo")->setCurrentRow(0);
    ASSERT_TRUE(ok->isEnabled());

    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible()) << "a refused copy keeps the dialog open";
    copied = true;
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 0}, {2, 0}}));
}
