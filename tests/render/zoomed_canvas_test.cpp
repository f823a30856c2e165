#include "render/zoomed_canvas.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <random>

using namespace grivendale;

namespace {

QImage shownBy(const ZoomedCanvas& view, const QImage& map) {
    QImage shown(view.shownSize(), QImage::Format_RGB32);
    shown.fill(0xFF123456);
    QPainter painter(&shown);
    view.paint(painter, map, shown.rect());
    return shown;
}

} // namespace

// From 100 % each map pixel is a square of whole shown pixels; below, the area average of what
// a shown pixel covers. A region brought up to date alone looks as a view of the whole map
// made afresh, and the region given back covers every shown pixel that changed.
TEST(ZoomedCanvas, ShowsWholeSquaresAndReducesRegionsWithoutSeams) {
    QImage map(23, 17, QImage::Format_RGB32);
    std::mt19937 random(5);
    const auto scribble = [&](const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                map.setPixel(x, y, 0xFF000000 | random());
    };
    for (const auto& [zoom, size] : {std::pair{3.0, QSize(69, 51)},
                                     {2.0, {46, 34}},
                                     {2.0 / 3, {15, 11}},
                                     {0.5, {11, 8}},
                                     {0.3, {6, 5}}}) {
        SCOPED_TRACE(zoom);
        scribble(map.rect());
        ZoomedCanvas view;
        view.setZoom(zoom);
        view.update(map, {});
        const QImage before = shownBy(view, map);
        const QRect changed(7, 5, 6, 4);
        scribble(changed);
        const QRegion repainted = view.update(map, changed);
        const QImage shown = shownBy(view, map);
        ZoomedCanvas fresh;
        fresh.setZoom(zoom);
        fresh.update(map, {});
        EXPECT_EQ(shown.size(), size);
        EXPECT_TRUE(shown == shownBy(fresh, map));
        int wrong = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                wrong +=
                    (shown.pixel(x, y) != before.pixel(x, y) && !repainted.contains({x, y})) ||
                    (zoom >= 1 && shown.pixel(x, y) != map.pixel(x / int(zoom), y / int(zoom)));
        EXPECT_EQ(wrong, 0);
    }
    // Three greys at 67 %: the middle one is shared half and half.
    QImage row(3, 1, QImage::Format_RGB32);
    for (int x = 0; x < 3; ++x)
        row.setPixel(x, 0, qRgb(90 * x, 90 * x, 90 * x));
    ZoomedCanvas view;
    view.setZoom(2.0 / 3);
    view.update(row, {});
    const QImage shown = shownBy(view, row);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(30, 30, 30));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(150, 150, 150));
}
