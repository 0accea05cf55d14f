#pragma once
// A real main window with a scripted dialog service, a private Mobrix.ini
// and sample car files in a temporary folder.

#include "FceFiles.h"
#include "Form1.h"
#include "SampleCar.h"
#include "support/Latin1.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

// The entries of the Open dialog: the first reads either variant by the
// file's magic, the other two force one.
inline constexpr int kOpenEitherVariant = 1;
inline constexpr int kOpenNfs3 = 2;
inline constexpr int kOpenNfs4 = 3;

// The model without the marks and the current entries, which are the
// user's place rather than the model's content.
inline mobrix::CarModel Content(mobrix::CarModel m)
{
    m.VertSelected.clear();
    m.TriState.clear();
    m.CurrentPart = m.CurrentDummy = 0;
    return m;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nfs3Path = dir.File("car3.fce");
        nfs4Path = dir.File("car4.fce");
        mobrix::CarModel sample = mobrix::BuildSampleCar();
        ASSERT_FALSE(mobrix::SaveFCE4(sample, nfs4Path));
        sample = mobrix::BuildSampleCar();
        ASSERT_FALSE(mobrix::SaveFCE3(sample, nfs3Path));
        iniPath = dir.File("Mobrix.ini");
    }

    void TearDown() override
    {
        if (form) {
            EXPECT_TRUE(dialogs.ScriptDone()) << "scripted answers left over";
        }
    }

    // Creates and shows the window (after the test has written any ini).
    mobrix::app::Form1& Start()
    {
        form = std::make_unique<mobrix::app::Form1>(mobrix::app::Form1Setup{&dialogs, iniPath});
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return *form;
    }

    QAction* Action(const char* name) const
    {
        auto* a = form->findChild<QAction*>(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    template <class W = QWidget>
    W* Widget(const QString& name) const
    {
        auto* w = form->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void Trigger(const char* action) { Action(action)->trigger(); }
    void Click(const QString& button) { QTest::mouseClick(Widget<QPushButton>(button), Qt::LeftButton); }

    void Open(const std::string& path, int filter)
    {
        dialogs.Choose(QString::fromStdString(path), filter);
        Trigger("mnuOpen");
    }

    QString Status() const { return Widget<QLabel>("Status")->text(); }
    QStringList PartListTexts() const
    {
        QStringList texts;
        auto* list = Widget<QListWidget>("PartList");
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    int Rows(const QString& list) const { return Widget<QListView>(list)->model()->rowCount(); }
    std::vector<QAction*> VisibleQuickLoads() const
    {
        std::vector<QAction*> visible;
        for (QAction* a : form->findChildren<QAction*>("mnuQuickLoad"))
            if (a->isVisible())
                visible.push_back(a);
        return visible;
    }

    // The last box shown must be this message.
    void ExpectMessage(const QString& title, const QString& text, mobrix::app::MessageIcon icon)
    {
        ASSERT_FALSE(dialogs.Shown().empty());
        const ShownBox& box = dialogs.Last();
        ASSERT_EQ(box.kind, ShownBox::Kind::Message);
        EXPECT_EQ(box.message.title, title);
        EXPECT_EQ(box.message.text, text);
        EXPECT_EQ(box.message.icon, icon);
    }

    TempDir dir;
    std::string nfs3Path;
    std::string nfs4Path;
    std::string iniPath;
    ScriptedDialogs dialogs;
    std::unique_ptr<mobrix::app::Form1> form;
};

} // namespace testing_support
