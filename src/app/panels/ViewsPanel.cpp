#include "panels/ViewsPanel.h"

#include "FileInfoReport.h"
#include "Layout.h"
#include "support/Latin1.h"
#include "support/MenuAction.h"
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

} // namespace

ViewsPanel::ViewsPanel(Document& doc, StatusLine& status, QWidget* client) : QObject(client), doc_(doc), status_(status), client_(client)
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

void ViewsPanel::BuildViewMenu(QMenu* menu)
{
    const ViewSettings& settings = doc_.Views();
    auto toggle = [&](const char* name, const QString& caption, bool views::DisplayOptions::*option) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setChecked(settings.Options.*option);
        connect(a, &QAction::triggered, this, [this, a, option] { ToggleOption(option, a); });
        return a;
    };
    mnuPolys_ = toggle("mnuPolys", "&Polygons", &views::DisplayOptions::Polygons);
    mnuVerts_ = toggle("mnuVerts", "V&ertices", &views::DisplayOptions::Vertices);
    mnuNorms_ = toggle("mnuNorms", "&Normals", &views::DisplayOptions::Normals);
    mnuRes2_ = toggle("mnuRes2", "Reserved 2", &views::DisplayOptions::Reserved2);
    mnuDummies_ = toggle("mnuDummies", "&Dummies", &views::DisplayOptions::Dummies);
    mnuAspect_ = toggle("mnuAspect", "Maintain Aspect Ratio", &views::DisplayOptions::MaintainAspect);
    mnuOtherParts_ = toggle("mnuOtherParts", "Show Other Parts", &views::DisplayOptions::ShowOtherParts);
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
        SetVertTypeButtons();
        RescaleView();
        RedrawView();
    });
    auto redraw = [this] { RedrawView(); };
    connect(&doc_, &Document::partsChanged, this, redraw);
    connect(&doc_, &Document::meshChanged, this, redraw);
    connect(&doc_, &Document::selectionChanged, this, redraw);
    connect(&doc_, &Document::dummiesChanged, this, [this] {
        if (doc_.Views().Options.Dummies)
            RedrawView();
    });
    connect(&doc_, &Document::verticesMoved, this, [this] {
        // Drags and nudges draw as they go.
        if (!liveDrawing_)
            RedrawView();
    });
    connect(&doc_, &Document::viewStateChanged, this, [this] {
        RescaleView();
        RedrawView();
    });
    connect(&doc_, &Document::displayOptionsChanged, this, [this](bool refit) {
        if (refit)
            RescaleView();
        RedrawView();
    });
    connect(&doc_, &Document::currentDummyChanged, this, [this] {
        if (doc_.Views().Options.Dummies)
            RedrawView();
    });
    connect(&doc_, &Document::vertexMarkChanged, this, &ViewsPanel::RedrawVertex);
    connect(&doc_, &Document::triangleHighlighted, this, &ViewsPanel::HighlightTriangle);
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
    const ViewSettings& s = doc_.Views();
    return views::DrawContext{doc_.Model(), s.State, s.Options, surfaces_, &texture_};
}

void ViewsPanel::RescaleView()
{
    // The size the layout gave view 1, also while it is hidden (a hidden
    // widget hears of its new size only when it is shown again).
    const QWidget* view1 = viewWidgets_[views::ViewZX];
    views::ViewState fitted = doc_.Views().State;
    views::RescaleView(doc_.Model(), doc_.Views().Options, views::ViewSize{view1->width(), view1->height()}, fitted);
    doc_.SetViewFit(fitted);
}

void ViewsPanel::RedrawView()
{
    views::RedrawView(Drawing(), doc_.Views().Parts);
    emit canvasesRedrawn();
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

void ViewsPanel::HighlightTriangle(int triangle, const std::vector<int>& before)
{
    const views::DrawContext ctx = Drawing();
    for (const int t : before)
        views::ReDrawTri(ctx, t);
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

// The views follow the document's announcement; a change of the aspect
// rule fits them again.
void ViewsPanel::ToggleOption(bool views::DisplayOptions::*option, QAction* action)
{
    views::DisplayOptions options = doc_.Views().Options;
    options.*option = action->isChecked();
    doc_.SetDisplayOptions(options);
}

void ViewsPanel::cmdView_Click(int index)
{
    for (int i = 0; i < 6; ++i)
        SetBold(cmdView_[static_cast<std::size_t>(i)], i == index);
    ShowViews(views::ViewsShownByButton(index));
    doc_.SetAllViews(index == views::kAllViewsButton);
}

// ---------------------------------------------------------------------------
// Edit modes

void ViewsPanel::SetEditMode(views::DisplayOptions o, bool views::EditModes::*mode, const QString& name)
{
    o.Modes = views::EditModes{};
    o.Modes.*mode = true;
    mnuPEdit_->setChecked(o.Modes.Part);
    mnuVEdit_->setChecked(o.Modes.Vertex);
    mnuDEdit_->setChecked(o.Modes.Dummy);
    mnuUVEdit_->setChecked(o.Modes.Triangle);
    mnuDummies_->setChecked(o.Dummies);
    mnuVerts_->setChecked(o.Vertices);
    mnuPolys_->setChecked(o.Polygons);
    status_.Show(name);
    doc_.SetDisplayOptions(o);
}

void ViewsPanel::mnuPEdit_Click()
{
    views::DisplayOptions o = doc_.Views().Options;
    o.Dummies = o.Vertices = false;
    o.Polygons = true;
    SetEditMode(o, &views::EditModes::Part, "Part Editor");
}

void ViewsPanel::mnuVEdit_Click()
{
    views::DisplayOptions o = doc_.Views().Options;
    o.Dummies = false;
    o.Vertices = true;
    SetEditMode(o, &views::EditModes::Vertex, "Vertex Editor");
}

void ViewsPanel::mnuDEdit_Click()
{
    views::DisplayOptions o = doc_.Views().Options;
    o.Vertices = false;
    o.Dummies = true;
    SetEditMode(o, &views::EditModes::Dummy, "Dummy Editor");
}

void ViewsPanel::mnuUVEdit_Click()
{
    views::DisplayOptions o = doc_.Views().Options;
    o.Dummies = o.Vertices = false;
    SetEditMode(o, &views::EditModes::Triangle, "Triangle Editor");
}

// ---------------------------------------------------------------------------
// Vertex sets

void ViewsPanel::SetVertTypeButtons()
{
    const bool enabled = doc_.State().ModelExists && HoldsNfs4Tables(doc_.Model()) &&
                         doc_.State().SaveVariant.value_or(FceVariant::Nfs3) != FceVariant::Nfs3;
    const int set = static_cast<int>(doc_.Model().ActiveVertexSet);
    for (int i = 0; i < 3; ++i) {
        vertType_[static_cast<std::size_t>(i)]->setEnabled(enabled);
        // The button of the set the working arrays hold is bold.
        SetBold(vertType_[static_cast<std::size_t>(i)], enabled && i == set);
    }
}

void ViewsPanel::VertType_Click(int index)
{
    if (index < 0 || index > 2 || !doc_.SwitchVertexSet(static_cast<VertexSet>(index)))
        return;
}

} // namespace mobrix::app
