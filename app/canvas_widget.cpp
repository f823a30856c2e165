#include "app/canvas_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace grivendale {

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Picture1"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::setImage(const QImage& image) {
    const bool resized = image.size() != image_.size();
    image_ = image;
    if (resized)
        setFixedSize(image_.size());
    update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    // Always the last presented scene, never a bare background.
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), image_, area);
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
