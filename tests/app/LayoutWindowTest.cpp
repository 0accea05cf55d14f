// The layout of the real window: the grid, single views chosen with the view
// buttons, hidden panels, and a window too small for its panels.

#include "AppFixture.h"

#include <QMenu>

using namespace mobrix;
using namespace mobrix::app;
using namespace testing_support;

namespace {

class LayoutWindow : public AppTest {
protected:
    QWidget* View(int v) const { return Widget(QString("View%1").arg(v)); }
    QWidget* Client() const { return form->centralWidget(); }
    // Resizes the window and lets the window system's resize events, which
    // lay the window out, arrive.
    void ResizeTo(QSize size)
    {
        form->resize(size);
        for (int i = 0; i < 100 && form->size() != size; ++i)
            QTest::qWait(20);
        QTest::qWait(20);
        ASSERT_EQ(form->size(), size);
    }
};

TEST_F(LayoutWindow, GridThenSingleViewsThenGridAgain)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const QRect area(0, Widget("ToolBar")->height(), Widget("ToolWindow")->x(),
                     Widget("ObjWindow")->y() - Widget("ToolBar")->height());
    EXPECT_EQ(View(3)->geometry(), QRect(area.x(), area.y(), area.width() / 2, area.height() / 2));
    EXPECT_EQ(View(1)->geometry().topLeft(), QPoint(area.width() / 2, area.y()));
    EXPECT_EQ(View(0)->geometry().topLeft(), QPoint(0, area.y() + area.height() / 2));
    EXPECT_EQ(View(2)->geometry().topLeft(), QPoint(area.width() / 2, area.y() + area.height() / 2));
    EXPECT_FALSE(View(4)->isVisible());
    EXPECT_TRUE(Widget("cmdView5")->font().bold());

    Click("cmdView2"); // "ZX"
    for (int v = 0; v < views::kViewCount; ++v)
        EXPECT_EQ(View(v)->isVisible(), v == views::ViewZX) << v;
    EXPECT_EQ(View(1)->geometry(), area);
    EXPECT_TRUE(Widget("cmdView2")->font().bold());
    EXPECT_FALSE(Widget("cmdView5")->font().bold());
    // The single view is drawn at its new size: the current part's first
    // corner is black there.
    const views::ViewSurface& zx = form->Surfaces()[views::ViewZX];
    EXPECT_EQ(zx.canvas.size(), area.size() - QSize(4, 4));
    const CarModel& m = form->Model();
    const Vec3 corner = m.Vertices[static_cast<std::size_t>(m.Triangles[0].I1)];
    const views::PixelMapping map(form->Views().State.Scale[views::ViewZX], zx.canvas.width(), zx.canvas.height());
    EXPECT_EQ(zx.canvas.pixel(map.PixelX(corner.Z + m.Header.PartPos[0].Z), map.PixelY(corner.X + m.Header.PartPos[0].X)),
              qRgb(0, 0, 0));

    Click("cmdView4"); // "UV"
    EXPECT_TRUE(View(4)->isVisible());
    Click("cmdView5"); // "All"
    EXPECT_FALSE(View(4)->isVisible());
    for (int v = 0; v < 4; ++v)
        EXPECT_TRUE(View(v)->isVisible()) << v;
    EXPECT_EQ(View(3)->size(), QSize(area.width() / 2, area.height() / 2));
}

TEST_F(LayoutWindow, ASingleViewKeepsSquarePixelsWhenTheWindowIsResized)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    ASSERT_TRUE(Action("mnuAspect")->isChecked());
    Click("cmdView1"); // "XY" alone: view 1, whose proportions set the fit, is hidden
    for (const QSize size : {QSize(1200, 640), QSize(900, 780)}) {
        ResizeTo(size);
        const views::ViewSurface& xy = form->Surfaces()[views::ViewXY];
        const views::PixelMapping map(form->Views().State.Scale[views::ViewXY], xy.canvas.width(), xy.canvas.height());
        // Pixels per unit across and up agree up to the 2-pixel borders.
        EXPECT_NEAR(-map.ScaleY() / map.ScaleX(), 1.0, 0.01) << size.width() << " x " << size.height();
    }
}

TEST_F(LayoutWindow, AViewShownByTheWindowSystemIsRedrawnFromTheModel)
{
    Start();
    Open(nfs4Path, kOpenNfs4);
    const views::ViewSurface& xy = form->Surfaces()[views::ViewXY];
    const QImage drawn = xy.canvas.copy();
    // Spoil the canvas behind the window's back, then let the window system
    // show the view again: what it paints is the model, not the spoiled canvas.
    const_cast<QImage&>(xy.canvas).fill(Qt::red);
    View(0)->hide();
    View(0)->show();
    QTest::qWait(50);
    EXPECT_EQ(xy.canvas, drawn);
}

TEST_F(LayoutWindow, HiddenPanelsLeaveTheToolWindowsStrip)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    const int strip = Widget("ToolWindow")->width();
    Trigger("mnuTWin");
    EXPECT_FALSE(Action("mnuTWin")->isChecked());
    EXPECT_FALSE(Widget("ToolWindow")->isVisible());
    EXPECT_EQ(View(1)->geometry().right() + 1, Client()->width()) << "the views take the whole width";
    EXPECT_EQ(Widget("ObjWindow")->width(), Client()->width() - strip);
    EXPECT_EQ(Widget("ToolBar")->width(), Client()->width() - strip);

    Trigger("mnuEWin");
    EXPECT_FALSE(Widget("ObjWindow")->isVisible());
    // Grid cells are half the area each, rounded down.
    EXPECT_NEAR(View(0)->geometry().bottom() + 1, Widget("StatusBar")->y(), 1);

    Trigger("mnuEWin");
    Trigger("mnuTWin");
    EXPECT_TRUE(Widget("ObjWindow")->isVisible());
    EXPECT_TRUE(Widget("ToolWindow")->isVisible());
    EXPECT_NEAR(View(0)->geometry().bottom() + 1, Widget("ObjWindow")->y(), 1);
}

TEST_F(LayoutWindow, TinyWindowKeepsViewsAtLeastOnePixel)
{
    Start();
    Open(nfs3Path, kOpenNfs3);
    form->setMinimumSize(0, 0);
    ResizeTo(QSize(240, 120));
    Click("cmdView1");
    EXPECT_GE(View(0)->width(), 1);
    EXPECT_EQ(View(0)->height(), 1);
    EXPECT_FALSE(form->Surfaces()[views::ViewXY].canvas.isNull());

    // Back to a normal size, everything is placed again.
    ResizeTo(QSize(1000, 700));
    EXPECT_GT(View(0)->height(), 100);
}

} // namespace
