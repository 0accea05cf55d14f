#include "PreviewWire.h"

#include <QMouseEvent>
#include <QPainter>

namespace mobrix::preview {

PreviewWire::PreviewWire(QWidget* parent) : QFrame(parent)
{
    setObjectName("PreviewWire");
    // The sunken 2-pixel border every view has.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(views::kViewBorder);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWire::SetModel(const CarModel* model)
{
    model_ = model;
    Redraw();
}

void PreviewWire::SetShownParts(std::vector<bool> shown, int current)
{
    parts_.Shown = std::move(shown);
    current_ = current;
    Redraw();
}

void PreviewWire::SetScale(const views::ViewScale& scale)
{
    scale_ = scale;
    Redraw();
}

void PreviewWire::SetAngles(const PerspAngles& angles)
{
    angles_ = angles;
    Redraw();
}

void PreviewWire::Redraw()
{
    const views::ViewSize outer{width(), height()};
    if (model_) {
        canvas_ = DrawSoftwarePreview(*model_, parts_, current_, angles_, scale_, outer);
    } else {
        canvas_ = QImage(outer.ClientWidth(), outer.ClientHeight(), QImage::Format_RGB32);
        canvas_.fill(Qt::white);
    }
    update();
}

void PreviewWire::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event); // the border
    QPainter(this).drawImage(contentsRect().topLeft(), canvas_);
}

void PreviewWire::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Redraw();
}

void PreviewWire::mousePressEvent(QMouseEvent* event)
{
    last_ = event->position();
    QFrame::mousePressEvent(event);
}

void PreviewWire::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        const QPointF at = event->position();
        angles_ = TurnSoftwarePreview(angles_, at.x() - last_.x(), at.y() - last_.y(), canvas_.width(),
                                      canvas_.height());
        last_ = at;
        Redraw();
    }
    QFrame::mouseMoveEvent(event);
}

} // namespace mobrix::preview
