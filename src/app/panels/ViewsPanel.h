#pragma once
// The views of the main window: the tool bar with the view and vertex-set
// buttons, the five views with the file information list in the fourth,
// the View menu's display toggles and the Edit menu's modes. It draws what
// the document announces; the mouse and keys in the views are ViewInput's.

#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include "ViewDrawing.h"
#include "ViewEditing.h"

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QFrame;
class QListWidget;
class QMenu;
class QPushButton;

namespace mobrix::views {
class ViewWidget;
}

namespace mobrix::app {

class ViewsPanel : public QObject {
    Q_OBJECT
public:
    ViewsPanel(Document& doc, StatusLine& status, QWidget* client);
    // The tool bar and the views call back into the panel and draw on its
    // canvases, so they go with it.
    ~ViewsPanel() override;

    QFrame* ToolBar() const { return toolBar_; }

    // The views listen to the document after the lists and editors, so that
    // a change is drawn once those have shown it.
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
    void HighlightTriangle(int triangle, const std::vector<int>& before);

    // Handlers.
    void cmdView_Click(int index);
    void VertType_Click(int index);
    void mnuPEdit_Click();
    void mnuVEdit_Click();
    void mnuDEdit_Click();
    void mnuUVEdit_Click();

    // Drawing for the view input: the context, the canvases to the screen,
    // which views show.
    views::DrawContext Drawing();
    void ShowCanvases();
    views::ViewVisibility VisibleViews() const;
    void ShowViews(const views::ViewVisibility& shown);
    // While the input draws a drag or nudge as it goes, moves it announces
    // are not drawn again.
    void SetLiveDrawing(bool on) { liveDrawing_ = on; }

    // The file information list shows the report of the model, after the
    // report shown or in its place.
    void FillFileInfo(const std::string& fileName, bool append);

signals:
    // The canvases were drawn afresh: a rubber band on them is gone.
    void canvasesRedrawn();

private:
    void BuildToolBar(QWidget* client);
    void BuildViews(QWidget* client);
    void ToggleOption(bool views::DisplayOptions::*option, QAction* action);
    void SetEditMode(views::DisplayOptions options, bool views::EditModes::*mode, const QString& name);
    void SetVertTypeButtons();
    void LoadTexture();

    Document& doc_;
    StatusLine& status_;
    QWidget* client_;
    views::ViewSurfaces surfaces_;
    views::TextureMap texture_;
    bool liveDrawing_ = false;

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
    QAction* mnuOtherParts_ = nullptr;
    QAction* mnuPEdit_ = nullptr;
    QAction* mnuVEdit_ = nullptr;
    QAction* mnuDEdit_ = nullptr;
    QAction* mnuUVEdit_ = nullptr;
};

} // namespace mobrix::app
