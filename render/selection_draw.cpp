#include "render/selection_draw.h"

#include "imaging/colors.h"

#include <algorithm>
#include <cmath>

namespace grivendale {

namespace {

// A corner coordinate as a whole pixel, kept just outside the canvas when it lies beyond it:
// the border it carries then stays invisible, and huge values from a damaged file cannot
// overflow.
int cornerPixel(double value, int size) {
    return static_cast<int>(std::clamp(std::nearbyint(value), -2.0, double(size) + 1.0));
}

void drawRow(QImage& canvas, int y, int x0, int x1, QRgb color) {
    if (y < 0 || y >= canvas.height())
        return;
    for (int x = std::max(x0, 0); x <= std::min(x1, canvas.width() - 1); ++x)
        canvas.setPixel(x, y, color);
}

void drawColumn(QImage& canvas, int x, int y0, int y1, QRgb color) {
    if (x < 0 || x >= canvas.width())
        return;
    for (int y = std::max(y0, 0); y <= std::min(y1, canvas.height() - 1); ++y)
        canvas.setPixel(x, y, color);
}

struct SelectionBox {
    double cx = 0;
    double cy = 0;
    double w = 0;
    double h = 0;
};

// The box the marks surround; nothing for a pictogram the library does not hold.
std::optional<SelectionBox> selectionBox(const MapItem& e, const PictoSizeLookup& pictoSize) {
    if (e.isLineEntry()) {
        // The entry's origin is the top-left corner of the line's box, whose centre is rounded
        // to a whole pixel.
        const double w = e.Width;
        const double h = e.Height;
        return SelectionBox{std::nearbyint(e.X + w / 2.0), std::nearbyint(e.Y + h / 2.0), w, h};
    }
    if (e.isText())
        return SelectionBox{double(e.X), double(e.Y), double(e.Width), double(e.Height)};
    const std::optional<PictoSize> size = pictoSize ? pictoSize(e.RefIndex) : std::nullopt;
    if (!size)
        return std::nullopt;
    return SelectionBox{double(e.X), double(e.Y), double(size->Width), double(size->Height)};
}

} // namespace

void drawRectOutline(QImage& canvas, double x1, double y1, double x2, double y2, QRgb color) {
    if (canvas.isNull())
        return;
    const int ax = cornerPixel(x1, canvas.width());
    const int bx = cornerPixel(x2, canvas.width());
    const int ay = cornerPixel(y1, canvas.height());
    const int by = cornerPixel(y2, canvas.height());
    const int left = std::min(ax, bx);
    const int right = std::max(ax, bx);
    const int top = std::min(ay, by);
    const int bottom = std::max(ay, by);
    drawRow(canvas, top, left, right, color);
    drawRow(canvas, bottom, left, right, color);
    drawColumn(canvas, left, top, bottom, color);
    drawColumn(canvas, right, top, bottom, color);
}

QRect DrawSelect(QImage& canvas, const MapDocument& doc, std::int32_t selectedItem,
                 const PictoSizeLookup& pictoSize) {
    if (selectedItem <= 0)
        return {};
    // The selection may outlive its slot (a load, a clear): only an existing slot is drawn.
    const MapItem* e = doc.item(selectedItem);
    if (e == nullptr)
        return {};
    const std::optional<SelectionBox> box = selectionBox(*e, pictoSize);
    if (!box)
        return {};
    QRect drawn;
    // Whole pixels around [x1, x2] x [y1, y2], one to spare for the rounding of the corners.
    const auto around = [&canvas](double x1, double y1, double x2, double y2) {
        const int l = cornerPixel(std::min(x1, x2) - 1, canvas.width());
        const int r = cornerPixel(std::max(x1, x2) + 1, canvas.width());
        const int t = cornerPixel(std::min(y1, y2) - 1, canvas.height());
        const int b = cornerPixel(std::max(y1, y2) + 1, canvas.height());
        return QRect(QPoint(l, t), QPoint(r, b)) & canvas.rect();
    };

    const double cx = box->cx;
    const double cy = box->cy;
    const double left = cx - box->w / 2.0;
    const double right = cx + box->w / 2.0;
    const double top = cy - box->h / 2.0;
    const double bottom = cy + box->h / 2.0;

    // Like the handles of a frame, one to five pixels outside the box.
    const QRgb red = bgrToRgb(kFrameMarkColor);
    drawRectOutline(canvas, left - 5, top - 5, left - 1, top - 1, red);
    drawRectOutline(canvas, left - 5, cy - 2, left - 1, cy + 2, red);
    drawRectOutline(canvas, left - 5, bottom + 5, left - 1, bottom + 1, red);
    drawRectOutline(canvas, cx - 2, top - 5, cx + 2, top - 1, red);
    drawRectOutline(canvas, cx - 2, bottom + 5, cx + 2, bottom + 1, red);
    drawRectOutline(canvas, right + 5, top - 5, right + 1, top - 1, red);
    drawRectOutline(canvas, right + 5, cy - 2, right + 1, cy + 2, red);
    drawRectOutline(canvas, right + 5, bottom + 5, right + 1, bottom + 1, red);
    drawn = around(left - 5, top - 5, right + 5, bottom + 5);

    if (!e->isLineEntry())
        return drawn;
    const MapLine* line = doc.line(e->RefIndex);
    if (line == nullptr || !line->pointsConsistent())
        return drawn;
    const QRgb black = bgrToRgb(kPointMarkColor);
    for (std::int32_t j = 1; j <= line->PointCount; ++j) {
        const double px = double(e->X) + (*line->PointX)[static_cast<std::size_t>(j)];
        const double py = double(e->Y) + (*line->PointY)[static_cast<std::size_t>(j)];
        drawRectOutline(canvas, px - 3, py - 3, px + 3, py + 3, black);
        drawn |= around(px - 3, py - 3, px + 3, py + 3);
    }
    return drawn;
}

} // namespace grivendale
