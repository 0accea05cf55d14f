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

// A drag step the user asked for: the selected vertices move by (dh, dv)
// in the plane of `view`.
struct DragRequest {
    int view = 0;
    float dh = 0;
    float dv = 0;
};

// Vertex marks the user set (or with Shift alone cleared).
struct MarkRequest {
    std::vector<int> vertices; // indices into Vertices
    bool selected = true;
};

// What the user asked for with a mouse event, and what the window shows
// afterwards. The mouse never changes the model: the window carries out the
// requests, then draws.
struct MouseOutcome {
    std::optional<MarkRequest> marks; // then the marked points are drawn again
    bool redrawPartVertices = false;  // and the part's points after a band
    std::optional<DragRequest> drag;
    bool dragEnded = false;           // the drag's button came up
    bool redrawDummies = false;       // after the current dummy changed
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
    MouseOutcome Press(const CarModel& model, const DrawContext& ctx, int view, int button, int shift, ViewPoint at);
    MouseOutcome Move(const CarModel& model, const DrawContext& ctx, int view, int button, ViewPoint at);
    MouseOutcome Release(const CarModel& model, const DrawContext& ctx, int view, int button, int shift,
                         ViewPoint at);

    // The views were cleared and drawn again: no band outline is left to
    // erase.
    void CanvasesRedrawn() { state_.BandShown = false; }

    // Vertex marks changed outside the mouse (a key during a drag): the
    // next drag step looks at them again.
    void MarksChanged() { drag_.reset(); }

    const MouseState& State() const { return state_; }
    // What the drag in progress moves and redraws.
    const std::optional<DragSet>& Drag() const { return drag_; }

private:

    MouseState state_;
    std::optional<DragSet> drag_; // what the drag in progress moves and redraws
};

} // namespace mobrix::views
