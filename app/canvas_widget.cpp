#include "app/canvas_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace grivendale {

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::showImage(const QImage* image, const QRegion& changed) {
    image_ = image;
    showShown(zoomed_.update(this->image(), changed));
}

void CanvasWidget::setZoom(double zoom) {
    const double before = zoomed_.zoom();
    zoomed_.setZoom(zoom);
    if (zoomed_.zoom() == before)
        return;
    showShown(zoomed_.update(image(), QRegion()));
    Q_EMIT zoomChanged(zoomed_.zoom());
}

void CanvasWidget::showShown(const QRegion& shownChanges) {
    const QSize size = zoomed_.shownSize();
    if (size != shownSize_) {
        shownSize_ = size;
        setFixedSize(size);
        pending_ = QRegion(rect());
        update();
        return;
    }
    pending_ |= shownChanges;
    update(shownChanges);
}

void CanvasWidget::repaintPending() {
    if (!pending_.isEmpty())
        repaint(pending_);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    // Always the last presented scene, never a bare background.
    pending_ -= event->region();
    if (!image_)
        return;
    QPainter painter(this);
    for (const QRect& area : event->region())
        zoomed_.paint(painter, *image_, area);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(event->button(), event->modifiers(), toImage(event->position()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT moved(event->buttons(), event->modifiers(), toImage(event->position()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT released(event->button(), event->modifiers(), toImage(event->position()));
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT doubleClicked(event->button(), event->modifiers(), toImage(event->position()));
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        wheelAngle_ = 0;
        event->ignore(); // the scroll area scrolls
        return;
    }
    // A notch is 120 eighths of a degree; fine-grained wheels and touchpads add up to one.
    wheelAngle_ += event->angleDelta().y();
    const int steps = wheelAngle_ / 120;
    wheelAngle_ -= steps * 120;
    if (steps != 0)
        Q_EMIT zoomWheel(steps, event->position());
    event->accept();
}

} // namespace grivendale
