// The open file changed or removed by another program: the window says so
// when it is active again, offers to reload, keeps unsaved edits when the
// user refuses, and takes no notice of its own saves.

#include "AppFixture.h"
#include "commands/FileWatch.h"

#include <QApplication>

#include <cstdio>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class FileWatchWindow : public AppTest {
protected:
    // The window becomes active again, as when the user comes back to it.
    void ComeBack()
    {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(form.get(), &activate);
        QTest::qWait(20);
    }
    void MovePart(float dx)
    {
        ASSERT_TRUE(form->Doc().EditHeader("Move Part", Change{.parts = true}, [dx](CarModel& m) {
            m.Header.PartPos[0].X += dx;
            return true;
        }));
    }
    float PartX() const { return form->Model().Header.PartPos[0].X; }
};

TEST_F(FileWatchWindow, AnOutsideChangeIsOfferedForReloadingOwnSavesAreNot)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const float opened = PartX();

    // Replaced by renaming a new file over it, as editors and the safe save do.
    CarModel other = BuildSampleCar();
    other.Header.PartPos[0].X = opened + 5;
    ASSERT_FALSE(SaveFCE4(other, nfs4Path));
    dialogs.Yes();
    ComeBack();
    ExpectMessage(kFileChangedTitle, "The file car4.fce was changed by another program.\rReload it?",
                  MessageIcon::Question);
    EXPECT_EQ(PartX(), opened + 5);
    EXPECT_FALSE(form->isWindowModified());

    const std::size_t boxes = dialogs.Shown().size();
    MovePart(1);
    Trigger("mnuSave");
    ComeBack();
    EXPECT_EQ(dialogs.Shown().size(), boxes) << "the program's own save asked";

    // Rewritten in place with unsaved edits: refusing keeps them.
    MovePart(2);
    WriteBytes(nfs4Path, ReadBytes(nfs3Path));
    dialogs.No();
    ComeBack();
    ExpectMessage(kFileChangedTitle,
                  "The file car4.fce was changed by another program.\rReload it and lose the changes you have not "
                  "saved?",
                  MessageIcon::Exclamation);
    EXPECT_EQ(PartX(), opened + 8);
    EXPECT_TRUE(form->Doc().History().canUndo());
    EXPECT_TRUE(form->isWindowModified());

    // Each change is told once.
    ComeBack();
    EXPECT_EQ(dialogs.Shown().size(), boxes + 1);
}

TEST_F(FileWatchWindow, ARemovedFileIsReportedAndTheModelStaysOpenModified)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const std::size_t parts = PartListTexts().size();
    ASSERT_EQ(std::remove(nfs3Path.c_str()), 0);
    dialogs.Ok();
    ComeBack();
    ExpectMessage(kFileRemovedTitle,
                  "The file car3.fce was deleted or moved by another program.\rThe model stays open; save it to keep "
                  "it.",
                  MessageIcon::Exclamation);
    EXPECT_EQ(PartListTexts().size(), parts);
    EXPECT_TRUE(form->isWindowModified());
}

} // namespace
