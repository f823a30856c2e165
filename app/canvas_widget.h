#pragma once

#include <QImage>
#include <QWidget>

namespace grivendale {

// The visible canvas: shows the image it is given, one image pixel per screen pixel, and
// forwards the pointer with real-valued image coordinates.
class CanvasWidget final : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);

    // The image is shared, not copied: the scene's canvas is handed over after every change.
    void setImage(const QImage& image);
    const QImage& image() const { return image_; }

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
    QImage image_;
};

} // namespace grivendale
