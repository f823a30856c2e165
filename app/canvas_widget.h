#pragma once

#include "render/zoomed_canvas.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace grivendale {

// The visible canvas: shows the image it is given at its zoom (one image pixel per screen pixel
// at 100 %), and forwards the pointer with real-valued image coordinates.
class CanvasWidget final : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // Shows the scene's canvas, which outlives this widget and is read, never copied (a copy
    // would make the scene's next drawing duplicate the whole picture). Only `changed` is
    // painted again, unless the size changed.
    void showImage(const QImage* image, const QRegion& changed);
    const QImage& image() const { return image_ ? *image_ : empty_; }
    // Paints what is waiting at once, for a drag under way.
    void repaintPending();

    double zoom() const { return zoomed_.zoom(); }
    // Shows the image at `zoom` (limited and made whole from 1 up, see ZoomedCanvas).
    void setZoom(double zoom);
    // Widget and image coordinates, through pixel centres.
    QPointF toImage(QPointF widget) const { return zoomed_.toMap(widget); }
    QPointF toWidget(QPointF image) const { return zoomed_.toShown(image); }

Q_SIGNALS:
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);
    void moved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF at);
    void released(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);
    void doubleClicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);
    // Ctrl+wheel: `steps` notches in (positive) or out, at `widgetAt` in widget pixels.
    void zoomWheel(int steps, QPointF widgetAt);
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void showShown(const QRegion& shownChanges);

    const QImage* image_ = nullptr;
    QImage empty_;
    ZoomedCanvas zoomed_;
    QSize shownSize_;
    QRegion pending_;    // widget pixels changed since the last paint
    int wheelAngle_ = 0; // eighths of a degree not yet made into a zoom step
};

} // namespace grivendale
