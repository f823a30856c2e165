#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace grivendale {

// The visible canvas: shows the image it is given, one image pixel per screen pixel, and
// forwards the pointer with real-valued image coordinates.
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

Q_SIGNALS:
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);
    void moved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF at);
    void released(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);
    void doubleClicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const QImage* image_ = nullptr;
    QImage empty_;
    QSize shownSize_;
    QRegion pending_; // changed since the last paint
};

} // namespace grivendale
