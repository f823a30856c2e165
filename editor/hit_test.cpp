#include "editor/hit_test.h"

#include "document/rounding.h"

#include <cmath>
#include <limits>

namespace grivendale {

namespace {

// Pass 1: the open box of width w and height h centred on (X, Y).
bool insideCentredBox(const MapItem& item, double w, double h, double x, double y) {
    const double cx = item.X;
    const double cy = item.Y;
    return cx - w / 2 < x && x < cx + w / 2 && cy - h / 2 < y && y < cy + h / 2;
}

// Pass 2 for one line entry; the hit names the entry's slot when anything was hit.
Hit hitLine(const MapItem& entry, const MapLine& line, std::int32_t slot, double x, double y) {
    Hit hit;
    const double left = entry.X;
    const double top = entry.Y;
    if (!(left - kLineBoxMargin < x && x < left + entry.Width + kLineBoxMargin &&
          top - kLineBoxMargin < y && y < top + entry.Height + kLineBoxMargin))
        return hit;

    // Offsets from the entry's origin, like the line's own points.
    const std::int32_t px = nearestPixel(x - left);
    const std::int32_t py = nearestPixel(y - top);
    const std::vector<std::int32_t>& pointX = *line.PointX;
    const std::vector<std::int32_t>& pointY = *line.PointY;
    for (std::size_t k = 1; k < static_cast<std::size_t>(line.PointCount); ++k) {
        if (segmentDistance(px, py, pointX[k], pointY[k], pointX[k + 1], pointY[k + 1]) <
            kSegmentReach) {
            hit.item = slot;
            break;
        }
    }
    // The vertices are looked at even when a segment was hit, so a press near a vertex both
    // selects the line and grabs the vertex; the lowest point number wins.
    for (std::int32_t k = 1; k <= line.PointCount; ++k) {
        const auto index = static_cast<std::size_t>(k);
        const double dx = x - left - pointX[index];
        const double dy = y - top - pointY[index];
        if (std::abs(dx) <= kVertexReach && nearestPixel(std::abs(dy)) <= kVertexReach) {
            hit.item = slot;
            hit.point = k;
            break;
        }
    }
    return hit;
}

} // namespace

std::int32_t nearestPixel(double value) {
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(value >= lowest)) // NaN included
        return std::numeric_limits<std::int32_t>::min();
    if (value > highest)
        return std::numeric_limits<std::int32_t>::max();
    return roundHalfEven(value);
}

float segmentDistance(std::int32_t px, std::int32_t py, std::int32_t ax, std::int32_t ay,
                      std::int32_t bx, std::int32_t by) {
    const auto pxf = static_cast<float>(px);
    const auto pyf = static_cast<float>(py);
    const auto axf = static_cast<float>(ax);
    const auto ayf = static_cast<float>(ay);
    const float dx = static_cast<float>(bx) - axf;
    const float dy = static_cast<float>(by) - ayf;
    const auto distanceTo = [pxf, pyf](float qx, float qy) {
        return std::sqrt((pxf - qx) * (pxf - qx) + (pyf - qy) * (pyf - qy));
    };
    if (dx == 0.0f && dy == 0.0f)
        return distanceTo(axf, ayf);
    const float t = ((pxf - axf) * dx + (pyf - ayf) * dy) / (dx * dx + dy * dy);
    if (t < 0.0f)
        return distanceTo(axf, ayf);
    if (t > 1.0f)
        return distanceTo(static_cast<float>(bx), static_cast<float>(by));
    return distanceTo(axf + t * dx, ayf + t * dy);
}

Hit hitTest(const MapDocument& doc, const PictoLibrary& library, double x, double y) {
    for (std::int32_t slot = doc.ItemCount; slot >= 1; --slot) {
        const MapItem* item = doc.item(slot);
        if (!item || !item->isLive() || item->isLineEntry())
            continue;
        double w = item->Width;
        double h = item->Height;
        if (item->isPicto()) {
            const PictoEntry* entry = library.entry(item->RefIndex);
            if (!entry)
                continue;
            w = entry->Width;
            h = entry->Height;
        }
        if (insideCentredBox(*item, w, h, x, y))
            return {slot, -1};
    }
    for (std::int32_t slot = doc.ItemCount; slot >= 1; --slot) {
        const MapItem* item = doc.item(slot);
        if (!item || !item->isLive() || !item->isLineEntry())
            continue;
        const MapLine* line = doc.line(item->RefIndex);
        if (!line || !line->pointsConsistent())
            continue;
        if (const Hit hit = hitLine(*item, *line, slot, x, y); hit.item >= 0)
            return hit;
    }
    return {};
}

} // namespace grivendale
