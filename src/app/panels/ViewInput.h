#pragma once
// The mouse and the keys in the views: clicks, rubber bands and drags,
// nudges, zoom and pan, and the key commands. It connects to the view
// widgets itself, turns what the user does into document edits and
// setters, and draws what it changed through the views panel as it goes.

#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include "ViewEditing.h"
#include "ViewMouse.h"

#include <QObject>
#include <QPointF>

#include <optional>

class QWheelEvent;

namespace mobrix::views {
class ViewWidget;
}

namespace mobrix::app {

class ViewsPanel;

class ViewInput : public QObject {
    Q_OBJECT
public:
    ViewInput(Document& doc, StatusLine& status, ViewsPanel& views, QObject* parent);
    ~ViewInput() override;

    // Handlers, in the views' logical coordinates.
    void View_MouseDown(int view, int button, int shift, float h, float v);
    void View_MouseMove(int view, int button, int shift, float h, float v);
    void View_MouseUp(int view, int button, int shift, float h, float v);
    void Form_KeyDown(int keyCode, int shift);

signals:
    // The mouse chose an entry of the vertex or triangle list.
    void vertexRowChosen(int row);
    void triangleRowChosen(int row);
    // The fields of the vertex editor must show the vertex again.
    void vertexFieldsStale();
    // The keys asked for the rename box of the current part or dummy.
    void renamePartRequested();
    void renameDummyRequested();

private:
    void Connect(views::ViewWidget* view);
    void SetDragging(bool dragging);
    void ApplyMouseOutcome(const views::MouseOutcome& outcome);
    void AssignSections(const views::SectionRequest& request);
    void PickTexture(const views::TexturePickRequest& request);
    void DragStep(const views::DragRequest& request);
    void RunKeyCommand(const views::KeyCommand& command);
    void NudgeVertices(int dh, int dv);
    void NudgeDummy(int dh, int dv);
    void Zoom(bool in);
    void Wheel(int view, QWheelEvent* event);
    void PanBy(int view, double dx, double dy);
    int NudgeView() const;

    Document& doc_;
    StatusLine& status_;
    ViewsPanel& views_;
    views::ViewMouse mouse_;
    bool dragging_ = false;          // a drag of ours is moving vertices
    int pointerView_ = 0;            // the view the pointer was last in
    std::optional<QPointF> panFrom_; // a middle-button pan in progress
};

} // namespace mobrix::app
