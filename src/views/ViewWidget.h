#pragma once
// One member of the view array on screen: a bordered widget that shows its
// canvas. Drawing happens in the canvas (see ViewDrawing.h); the widget only
// copies it. When the window system paints a view whose canvas holds no
// drawing yet (it was just shown or resized), the views are redrawn first.

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

    // Called when the view must be painted but its canvas holds no drawing;
    // the window redraws its views from the model.
    std::function<void(int view)> onSystemRepaint;

    // Called after the widget's size changed and its canvas was resized.
    std::function<void(int view)> onResized;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int index_;
    ViewSurface& surface_;
    bool stale_ = true; // the canvas has not been drawn since it was made or shown
    bool painting_ = false;
};

} // namespace mobrix::views
