#include "render/zoomed_canvas.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace grivendale {

namespace {

constexpr double kEpsilon = 1e-9;

int shownLength(int mapLength, double zoom) {
    if (zoom >= 1.0)
        return mapLength * static_cast<int>(zoom);
    return std::max(1, static_cast<int>(std::floor(mapLength * zoom + kEpsilon)));
}

} // namespace

double ZoomedCanvas::shownZoom(double zoom) {
    if (!std::isfinite(zoom))
        return 1.0;
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    return zoom >= 1.0 ? std::round(zoom) : zoom;
}

double ZoomedCanvas::levelAbove(double zoom) {
    for (const double level : kLevels) {
        if (level > zoom + kEpsilon)
            return level;
    }
    return kMaxZoom;
}

double ZoomedCanvas::levelBelow(double zoom) {
    for (auto level = std::rbegin(kLevels); level != std::rend(kLevels); ++level) {
        if (*level < zoom - kEpsilon)
            return *level;
    }
    return kMinZoom;
}

void ZoomedCanvas::setZoom(double zoom) {
    zoom = shownZoom(zoom);
    if (zoom != zoom_) {
        zoom_ = zoom;
        stale_ = true;
    }
}

// The shown pixel d covers the map interval [d·W, (d+1)·W) in units where map pixel s covers
// [s·S, (s+1)·S) (W map pixels shown on S pixels): whole numbers, so neighbouring shown pixels
// share their borders exactly.
void ZoomedCanvas::Axis::build(int mapLength, int shownLength) {
    first.assign(static_cast<std::size_t>(shownLength), 0);
    offset.assign(static_cast<std::size_t>(shownLength) + 1, 0);
    weight.clear();
    const std::int64_t w = mapLength;
    const std::int64_t s = shownLength;
    for (std::int64_t d = 0; d < s; ++d) {
        const std::int64_t begin = d * w;
        const std::int64_t end = begin + w;
        first[static_cast<std::size_t>(d)] = static_cast<int>(begin / s);
        for (std::int64_t p = begin / s; p * s < end; ++p) {
            const std::int64_t covered = std::min(end, (p + 1) * s) - std::max(begin, p * s);
            weight.push_back(static_cast<float>(static_cast<double>(covered) / w));
        }
        offset[static_cast<std::size_t>(d) + 1] = static_cast<int>(weight.size());
    }
}

double ZoomedCanvas::scaleX() const {
    return mapSize_.width() > 0 ? double(shown_.width()) / mapSize_.width() : zoom_;
}

double ZoomedCanvas::scaleY() const {
    return mapSize_.height() > 0 ? double(shown_.height()) / mapSize_.height() : zoom_;
}

QPointF ZoomedCanvas::toMap(QPointF shown) const {
    return {(shown.x() + 0.5) / scaleX() - 0.5, (shown.y() + 0.5) / scaleY() - 0.5};
}

QPointF ZoomedCanvas::toShown(QPointF map) const {
    return {(map.x() + 0.5) * scaleX() - 0.5, (map.y() + 0.5) * scaleY() - 0.5};
}

QRect ZoomedCanvas::shownRect(const QRect& rect) const {
    const QRect area = rect & QRect(QPoint(), mapSize_);
    if (area.isEmpty())
        return {};
    if (!reduced()) {
        const int n = static_cast<int>(zoom_);
        return {area.topLeft() * n, area.size() * n};
    }
    const auto range = [](int begin, int end, std::int64_t map, std::int64_t shown) {
        return std::pair{static_cast<int>(begin * shown / map),
                         static_cast<int>((end * shown + map - 1) / map)};
    };
    const auto [left, right] =
        range(area.left(), area.right() + 1, mapSize_.width(), shown_.width());
    const auto [top, bottom] =
        range(area.top(), area.bottom() + 1, mapSize_.height(), shown_.height());
    return QRect(left, top, right - left, bottom - top) & QRect(QPoint(), shown_);
}

void ZoomedCanvas::reduce(const QImage& map, const QRect& shownArea) {
    for (int y = shownArea.top(); y <= shownArea.bottom(); ++y) {
        const auto row = static_cast<std::size_t>(y);
        auto* out = reinterpret_cast<QRgb*>(reducedCopy_.scanLine(y));
        for (int x = shownArea.left(); x <= shownArea.right(); ++x) {
            const auto column = static_cast<std::size_t>(x);
            float red = 0, green = 0, blue = 0;
            for (int k = rows_.offset[row]; k < rows_.offset[row + 1]; ++k) {
                const float wy = rows_.weight[static_cast<std::size_t>(k)];
                const auto* line = reinterpret_cast<const QRgb*>(
                    map.constScanLine(rows_.first[row] + k - rows_.offset[row]));
                const QRgb* pixel = line + columns_.first[column];
                float r = 0, g = 0, b = 0;
                for (int j = columns_.offset[column]; j < columns_.offset[column + 1];
                     ++j, ++pixel) {
                    const float wx = columns_.weight[static_cast<std::size_t>(j)];
                    r += wx * static_cast<float>(qRed(*pixel));
                    g += wx * static_cast<float>(qGreen(*pixel));
                    b += wx * static_cast<float>(qBlue(*pixel));
                }
                red += wy * r;
                green += wy * g;
                blue += wy * b;
            }
            const auto channel = [](float v) { return std::min(255, static_cast<int>(v + 0.5f)); };
            out[x] = qRgb(channel(red), channel(green), channel(blue));
        }
    }
}

QRegion ZoomedCanvas::update(const QImage& map, const QRegion& changed) {
    if (map.size() != mapSize_) {
        mapSize_ = map.size();
        stale_ = true;
    }
    if (stale_) {
        stale_ = false;
        shown_ = map.isNull() ? QSize()
                              : QSize(shownLength(mapSize_.width(), zoom_),
                                      shownLength(mapSize_.height(), zoom_));
        if (reduced() && !map.isNull()) {
            columns_.build(mapSize_.width(), shown_.width());
            rows_.build(mapSize_.height(), shown_.height());
            reducedCopy_ = QImage(shown_, QImage::Format_RGB32);
            reduce(map, reducedCopy_.rect());
        } else {
            reducedCopy_ = QImage();
        }
        return QRegion(QRect(QPoint(), shown_));
    }
    QRegion shownChanges;
    for (const QRect& rect : changed)
        shownChanges |= shownRect(rect);
    if (reduced()) {
        for (const QRect& area : shownChanges)
            reduce(map, area);
    }
    return shownChanges;
}

void ZoomedCanvas::paint(QPainter& painter, const QImage& map, const QRect& area) const {
    const QRect shown = area & QRect(QPoint(), shown_);
    if (shown.isEmpty() || map.size() != mapSize_)
        return;
    if (reduced()) {
        painter.drawImage(shown.topLeft(), reducedCopy_, shown);
        return;
    }
    const int n = static_cast<int>(zoom_);
    if (n == 1) {
        painter.drawImage(shown.topLeft(), map, shown);
        return;
    }
    // Whole squares, never a filtered scaling.
    QImage piece(shown.size(), QImage::Format_RGB32);
    for (int y = 0; y < shown.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(map.constScanLine((shown.top() + y) / n));
        auto* to = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            to[x] = from[(shown.left() + x) / n];
    }
    painter.drawImage(shown.topLeft(), piece);
}

} // namespace grivendale
