#pragma once
// One member of the view array on screen: a bordered widget that shows its
// canvas. Drawing happens in the canvas (see ViewDrawing.h); the widget only
// copies it, except when the window system asks for a repaint on its own
// (the view was shown or uncovered), which redraws the views.

#include "ViewDrawing.h"

#include <QWidget>

#include <functional>

namespace mobrix::views {

class ViewWidget : public QWidget {
    Q_OBJECT
public:
    ViewWidget(int index, ViewSurface& surface, QWidget* parent);

    int Index() const { return index_; }

    // The canvas holds new drawing: copy it to the screen.
    void ShowCanvas();

    // Called when the window system repaints the view on its own; the
    // window redraws its views from the model.
    std::function<void(int view)> onSystemRepaint;

    // Called after the widget's size changed and its canvas was resized.
    std::function<void(int view)> onResized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int index_;
    ViewSurface& surface_;
    bool canvasFresh_ = false; // a copy of new drawing is pending
    bool painting_ = false;
};

} // namespace mobrix::views
