// The window layout: the 2 x 2 grid, a single view, hidden panels leaving
// the tool window's strip free, and a window too small for its panels.

#include "Layout.h"

#include <gtest/gtest.h>

using namespace mobrix::views;

namespace {

LayoutInput Window(int width, int height)
{
    LayoutInput in;
    in.clientWidth = width;
    in.clientHeight = height;
    in.statusBarHeight = 20;
    in.toolWindowWidth = 200;
    in.editWindowHeight = 150;
    in.toolBarHeight = 30;
    return in;
}

TEST(Layout, GridPlacesViewsThreeOneZeroTwo)
{
    const LayoutResult r = ComputeLayout(Window(1000, 800));
    EXPECT_EQ(r.statusBar, (Rect{0, 780, 1000, 20}));
    EXPECT_EQ(r.toolWindow, (Rect{800, 0, 200, 780}));
    EXPECT_EQ(r.editWindow, (Rect{0, 630, 800, 150}));
    EXPECT_EQ(r.toolBar, (Rect{0, 0, 800, 30}));
    EXPECT_EQ(r.viewArea, (Rect{0, 30, 800, 600}));
    EXPECT_EQ(r.views[View3D], (Rect{0, 30, 400, 300}));
    EXPECT_EQ(r.views[ViewZX], (Rect{400, 30, 400, 300}));
    EXPECT_EQ(r.views[ViewXY], (Rect{0, 330, 400, 300}));
    EXPECT_EQ(r.views[ViewZY], (Rect{400, 330, 400, 300}));
    EXPECT_FALSE(r.views[ViewUV].has_value()) << "the texture-map view keeps its place";
}

TEST(Layout, SingleViewGivesEveryViewTheWholeArea)
{
    LayoutInput in = Window(1000, 800);
    in.allViews = false;
    const LayoutResult r = ComputeLayout(in);
    for (int v = 0; v < kViewCount; ++v)
        EXPECT_EQ(r.views[v], (Rect{0, 30, 800, 600})) << v;

    EXPECT_EQ(ViewsShownByButton(1), (std::array<bool, kViewCount>{true, false, false, false, false}));
    EXPECT_EQ(ViewsShownByButton(0), (std::array<bool, kViewCount>{false, false, false, true, false}));
    EXPECT_EQ(ViewsShownByButton(4), (std::array<bool, kViewCount>{false, false, false, false, true}));
    EXPECT_EQ(ViewsShownByButton(5), (std::array<bool, kViewCount>{true, true, true, true, false}));
}

TEST(Layout, HiddenPanels)
{
    LayoutInput in = Window(1000, 800);
    in.toolWindowVisible = false;
    LayoutResult r = ComputeLayout(in);
    EXPECT_FALSE(r.toolWindow.has_value());
    // The views take the full width; editing window and tool bar still leave
    // the tool window's strip free.
    EXPECT_EQ(r.viewArea, (Rect{0, 30, 1000, 600}));
    EXPECT_EQ(r.editWindow->width, 800);
    EXPECT_EQ(r.toolBar->width, 800);

    in.editWindowVisible = false;
    r = ComputeLayout(in);
    EXPECT_FALSE(r.editWindow.has_value());
    EXPECT_EQ(r.viewArea, (Rect{0, 30, 1000, 750}));
}

TEST(Layout, TinyWindowGivesOneByOneViews)
{
    const LayoutResult r = ComputeLayout(Window(150, 60));
    // Narrower than the tool window: no panel is placed beside the views.
    EXPECT_FALSE(r.toolWindow.has_value());
    EXPECT_FALSE(r.editWindow.has_value());
    EXPECT_EQ(r.viewArea.width, 150);
    EXPECT_EQ(r.viewArea.height, 40);

    const LayoutResult tiny = ComputeLayout(Window(300, 100));
    EXPECT_EQ(tiny.viewArea.width, 100);
    EXPECT_EQ(tiny.viewArea.height, 1);
    EXPECT_EQ(tiny.views[ViewXY]->height, 0) << "each grid cell is half of the 1-pixel area";

    const LayoutResult none = ComputeLayout(Window(0, 0));
    EXPECT_EQ(none.viewArea.width, 1);
    EXPECT_EQ(none.viewArea.height, 1);
}

} // namespace
