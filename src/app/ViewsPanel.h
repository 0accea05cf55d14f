#pragma once
// The views of the main window: the tool bar with the view and vertex-set
// buttons, the five views with the file information list in the fourth,
// the View menu's display toggles, the Edit menu's modes, and the mouse and
// keys in the views. It draws what the document announces and turns what
// the user does with the mouse and keys into document edits.

#include "document/Document.h"

#include "ViewEditing.h"
#include "ViewMouse.h"

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QFrame;
class QKeyEvent;
class QListWidget;
class QMenu;
class QPushButton;
class QWheelEvent;

namespace mobrix::views {
class ViewWidget;
}

namespace mobrix::app {

class ViewsPanel : public QObject {
    Q_OBJECT
public:
    ViewsPanel(Document& doc, QWidget* client);
    // The tool bar and the views call back into the panel and draw on its
    // canvases, so they go with it.
    ~ViewsPanel() override;

    QFrame* ToolBar() const { return toolBar_; }

    // The views listen to the document after the lists and editors, so that
    // they draw once what those set up (the part selection, the highlighted
    // triangle) for a new model.
    void ListenToDocument();
    views::ViewWidget* View(int v) const { return viewWidgets_[static_cast<std::size_t>(v)]; }
    QListWidget* FileInfo() const { return fileInfo_; }
    const views::ViewSurfaces& Surfaces() const { return surfaces_; }

    // Menu items: the display toggles of the View menu and the modes of
    // the Edit menu.
    void BuildViewMenu(QMenu* menu);
    void BuildModeItems(QMenu* menu);

    void RescaleView();
    void RedrawView();
    // Called by the shell after it laid the window out.
    void LaidOut();
    // The vertex editor's mark and the triangle list's highlight, drawn
    // where they changed.
    void RedrawVertex(int vertex);
    void HighlightTriangle(int triangle);

    // Handlers.
    void cmdView_Click(int index);
    void VertType_Click(int index);
    void mnuPEdit_Click();
    void mnuVEdit_Click();
    void mnuDEdit_Click();
    void mnuUVEdit_Click();
    void View_MouseDown(int view, int button, int shift, float h, float v);
    void View_MouseMove(int view, int button, int shift, float h, float v);
    void View_MouseUp(int view, int button, int shift, float h, float v);
    void Form_KeyDown(int keyCode, int shift);

    // The file information list shows the report of the model, after the
    // report shown or in its place.
    void FillFileInfo(const std::string& fileName, bool append);

    // The shell's hooks: lay the window out again, show a status text, and
    // the rename boxes the keys open.
    std::function<void()> relayout;
    std::function<void(const QString&)> setStatus;
    std::function<void()> renamePart;
    std::function<void()> renameDummy;
    // The remap section the Triangle Editor's rubber band assigns, -1 for
    // none (the section list is not showing).
    std::function<int()> remapBandSection;

signals:
    // The mouse chose an entry of the vertex or triangle list, or a dummy.
    void vertexRowChosen(int row);
    void triangleRowChosen(int row);
    void dummyChosen(int dummy);
    // The fields of the vertex editor must show the vertex again.
    void vertexFieldsStale();
    // The views were fitted again (model, zoom, pan, size or aspect):
    // view 3's scale rectangle may have changed.
    void rescaled();

private:
    void BuildToolBar(QWidget* client);
    void BuildViews(QWidget* client);
    void ConnectViewInput(views::ViewWidget* view);
    views::DrawContext Drawing();
    void ShowCanvases();
    views::ViewVisibility VisibleViews() const;
    void ShowViews(const views::ViewVisibility& shown);
    void ToggleOption(bool views::DisplayOptions::*option, QAction* action, bool refit);
    void SetEditMode(bool views::EditModes::*mode, const QString& name);
    void SetVertTypeButtons();
    void ApplyMouseOutcome(const views::MouseOutcome& outcome);
    void AssignSections(const views::SectionRequest& request);
    void PickTexture(const views::TexturePickRequest& request);
    void LoadTexture();
    void DragStep(const views::DragRequest& request);
    void RunKeyCommand(const views::KeyCommand& command);
    void NudgeVertices(int dh, int dv);
    void NudgeDummy(int dh, int dv);
    void Zoom(bool in);
    void Wheel(int view, QWheelEvent* event);
    void PanBy(int view, double dx, double dy);
    int NudgeView() const;

    Document& doc_;
    QWidget* client_;
    views::ViewSurfaces surfaces_;
    views::ViewMouse mouse_;
    views::TextureMap texture_;
    bool dragging_ = false;   // a drag of ours is moving vertices
    int pointerView_ = 0;     // the view the pointer was last in
    std::optional<QPointF> panFrom_; // a middle-button pan in progress

    QFrame* toolBar_ = nullptr;
    std::array<QPushButton*, 6> cmdView_{};
    std::array<QPushButton*, 3> vertType_{};
    std::array<views::ViewWidget*, views::kViewCount> viewWidgets_{};
    QListWidget* fileInfo_ = nullptr;

    QAction* mnuPolys_ = nullptr;
    QAction* mnuVerts_ = nullptr;
    QAction* mnuNorms_ = nullptr;
    QAction* mnuRes2_ = nullptr;
    QAction* mnuDummies_ = nullptr;
    QAction* mnuAspect_ = nullptr;
    QAction* mnuPEdit_ = nullptr;
    QAction* mnuVEdit_ = nullptr;
    QAction* mnuDEdit_ = nullptr;
    QAction* mnuUVEdit_ = nullptr;
};

} // namespace mobrix::app
