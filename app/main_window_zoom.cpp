// The main window's side of the zoom: the canvas shows the map larger or smaller, the scroll
// area follows, and the map point the user looks at stays where it is.
#include "app/canvas_widget.h"
#include "app/main_window.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace grivendale {

void MainWindow::connectZoom() {
    connect(canvas_, &CanvasWidget::zoomChanged, this, &MainWindow::zoomChanged);
    connect(canvas_, &CanvasWidget::zoomWheel, this, [this](int steps, QPointF at) {
        double zoom = canvas_->zoom();
        for (; steps > 0; --steps)
            zoom = ZoomedCanvas::levelAbove(zoom);
        for (; steps < 0; ++steps)
            zoom = ZoomedCanvas::levelBelow(zoom);
        zoomAround(zoom, canvas_->mapTo(canvasArea_->viewport(), at));
    });
}

double MainWindow::zoom() const {
    return canvas_->zoom();
}

void MainWindow::setZoom(double zoom) {
    const QWidget* viewport = canvasArea_->viewport();
    const QRect visible =
        QRect(canvas_->mapTo(viewport, QPoint()), canvas_->size()) & viewport->rect();
    zoomAround(zoom, QRectF(visible).center());
}

void MainWindow::zoomIn() {
    setZoom(ZoomedCanvas::levelAbove(zoom()));
}

void MainWindow::zoomOut() {
    setZoom(ZoomedCanvas::levelBelow(zoom()));
}

void MainWindow::actualSize() {
    setZoom(1.0);
}

void MainWindow::fitToWindow() {
    const QSize map = scene_.size().expandedTo(QSize(1, 1));
    const QSize room = canvasRoom();
    setZoom(
        std::min({1.0, double(room.width()) / map.width(), double(room.height()) / map.height()}));
}

void MainWindow::zoomAround(double zoom, QPointF anchor) {
    const QPointF mapPoint = canvas_->toImage(canvas_->mapFrom(canvasArea_->viewport(), anchor));
    canvas_->setZoom(zoom);
    placeCanvasArea();
    const QPointF shown = canvas_->toWidget(mapPoint);
    canvasArea_->horizontalScrollBar()->setValue(qRound(shown.x() - anchor.x()));
    canvasArea_->verticalScrollBar()->setValue(qRound(shown.y() - anchor.y()));
}

QSize MainWindow::canvasRoom() const {
    return {toolScroll_->x(), bottomScroll_->y()};
}

void MainWindow::placeCanvasArea() {
    const QSize room = canvasRoom();
    const QSize shown = canvas_->size();
    canvasArea_->setGeometry(0, 0, std::min(shown.width(), room.width()),
                             std::min(shown.height(), room.height()));
}

} // namespace grivendale
