// The main window's size and layout: the window follows the map's size as far as the screen
// allows, frame included; the canvas takes the room the panels leave, and the panels scroll
// when the window is smaller than they are.
#include "app/main_window.h"

#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QWindow>

#include <algorithm>

namespace grivendale {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kToolPanelWidth = 305;   // pixels from the right edge
constexpr int kBottomPanelHeight = 80; // pixels from the bottom edge
constexpr int kMinWindowWidthTwips = 12500;
constexpr int kMinWindowHeightTwips = 10000;
// A window manager's frame before it says what it is: a title bar and thin borders.
constexpr QMargins kFrameGuess(2, 32, 2, 2);
constexpr int kFitsByMove = 4;

} // namespace

QScrollArea* MainWindow::panelScrollArea(QWidget* panel, Qt::Orientation scrolling) {
    auto* area = new QScrollArea(client_);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(panel);
    if (scrolling == Qt::Vertical)
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    else
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return area;
}

void MainWindow::ResizeFromPic() {
    const QSize canvas = scene_.size();
    int widthTwips = canvas.width() * kTwipsPerPixel + 5000;
    int heightTwips = canvas.height() * kTwipsPerPixel + 1700;
    widthTwips = std::max(widthTwips, kMinWindowWidthTwips);
    heightTwips = std::max(heightTwips, kMinWindowHeightTwips);
    windowTwips_ = QSize(widthTwips, heightTwips);
    wantedClient_ = QSize(widthTwips / kTwipsPerPixel, heightTwips / kTwipsPerPixel);
    fitToScreen();
    repaintPanel(toolPanel_);
    update();
}

void MainWindow::fitToScreen() {
    // The menu and status bars come on top of the client area the map asks for.
    const int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    QSize inner = wantedClient_ + QSize(0, bars);
    const QWindow* handle = windowHandle();
    const QMargins frame = handle && isVisible() ? handle->frameMargins() : kFrameGuess;
    fittedFrame_ = frame;
    if (const QScreen* s = screen()) {
        const QRect available = s->availableGeometry();
        inner = inner.boundedTo(available.size().shrunkBy(frame));
        resize(inner);
        // The whole frame on the screen: a window placed partly off it comes back.
        const QSize outer = inner.grownBy(frame);
        // Where the client really is: the toolkit's own idea of it can lag behind the window
        // manager's placement by the frame.
        const QPoint client = isVisible() ? mapToGlobal(QPoint()) : geometry().topLeft();
        const QPoint corner = client - QPoint(frame.left(), frame.top());
        const QPoint at(
            std::clamp(corner.x(), available.left(),
                       std::max(available.left(), available.right() + 1 - outer.width())),
            std::clamp(corner.y(), available.top(),
                       std::max(available.top(), available.bottom() + 1 - outer.height())));
        // The client's own position, which window managers take as it is: a frame position
        // is offset by the frame a second time by some of them.
        // Before it is shown the window manager places it, on the screen since it fits.
        if (QWindow* window = windowHandle(); window && isVisible() && at != corner)
            window->setPosition(at + QPoint(frame.left(), frame.top()));
    } else {
        resize(inner);
    }
    // Before the window is shown its layout has not run: the client is what the bars leave.
    placeControls(inner - QSize(0, bars));
}

void MainWindow::placeControls(QSize client) {
    // A client narrower than the panels still shows some of each; they scroll.
    const int panelWidth = std::min(kToolPanelWidth, client.width() / 2);
    const int panelHeight = std::min(kBottomPanelHeight, client.height() / 2);
    const int panelLeft = client.width() - panelWidth;
    const int panelTop = client.height() - panelHeight;
    toolScroll_->setGeometry(panelLeft, 0, panelWidth, client.height());
    bottomScroll_->setGeometry(0, panelTop, panelLeft, panelHeight);
    placeCanvasArea();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The main window's layout has given the central widget its new size by now.
    placeControls(client_->size());
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // The window manager tells its frame once the window is shown, and may place it partly off
    // the screen: the fit is made again, a few times in a row at most should it insist.
    const QWindow* handle = windowHandle();
    if (!handle || !isVisible() || wantedClient_.isEmpty() || !screen())
        return;
    const QMargins frame = handle->frameMargins();
    const QRect outer = QRect(mapToGlobal(QPoint()), size()).marginsAdded(frame);
    if ((frame != fittedFrame_ || !screen()->availableGeometry().contains(outer)) &&
        fitsByMove_++ < kFitsByMove)
        fitToScreen();
}

} // namespace grivendale
