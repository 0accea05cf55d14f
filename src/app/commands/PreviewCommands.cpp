#include "commands/PreviewCommands.h"

#include "support/BusyPointer.h"
#include "support/MenuAction.h"
#include "PreviewGL.h"
#include "PreviewWire.h"
#include "ViewWidget.h"

#include <QActionGroup>
#include <QEvent>
#include <QListWidget>
#include <QMenu>
#include <QOpenGLWidget>

namespace mobrix::app {

PreviewCommands::PreviewCommands(Document& doc, StatusLine& status, QWidget* host, QWidget* fileInfo, QObject* parent)
    : QObject(parent), doc_(doc), status_(status), host_(host), fileInfo_(fileInfo)
{
    host_->installEventFilter(this);
    ListenToDocument();
    PrepareWindowForOpenGL();
}

// The first OpenGL widget in a window that was made without one makes Qt
// make the window anew, which flickers and loses the keyboard. An OpenGL
// widget that is there before the window is first shown, never shown
// itself, has the window made for OpenGL from the start. Without OpenGL
// the window could not be shown at all, so there is none then.
void PreviewCommands::PrepareWindowForOpenGL()
{
    if (!preview::PreviewGL::OpenGLAvailable())
        return;
    auto* surface = new QOpenGLWidget(host_);
    surface->setObjectName("OpenGLSurface");
    surface->setGeometry(0, 0, 0, 0);
    surface->hide();
}

PreviewCommands::~PreviewCommands()
{
    if (host_)
        host_->removeEventFilter(this);
}

void PreviewCommands::BuildItems(QMenu* view)
{
    view->addSeparator();
    QMenu* menu = view->addMenu("3D View");
    menu->setObjectName("mnu3DView");
    mnuPView_ = AddMenuAction(menu, "mnuPView", "Toggle D3D View On/Off", this, [this] { mnuPView_Click(); });
    mnuPView_->setCheckable(true);
    mnuPView_->setShortcut(QKeySequence(Qt::Key_F5));
    mnuPView2_ = AddMenuAction(menu, "mnuPView2", "Toggle non-D3D view", this, [this] { mnuPView2_Click(); });
    mnuPView2_->setCheckable(true);
    mnuPView2_->setShortcut(QKeySequence(Qt::Key_F6));
    menu->addSeparator();
    auto* render = new QActionGroup(menu);
    const char* captions[] = {"Wireframe", "Solid"};
    for (int i = 0; i < 2; ++i) {
        QAction* a = AddMenuAction(menu, i == 0 ? "mnuRender0" : "mnuRender1", captions[i], this,
                                   [this, i] { mnuRender_Click(i); });
        a->setCheckable(true);
        render->addAction(a);
        mnuRender_[static_cast<std::size_t>(i)] = a;
    }
    mnuRender_[1]->setChecked(true);
    menu->addSeparator();
    mnuLighting_ = AddMenuAction(menu, "mnuLighting", "Lighting", this, [this] {
        if (gl_)
            gl_->SetLighting(mnuLighting_->isChecked());
    });
    mnuLighting_->setCheckable(true);
    mnuLighting_->setChecked(true);
}

// ---------------------------------------------------------------------------
// The menu

void PreviewCommands::ResetPerspectiveScale()
{
    views::ViewState state = doc_.Views().State;
    state.PerspScale = 1.0f;
    doc_.SetViewFit(state);
}

void PreviewCommands::mnuPView_Click()
{
    ResetPerspectiveScale();
    if (!mnuPView_->isChecked()) {
        TurnGlOff();
    } else if (!TurnGlOn()) {
        mnuPView_->setChecked(false);
    }
    ShowFileInfoUnlessPreviewing();
}

void PreviewCommands::mnuPView2_Click()
{
    ResetPerspectiveScale();
    if (!mnuPView2_->isChecked()) {
        TurnWireOff();
    } else {
        if (gl_) {
            mnuPView_->setChecked(false);
            TurnGlOff();
        }
        TurnWireOn();
    }
    ShowFileInfoUnlessPreviewing();
}

void PreviewCommands::mnuRender_Click(int index)
{
    if (gl_)
        gl_->SetFillMode(index == 0 ? preview::FillMode::Wireframe : preview::FillMode::Solid);
}

// ---------------------------------------------------------------------------
// Turning the previews on and off

// Without an OpenGL context Qt cannot even show the widget, so the
// preview is not made at all; the wireframe, if on, stays on.
bool PreviewCommands::TurnGlOn()
{
    BusyPointer busy;
    if (!preview::PreviewGL::OpenGLAvailable()) {
        Status(preview::PreviewGL::NoOpenGLMessage());
        return false;
    }
    if (wire_) {
        mnuPView2_->setChecked(false);
        TurnWireOff();
    }
    gl_ = new preview::PreviewGL(host_);
    gl_->SetModel(&doc_.Model());
    gl_->SetFillMode(mnuRender_[0]->isChecked() ? preview::FillMode::Wireframe : preview::FillMode::Solid);
    gl_->SetLighting(mnuLighting_->isChecked());
    gl_->SetTexture(doc_.TexturePath());
    // Queued: the preview reports from inside its own set-up.
    connect(gl_, &preview::PreviewGL::PreviewFailed, this, &PreviewCommands::GlFailed, Qt::QueuedConnection);
    ShowParts();
    FitToHost();
    gl_->show();
    return true;
}

void PreviewCommands::TurnGlOff()
{
    if (!gl_)
        return;
    gl_->hide();
    gl_->deleteLater(); // frees its OpenGL objects and context
    gl_ = nullptr;
}

void PreviewCommands::GlFailed(const QString& reason)
{
    Status(reason);
    if (!gl_)
        return;
    mnuPView_->setChecked(false);
    TurnGlOff();
    ShowFileInfoUnlessPreviewing();
}

void PreviewCommands::TurnWireOn()
{
    wire_ = new preview::PreviewWire(host_);
    wire_->SetModel(&doc_.Model());
    wire_->SetAngles(angles_);
    wire_->SetScale(doc_.Views().State.Scale[views::View3D]);
    ShowParts();
    FitToHost();
    wire_->show();
}

void PreviewCommands::TurnWireOff()
{
    if (!wire_)
        return;
    angles_ = wire_->Angles();
    wire_->hide();
    wire_->deleteLater();
    wire_ = nullptr;
}

void PreviewCommands::ShowFileInfoUnlessPreviewing()
{
    if (fileInfo_)
        fileInfo_->setVisible(!gl_ && !wire_);
}

// The OpenGL picture sits inside the view's border, as the list does; the
// wireframe draws the border itself.
void PreviewCommands::FitToHost()
{
    const QWidget* host = host_;
    if (host == nullptr)
        return;
    if (gl_)
        gl_->setGeometry(views::kViewBorder, views::kViewBorder, host->width() - 2 * views::kViewBorder,
                         host->height() - 2 * views::kViewBorder);
    if (wire_)
        wire_->setGeometry(0, 0, host->width(), host->height());
}

bool PreviewCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_ && event->type() == QEvent::Resize)
        FitToHost();
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Following the document

void PreviewCommands::ListenToDocument()
{
    connect(&doc_, &Document::modelReplaced, this, [this] {
        if (gl_)
            gl_->ModelReplaced();
        ShowParts();
    });
    connect(&doc_, &Document::partsChanged, this, &PreviewCommands::MeshChanged);
    connect(&doc_, &Document::meshChanged, this, &PreviewCommands::MeshChanged);
    connect(&doc_, &Document::vertexSetChanged, this, &PreviewCommands::MeshChanged);
    connect(&doc_, &Document::verticesMoved, this, &PreviewCommands::VerticesMoved);
    connect(&doc_, &Document::selectionChanged, this, &PreviewCommands::ShowParts);
    connect(&doc_, &Document::textureChanged, this, [this] {
        if (gl_)
            gl_->SetTexture(doc_.TexturePath());
    });
    // Every fit of the views (model, zoom, pan, window size, aspect) gives
    // the wireframe its extent again.
    connect(&doc_, &Document::viewsFitted, this, [this] {
        if (wire_)
            wire_->SetScale(doc_.Views().State.Scale[views::View3D]);
    });
    connect(&doc_, &Document::displayOptionsChanged, this, &PreviewCommands::ShowParts);
}

void PreviewCommands::ShowParts()
{
    const std::vector<bool>& shown = doc_.Views().Parts.Shown;
    const int current = doc_.Model().CurrentPart;
    if (gl_) {
        gl_->SetShownParts(shown, current);
        gl_->SetShowOtherParts(doc_.Views().Options.ShowOtherParts);
    }
    if (wire_)
        wire_->SetShownParts(shown, current);
}

void PreviewCommands::MeshChanged()
{
    if (gl_)
        gl_->MeshChanged();
    if (wire_)
        wire_->Redraw();
}

// Only the moved part's vertices are rewritten in the OpenGL buffers.
void PreviewCommands::VerticesMoved(int part)
{
    if (gl_) {
        const IndexRange range = PartVertexRange(doc_.Model(), part);
        gl_->VerticesMoved(static_cast<int>(range.begin), static_cast<int>(range.size()));
    }
    if (wire_)
        wire_->Redraw();
}

void PreviewCommands::Status(const QString& text)
{
    status_.Show(text);
}

} // namespace mobrix::app
