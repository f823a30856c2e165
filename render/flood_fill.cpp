#include "render/flood_fill.h"

#include "imaging/colors.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace grivendale {

namespace {

using Pixel = std::uint32_t;

// Row scans and fills, 16 pixels at a time where SSE2 is there: a fill is nothing but these.

#if defined(__SSE2__)
inline __m128i load4(const Pixel* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i set when pixel i of p[0..15] equals the colour.
inline unsigned equalMask16(const Pixel* p, __m128i colour) {
    const __m128i e0 = _mm_cmpeq_epi32(load4(p), colour);
    const __m128i e1 = _mm_cmpeq_epi32(load4(p + 4), colour);
    const __m128i e2 = _mm_cmpeq_epi32(load4(p + 8), colour);
    const __m128i e3 = _mm_cmpeq_epi32(load4(p + 12), colour);
    const __m128i b01 = _mm_packs_epi32(e0, e1);
    const __m128i b23 = _mm_packs_epi32(e2, e3);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(b01, b23)));
}
#endif

// First x in [x, end) whose pixel is not `colour`, or end.
inline int findOther(const Pixel* row, int x, int end, Pixel colour) {
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    while (x + 16 <= end) {
        const unsigned mask = equalMask16(row + x, c);
        if (mask != 0xFFFFu)
            return x + __builtin_ctz(~mask);
        x += 16;
    }
#endif
    while (x < end && row[x] == colour)
        ++x;
    return x;
}

// First x in [x, end) whose pixel is `colour`, or end.
inline int findColour(const Pixel* row, int x, int end, Pixel colour) {
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    while (x + 16 <= end) {
        const unsigned mask = equalMask16(row + x, c);
        if (mask != 0)
            return x + __builtin_ctz(mask);
        x += 16;
    }
#endif
    while (x < end && row[x] != colour)
        ++x;
    return x;
}

// Last x in [begin, x] going left whose pixel is not `colour`, or begin - 1.
inline int findOtherLeft(const Pixel* row, int x, int begin, Pixel colour) {
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    while (x - 15 >= begin) {
        const unsigned mask = equalMask16(row + x - 15, c);
        if (mask != 0xFFFFu)
            return x - 15 + (31 - __builtin_clz(~mask & 0xFFFFu));
        x -= 16;
    }
#endif
    while (x >= begin && row[x] == colour)
        --x;
    return x;
}

inline void fillRun(Pixel* row, int x0, int x1, Pixel colour) {
    int x = x0;
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    for (; x + 4 <= x1 + 1; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), c);
#endif
    for (; x <= x1; ++x)
        row[x] = colour;
}

// A span [xl, xr] already painted on row y; row y + dy is still to be looked at beneath it.
struct PendingSpan {
    int y;
    int xl;
    int xr;
    int dy;
};

} // namespace

// Scanline fill with a stack of spans (after Heckbert's seed fill): each painted run hands
// the row beyond it to the stack, and hands the row it came from back only where the run
// sticks out past its parent, so painted rows are not scanned again. The stack stays a few
// entries deep per row in ordinary shapes; no per-pixel bookkeeping is kept.
void floodFill(QImage& surface, int x, int y, QRgb newColor) {
    if (surface.isNull() || x < 0 || y < 0 || x >= surface.width() || y >= surface.height())
        return;
    if (surface.format() != QImage::Format_RGB32)
        surface.convertTo(QImage::Format_RGB32);
    const int width = surface.width();
    const int height = surface.height();
    const qsizetype stride = surface.bytesPerLine();
    uchar* const bits = surface.bits();
    const auto rowAt = [&](int row) { return reinterpret_cast<Pixel*>(bits + row * stride); };

    const Pixel oldColour = rowAt(y)[x];
    const Pixel newColour = newColor | 0xFF000000u; // the surface has no transparency
    if (oldColour == newColour)
        return; // nothing to change, and the loop below would never see painted pixels

    std::vector<PendingSpan> stack;
    stack.reserve(static_cast<std::size_t>(height) * 2 + 16);
    const auto push = [&](int row, int xl, int xr, int dy) {
        if (row + dy >= 0 && row + dy < height)
            stack.push_back({row, xl, xr, dy});
    };
    push(y, x, x, 1);      // the row below the seed, once the seed's row is painted
    push(y + 1, x, x, -1); // the seed's own row, taken first

    while (!stack.empty()) {
        const PendingSpan parent = stack.back();
        stack.pop_back();
        const int row = parent.y + parent.dy;
        const int x1 = parent.xl;
        const int x2 = parent.xr;
        const int dy = parent.dy;
        Pixel* const line = rowAt(row);

        int left;   // start of the current run
        int cursor; // first pixel of the run not yet painted
        if (line[x1] == oldColour) {
            left = findOtherLeft(line, x1 - 1, 0, oldColour) + 1;
            fillRun(line, left, x1, newColour);
            if (left < x1)
                push(row, left, x1 - 1, -dy); // leaks out on the left
            cursor = x1 + 1;
        } else {
            cursor = findColour(line, x1 + 1, x2 + 1, oldColour);
            if (cursor > x2)
                continue;
            left = cursor;
        }
        for (;;) {
            const int end = findOther(line, cursor, width, oldColour); // run is [left, end - 1]
            fillRun(line, cursor, end - 1, newColour);
            push(row, left, end - 1, dy);
            if (end > x2 + 1)
                push(row, x2 + 1, end - 1, -dy); // leaks out on the right
            if (end + 1 > x2)
                break;
            cursor = findColour(line, end + 1, x2 + 1, oldColour);
            if (cursor > x2)
                break;
            left = cursor;
        }
    }
}

void FillOut(QImage& surface, const MapDocument& doc) {
    for (std::int32_t k = 1; k <= doc.FillCount; ++k) {
        if (static_cast<std::size_t>(k) >= doc.Fills.size())
            break;
        const FillPoint& fill = doc.Fills[static_cast<std::size_t>(k)];
        // A seed outside the surface reads as no colour at all: nothing to replace.
        if (!surface.valid(fill.X, fill.Y))
            continue;
        if ((surface.pixel(fill.X, fill.Y) & 0x00FFFFFFu) == 0)
            continue; // black is never filled: black lines are always borders
        floodFill(surface, fill.X, fill.Y, bgrToRgb(fill.Color));
    }
}

} // namespace grivendale
