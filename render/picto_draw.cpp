#include "render/picto_draw.h"

#include "document/picto_library.h"

#include <QRgb>

#include <algorithm>
#include <cmath>

namespace grivendale {

namespace {

// Half-to-even rounding as everywhere else, kept in 64 bits: a centre near the limits of a
// 32-bit coordinate can put the corner just beyond them.
std::int64_t cornerOf(std::int32_t centre, std::int64_t size) {
    return static_cast<std::int64_t>(std::nearbyint(centre - static_cast<double>(size) / 2.0));
}

} // namespace

PictoBounds pictoBounds(const PictoEntry& entry, std::int32_t x, std::int32_t y) {
    const std::int64_t left = cornerOf(x, entry.Width);
    const std::int64_t top = cornerOf(y, entry.Height);
    return {left, top, left + entry.Width, top + entry.Height};
}

void DrawPicto(QImage& surface, const PictoEntry& entry, std::int32_t x, std::int32_t y) {
    drawPictoAt(surface, entry, cornerOf(x, entry.Width), cornerOf(y, entry.Height));
}

void drawPictoAt(QImage& surface, const PictoEntry& entry, std::int64_t left, std::int64_t top) {
    const std::int64_t w = entry.Width;
    const std::int64_t h = entry.Height;
    if (w <= 0 || h <= 0 || surface.isNull() || surface.depth() != 32)
        return;
    if (entry.Pixels.size() < static_cast<std::size_t>(w * h * 4))
        return; // an inconsistent entry draws nothing rather than reading past its pixels

    // The visible part, in image coordinates, found once instead of testing every pixel.
    const std::int64_t colBegin = std::max<std::int64_t>(0, -left);
    const std::int64_t colEnd = std::min<std::int64_t>(w, surface.width() - left);
    const std::int64_t rowBegin = std::max<std::int64_t>(0, -top);
    const std::int64_t rowEnd = std::min<std::int64_t>(h, surface.height() - top);
    if (colBegin >= colEnd || rowBegin >= rowEnd)
        return;

    const bool blend = entry.IsPng == -1;
    uchar* const bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    for (std::int64_t row = rowBegin; row < rowEnd; ++row) {
        QRgb* dest = reinterpret_cast<QRgb*>(bits + (top + row) * stride) + (left + colBegin);
        const std::uint8_t* src = entry.Pixels.data() + (row * w + colBegin) * 4;
        for (std::int64_t col = colBegin; col < colEnd; ++col, src += 4, ++dest) {
            const std::uint32_t a = src[3];
            if (a == 0)
                continue;
            if (!blend) {
                *dest = qRgb(src[0], src[1], src[2]);
                continue;
            }
            const QRgb under = *dest;
            const std::uint32_t keep = 255 - a;
            // At most (255 * 255) / 256 = 254, so no component needs limiting to 255.
            const std::uint32_t r =
                (src[0] * a + static_cast<std::uint32_t>(qRed(under)) * keep) >> 8;
            const std::uint32_t g =
                (src[1] * a + static_cast<std::uint32_t>(qGreen(under)) * keep) >> 8;
            const std::uint32_t b =
                (src[2] * a + static_cast<std::uint32_t>(qBlue(under)) * keep) >> 8;
            *dest = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

} // namespace grivendale
