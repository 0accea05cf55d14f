#include "ViewWidget.h"

#include "ViewEditing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

namespace mobrix::views {

ViewWidget::ViewWidget(int index, ViewSurface& surface, QWidget* parent)
    : QWidget(parent), index_(index), surface_(surface)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    surface_.Resize(ViewSize{width(), height()});
}

void ViewWidget::ShowCanvas(const QRegion& drawn)
{
    stale_ = false;
    // While this widget paints, the canvas is copied right after the redraw
    // that called us; asking for another paint would only repeat it.
    if (!painting_) {
        ownUpdate_ = true;
        update(drawn.translated(kViewBorder, kViewBorder));
    }
}

void ViewWidget::paintEvent(QPaintEvent*)
{
    painting_ = true;
    const bool asked = stale_ || !ownUpdate_;
    ownUpdate_ = false;
    if (asked && onSystemRepaint)
        onSystemRepaint(index_);

    QPainter p(this);
    // A sunken 2-pixel border: dark grey and black outside, light inside.
    const QRect r = rect();
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(Qt::white);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(Qt::black);
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    p.setPen(QColor(192, 192, 192));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    if (!surface_.canvas.isNull())
        p.drawImage(QPoint(kViewBorder, kViewBorder), surface_.canvas);
    painting_ = false;
}

void ViewWidget::resizeEvent(QResizeEvent* event)
{
    surface_.Resize(ViewSize{event->size().width(), event->size().height()});
    stale_ = true;
    if (onResized)
        onResized(index_);
}

void ViewWidget::showEvent(QShowEvent*)
{
    stale_ = true;
}

namespace {

int ButtonBits(Qt::MouseButtons buttons)
{
    int bits = 0;
    if (buttons.testFlag(Qt::LeftButton))
        bits |= 1;
    if (buttons.testFlag(Qt::RightButton))
        bits |= 2;
    if (buttons.testFlag(Qt::MiddleButton))
        bits |= 4;
    return bits;
}

void Forward(const ViewWidget::MouseHandler& handler, int view, int button, QMouseEvent* event)
{
    if (!handler)
        return;
    const QPointF p = event->position();
    handler(view, button, ShiftState(event->modifiers()), p.x() - kViewBorder, p.y() - kViewBorder);
}

} // namespace

void ViewWidget::mousePressEvent(QMouseEvent* event)
{
    Forward(onMouseDown, index_, ButtonBits(event->button()), event);
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    Forward(onMouseMove, index_, ButtonBits(event->buttons()), event);
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    Forward(onMouseUp, index_, ButtonBits(event->button()), event);
}

void ViewWidget::wheelEvent(QWheelEvent* event)
{
    if (!onWheel) {
        event->ignore();
        return;
    }
    onWheel(index_, event);
    event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event)
{
    if (!onKeyDown) {
        event->ignore();
        return;
    }
    onKeyDown(index_, event);
}

} // namespace mobrix::views
