// The "3D View" menu in the real window: the previews take the fourth
// view's place from the file information list, one at a time, and follow
// the document's edits.

#include "AppFixture.h"

#include "PreviewGL.h"
#include "PreviewWire.h"

#include <QPointer>
#include <QWindow>

#include <set>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class PreviewWindow : public AppTest {
protected:
    void StartWithCar()
    {
        Start();
        Open(nfs4Path, kOpenNfs4);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // The preview of that kind on show in view 3, or null.
    template <class Preview>
    Preview* Shown() const
    {
        for (Preview* p : Widget("View3")->findChildren<Preview*>())
            if (p->isVisible())
                return p;
        return nullptr;
    }
    bool FileInfoShown() const { return Widget("FileInfo")->isVisible(); }
};

TEST_F(PreviewWindow, KeysTurnOnePreviewAtATimeInPlaceOfTheFileInformation)
{
    StartWithCar();
    const QWindow* window = form->windowHandle();
    const WId nativeWindow = form->winId();
    QTest::keyClick(form.get(), Qt::Key_F6);
    EXPECT_NE(Shown<preview::PreviewWire>(), nullptr);
    EXPECT_FALSE(FileInfoShown());

    // F5 turns the wireframe off first.
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(Shown<preview::PreviewWire>(), nullptr);
    EXPECT_FALSE(Action("mnuPView2")->isChecked());
    auto* gl = Shown<preview::PreviewGL>();
    ASSERT_NE(gl, nullptr);
    EXPECT_FALSE(FileInfoShown());
    EXPECT_EQ(gl->geometry(), Widget("View3")->rect().adjusted(2, 2, -2, -2));
    // The window was made for OpenGL from the start: the first preview
    // neither makes it anew nor takes the keyboard away.
    EXPECT_EQ(form->windowHandle(), window);
    EXPECT_EQ(form->winId(), nativeWindow);
    EXPECT_TRUE(form->isActiveWindow());

    // The car on grey, lit: many shades. Unlit ("Lighting" off) it is
    // white, the other parts dimmed and the grey.
    auto shades = [&] {
        const QImage frame = gl->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(frame.pixel(1, 1), qRgb(100, 100, 100));
        std::set<QRgb> seen;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                seen.insert(frame.pixel(x, y));
        return seen;
    };
    EXPECT_GT(shades().size(), 20u);
    Trigger("mnuLighting");
    const std::set<QRgb> unlit = shades();
    EXPECT_LE(unlit.size(), 3u);
    EXPECT_TRUE(unlit.count(qRgb(255, 255, 255)));

    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(Shown<preview::PreviewGL>(), nullptr);
    EXPECT_TRUE(FileInfoShown());
}

TEST_F(PreviewWindow, WireframeRedrawsAfterAMoveAndItsUndo)
{
    StartWithCar();
    Trigger("mnuPView2");
    auto* wire = Shown<preview::PreviewWire>();
    ASSERT_NE(wire, nullptr);
    const QImage before = wire->Canvas();

    const CarModel& m = form->Model();
    const IndexRange range = PartVertexRange(m, m.CurrentPart);
    std::vector<std::int32_t> indices;
    std::vector<Vec3> after;
    for (std::int64_t i = range.begin; i < range.end; ++i) {
        indices.push_back(static_cast<std::int32_t>(i));
        Vec3 v = m.Vertices[static_cast<std::size_t>(i)];
        v.X += 0.3f;
        v.Y += 0.2f;
        after.push_back(v);
    }
    form->Doc().MoveVertices("Move", m.CurrentPart, indices, after, Document::MergeKey::None);
    EXPECT_NE(wire->Canvas(), before);
    Trigger("mnuUndo");
    EXPECT_EQ(wire->Canvas(), before);
}

// Run by ctest a second time on an X server without OpenGL; in the
// ordinary run it has nothing to do.
TEST_F(PreviewWindow, WithoutOpenGLTheStatusLineSaysSoAndTheListStays)
{
    if (preview::PreviewGL::OpenGLAvailable())
        GTEST_SKIP() << "OpenGL is available";
    StartWithCar();
    Trigger("mnuPView");
    EXPECT_EQ(Status(), preview::PreviewGL::NoOpenGLMessage());
    EXPECT_FALSE(Action("mnuPView")->isChecked());
    EXPECT_EQ(Shown<preview::PreviewGL>(), nullptr);
    EXPECT_TRUE(FileInfoShown());
}

// The window goes with the OpenGL preview on, and after it was turned off
// (its widget then waits for deletion).
TEST_F(PreviewWindow, WindowGoesWithThePreviewOnAndAfterItWasTurnedOff)
{
    if (!preview::PreviewGL::OpenGLAvailable())
        GTEST_SKIP() << "no OpenGL";
    for (const bool leaveOn : {true, false}) {
        StartWithCar();
        Trigger("mnuPView");
        ASSERT_NE(Shown<preview::PreviewGL>(), nullptr);
        if (!leaveOn)
            Trigger("mnuPView");
        QPointer<Form1> watched(form.get());
        form.reset();
        EXPECT_TRUE(watched.isNull());
    }
}

} // namespace
