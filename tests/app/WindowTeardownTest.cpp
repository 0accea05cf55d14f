// The main window taken down in each of its modes. Every object that watches
// or calls another must be gone before what it watches; the sanitizer build
// turns any read of a freed panel into a failure here.

#include "AppFixture.h"
#include "dialogs/RemapEdit.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class WindowTeardown : public AppTest {
protected:
    void StartWithCar()
    {
        Start();
        Open(nfs4Path, kOpenNfs4);
    }
    // Destroys the window as the end of the program does.
    void TakeDown()
    {
        QPointer<Form1> watched(form.get());
        form.reset();
        QApplication::processEvents();
        EXPECT_TRUE(watched.isNull());
    }
};

TEST_F(WindowTeardown, GoesCleanlyEmptyWithACarAndWithTheWireframe)
{
    Start();
    TakeDown();

    StartWithCar();
    TakeDown();

    StartWithCar();
    Trigger("mnuPView2");
    ASSERT_TRUE(Action("mnuPView2")->isChecked());
    TakeDown();
}

// The window may go while a modal editor runs its own loop: the editor goes
// with it, and the handler that opened it must not touch the freed panels
// once the loop returns.
TEST_F(WindowTeardown, GoesWhileTheSectionEditorIsOpen)
{
    StartWithCar();
    Trigger("mnuUVEdit");
    Click("CmdTriSide1");
    QPointer<QWidget> editor;
    dialogs.Work([](QDialog& shown) { shown.exec(); });
    QTimer::singleShot(0, [&] {
        editor = qobject_cast<RemapEdit*>(QApplication::activeModalWidget());
        ASSERT_FALSE(editor.isNull());
        form.reset();
    });
    Click("Command7");
    EXPECT_FALSE(form) << "the window was taken down from inside the editor";
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
