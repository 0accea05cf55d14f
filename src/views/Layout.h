#pragma once
// The arrangement of the main window: status bar along the bottom, tool
// window along the right edge, editing window above the status bar, tool bar
// at the top, and the views in the rest, as a 2 x 2 grid or one view alone.
// A plain function of the sizes, so the window only applies what it returns.

#include "ViewGeometry.h"

#include <array>
#include <optional>

namespace mobrix::views {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct LayoutInput {
    int clientWidth = 0;  // S
    int clientHeight = 0; // T
    int statusBarHeight = 0;
    bool toolWindowVisible = true;
    int toolWindowWidth = 0;
    bool editWindowVisible = true;
    int editWindowHeight = 0;
    bool toolBarVisible = true;
    int toolBarHeight = 0;
    bool allViews = true; // the 2 x 2 grid, else one view fills the area
};

// What to place. A panel or view that is not placed keeps its old geometry.
struct LayoutResult {
    Rect statusBar;
    std::optional<Rect> toolWindow;
    std::optional<Rect> editWindow;
    std::optional<Rect> toolBar;
    Rect viewArea; // never smaller than 1 x 1
    std::array<std::optional<Rect>, kViewCount> views;
};

LayoutResult ComputeLayout(const LayoutInput& in);

// Which views the view buttons "3D", "XY", "ZX", "ZY", "UV" (0..4) and
// "All" (5) make visible.
std::array<bool, kViewCount> ViewsShownByButton(int button);

// The button index of each view member: "3D" 0, "XY" 1, "ZX" 2, "ZY" 3, "UV" 4.
inline constexpr std::array<int, kViewCount> kViewOfButton{View3D, ViewXY, ViewZX, ViewZY, ViewUV};
inline constexpr int kAllViewsButton = 5;

} // namespace mobrix::views
