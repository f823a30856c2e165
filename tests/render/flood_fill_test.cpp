#include "render/flood_fill.h"

#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

using namespace grivendale;

namespace {

// Colours that read the same as 0x00BBGGRR and as QRgb.
constexpr QRgb kWhite = 0xFFFFFFFF, kWall = 0xFFFF00FF, kPaint = 0xFF00FF00, kOther = 0xFF808080;

// The plainest possible fill: breadth first over 4-neighbours, a pixel painted when queued.
void referenceFill(QImage& surface, int x, int y, QRgb newColor) {
    if (!surface.valid(x, y) || surface.pixel(x, y) == newColor)
        return;
    const QRgb old = surface.pixel(x, y);
    std::vector<QPoint> queue{{x, y}};
    surface.setPixel(x, y, newColor);
    for (std::size_t i = 0; i < queue.size(); ++i)
        for (const QPoint step : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
            const QPoint n = queue[i] + step;
            if (surface.valid(n) && surface.pixel(n) == old) {
                surface.setPixel(n, newColor);
                queue.push_back(n);
            }
        }
}

// A white surface with walls where `wall` says so (asked once per pixel, row by row).
template <typename Wall> QImage walls(int w, int h, Wall wall, QRgb colour = kWall) {
    QImage surface = createSurface(w, h, 0xFFFFFF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (wall(x, y))
                surface.setPixel(x, y, colour);
    return surface;
}

// Walls every `pitch` columns (or rows), hanging from one edge and standing on the other in
// turn: one corridor that snakes across, a fill's worst case for turning back.
QImage serpentine(int w, int h, int pitch, bool rows) {
    return walls(w, h, [=](int x, int y) {
        const int across = rows ? y : x;
        const int gapAt = across / pitch % 2 == 0 ? (rows ? w : h) - 1 : 0;
        return across % pitch == pitch - 1 && (rows ? x : y) != gapAt;
    });
}

// Square cells between 1-px walls, each wall pixel open with probability `open`: small areas,
// some joined into larger ragged ones. A pitch of 1 gives plain noise.
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
        {"serpentine", serpentine(40, 22, 2, false), 38, 21, kPaint},
        {"wide serpentine", serpentine(230, 29, 23, false), 100, 0, kPaint},
        {"row serpentine", serpentine(23, 41, 2, true), 11, 20, kPaint},
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
        referenceFill(expected, x, y, color);
        floodFill(surface, x, y, color);
        ASSERT_EQ(surface, expected) << name;
    }
}

// The first `count` fills: a black seed, seeds off the surface, two fills of the top area (the
// later one replacing what its seed shows then), one of the bottom area, a black row between.
TEST(FillOut, ReplaysFillsInOrderAndSkipsBlackSeeds) {
    const QImage original = walls(
        12, 8, [](int, int y) { return y == 4; }, 0xFF000000);
    const FillPoint fills[] = {{3, 4, 0x00FF00},  {-1, 2, 0x00FF00}, {3, 8, 0x00FF00},
                               {99999, -9, 0xFF}, {0, 0, 0x00FF00},  {5, 1, 0x808080},
                               {0, 7, 0x00FF00}};
    MapDocument doc;
    for (const FillPoint& f : fills)
        doc.AddFill(f.X, f.Y, f.Color);
    const std::tuple<int, QRgb, QRgb> cases[] = {{1, kWhite, kWhite}, {4, kWhite, kWhite},
                                                 {5, kPaint, kWhite}, {6, kOther, kWhite},
                                                 {7, kOther, kPaint}, {9, kOther, kPaint}};
    for (const auto& [count, top, bottom] : cases) {
        doc.FillCount = count;
        QImage surface = original.copy();
        FillOut(surface, doc);
        EXPECT_EQ(std::tuple(surface.pixel(11, 3), surface.pixel(3, 4), surface.pixel(0, 5)),
                  std::tuple(top, 0xFF000000, bottom))
            << count << " fills";
    }
}
