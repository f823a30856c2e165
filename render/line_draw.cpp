#include "render/line_draw.h"

#include "document/rounding.h"
#include "imaging/colors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace grivendale {

namespace {

void ensureRgb32(QImage& surface) {
    if (surface.format() != QImage::Format_RGB32)
        surface.convertTo(QImage::Format_RGB32);
}

} // namespace

void drawRaster(QImage& surface, const LineRaster& raster, int originX, int originY,
                std::uint32_t bgrColor) {
    if (surface.isNull() || raster.empty())
        return;
    ensureRgb32(surface);
    const long long width = surface.width();
    const long long height = surface.height();
    const qsizetype stride = surface.bytesPerLine();
    uchar* const bits = surface.bits(); // detaches once, not once per row
    const QRgb pixel = bgrToRgb(bgrColor);
    for (const Span& span : raster.spans) {
        const long long y = static_cast<long long>(span.y) + originY;
        if (y < 0 || y >= height)
            continue;
        const long long x0 = std::max(0LL, static_cast<long long>(span.x0) + originX);
        const long long x1 = std::min(width - 1, static_cast<long long>(span.x1) + originX);
        if (x0 > x1)
            continue;
        auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + x0, row + x1 + 1, pixel);
    }
}

QRect rasterBounds(const LineRaster& raster, int originX, int originY, const QRect& clip) {
    if (raster.empty())
        return {};
    // Spans are sorted by row: the first and last give the rows, the columns need a pass.
    long long x0 = raster.spans.front().x0;
    long long x1 = raster.spans.front().x1;
    for (const Span& span : raster.spans) {
        x0 = std::min<long long>(x0, span.x0);
        x1 = std::max<long long>(x1, span.x1);
    }
    const auto within = [](long long v, int lo, int hi) {
        return static_cast<int>(std::clamp<long long>(v, lo - 1LL, hi + 1LL));
    };
    const int left = within(x0 + originX, clip.left(), clip.right());
    const int right = within(x1 + originX, clip.left(), clip.right());
    const int top =
        within(raster.spans.front().y + static_cast<long long>(originY), clip.top(), clip.bottom());
    const int bottom =
        within(raster.spans.back().y + static_cast<long long>(originY), clip.top(), clip.bottom());
    return QRect(QPoint(left, top), QPoint(right, bottom)) & clip;
}

void drawLine(QImage& surface, const MapLine& line, int originX, int originY) {
    drawRaster(surface, rasterizeLine(line), originX, originY, line.Color);
}

std::int32_t widthFromText(const QString& text) {
    // Leading blanks, an optional sign, digits with an optional fraction.
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < size && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < size && text[i] >= u'0' && text[i] <= u'9') {
        ++i;
        ++digits;
    }
    if (i < size && text[i] == u'.') {
        ++i;
        while (i < size && text[i] >= u'0' && text[i] <= u'9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (!ok && !std::isinf(value))
        return 0; // an overflow comes back as infinity and is clamped below
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return roundHalfEven(std::clamp(value, low, high));
}

QRect DrawCurrentLine(QImage& canvas, MapLine& currentLine, std::uint32_t lineColor,
                      const QString& widthBoxText) {
    QRect drawn;
    if (currentLine.PointCount <= 1 || !currentLine.PointX || !currentLine.PointY)
        return drawn;
    const auto needed = static_cast<std::size_t>(currentLine.PointCount) + 1;
    if (currentLine.PointX->size() < needed || currentLine.PointY->size() < needed)
        return drawn;
    const std::int32_t boxWidth = widthFromText(widthBoxText);
    const std::vector<std::int32_t>& px = *currentLine.PointX;
    const std::vector<std::int32_t>& py = *currentLine.PointY;
    for (std::size_t i = 1; i < needed - 1; ++i) {
        const std::int32_t pen = currentLine.Width;
        currentLine.Color = lineColor;
        currentLine.Width = boxWidth;
        const LineRaster raster = rasterizeSegment(px[i], py[i], px[i + 1], py[i + 1], pen);
        drawRaster(canvas, raster, 0, 0, currentLine.Color);
        drawn |= rasterBounds(raster, 0, 0, canvas.rect());
    }
    return drawn;
}

} // namespace grivendale
