#include "panels/ViewInput.h"

#include "Layout.h"
#include "PartsDummies.h"
#include "Remap.h"
#include "TexturePoints.h"
#include "VertexEditor.h"
#include "ViewWidget.h"
#include "panels/ViewsPanel.h"
#include "support/Latin1.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace mobrix::app {

namespace {

bool IsOrtho(int view)
{
    return view >= 0 && view < views::kOrthoViewCount;
}

} // namespace

ViewInput::ViewInput(Document& doc, StatusLine& status, ViewsPanel& views, QObject* parent)
    : QObject(parent), doc_(doc), status_(status), views_(views)
{
    for (int v = 0; v < views::kViewCount; ++v)
        Connect(views_.View(v));
    // A redraw wipes the rubber band; marks changed elsewhere end a drag
    // prepared on the old ones.
    connect(&views_, &ViewsPanel::canvasesRedrawn, this, [this] { mouse_.CanvasesRedrawn(); });
    auto marksChanged = [this] { mouse_.MarksChanged(); };
    connect(&doc_, &Document::modelReplaced, this, marksChanged);
    connect(&doc_, &Document::partsChanged, this, marksChanged);
    connect(&doc_, &Document::meshChanged, this, marksChanged);
    connect(&doc_, &Document::selectionChanged, this, marksChanged);
}

// The views may outlive the input: they must not call into it afterwards.
ViewInput::~ViewInput()
{
    for (int v = 0; v < views::kViewCount; ++v) {
        views::ViewWidget* w = views_.View(v);
        w->onMouseDown = nullptr;
        w->onMouseMove = nullptr;
        w->onMouseUp = nullptr;
        w->onKeyDown = nullptr;
        w->onWheel = nullptr;
    }
}

void ViewInput::SetDragging(bool dragging)
{
    dragging_ = dragging;
    views_.SetLiveDrawing(dragging);
}

void ViewInput::Connect(views::ViewWidget* w)
{
    auto logical = [this](int view, double x, double y) { return views::MappingOf(views_.Drawing(), view).Logical(x, y); };
    w->onMouseDown = [this, logical](int view, int button, int shift, double x, double y) {
        if (button == 4) {
            panFrom_ = QPointF(x, y);
            return;
        }
        const views::ViewPoint p = logical(view, x, y);
        View_MouseDown(view, button, shift, p.h, p.v);
    };
    w->onMouseMove = [this, logical](int view, int button, int shift, double x, double y) {
        pointerView_ = view;
        if (panFrom_ && (button & 4) != 0) {
            PanBy(view, x - panFrom_->x(), y - panFrom_->y());
            panFrom_ = QPointF(x, y);
            return;
        }
        const views::ViewPoint p = logical(view, x, y);
        View_MouseMove(view, button, shift, p.h, p.v);
    };
    w->onMouseUp = [this, logical](int view, int button, int shift, double x, double y) {
        if (button == 4) {
            panFrom_.reset();
            return;
        }
        const views::ViewPoint p = logical(view, x, y);
        View_MouseUp(view, button, shift, p.h, p.v);
    };
    w->onKeyDown = [this](int, QKeyEvent* event) {
        Form_KeyDown(views::VirtualKeyCode(event->key(), event->modifiers(), event->nativeScanCode()),
                     views::ShiftState(event->modifiers()));
    };
    w->onWheel = [this](int view, QWheelEvent* event) { Wheel(view, event); };
}

void ViewInput::ApplyMouseOutcome(const views::MouseOutcome& outcome)
{
    const CarModel& model = doc_.Model();
    const views::DrawContext ctx = views_.Drawing();
    if (outcome.marks) {
        doc_.SetVertexMarks(outcome.marks->vertices, outcome.marks->selected);
        for (const int i : outcome.marks->vertices) {
            views::ReDrawVert(ctx, model.CurrentPart, i, views::QBColor(12), views::Complement(views::QBColor(12)),
                              views::kBlack);
            views::ReDrawUVVert(ctx, model.CurrentPart, i, views::QBColor(12),
                                views::Complement(views::QBColor(12)), views::CurrentUvOutlineColour(ctx));
        }
    }
    if (outcome.redrawPartVertices)
        views::DrawVerts(ctx, model.CurrentPart, views::QBColor(12));
    if (outcome.drag)
        DragStep(*outcome.drag);
    if (outcome.dragEnded) {
        SetDragging(false);
        doc_.EndMerge();
        views::RepairDraggedPart(ctx, model.CurrentPart);
    }
    if (outcome.dummy) {
        const int d = *outcome.dummy;
        doc_.SetCurrentDummy(d);
        status_.Show(FromLatin1(ListedName(model.Header.DummyNames[static_cast<std::size_t>(d)])) + " Selected.");
    }
    if (outcome.redrawDummies)
        views::DrawDummies(ctx);
    if (outcome.texturePick)
        PickTexture(*outcome.texturePick);
    if (outcome.sections)
        AssignSections(*outcome.sections);
    if (outcome.vertListRow)
        emit vertexRowChosen(*outcome.vertListRow);
    if (outcome.triListRow)
        emit triangleRowChosen(*outcome.triListRow);
    if (outcome.status)
        status_.Show(FromLatin1(*outcome.status));
    if (outcome.refreshVertexFields)
        emit vertexFieldsStale();
    views_.ShowCanvases();
}

// The band's triangles join the section as one undo step.
void ViewInput::AssignSections(const views::SectionRequest& request)
{
    if (request.triangles.empty())
        return;
    const CarModel& model = doc_.Model();
    const int part = model.CurrentPart;
    const IndexRange tris = PartTriangleRange(model, part);
    const TableWindow window{0, 0, static_cast<std::size_t>(tris.begin), static_cast<std::size_t>(tris.size())};
    doc_.Edit("Assign UV Sections", EditExtent::Mesh, window, Change{.meshPart = part},
              [&](CarModel& m) { return AssignRemapSection(m, request.triangles, request.section) > 0; });
}

// Texture-point marks are a selection, like vertex marks: no undo step.
void ViewInput::PickTexture(const views::TexturePickRequest& request)
{
    if (doc_.PickTexturePoints(request.u, request.v, request.deselect) == 0)
        return;
    views::DrawUVVerts(views_.Drawing(), doc_.Model().CurrentPart, views::QBColor(12));
}

// One step of a drag: erased at the old place, moved through the document
// (all steps of one drag make one undo step), drawn at the new place.
void ViewInput::DragStep(const views::DragRequest& request)
{
    const std::optional<views::DragSet>& set = mouse_.Drag();
    if (!set || set->selected.empty())
        return;
    const views::DrawContext ctx = views_.Drawing();
    views::DrawDragStep(ctx, *set, views::DragPhase::Erase);
    SetDragging(true);
    std::vector<std::int32_t> indices(set->selected.begin(), set->selected.end());
    doc_.MoveVertices("Drag Vertices", set->part, std::move(indices),
                      views::MovedInView(doc_.Model(), set->selected, request.view, request.dh, request.dv),
                      Document::MergeKey::Drag);
    views::DrawDragStep(ctx, *set, views::DragPhase::Draw);
}

void ViewInput::View_MouseDown(int view, int button, int shift, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    doc_.EndMerge();
    mouse_.SetSectionBand(doc_.State().BandSection);
    ApplyMouseOutcome(mouse_.Press(doc_.Model(), views_.Drawing(), view, button, shift, {h, v}));
}

void ViewInput::View_MouseMove(int view, int button, int, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    mouse_.SetSectionBand(doc_.State().BandSection);
    ApplyMouseOutcome(mouse_.Move(doc_.Model(), views_.Drawing(), view, button, {h, v}));
}

void ViewInput::View_MouseUp(int view, int button, int shift, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    mouse_.SetSectionBand(doc_.State().BandSection);
    ApplyMouseOutcome(mouse_.Release(doc_.Model(), views_.Drawing(), view, button, shift, {h, v}));
}

// The wheel zooms as keypad plus and minus do.
void ViewInput::Wheel(int, QWheelEvent* event)
{
    if (!doc_.State().ModelExists)
        return;
    const int steps = event->angleDelta().y();
    if (steps != 0)
        Zoom(steps > 0);
}

// A middle-button drag pans: the picture follows the pointer.
void ViewInput::PanBy(int view, double dx, double dy)
{
    if (!doc_.State().ModelExists || !IsOrtho(view))
        return;
    const views::ViewSurface& s = views_.Surfaces()[static_cast<std::size_t>(view)];
    if (s.canvas.width() <= 0 || s.canvas.height() <= 0)
        return;
    views::ViewState state = doc_.Views().State;
    const views::ViewScale& scale = state.Scale[static_cast<std::size_t>(view)];
    // Pan is added at half weight to the view's left and top edges.
    state.ViewPanX -= static_cast<float>(2.0 * dx * scale.ScaleWidth / s.canvas.width());
    state.ViewPanY -= static_cast<float>(2.0 * dy * scale.ScaleHeight / s.canvas.height());
    doc_.SetViewState(state);
}

void ViewInput::Zoom(bool in)
{
    views::ViewState state = doc_.Views().State;
    // At the limit the key does nothing.
    if (in ? views::ZoomIn(state) : views::ZoomOut(state))
        doc_.SetViewState(state);
}

void ViewInput::Form_KeyDown(int keyCode, int shift)
{
    if (!doc_.State().ModelExists || keyCode == 0)
        return;
    for (const views::KeyCommand& command : views::KeyCommands(keyCode, shift, doc_.Views().Options.Modes))
        RunKeyCommand(command);
}

// The view a nudge moves in: the one under the pointer, or else the last
// one the pointer was in while it is shown, or else the first one shown.
int ViewInput::NudgeView() const
{
    for (int v = 0; v < views::kOrthoViewCount; ++v) {
        const views::ViewWidget* w = views_.View(v);
        if (w->isVisible() && w->underMouse())
            return v;
    }
    if (IsOrtho(pointerView_) && views_.Surfaces()[static_cast<std::size_t>(pointerView_)].visible)
        return pointerView_;
    for (int v = 0; v < views::kOrthoViewCount; ++v) {
        if (views_.Surfaces()[static_cast<std::size_t>(v)].visible)
            return v;
    }
    return views::ViewXY;
}

void ViewInput::RunKeyCommand(const views::KeyCommand& c)
{
    using A = views::KeyCommand::Action;
    const CarModel& model = doc_.Model();
    const ViewSettings& settings = doc_.Views();
    const int part = model.CurrentPart;
    switch (c.action) {
    case A::Redraw: views_.RedrawView(); break;
    case A::ZoomOut: Zoom(false); break;
    case A::ZoomIn: Zoom(true); break;
    case A::Pan: {
        views::ViewState state = settings.State;
        views::Pan(state, c.axis, c.sign);
        doc_.SetViewState(state);
        break;
    }
    case A::RenamePart: emit renamePartRequested(); break;
    case A::MovePart: {
        const float step = c.scaled ? views::NudgeStep(settings.State) : views::kPartStep;
        doc_.EditHeader(
            "Move Part", Change{.parts = true},
            [&](CarModel& m) { return MovePart(m, part, c.axis, c.sign < 0 ? -step : step); },
            Document::MergeKey::PartNudge, part);
        break;
    }
    case A::ShowSingleView:
        // The keys "0" to "4" show what the view buttons of the same
        // number show.
        views_.ShowViews(views::ViewsShownByButton(c.view));
        views_.RedrawView();
        break;
    case A::ShowOrthoView: {
        views::ViewVisibility shown = views_.VisibleViews();
        views::ShowOnlyOrthoView(shown, c.view);
        views_.ShowViews(shown);
        views_.RedrawView();
        break;
    }
    case A::DeselectAll:
        doc_.ClearVertexMarks();
        mouse_.MarksChanged();
        views::DrawVerts(views_.Drawing(), part, views::QBColor(12));
        views::DrawUVVerts(views_.Drawing(), part, views::QBColor(12));
        views_.ShowCanvases();
        break;
    case A::InvertSelection:
        doc_.InvertVertexMarks();
        mouse_.MarksChanged();
        views::DrawVerts(views_.Drawing(), part, views::QBColor(12));
        views_.ShowCanvases();
        break;
    case A::NudgeVertices: NudgeVertices(c.dh, c.dv); break;
    case A::RenameDummy: emit renameDummyRequested(); break;
    case A::NudgeDummy: NudgeDummy(c.dh, c.dv); break;
    }
}

void ViewInput::NudgeVertices(int dh, int dv)
{
    const CarModel& model = doc_.Model();
    const int part = model.CurrentPart;
    const views::DrawContext ctx = views_.Drawing();
    const float s = views::NudgeStep(doc_.Views().State);
    const views::DragSet set = views::PrepareDrag(model, part);
    if (!set.selected.empty()) {
        views::DrawDragStep(ctx, set, views::DragPhase::Erase);
        SetDragging(true);
        std::vector<std::int32_t> indices(set.selected.begin(), set.selected.end());
        doc_.MoveVertices("Nudge Vertices", part, std::move(indices),
                          views::MovedInView(model, set.selected, NudgeView(), float(dh) * s, float(dv) * s),
                          Document::MergeKey::Nudge);
        SetDragging(false);
        views::DrawDragStep(ctx, set, views::DragPhase::Draw);
    }
    if (views_.Surfaces()[views::ViewUV].visible) {
        doc_.EditPart("Nudge Texture Points", part, Change{}, [&](CarModel& m) {
            NudgeTexturePoints(m, part, float(dh) * views::kTexturePointStep, float(dv) * views::kTexturePointStep);
            return true;
        });
        views::RedrawTextureView(ctx, doc_.Views().Parts);
        views::DrawUVVerts(ctx, part, views::QBColor(12));
    }
    // A nudge has no release to mend the edges its white erasing cut, so
    // the part is drawn again over them at once.
    views::RepairNudgedPart(ctx, part);
    views_.ShowCanvases();
    emit vertexFieldsStale();
}

void ViewInput::NudgeDummy(int dh, int dv)
{
    const CarModel& model = doc_.Model();
    const int d = model.CurrentDummy;
    if (d < 0 || d >= UsableDummyCount(model.Header))
        return; // no dummy is current
    const views::DrawContext ctx = views_.Drawing();
    views::WipeDummies(ctx);
    doc_.EditHeader(
        "Nudge Dummy", Change{},
        [&](CarModel& m) {
            views::MoveInView(m.Header.DummyPos[static_cast<std::size_t>(d)], NudgeView(),
                              float(dh) * views::kDummyStep, float(dv) * views::kDummyStep);
            return true;
        },
        Document::MergeKey::DummyNudge, d);
    views::DrawDummies(ctx);
    views_.ShowCanvases();
}

} // namespace mobrix::app
