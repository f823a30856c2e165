#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <cstdint>
#include <vector>

class QPainter;

namespace grivendale {

// The canvas image as a view shows it at a zoom; the image itself (the map's own size) is
// never changed. At and above 100 % the zoom is whole and each map pixel is an exact square of
// shown pixels. Below, the view keeps a reduced copy, brought up to date region by region:
// each shown pixel is the area average of the map pixels it covers, so a region recomputed
// alone looks exactly as it would in a reduction of the whole.
class ZoomedCanvas {
public:
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 4.0;
    // The steps of zooming in and out; any factor below 1 may also be set.
    static constexpr double kLevels[] = {1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1, 2, 3, 4};

    // The factor as it would be shown: within the limits, whole from 1 up.
    static double shownZoom(double zoom);
    // The next level above or below `zoom` (the same one at either end).
    static double levelAbove(double zoom);
    static double levelBelow(double zoom);

    double zoom() const { return zoom_; }
    // Changes the factor; the whole picture is shown again at the next update().
    void setZoom(double zoom);
    QSize shownSize() const { return shown_; }

    // Takes `map` (32 bits a pixel, same buffer or not) with the map pixels `changed` since the
    // last update; returns the shown pixels that changed. A new size or zoom changes everything.
    QRegion update(const QImage& map, const QRegion& changed);
    // Paints the shown pixels of `area` at their place. `map` is the image last updated.
    void paint(QPainter& painter, const QImage& map, const QRect& area) const;

    // Pointer positions map through pixel centres, so a position lands on the map pixel shown
    // under it; differences scale by the zoom alone.
    QPointF toMap(QPointF shown) const;
    QPointF toShown(QPointF map) const;
    // The shown pixels that show something of the map pixels of `rect`.
    QRect shownRect(const QRect& rect) const;

private:
    // For one axis of a reduction: the map pixels each shown pixel covers and their weights.
    struct Axis {
        std::vector<int> first;    // per shown pixel: first map pixel covered
        std::vector<int> offset;   // per shown pixel, and one past: index into weight
        std::vector<float> weight; // share of each covered map pixel, summing to 1
        void build(int mapLength, int shownLength);
    };

    bool reduced() const { return zoom_ < 1.0; }
    double scaleX() const;
    double scaleY() const;
    void reduce(const QImage& map, const QRect& shownArea);

    double zoom_ = 1.0;
    QSize mapSize_;
    QSize shown_;
    bool stale_ = true; // the next update shows everything again
    QImage reducedCopy_;
    Axis columns_;
    Axis rows_;
};

} // namespace grivendale
