#pragma once
// The mouse in the orthographic views: picking vertices, dummies and
// triangles, the rubber band, and dragging the selected vertices. The
// window passes each button press, pointer move and button release with the
// position in the view's model coordinates and applies what comes back to
// its lists and status line; everything drawn goes into the canvases.
//
// Buttons and the shift state are bit sets: button 1 left, 2 right, 4
// middle; shift 1 Shift, 2 Ctrl, 4 Alt. A left press is `button == 1`, a
// Shift-click `shift == 1` (Shift alone), a move with the left button held
// `button == 1`.

#include "ViewDrawing.h"
#include "ViewEditing.h"

#include <optional>
#include <string>

namespace mobrix::views {

// What the window shows after a mouse event.
struct MouseOutcome {
    std::optional<int> vertListRow; // the vertex list moves to this entry (part-relative)
    std::optional<int> triListRow;  // the triangle list moves to this entry (part-relative)
    std::optional<int> dummy;       // this dummy became the current one
    std::optional<std::string> status; // the status line's new text ("" clears it)
    bool refreshVertexFields = false;  // the vertex editor shows moved coordinates
};

struct MouseState {
    bool DragVerts = false;  // a vertex drag is in progress
    ViewPoint Anchor;        // the last press; during a drag, the previous move
    ViewPoint BandCorner;    // far corner of the rubber band as last drawn
    bool BandShown = false;  // the band's outline is in the canvas now
    ViewPoint LastMouse;     // last press in the perspective view
};

class ViewMouse {
public:
    MouseOutcome Press(CarModel& model, const DrawContext& ctx, int view, int button, int shift, ViewPoint at);
    MouseOutcome Move(CarModel& model, const DrawContext& ctx, int view, int button, ViewPoint at);
    MouseOutcome Release(CarModel& model, const DrawContext& ctx, int view, int button, int shift, ViewPoint at);

    // The views were cleared and drawn again: no band outline is left to
    // erase.
    void CanvasesRedrawn() { state_.BandShown = false; }

    // Vertex marks changed outside the mouse (a key during a drag): the
    // next drag step looks at them again.
    void MarksChanged() { drag_.reset(); }

    const MouseState& State() const { return state_; }

private:
    void SetMarks(CarModel& model, const DrawContext& ctx, const std::vector<int>& vertices, int shift,
                  MouseOutcome& out);

    MouseState state_;
    std::optional<DragSet> drag_; // what the drag in progress moves and redraws
};

} // namespace mobrix::views
