#include "render/base_layers.h"

#include "imaging/colors.h"
#include "render/flood_fill.h"
#include "render/line_draw.h"
#include "render/surface_areas.h"
#include "render/surface_buffer.h"

#include <algorithm>
#include <utility>

namespace grivendale {

namespace {

QRect boundsOf(const std::vector<Span>& runs) {
    if (runs.empty())
        return {};
    int left = runs.front().x0, right = runs.front().x1;
    int top = runs.front().y, bottom = runs.front().y;
    for (const Span& run : runs) {
        left = std::min(left, run.x0);
        right = std::max(right, run.x1);
        top = std::min(top, run.y);
        bottom = std::max(bottom, run.y);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Whether a fill recorded as `drawn` paints the same again when `changed` holds every pixel
// that differs from the surface it was painted on.
bool paintsAsBefore(const auto& drawn, const FillPoint& fill, const QRegion& changed) {
    if (!(drawn.fill == fill) || changed.contains(QPoint(fill.X, fill.Y)))
        return false;
    return drawn.bounds.isEmpty() || !changed.intersects(drawn.bounds.adjusted(-1, -1, 1, 1));
}

} // namespace

std::optional<QRegion> BaseLayers::lineChanges(const std::vector<PlacedLine>& lines) const {
    QRegion changed;
    bool any = lines.size() != lines_.size();
    auto before = lines_.begin();
    auto now = lines.begin();
    // Both lists are in slot order: walked side by side.
    while (before != lines_.end() || now != lines.end()) {
        if (now == lines.end() || (before != lines_.end() && before->slot < now->slot)) {
            changed |= before++->extent;
            any = true;
        } else if (before == lines_.end() || now->slot < before->slot) {
            changed |= rasterBounds(*now->raster, now->x, now->y, image_.rect());
            ++now;
            any = true;
        } else {
            if (before->x != now->x || before->y != now->y || !(before->line == *now->line)) {
                any = true;
                changed |= before->extent;
                changed |= rasterBounds(*now->raster, now->x, now->y, image_.rect());
            }
            ++before;
            ++now;
        }
    }
    return any ? std::optional(changed) : std::nullopt;
}

void BaseLayers::drawLines(const QImage& background, const std::vector<PlacedLine>& lines,
                           const QRegion& region) {
    for (const QRect& area : region) {
        copyRect(image_, background, area);
        QImage window = windowOnto(image_, area);
        for (const PlacedLine& placed : lines) {
            if (rasterBounds(*placed.raster, placed.x, placed.y, area).isEmpty())
                continue;
            drawRaster(window, *placed.raster, placed.x - area.left(), placed.y - area.top(),
                       placed.line->Color);
        }
    }
}

BaseLayers::DrawnFill BaseLayers::replay(const FillPoint& fill) {
    DrawnFill drawn{fill, 0, {}, QRect()};
    // A seed outside the surface reads as no colour at all: nothing to replace.
    if (!image_.valid(fill.X, fill.Y))
        return drawn;
    drawn.replaced = reinterpret_cast<const QRgb*>(image_.constScanLine(fill.Y))[fill.X];
    if ((drawn.replaced & 0x00FFFFFFu) == 0)
        return drawn; // black is never filled: black lines are always borders
    floodFill(image_, fill.X, fill.Y, bgrToRgb(fill.Color), drawn.runs);
    drawn.bounds = boundsOf(drawn.runs);
    return drawn;
}

void BaseLayers::paint(const std::vector<Span>& runs, QRgb colour) {
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (const Span& run : runs) {
        auto* const row = reinterpret_cast<QRgb*>(bits + run.y * stride);
        std::fill(row + run.x0, row + run.x1 + 1, colour);
    }
}

QImage BaseLayers::release() {
    return std::exchange(image_, QImage());
}

void BaseLayers::rebuild(const QImage& background) {
    image_ = copyToNewSurface(background);
    for (const DrawnLine& drawn : lines_)
        drawRaster(image_, rasterizeLine(drawn.line), drawn.x, drawn.y, drawn.line.Color);
    for (const DrawnFill& drawn : fills_)
        paint(drawn.runs, bgrToRgb(drawn.fill.Color));
}

std::optional<QRegion> BaseLayers::update(const QImage& background,
                                          const std::vector<PlacedLine>& lines,
                                          const MapDocument& doc) {
    // Fills[0] is never used; a hand-built document may hold fewer slots than FillCount says.
    const std::size_t fillCount = std::min(static_cast<std::size_t>(std::max(0, doc.FillCount)),
                                           doc.Fills.empty() ? 0 : doc.Fills.size() - 1);
    if (valid_ && image_.isNull() && !background.isNull())
        rebuild(background);
    const bool fresh = !valid_ || image_.size() != background.size() || !image_.isDetached();
    const std::optional<QRegion> lineChange = fresh ? std::nullopt : lineChanges(lines);
    QRegion changed = fresh ? QRegion(background.rect()) : lineChange.value_or(QRegion());

    // The first fill that may paint otherwise than before; those before it paint as before.
    std::size_t first = 0;
    while (first < std::min(fillCount, fills_.size()) && !fresh &&
           paintsAsBefore(fills_[first], doc.Fills[first + 1], changed))
        ++first;
    if (fresh) {
        if (image_.size() == background.size() && image_.isDetached()) {
            copyRect(image_, background, image_.rect());         // the buffer it has will do
            image_.setDotsPerMeterX(background.dotsPerMeterX()); // labels measure by these
            image_.setDotsPerMeterY(background.dotsPerMeterY());
        } else {
            image_ = copyToNewSurface(background);
        }
        fills_.clear();
    } else if (first == fillCount && first == fills_.size() && changed.isEmpty()) {
        return QRegion();
    }
    // Back to the surface as it stood before that fill: later fills taken off, last first.
    for (std::size_t k = fills_.size(); k > first; --k)
        paint(fills_[k - 1].runs, fills_[k - 1].replaced);
    if (fresh) {
        for (const PlacedLine& placed : lines)
            drawRaster(image_, *placed.raster, placed.x, placed.y, placed.line->Color);
    } else {
        drawLines(background, lines, changed);
    }

    // Replays in order, following what changed from one fill to the next.
    for (std::size_t k = first; k < fillCount; ++k) {
        const FillPoint& fill = doc.Fills[k + 1];
        if (k < fills_.size() && paintsAsBefore(fills_[k], fill, changed)) {
            paint(fills_[k].runs, bgrToRgb(fill.Color));
            continue;
        }
        DrawnFill drawn = replay(fill);
        if (k < fills_.size()) {
            changed |= fills_[k].bounds;
            fills_[k] = std::move(drawn);
        } else {
            fills_.push_back(std::move(drawn));
        }
        changed |= fills_[k].bounds;
    }
    for (std::size_t k = fillCount; k < fills_.size(); ++k)
        changed |= fills_[k].bounds;
    fills_.resize(fillCount);

    if (fresh || lineChange) {
        lines_.clear();
        for (const PlacedLine& placed : lines)
            lines_.push_back({placed.slot, placed.x, placed.y, *placed.line,
                              rasterBounds(*placed.raster, placed.x, placed.y, image_.rect())});
    }
    valid_ = true;
    if (fresh)
        return std::nullopt;
    return changed;
}

} // namespace grivendale
