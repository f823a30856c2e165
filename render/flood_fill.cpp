#include "render/flood_fill.h"

#include "imaging/colors.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace grivendale {

namespace {

using Pixel = std::uint32_t;

// Row scans and fills. Most runs in ragged areas (noise, corridors, small cells) are a few
// pixels long, so each scan looks at a few pixels one by one before it goes 16 at a time with
// SSE2: on a 3-pixel run the wide loads cost more than they save. (A branch-free 4-pixel mask
// in place of the single steps measured slower.)
constexpr int kScalarSteps = 4;

#if defined(__SSE2__)
inline __m128i load4(const Pixel* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store4(Pixel* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
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

// Paints `paint` over row[x..] while the pixels are `old`; returns the first x that was not
// (or width). Scanning and painting in one pass touches each cache line once.
inline int paintRun(Pixel* row, int x, int width, Pixel old, Pixel paint) {
    for (const int stop = std::min(x + kScalarSteps, width); x < stop; ++x) {
        if (row[x] != old)
            return x;
        row[x] = paint;
    }
#if defined(__SSE2__)
    const __m128i o = _mm_set1_epi32(static_cast<int>(old));
    const __m128i p = _mm_set1_epi32(static_cast<int>(paint));
    while (x + 16 <= width) {
        const unsigned mask = equalMask16(row + x, o);
        if (mask != 0xFFFFu) {
            const int stop = x + __builtin_ctz(~mask);
            for (; x < stop; ++x)
                row[x] = paint;
            return x;
        }
        store4(row + x, p);
        store4(row + x + 4, p);
        store4(row + x + 8, p);
        store4(row + x + 12, p);
        x += 16;
    }
#endif
    for (; x < width && row[x] == old; ++x)
        row[x] = paint;
    return x;
}

// First x in [x, end) whose pixel is `colour`, or end.
inline int findColour(const Pixel* row, int x, int end, Pixel colour) {
    for (const int stop = std::min(x + kScalarSteps, end); x < stop; ++x) {
        if (row[x] == colour)
            return x;
    }
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

// Start of the run of `colour` that ends at x (row[x] is `colour`), going left to the edge.
inline int runStart(const Pixel* row, int x, Pixel colour) {
    for (const int stop = std::max(x - kScalarSteps, 0); x > stop; --x) {
        if (row[x - 1] != colour)
            return x;
    }
#if defined(__SSE2__)
    const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
    while (x >= 16) {
        const unsigned mask = equalMask16(row + x - 16, c);
        if (mask != 0xFFFFu)
            return x - 16 + (32 - __builtin_clz(~mask & 0xFFFFu));
        x -= 16;
    }
#endif
    while (x > 0 && row[x - 1] == colour)
        --x;
    return x;
}

// A span [xl, xr] already painted on row y; row y + dy, which exists, is still to be looked at
// beneath it.
struct PendingSpan {
    int y;
    int xl;
    int xr;
    int dy;
};

// A plain array of spans. Room is made once per span taken off (for as many pushes as it can
// lead to), so the pushes themselves are bare stores.
class SpanStack {
public:
    explicit SpanStack(std::size_t capacity)
        : storage_(std::make_unique_for_overwrite<PendingSpan[]>(capacity)), capacity_(capacity),
          top_(storage_.get()) {}

    bool empty() const { return top_ == storage_.get(); }

    void makeRoom(std::size_t count) {
        const auto used = static_cast<std::size_t>(top_ - storage_.get());
        if (capacity_ - used >= count)
            return;
        const std::size_t capacity = std::max(capacity_ * 2, used + count);
        auto grown = std::make_unique_for_overwrite<PendingSpan[]>(capacity);
        std::memcpy(grown.get(), storage_.get(), used * sizeof(PendingSpan));
        storage_ = std::move(grown);
        capacity_ = capacity;
        top_ = storage_.get() + used;
    }

    void push(int y, int xl, int xr, int dy) { *top_++ = {y, xl, xr, dy}; }
    PendingSpan pop() { return *--top_; }

private:
    std::unique_ptr<PendingSpan[]> storage_;
    std::size_t capacity_;
    PendingSpan* top_;
};

// Scanline fill with a stack of spans (after Heckbert's seed fill): each painted run hands
// the row beyond it on, and hands the row it came from back only where the run sticks out past
// its parent, so painted rows are not scanned again. The last run found under a span is
// followed on at once rather than pushed and popped: a corridor or a plain area goes down row
// after row with no stack traffic at all. No per-pixel bookkeeping is kept. With `Record` every
// painted run is also appended to `painted`; the plain fill compiles without it.
template <bool Record>
void fill(QImage& surface, int x, int y, QRgb newColor, std::vector<Span>* painted) {
    if (surface.isNull() || x < 0 || y < 0 || x >= surface.width() || y >= surface.height())
        return;
    if (surface.format() != QImage::Format_RGB32)
        surface.convertTo(QImage::Format_RGB32);
    const int width = surface.width();
    const int height = surface.height();
    const qsizetype stride = surface.bytesPerLine();
    uchar* const bits = surface.bits();

    const Pixel oldColour = reinterpret_cast<Pixel*>(bits + y * stride)[x];
    const Pixel newColour = newColor | 0xFF000000u; // the surface has no transparency
    if (oldColour == newColour)
        return; // nothing to change, and the loop below would never see painted pixels

    SpanStack stack(static_cast<std::size_t>(height) + 64);
    {
        Pixel* const line = reinterpret_cast<Pixel*>(bits + y * stride);
        const int left = runStart(line, x, oldColour);
        const int end = paintRun(line, left, width, oldColour, newColour);
        if constexpr (Record)
            painted->push_back({y, left, end - 1});
        stack.makeRoom(2);
        if (y + 1 < height)
            stack.push(y, left, end - 1, 1);
        if (y > 0)
            stack.push(y, left, end - 1, -1);
    }

    while (!stack.empty()) {
        PendingSpan span = stack.pop();
        for (bool carryOn = true; carryOn;) {
            carryOn = false;
            const int row = span.y + span.dy;
            const int dy = span.dy;
            const int x1 = span.xl;
            const int x2 = span.xr;
            const bool beyondExists =
                static_cast<unsigned>(row + dy) < static_cast<unsigned>(height);
            Pixel* const line = reinterpret_cast<Pixel*>(bits + row * stride);
            // At most one push per run (runs in [x1, x2] are apart by a pixel at least) and
            // two more for the leaks on either side.
            stack.makeRoom(static_cast<std::size_t>(x2 - x1) / 2 + 3);

            int left; // start of the current run
            if (line[x1] == oldColour) {
                left = runStart(line, x1, oldColour);
                if (left < x1)
                    stack.push(row, left, x1 - 1, -dy); // leaks out on the left
            } else {
                left = findColour(line, x1 + 1, x2 + 1, oldColour);
                if (left > x2)
                    continue; // nothing under the span: back to the stack
            }
            for (;;) {
                const int end = paintRun(line, left, width, oldColour, newColour); // [left, end)
                if constexpr (Record)
                    painted->push_back({row, left, end - 1});
                if (end > x2 + 1)
                    stack.push(row, x2 + 1, end - 1, -dy); // leaks out on the right
                const int next = end < x2 ? findColour(line, end + 1, x2 + 1, oldColour) : x2 + 1;
                if (next > x2) {
                    // The last run under the span: carried on with directly.
                    if (beyondExists) {
                        span = {row, left, end - 1, dy};
                        carryOn = true;
                    }
                    break;
                }
                if (beyondExists)
                    stack.push(row, left, end - 1, dy);
                left = next;
            }
        }
    }
}

} // namespace

void floodFill(QImage& surface, int x, int y, QRgb newColor) {
    fill<false>(surface, x, y, newColor, nullptr);
}

void floodFill(QImage& surface, int x, int y, QRgb newColor, std::vector<Span>& painted) {
    fill<true>(surface, x, y, newColor, &painted);
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
