// Autosave and recovery through the real window: what the question offers
// and what each answer does, which copies a start finds, and when a copy
// goes. A session "crashes" here by its window being destroyed without
// being closed, which leaves its copy as a killed process would.

#include "AppFixture.h"

#include "RemapSections.h"

#include <filesystem>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class RecoveryWindow : public AppTest {
protected:
    std::unique_ptr<Form1> NewWindow()
    {
        auto window = std::make_unique<Form1>(Form1Setup{&dialogs, iniPath, recovery, 1});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    void StartWindow() { form = NewWindow(); }

    // The window's model, edited and copied: its file encoded as the
    // copy holds it.
    std::vector<std::uint8_t> EditAndWaitForCopy(Form1& window, int copiesBefore)
    {
        window.findChild<QAction*>("mnuWind")->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Copies() > copiesBefore; }, 5000)) << "no recovery copy";
        return EncodeFCE4(window.Model()).bytes;
    }

    int Copies() const
    {
        int copies = 0;
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(recovery, ec))
            copies += fs::exists(e.path() / "copy.ini") ? 1 : 0;
        return copies;
    }
    int Folders() const
    {
        std::error_code ec;
        const auto entries = fs::directory_iterator(recovery, ec);
        return ec ? 0 : static_cast<int>(std::distance(fs::begin(entries), fs::end(entries)));
    }

    std::string recovery = dir.File("recovery");
};

TEST_F(RecoveryWindow, ACrashedSessionsCopyIsRecoveredModifiedAndSaveWritesItsFile)
{
    StartWindow();
    Open(nfs4Path, kOpenNfs4);
    RemapSections sections = form->Doc().Sections();
    sections[2].GroupName = "Roof";
    form->Doc().SetSections("Edit Sections", sections);
    const std::vector<std::uint8_t> edited = EditAndWaitForCopy(*form, 0);
    EXPECT_NE(edited, ReadBytes(nfs4Path));
    form.reset(); // the crash

    dialogs.Forget();
    dialogs.Press(0);
    StartWindow();
    EXPECT_TRUE(form->OfferRecovery());
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    const ShownBox& box = dialogs.Last();
    EXPECT_EQ(box.kind, ShownBox::Kind::Buttons);
    EXPECT_EQ(box.choice.title, "Recovery");
    EXPECT_EQ(box.choice.items, QStringList({"Recover", "Open original", "Discard"}));
    EXPECT_TRUE(box.choice.prompt.startsWith("A recovery copy of car4.fce (written ")) << box.choice.prompt.toStdString();

    EXPECT_EQ(EncodeFCE4(form->Model()).bytes, edited);
    EXPECT_EQ(form->Doc().Sections(), sections);
    EXPECT_EQ(form->Model().FileName, nfs4Path);
    EXPECT_EQ(Widget<QListWidget>("FileInfo")->item(0)->text(),
              QString::fromStdString("File information for '" + nfs4Path + "'"));
    EXPECT_TRUE(form->isWindowModified());
    EXPECT_TRUE(Action("mnuSave")->isEnabled());

    Trigger("mnuSave");
    EXPECT_EQ(ReadBytes(nfs4Path), edited);
    EXPECT_EQ(Copies(), 0) << "Save keeps no copy";
    dialogs.Yes();
    form->close();
    EXPECT_EQ(Folders(), 0) << "a clean exit leaves nothing behind";
}

TEST_F(RecoveryWindow, EveryLeftCopyIsOfferedButNoneOfARunningSession)
{
    // Two sessions that crashed, and one that runs on.
    for (const std::string& path : {nfs3Path, nfs4Path}) {
        StartWindow();
        Open(path, kOpenEitherVariant);
        EditAndWaitForCopy(*form, Copies());
        form.reset();
    }
    std::unique_ptr<Form1> running = NewWindow();
    dialogs.Choose(QString::fromStdString(nfs4Path), kOpenNfs4);
    running->findChild<QAction*>("mnuOpen")->trigger();
    EditAndWaitForCopy(*running, 2);

    // The first copy offered is discarded, the second opens its original.
    dialogs.Forget();
    dialogs.Press(2);
    dialogs.Press(1);
    StartWindow();
    EXPECT_TRUE(form->OfferRecovery());
    ASSERT_EQ(dialogs.Shown().size(), 2u);
    const QString second = dialogs.Last().choice.prompt;
    const std::string opened = second.contains("car3.fce") ? nfs3Path : nfs4Path;
    EXPECT_NE(dialogs.Shown()[0].choice.prompt.contains("car3.fce"), second.contains("car3.fce"));
    EXPECT_EQ(form->Model().FileName, opened);
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_EQ(Copies(), 1) << "only the running session's copy is left";

    // Undoing back to the saved state drops the running session's copy.
    running->Doc().History().undo();
    EXPECT_EQ(Copies(), 0);
    running.reset();
}

} // namespace
