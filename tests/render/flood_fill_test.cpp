#include "render/flood_fill.h"

#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

using namespace grivendale;

namespace {

// Colours that read the same as 0x00BBGGRR and as QRgb.
constexpr QRgb kWhite = 0xFFFFFFFF, kWall = 0xFFFF00FF, kPaint = 0xFF00FF00;

// The plainest possible fill: breadth first over 4-neighbours, a pixel painted when queued.
void referenceFill(QImage& surface, QPoint seed, QRgb newColor) {
    const QRgb old = surface.pixel(seed);
    std::vector<QPoint> queue{seed};
    surface.setPixel(seed, newColor);
    for (std::size_t i = 0; i < queue.size() && old != newColor; ++i)
        for (const QPoint step : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            if (const QPoint n = queue[i] + step; surface.valid(n) && surface.pixel(n) == old) {
                surface.setPixel(n, newColor);
                queue.push_back(n);
            }
}

// A white surface with walls where `wall` says so (asked once per pixel, row by row).
template <typename Wall> QImage walls(int w, int h, Wall wall) {
    QImage surface = createSurface(w, h, 0xFFFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (wall(x, y))
                surface.setPixel(x, y, kWall);
    return surface;
}

// Walls every `pitch` columns from alternate edges: a corridor snaking across.
QImage serpentine(int w, int h, int pitch) {
    return walls(w, h, [=](int x, int y) {
        return x % pitch == pitch - 1 && y != (x / pitch % 2 == 0 ? h - 1 : 0);
    });
}

// Square cells between 1-px walls with holes, some joined; a pitch of 1 gives plain noise.
QImage cells(int w, int h, int pitch, double open, unsigned seed) {
    std::mt19937 random(seed);
    std::bernoulli_distribution gap(open);
    return walls(w, h, [&](int x, int y) {
        return (x % pitch == pitch - 1 || y % pitch == pitch - 1) && !gap(random);
    });
}

} // namespace

TEST(FloodFill, MatchesAPlainBreadthFirstFill) {
    std::vector<std::tuple<std::string, QImage, int, int, QRgb>> cases = {
        {"fill takes the wall colour", cells(97, 61, 1, 0.65, 7), 3, 5, kWall},
        {"serpentine", serpentine(40, 22, 2), 38, 21, kPaint},
        {"wide serpentine", serpentine(230, 29, 23), 100, 0, kPaint},
        {"row serpentine", serpentine(41, 23, 2).transformed(QTransform().rotate(90)), 11, 20,
         kPaint},
        {"cells", cells(90, 70, 8, 0.05, 10), 44, 33, kPaint},
        {"small cells", cells(61, 47, 4, 0.1, 12), 0, 0, kWhite}, // already that colour
    };
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(random() % 300), h = 1 + static_cast<int>(random() % 70);
        cases.emplace_back("noise " + std::to_string(round),
                           cells(w, h, 1, 0.8 - 0.05 * (round % 6), random()), random() % w,
                           random() % h, kPaint);
    }
    for (auto& [name, surface, x, y, color] : cases) {
        QImage expected = surface.copy();
        referenceFill(expected, {x, y}, color);
        floodFill(surface, x, y, color);
        ASSERT_EQ(surface, expected) << name;
    }
}
