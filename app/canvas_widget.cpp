#include "app/canvas_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace grivendale {

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::showImage(const QImage* image, const QRegion& changed) {
    image_ = image;
    const QSize size = image_ ? image_->size() : QSize();
    if (size != shownSize_) {
        shownSize_ = size;
        setFixedSize(size);
        pending_ = QRegion(rect());
        update();
        return;
    }
    pending_ |= changed;
    update(changed);
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
        painter.drawImage(area.topLeft(), *image_, area);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed(event->button(), event->modifiers(), event->position());
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT moved(event->buttons(), event->modifiers(), event->position());
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    Q_EMIT released(event->button(), event->modifiers(), event->position());
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT doubleClicked(event->button(), event->modifiers(), event->position());
}

} // namespace grivendale
