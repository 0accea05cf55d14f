#include "ViewMouse.h"

namespace mobrix::views {

namespace {

bool IsOrtho(int view)
{
    return view >= 0 && view < kOrthoViewCount;
}

int FirstVertexOf(const CarModel& m, int part)
{
    return static_cast<int>(PartVertexRange(m, part).begin);
}

} // namespace

// Asks to mark (or with Shift alone unmark) the vertices; the vertex list
// moves to the last of them.
static void MarkVertices(const CarModel& model, const std::vector<int>& vertices, int shift, MouseOutcome& out)
{
    if (!vertices.empty())
        out.vertListRow = vertices.back() - FirstVertexOf(model, model.CurrentPart);
    out.marks = MarkRequest{vertices, shift != kShift};
}

MouseOutcome ViewMouse::Press(const CarModel& model, const DrawContext& ctx, int view, int button, int shift,
                              ViewPoint at)
{
    MouseOutcome out;
    const EditModes& modes = ctx.options.Modes;
    const int part = model.CurrentPart;
    state_.DragVerts = false;
    drag_.reset();
    if (view == View3D)
        state_.LastMouse = at;

    // Picking happens in the orthographic views only: the other two views
    // do not show model coordinates.
    if (modes.Vertex && button == 1 && IsOrtho(view)) {
        const std::vector<int> hit = VerticesUnder(model, part, view, at);
        MarkVertices(model, hit, shift, out);
        // A press that takes hold of a vertex starts a drag.
        state_.DragVerts = !hit.empty() && shift != kShift;
    }
    if (modes.Dummy && IsOrtho(view)) {
        if (const auto d = DummyUnder(model, view, at))
            out.dummy = *d;
        out.redrawDummies = true;
    }
    if (modes.Triangle && IsOrtho(view)) {
        const int first = static_cast<int>(PartTriangleRange(model, part).begin);
        for (const int t : TrianglesUnder(model, ctx.options, part, view, at)) {
            ReDrawTri(ctx, t);
            out.triListRow = t - first;
        }
    }
    state_.Anchor = at;
    state_.BandCorner = at;
    state_.BandShown = false;
    return out;
}

MouseOutcome ViewMouse::Move(const CarModel& model, const DrawContext& ctx, int view, int button, ViewPoint at)
{
    MouseOutcome out;
    if (!ctx.options.Modes.Vertex || !IsOrtho(view))
        return out;
    const int part = model.CurrentPart;
    if (!state_.DragVerts) {
        if (button == 1) {
            if (state_.BandShown)
                InvertBand(ctx, view, state_.Anchor, state_.BandCorner);
            InvertBand(ctx, view, state_.Anchor, at);
            state_.BandShown = true;
            state_.BandCorner = at;
        }
        const auto hover = FirstVertexUnder(model, part, view, at);
        out.status = hover ? HoverText(model, *hover) : std::string();
    } else if (button == 1) {
        if (!drag_ || !drag_->Fits(model, part))
            drag_ = PrepareDrag(model, part);
        out.drag = DragRequest{view, at.h - state_.Anchor.h, at.v - state_.Anchor.v};
        state_.Anchor = at;
    }
    return out;
}

MouseOutcome ViewMouse::Release(const CarModel& model, const DrawContext& ctx, int view, int button, int shift,
                                ViewPoint at)
{
    MouseOutcome out;
    if (!ctx.options.Modes.Vertex || button != 1 || !IsOrtho(view))
        return out;
    const int part = model.CurrentPart;
    if (state_.DragVerts) {
        out.dragEnded = true;
        out.refreshVertexFields = true;
        return out;
    }
    if (state_.BandShown)
        InvertBand(ctx, view, state_.Anchor, state_.BandCorner);
    state_.BandShown = false;
    MarkVertices(model, VerticesInBand(model, part, view, MakeBand(state_.Anchor, at)), shift, out);
    out.status = std::string();
    out.redrawPartVertices = true;
    return out;
}

} // namespace mobrix::views
