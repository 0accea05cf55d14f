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

// Marks (or with Shift alone unmarks) the vertices, redraws each and moves
// the vertex list to it.
void ViewMouse::SetMarks(CarModel& model, const DrawContext& ctx, const std::vector<int>& vertices, int shift,
                         MouseOutcome& out)
{
    const int part = model.CurrentPart;
    const int first = FirstVertexOf(model, part);
    for (const int i : vertices) {
        const auto k = static_cast<std::size_t>(i);
        if (k < model.VertSelected.size())
            model.VertSelected[k] = shift == kShift ? 0 : -1;
        ReDrawVert(ctx, part, i, QBColor(12), Complement(QBColor(12)), kBlack);
        out.vertListRow = i - first;
    }
}

MouseOutcome ViewMouse::Press(CarModel& model, const DrawContext& ctx, int view, int button, int shift,
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
        SetMarks(model, ctx, hit, shift, out);
        // A press that takes hold of a vertex starts a drag.
        state_.DragVerts = !hit.empty() && shift != kShift;
    }
    if (modes.Dummy && IsOrtho(view)) {
        if (const auto d = DummyUnder(model, view, at)) {
            model.CurrentDummy = static_cast<std::int16_t>(*d);
            out.dummy = *d;
        }
        DrawDummies(ctx);
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

MouseOutcome ViewMouse::Move(CarModel& model, const DrawContext& ctx, int view, int button, ViewPoint at)
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
        DragSelectedVertices(model, ctx, *drag_, at.h - state_.Anchor.h, at.v - state_.Anchor.v);
        state_.Anchor = at;
    }
    return out;
}

MouseOutcome ViewMouse::Release(CarModel& model, const DrawContext& ctx, int view, int button, int shift,
                                ViewPoint at)
{
    MouseOutcome out;
    if (!ctx.options.Modes.Vertex || button != 1 || !IsOrtho(view))
        return out;
    const int part = model.CurrentPart;
    if (state_.DragVerts) {
        drag_.reset();
        RepairDraggedPart(ctx, part);
        out.refreshVertexFields = true;
        return out;
    }
    if (state_.BandShown)
        InvertBand(ctx, view, state_.Anchor, state_.BandCorner);
    state_.BandShown = false;
    SetMarks(model, ctx, VerticesInBand(model, part, view, MakeBand(state_.Anchor, at)), shift, out);
    out.status = std::string();
    DrawVerts(ctx, part, QBColor(12));
    return out;
}

} // namespace mobrix::views
