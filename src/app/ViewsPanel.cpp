#include "ViewsPanel.h"

#include "FileInfoReport.h"
#include "Layout.h"
#include "Latin1.h"
#include "MenuAction.h"
#include "PartsDummies.h"
#include "Remap.h"
#include "TexturePoints.h"
#include "VertexEditor.h"
#include "ViewWidget.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QWheelEvent>

#include <algorithm>

namespace mobrix::app {

namespace {

void SetBold(QWidget* w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

bool IsOrtho(int view)
{
    return view >= 0 && view < views::kOrthoViewCount;
}

} // namespace

ViewsPanel::ViewsPanel(Document& doc, QWidget* client) : QObject(client), doc_(doc), client_(client)
{
    BuildToolBar(client);
    BuildViews(client);
}

ViewsPanel::~ViewsPanel()
{
    qDeleteAll(viewWidgets_);
    delete toolBar_;
}

// ---------------------------------------------------------------------------
// Building

void ViewsPanel::BuildToolBar(QWidget* client)
{
    toolBar_ = new QFrame(client);
    toolBar_->setObjectName("ToolBar");
    auto* row = new QHBoxLayout(toolBar_);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const char* captions[] = {"3D", "XY", "ZX", "ZY", "UV", "All"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QPushButton(captions[i], toolBar_);
        b->setObjectName(QString("cmdView%1").arg(i));
        b->setFixedWidth(36);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdView_Click(i); });
        row->addWidget(b);
        cmdView_[static_cast<std::size_t>(i)] = b;
    }
    SetBold(cmdView_[views::kAllViewsButton], true);
    row->addSpacing(16);
    const char* setCaptions[] = {"V1", "V2", "D"};
    const char* setTips[] = {"Show Undamaged (Normal) Verts", "Show Undamaged Verts 2?", "Show Damaged Verts"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(setCaptions[i], toolBar_);
        b->setObjectName(QString("VertType%1").arg(i));
        b->setToolTip(setTips[i]);
        b->setFixedWidth(36);
        b->setFocusPolicy(Qt::NoFocus);
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, i] { VertType_Click(i); });
        row->addWidget(b);
        vertType_[static_cast<std::size_t>(i)] = b;
    }
    row->addStretch(1);
}

void ViewsPanel::BuildViews(QWidget* client)
{
    for (int v = 0; v < views::kViewCount; ++v) {
        auto* w = new views::ViewWidget(v, surfaces_[static_cast<std::size_t>(v)], client);
        w->setObjectName(QString("View%1").arg(v));
        // A repaint of the perspective view does not redraw the others.
        w->onSystemRepaint = [this](int view) {
            if (view != views::View3D)
                RedrawView();
        };
        ConnectViewInput(w);
        viewWidgets_[static_cast<std::size_t>(v)] = w;
    }
    // The file information list sits in the fourth view's place.
    fileInfo_ = new QListWidget(viewWidgets_[views::View3D]);
    fileInfo_->setObjectName("FileInfo");
    fileInfo_->setFocusPolicy(Qt::ClickFocus);
    viewWidgets_[views::View3D]->onResized = [this](int) {
        const QWidget* host = viewWidgets_[views::View3D];
        fileInfo_->setGeometry(views::kViewBorder, views::kViewBorder, host->width() - 2 * views::kViewBorder,
                               host->height() - 2 * views::kViewBorder);
    };
    ShowViews(views::ViewsShownByButton(views::kAllViewsButton));
}

void ViewsPanel::ConnectViewInput(views::ViewWidget* w)
{
    auto logical = [this](int view, double x, double y) { return views::MappingOf(Drawing(), view).Logical(x, y); };
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

void ViewsPanel::BuildViewMenu(QMenu* menu)
{
    ViewSettings& settings = doc_.Views();
    auto toggle = [&](const char* name, const QString& caption, bool views::DisplayOptions::*option, bool refit) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setChecked(settings.Options.*option);
        connect(a, &QAction::triggered, this, [this, a, option, refit] { ToggleOption(option, a, refit); });
        return a;
    };
    mnuPolys_ = toggle("mnuPolys", "&Polygons", &views::DisplayOptions::Polygons, false);
    mnuVerts_ = toggle("mnuVerts", "V&ertices", &views::DisplayOptions::Vertices, false);
    mnuNorms_ = toggle("mnuNorms", "&Normals", &views::DisplayOptions::Normals, false);
    mnuRes2_ = toggle("mnuRes2", "Reserved 2", &views::DisplayOptions::Reserved2, false);
    mnuDummies_ = toggle("mnuDummies", "&Dummies", &views::DisplayOptions::Dummies, false);
    mnuAspect_ = toggle("mnuAspect", "Maintain Aspect Ratio", &views::DisplayOptions::MaintainAspect, true);
}

void ViewsPanel::BuildModeItems(QMenu* menu)
{
    auto mode = [this, menu](const char* name, const QString& caption, auto handler) {
        QAction* a = AddMenuAction(menu, name, caption, this, handler);
        a->setCheckable(true);
        return a;
    };
    mnuPEdit_ = mode("mnuPEdit", "&Part Editor", [this] { mnuPEdit_Click(); });
    mnuVEdit_ = mode("mnuVEdit", "&Vertex Editor", [this] { mnuVEdit_Click(); });
    mnuDEdit_ = mode("mnuDEdit", "&Dummy Editor", [this] { mnuDEdit_Click(); });
    mnuUVEdit_ = mode("mnuUVEdit", "&Triangle Editor", [this] { mnuUVEdit_Click(); });
}

// What the document announces decides what is drawn again.
void ViewsPanel::ListenToDocument()
{
    connect(&doc_, &Document::modelReplaced, this, [this] {
        FillFileInfo(doc_.State().ReportPath, doc_.State().ReportAppends);
        mouse_.MarksChanged();
        SetVertTypeButtons();
        RescaleView();
        RedrawView();
    });
    auto redraw = [this] {
        mouse_.MarksChanged();
        RedrawView();
    };
    connect(&doc_, &Document::partsChanged, this, redraw);
    connect(&doc_, &Document::meshChanged, this, redraw);
    connect(&doc_, &Document::selectionChanged, this, redraw);
    connect(&doc_, &Document::dummiesChanged, this, [this] {
        if (doc_.Views().Options.Dummies)
            RedrawView();
    });
    connect(&doc_, &Document::verticesMoved, this, [this] {
        // Our own drags and nudges draw as they go.
        if (!dragging_)
            RedrawView();
    });
    connect(&doc_, &Document::viewStateChanged, this, [this] {
        RescaleView();
        RedrawView();
    });
    connect(&doc_, &Document::vertexSetChanged, this, [this] {
        SetVertTypeButtons();
        RedrawView();
    });
    connect(&doc_, &Document::textureChanged, this, [this] { LoadTexture(); });
}

void ViewsPanel::LoadTexture()
{
    texture_.SetImage(QImage(doc_.TexturePath()));
    if (surfaces_[views::ViewUV].visible) {
        views::RedrawTextureView(Drawing(), doc_.Views().Parts);
        ShowCanvases();
    }
}

// ---------------------------------------------------------------------------
// Drawing

views::DrawContext ViewsPanel::Drawing()
{
    ViewSettings& s = doc_.Views();
    return views::DrawContext{doc_.Model(), s.State, s.Options, surfaces_, &texture_};
}

void ViewsPanel::RescaleView()
{
    // The size the layout gave view 1, also while it is hidden (a hidden
    // widget hears of its new size only when it is shown again).
    const QWidget* view1 = viewWidgets_[views::ViewZX];
    ViewSettings& s = doc_.Views();
    views::RescaleView(doc_.Model(), s.Options, views::ViewSize{view1->width(), view1->height()}, s.State);
    emit rescaled();
}

void ViewsPanel::RedrawView()
{
    views::RedrawView(Drawing(), doc_.Views().Parts);
    mouse_.CanvasesRedrawn();
    ShowCanvases();
}

void ViewsPanel::LaidOut()
{
    RescaleView();
    RedrawView();
}

void ViewsPanel::RedrawVertex(int vertex)
{
    views::ReDrawVert(Drawing(), doc_.Model().CurrentPart, vertex, views::QBColor(12),
                      views::Complement(views::QBColor(12)), views::kBlack);
    ShowCanvases();
}

void ViewsPanel::HighlightTriangle(int triangle)
{
    CarModel& model = doc_.Model();
    const views::DrawContext ctx = Drawing();
    for (std::size_t t = 0; t < model.TriState.size(); ++t) {
        if (model.TriState[t].Selected != 0) {
            views::ReDrawTri(ctx, static_cast<int>(t));
            model.TriState[t].Selected = 0;
        }
    }
    if (triangle >= 0 && static_cast<std::size_t>(triangle) < model.TriState.size())
        model.TriState[static_cast<std::size_t>(triangle)].Selected = -1;
    views::ReDrawTri2(ctx, triangle, views::QBColor(12));
    ShowCanvases();
}

// Copies to the screen what was drawn into the canvases since last time.
void ViewsPanel::ShowCanvases()
{
    for (int v = 0; v < views::kViewCount; ++v) {
        views::ViewSurface& s = surfaces_[static_cast<std::size_t>(v)];
        if (s.drawn.isEmpty())
            continue;
        viewWidgets_[static_cast<std::size_t>(v)]->ShowCanvas(s.drawn);
        s.drawn = QRegion();
    }
}

void ViewsPanel::FillFileInfo(const std::string& fileName, bool append)
{
    if (!append)
        fileInfo_->clear();
    QStringList lines;
    for (const std::string& line : FileInfoReport(doc_.Model(), fileName)) {
        // The first line holds the path as chosen, in the file system's
        // encoding; the others show bytes of the model.
        lines << (lines.isEmpty() ? QString::fromStdString(line) : DisplayText(line));
    }
    fileInfo_->addItems(lines);
}

views::ViewVisibility ViewsPanel::VisibleViews() const
{
    views::ViewVisibility shown{};
    for (std::size_t v = 0; v < shown.size(); ++v)
        shown[v] = surfaces_[v].visible;
    return shown;
}

// Hiding the view that held the keyboard focus would hand it to whatever
// widget Qt picks next (a push button or a field), and every later key
// would be lost to it: the window's client area takes the keys instead.
void ViewsPanel::ShowViews(const views::ViewVisibility& shown)
{
    const QWidget* focus = QApplication::focusWidget();
    const bool viewsHadFocus =
        focus == client_ || std::find(viewWidgets_.begin(), viewWidgets_.end(), focus) != viewWidgets_.end();
    for (std::size_t v = 0; v < shown.size(); ++v) {
        surfaces_[v].visible = shown[v];
        viewWidgets_[v]->setVisible(shown[v]);
    }
    if (viewsHadFocus && QApplication::focusWidget() != focus)
        client_->setFocus();
}

void ViewsPanel::ToggleOption(bool views::DisplayOptions::*option, QAction* action, bool refit)
{
    doc_.Views().Options.*option = action->isChecked();
    if (refit)
        RescaleView();
    RedrawView();
}

void ViewsPanel::cmdView_Click(int index)
{
    doc_.Views().AllViews = index == views::kAllViewsButton;
    for (int i = 0; i < 6; ++i)
        SetBold(cmdView_[static_cast<std::size_t>(i)], i == index);
    ShowViews(views::ViewsShownByButton(index));
    if (relayout)
        relayout();
}

// ---------------------------------------------------------------------------
// Edit modes

void ViewsPanel::SetEditMode(bool views::EditModes::*mode, const QString& name)
{
    views::DisplayOptions& o = doc_.Views().Options;
    o.Modes = views::EditModes{};
    o.Modes.*mode = true;
    mnuPEdit_->setChecked(o.Modes.Part);
    mnuVEdit_->setChecked(o.Modes.Vertex);
    mnuDEdit_->setChecked(o.Modes.Dummy);
    mnuUVEdit_->setChecked(o.Modes.Triangle);
    mnuDummies_->setChecked(o.Dummies);
    mnuVerts_->setChecked(o.Vertices);
    mnuPolys_->setChecked(o.Polygons);
    if (setStatus)
        setStatus(name);
    doc_.AnnounceViewState();
}

void ViewsPanel::mnuPEdit_Click()
{
    views::DisplayOptions& o = doc_.Views().Options;
    o.Dummies = o.Vertices = false;
    o.Polygons = true;
    SetEditMode(&views::EditModes::Part, "Part Editor");
}

void ViewsPanel::mnuVEdit_Click()
{
    views::DisplayOptions& o = doc_.Views().Options;
    o.Dummies = false;
    o.Vertices = true;
    SetEditMode(&views::EditModes::Vertex, "Vertex Editor");
}

void ViewsPanel::mnuDEdit_Click()
{
    views::DisplayOptions& o = doc_.Views().Options;
    o.Vertices = false;
    o.Dummies = true;
    SetEditMode(&views::EditModes::Dummy, "Dummy Editor");
}

void ViewsPanel::mnuUVEdit_Click()
{
    views::DisplayOptions& o = doc_.Views().Options;
    o.Dummies = o.Vertices = false;
    SetEditMode(&views::EditModes::Triangle, "Triangle Editor");
}

// ---------------------------------------------------------------------------
// Vertex sets

void ViewsPanel::SetVertTypeButtons()
{
    const bool enabled = doc_.State().ModelExists && doc_.Model().FileFormat == ModelOrigin::Nfs4 &&
                         doc_.State().SaveVariant == FceVariant::Nfs4;
    const int set = static_cast<int>(doc_.Model().ActiveVertexSet);
    for (int i = 0; i < 3; ++i) {
        vertType_[static_cast<std::size_t>(i)]->setEnabled(enabled);
        // The button of the set the working arrays hold is bold.
        SetBold(vertType_[static_cast<std::size_t>(i)], enabled && i == set);
    }
}

void ViewsPanel::VertType_Click(int index)
{
    if (index < 0 || index > 2 || !SwitchVertexSet(doc_.Model(), static_cast<VertexSet>(index)))
        return;
    doc_.EndMerge();
    doc_.AnnounceVertexSet();
    // The fields show the chosen set's coordinates, so that "Apply" cannot
    // carry the other set's values over.
    emit vertexFieldsStale();
}

// ---------------------------------------------------------------------------
// Mouse

void ViewsPanel::ApplyMouseOutcome(const views::MouseOutcome& outcome)
{
    CarModel& model = doc_.Model();
    const views::DrawContext ctx = Drawing();
    if (outcome.marks) {
        SetVertexMarks(model, outcome.marks->vertices, outcome.marks->selected);
        for (const int i : outcome.marks->vertices) {
            views::ReDrawVert(ctx, model.CurrentPart, i, views::QBColor(12), views::Complement(views::QBColor(12)),
                              views::kBlack);
            views::ReDrawUVVert(ctx, model.CurrentPart, i, views::QBColor(12),
                                views::Complement(views::QBColor(12)), views::kWhite);
        }
        doc_.EndMerge();
    }
    if (outcome.redrawPartVertices)
        views::DrawVerts(ctx, model.CurrentPart, views::QBColor(12));
    if (outcome.drag)
        DragStep(*outcome.drag);
    if (outcome.dragEnded) {
        dragging_ = false;
        doc_.EndMerge();
        views::RepairDraggedPart(ctx, model.CurrentPart);
    }
    if (outcome.dummy) {
        const int d = *outcome.dummy;
        model.CurrentDummy = static_cast<std::int16_t>(d);
        if (setStatus)
            setStatus(FromLatin1(ListedName(model.Header.DummyNames[static_cast<std::size_t>(d)])) + " Selected.");
        emit dummyChosen(d);
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
    if (outcome.status && setStatus)
        setStatus(FromLatin1(*outcome.status));
    if (outcome.refreshVertexFields)
        emit vertexFieldsStale();
    ShowCanvases();
}

// The band's triangles join the section as one undo step.
void ViewsPanel::AssignSections(const views::SectionRequest& request)
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
void ViewsPanel::PickTexture(const views::TexturePickRequest& request)
{
    CarModel& model = doc_.Model();
    if (PickTexturePoints(model, model.CurrentPart, request.u, request.v, request.deselect) == 0)
        return;
    doc_.EndMerge();
    views::DrawUVVerts(Drawing(), model.CurrentPart, views::QBColor(12));
}

// One step of a drag: erased at the old place, moved through the document
// (all steps of one drag make one undo step), drawn at the new place.
void ViewsPanel::DragStep(const views::DragRequest& request)
{
    const std::optional<views::DragSet>& set = mouse_.Drag();
    if (!set || set->selected.empty())
        return;
    const views::DrawContext ctx = Drawing();
    views::DrawDragStep(ctx, *set, views::DragPhase::Erase);
    dragging_ = true;
    std::vector<std::int32_t> indices(set->selected.begin(), set->selected.end());
    doc_.MoveVertices("Drag Vertices", set->part, std::move(indices),
                      views::MovedInView(doc_.Model(), set->selected, request.view, request.dh, request.dv),
                      Document::MergeKey::Drag);
    views::DrawDragStep(ctx, *set, views::DragPhase::Draw);
}

void ViewsPanel::View_MouseDown(int view, int button, int shift, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    doc_.EndMerge();
    mouse_.SetSectionBand(remapBandSection ? remapBandSection() : -1);
    ApplyMouseOutcome(mouse_.Press(doc_.Model(), Drawing(), view, button, shift, {h, v}));
}

void ViewsPanel::View_MouseMove(int view, int button, int, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    mouse_.SetSectionBand(remapBandSection ? remapBandSection() : -1);
    ApplyMouseOutcome(mouse_.Move(doc_.Model(), Drawing(), view, button, {h, v}));
}

void ViewsPanel::View_MouseUp(int view, int button, int shift, float h, float v)
{
    if (!doc_.State().ModelExists)
        return;
    mouse_.SetSectionBand(remapBandSection ? remapBandSection() : -1);
    ApplyMouseOutcome(mouse_.Release(doc_.Model(), Drawing(), view, button, shift, {h, v}));
}

// The wheel zooms as keypad plus and minus do.
void ViewsPanel::Wheel(int, QWheelEvent* event)
{
    if (!doc_.State().ModelExists)
        return;
    const int steps = event->angleDelta().y();
    if (steps != 0)
        Zoom(steps > 0);
}

// A middle-button drag pans: the picture follows the pointer.
void ViewsPanel::PanBy(int view, double dx, double dy)
{
    if (!doc_.State().ModelExists || !IsOrtho(view))
        return;
    const views::ViewSurface& s = surfaces_[static_cast<std::size_t>(view)];
    if (s.canvas.width() <= 0 || s.canvas.height() <= 0)
        return;
    views::ViewState& state = doc_.Views().State;
    const views::ViewScale& scale = state.Scale[static_cast<std::size_t>(view)];
    // Pan is added at half weight to the view's left and top edges.
    state.ViewPanX -= static_cast<float>(2.0 * dx * scale.ScaleWidth / s.canvas.width());
    state.ViewPanY -= static_cast<float>(2.0 * dy * scale.ScaleHeight / s.canvas.height());
    RescaleView();
    RedrawView();
}

void ViewsPanel::Zoom(bool in)
{
    views::ViewState& state = doc_.Views().State;
    // At the limit the key does nothing.
    if (in ? views::ZoomIn(state) : views::ZoomOut(state)) {
        RescaleView();
        RedrawView();
    }
}

// ---------------------------------------------------------------------------
// Keyboard

void ViewsPanel::Form_KeyDown(int keyCode, int shift)
{
    if (!doc_.State().ModelExists || keyCode == 0)
        return;
    for (const views::KeyCommand& command : views::KeyCommands(keyCode, shift, doc_.Views().Options.Modes))
        RunKeyCommand(command);
}

// The view a nudge moves in: the one under the pointer, or else the last
// one the pointer was in while it is shown, or else the first one shown.
int ViewsPanel::NudgeView() const
{
    for (int v = 0; v < views::kOrthoViewCount; ++v) {
        const views::ViewWidget* w = viewWidgets_[static_cast<std::size_t>(v)];
        if (w->isVisible() && w->underMouse())
            return v;
    }
    if (IsOrtho(pointerView_) && surfaces_[static_cast<std::size_t>(pointerView_)].visible)
        return pointerView_;
    for (int v = 0; v < views::kOrthoViewCount; ++v) {
        if (surfaces_[static_cast<std::size_t>(v)].visible)
            return v;
    }
    return views::ViewXY;
}

void ViewsPanel::RunKeyCommand(const views::KeyCommand& c)
{
    using A = views::KeyCommand::Action;
    CarModel& model = doc_.Model();
    ViewSettings& settings = doc_.Views();
    const int part = model.CurrentPart;
    switch (c.action) {
    case A::Redraw: RedrawView(); break;
    case A::ZoomOut: Zoom(false); break;
    case A::ZoomIn: Zoom(true); break;
    case A::Pan:
        views::Pan(settings.State, c.axis, c.sign);
        RescaleView();
        RedrawView();
        break;
    case A::RenamePart:
        if (renamePart)
            renamePart();
        break;
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
        ShowViews(views::ViewsShownByButton(c.view));
        RedrawView();
        break;
    case A::ShowOrthoView: {
        views::ViewVisibility shown = VisibleViews();
        views::ShowOnlyOrthoView(shown, c.view);
        ShowViews(shown);
        RedrawView();
        break;
    }
    case A::DeselectAll:
        DeselectAll(model);
        mouse_.MarksChanged();
        doc_.EndMerge();
        views::DrawVerts(Drawing(), part, views::QBColor(12));
        views::DrawUVVerts(Drawing(), part, views::QBColor(12));
        ShowCanvases();
        break;
    case A::InvertSelection:
        InvertVertexMarks(model);
        mouse_.MarksChanged();
        doc_.EndMerge();
        views::DrawVerts(Drawing(), part, views::QBColor(12));
        ShowCanvases();
        break;
    case A::NudgeVertices: NudgeVertices(c.dh, c.dv); break;
    case A::RenameDummy:
        if (renameDummy)
            renameDummy();
        break;
    case A::NudgeDummy: NudgeDummy(c.dh, c.dv); break;
    }
}

void ViewsPanel::NudgeVertices(int dh, int dv)
{
    CarModel& model = doc_.Model();
    const int part = model.CurrentPart;
    const views::DrawContext ctx = Drawing();
    const float s = views::NudgeStep(doc_.Views().State);
    const views::DragSet set = views::PrepareDrag(model, part);
    if (!set.selected.empty()) {
        views::DrawDragStep(ctx, set, views::DragPhase::Erase);
        dragging_ = true;
        std::vector<std::int32_t> indices(set.selected.begin(), set.selected.end());
        doc_.MoveVertices("Nudge Vertices", part, std::move(indices),
                          views::MovedInView(model, set.selected, NudgeView(), float(dh) * s, float(dv) * s),
                          Document::MergeKey::Nudge);
        dragging_ = false;
        views::DrawDragStep(ctx, set, views::DragPhase::Draw);
    }
    if (surfaces_[views::ViewUV].visible) {
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
    ShowCanvases();
    emit vertexFieldsStale();
}

void ViewsPanel::NudgeDummy(int dh, int dv)
{
    CarModel& model = doc_.Model();
    const int d = model.CurrentDummy;
    if (d < 0 || d >= UsableDummyCount(model.Header))
        return; // no dummy is current
    const views::DrawContext ctx = Drawing();
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
    ShowCanvases();
}

} // namespace mobrix::app
