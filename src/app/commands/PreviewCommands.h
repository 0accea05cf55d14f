#pragma once
// The "3D View" menu: the textured OpenGL preview and the software
// wireframe in the fourth view's place, at most one of them at a time, with
// the file information list shown again while neither is on. The preview
// on screen follows what the document announces: a new model, changed or
// moved vertices, the part selection, the texture and the views' fit.
// "Lighting" in the same menu turns the OpenGL preview's lighting on and
// off; "Show Other Parts" of the View menu reaches it too.

#include "SoftwarePreview.h"
#include "dialogs/StatusLine.h"
#include "document/Document.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace mobrix::preview {
class PreviewGL;
class PreviewWire;
} // namespace mobrix::preview

namespace mobrix::app {


class PreviewCommands : public QObject {
    Q_OBJECT
public:
    // The previews sit in `host`, the fourth view, in place of `fileInfo`.
    PreviewCommands(Document& doc, StatusLine& status, QWidget* host, QWidget* fileInfo, QObject* parent);
    // Stops watching the fourth view, which may outlive the commands.
    ~PreviewCommands() override;

    // The "3D View" submenu, at the end of `view`.
    void BuildItems(QMenu* view);

    void mnuPView_Click();
    void mnuPView2_Click();
    void mnuRender_Click(int index);


protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListenToDocument();
    void ResetPerspectiveScale();
    void PrepareWindowForOpenGL();
    bool TurnGlOn();
    void TurnGlOff();
    void TurnWireOn();
    void TurnWireOff();
    void GlFailed(const QString& reason);
    void ShowFileInfoUnlessPreviewing();
    void FitToHost();
    void ShowParts();
    void MeshChanged();
    void VerticesMoved(int part);
    void Status(const QString& text);

    Document& doc_;
    StatusLine& status_;
    // The fourth view, which the previews sit in; watched for its size.
    QPointer<QWidget> host_;
    QPointer<QWidget> fileInfo_;
    // The preview that is on, if any; the other is null.
    QPointer<preview::PreviewGL> gl_;
    QPointer<preview::PreviewWire> wire_;
    // The wireframe's angles outlive the view, as the window keeps them.
    preview::PerspAngles angles_;

    QAction* mnuPView_ = nullptr;
    QAction* mnuPView2_ = nullptr;
    std::array<QAction*, 2> mnuRender_{};
    QAction* mnuLighting_ = nullptr;
};

} // namespace mobrix::app
