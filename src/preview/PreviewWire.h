#pragma once
// The software perspective wireframe on screen: a bordered view that shows
// DrawSoftwarePreview's canvas and turns the model while the left button
// drags over it. It draws again when told something changed (Redraw) and
// when its size changes.

#include "SoftwarePreview.h"

#include <QFrame>

#include <vector>

namespace mobrix::preview {

class PreviewWire : public QFrame {
    Q_OBJECT
public:
    explicit PreviewWire(QWidget* parent = nullptr);

    // The model to show (not owned). Redraws.
    void SetModel(const CarModel* model);
    // Which parts the part list selects (index = part) and its current entry.
    void SetShownParts(std::vector<bool> shown, int current);
    // View 3's scale rectangle: view 0's multiplied by PerspScale.
    void SetScale(const views::ViewScale& scale);
    void SetAngles(const PerspAngles& angles);
    const PerspAngles& Angles() const { return angles_; }

    // Draws the canvas again from the model and shows it.
    void Redraw();
    const QImage& Canvas() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const CarModel* model_ = nullptr;
    views::PartSelection parts_;
    int current_ = -1;
    views::ViewScale scale_;
    PerspAngles angles_;
    QImage canvas_;
    QPointF last_;
};

} // namespace mobrix::preview
