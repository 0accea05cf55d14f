#include "Layout.h"

#include <algorithm>

namespace mobrix::views {

LayoutResult ComputeLayout(const LayoutInput& in)
{
    const int S = in.clientWidth;
    const int T = in.clientHeight;
    LayoutResult out;

    out.statusBar = Rect{0, T - in.statusBarHeight, S, in.statusBarHeight};

    int W = S;
    int H = T - in.statusBarHeight;
    if (in.toolWindowVisible && S > in.toolWindowWidth) {
        out.toolWindow = Rect{S - in.toolWindowWidth, 0, in.toolWindowWidth, T - in.statusBarHeight};
        W = S - in.toolWindowWidth;
    }

    // The editing window and the tool bar leave the tool window's strip free
    // even while the tool window is hidden.
    if (in.editWindowVisible && S > in.toolWindowWidth) {
        out.editWindow = Rect{0, T - in.statusBarHeight - in.editWindowHeight, S - in.toolWindowWidth,
                              in.editWindowHeight};
        H -= in.editWindowHeight;
    }

    int y0 = 0;
    if (in.toolBarVisible && S > in.toolWindowWidth) {
        out.toolBar = Rect{0, 0, S - in.toolWindowWidth, in.toolBarHeight};
        H -= in.toolBarHeight;
        y0 = in.toolBarHeight;
    }

    W = std::max(W, 1);
    H = std::max(H, 1);
    out.viewArea = Rect{0, y0, W, H};

    if (in.allViews) {
        const int w = W / 2;
        const int h = H / 2;
        out.views[View3D] = Rect{0, y0, w, h};
        out.views[ViewZX] = Rect{w, y0, w, h};
        out.views[ViewXY] = Rect{0, y0 + h, w, h};
        out.views[ViewZY] = Rect{w, y0 + h, w, h};
    } else {
        for (auto& view : out.views)
            view = out.viewArea;
    }
    return out;
}

std::array<bool, kViewCount> ViewsShownByButton(int button)
{
    std::array<bool, kViewCount> shown{};
    if (button == kAllViewsButton) {
        shown[ViewXY] = shown[ViewZX] = shown[ViewZY] = shown[View3D] = true;
    } else if (button >= 0 && button < kViewCount) {
        shown[static_cast<std::size_t>(kViewOfButton[static_cast<std::size_t>(button)])] = true;
    }
    return shown;
}

} // namespace mobrix::views
