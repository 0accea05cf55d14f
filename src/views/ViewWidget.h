#pragma once
// One member of the view array on screen: a bordered widget that shows its
// canvas. Drawing happens in the canvas (see ViewDrawing.h); the widget only
// copies it. When the window system asks for a paint (the view was just
// shown, resized or uncovered), the views are redrawn first, so that the
// whole picture shows and not what a drag's erasing left in the canvas.

#include "ViewDrawing.h"

#include <QWidget>

#include <functional>

namespace mobrix::views {

class ViewWidget : public QWidget {
    Q_OBJECT
public:
    ViewWidget(int index, ViewSurface& surface, QWidget* parent);

    int Index() const { return index_; }

    // The canvas holds new drawing in `drawn` (canvas pixels): copy that
    // to the screen.
    void ShowCanvas(const QRegion& drawn);

    // Called when the view must be painted but its canvas holds no drawing;
    // the window redraws its views from the model.
    std::function<void(int view)> onSystemRepaint;

    // Called after the widget's size changed and its canvas was resized.
    std::function<void(int view)> onResized;

    // Mouse events with the position in canvas pixels (inside the border),
    // the button (press and release: the one that changed; move: all held)
    // as 1 left, 2 right, 4 middle, and the shift state (1 Shift, 2 Ctrl,
    // 4 Alt). The pointer is tracked without a button too.
    using MouseHandler = std::function<void(int view, int button, int shift, double x, double y)>;
    MouseHandler onMouseDown;
    MouseHandler onMouseMove;
    MouseHandler onMouseUp;

    // A key pressed while the view has the focus; without a handler the key
    // goes on to the window.
    std::function<void(int view, QKeyEvent* event)> onKeyDown;

    // The mouse wheel turned over the view.
    std::function<void(int view, QWheelEvent* event)> onWheel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int index_;
    ViewSurface& surface_;
    bool stale_ = true; // the canvas has not been drawn since it was made or shown
    bool painting_ = false;
    bool ownUpdate_ = false; // the next paint copies our own new drawing
};

} // namespace mobrix::views
