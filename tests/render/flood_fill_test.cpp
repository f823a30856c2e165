#include "render/flood_fill.h"
#include "render/line_draw.h"

#include "imaging/colors.h"
#include "imaging/image_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace grivendale;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF; // 0x00BBGGRR
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;

// The plainest possible fill: breadth first over 4-neighbours with a visited flag per pixel.
void referenceFill(QImage& surface, int x, int y, QRgb newColor) {
    if (!surface.valid(x, y))
        return;
    const QRgb old = surface.pixel(x, y);
    const int w = surface.width();
    const int h = surface.height();
    std::vector<bool> seen(static_cast<std::size_t>(w) * h, false);
    std::vector<std::pair<int, int>> queue{{x, y}};
    seen[static_cast<std::size_t>(y) * w + x] = true;
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const auto [px, py] = queue[i];
        surface.setPixel(px, py, newColor);
        const int nx[] = {px - 1, px + 1, px, px};
        const int ny[] = {py, py, py - 1, py + 1};
        for (int k = 0; k < 4; ++k) {
            if (nx[k] < 0 || ny[k] < 0 || nx[k] >= w || ny[k] >= h)
                continue;
            const auto index = static_cast<std::size_t>(ny[k]) * w + nx[k];
            if (!seen[index] && surface.pixel(nx[k], ny[k]) == old) {
                seen[index] = true;
                queue.push_back({nx[k], ny[k]});
            }
        }
    }
}

QImage noise(int w, int h, double density, unsigned seed) {
    QImage surface = createSurface(w, h, kWhite);
    std::mt19937 random(seed);
    std::bernoulli_distribution wall(density);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (wall(random))
                surface.setPixel(x, y, bgrToRgb(kBlue));
        }
    }
    return surface;
}

// Vertical walls every `pitch` columns, hanging from the top and standing on the bottom in
// turn: one corridor that snakes left to right, a fill's worst case for turning back.
QImage comb(int w, int h, int pitch = 2) {
    QImage surface = createSurface(w, h, kWhite);
    for (int x = pitch - 1, k = 0; x < w; x += pitch, ++k) {
        for (int y = 0; y < h - 1; ++y)
            surface.setPixel(x, k % 2 == 0 ? y : y + 1, bgrToRgb(kBlue));
    }
    return surface;
}

// The same corridor snaking top to bottom.
QImage combRows(int w, int h) {
    QImage surface = createSurface(w, h, kWhite);
    for (int y = 1, k = 0; y < h; y += 2, ++k) {
        for (int x = 0; x < w - 1; ++x)
            surface.setPixel(k % 2 == 0 ? x : x + 1, y, bgrToRgb(kBlue));
    }
    return surface;
}

// Square cells between 1-px walls every `pitch` pixels; each wall between two cells has a
// 1-px gap with probability `open`: many small areas, some joined into larger ragged ones.
QImage cells(int w, int h, int pitch, double open, unsigned seed) {
    QImage surface = createSurface(w, h, kWhite);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (x % pitch == pitch - 1 || y % pitch == pitch - 1)
                surface.setPixel(x, y, bgrToRgb(kBlue));
        }
    }
    std::mt19937 random(seed);
    std::bernoulli_distribution gap(open);
    std::uniform_int_distribution<int> along(0, pitch - 2);
    for (int cy = 0; cy < h; cy += pitch) {
        for (int cx = 0; cx < w; cx += pitch) {
            const int gx = cx + along(random);
            const int gy = cy + along(random);
            if (cx + pitch < w && gy < h && gap(random))
                surface.setPixel(cx + pitch - 1, gy, bgrToRgb(kWhite));
            if (cy + pitch < h && gx < w && gap(random))
                surface.setPixel(gx, cy + pitch - 1, bgrToRgb(kWhite));
        }
    }
    return surface;
}

// A wall winding inwards in a square spiral: the corridor beside it runs from the outer edge
// round and round to the core.
QImage spiral(int w, int h) {
    QImage surface = createSurface(w, h, kWhite);
    const QRgb wall = bgrToRgb(kBlue);
    int left = 0;
    int top = 1;
    int right = w - 2;
    int bottom = h - 2;
    int x = left;
    int y = top;
    for (int turn = 0; left <= right && top <= bottom; ++turn) {
        const int side = turn % 4;
        const int tx = side == 0 ? right : side == 2 ? left : x;
        const int ty = side == 1 ? bottom : side == 3 ? top : y;
        for (;;) {
            surface.setPixel(x, y, wall);
            if (x == tx && y == ty)
                break;
            x += (tx > x) - (tx < x);
            y += (ty > y) - (ty < y);
        }
        if (side == 0) {
            top += 2;
            left = std::max(left, 1);
        } else if (side == 1) {
            right -= 2;
        } else if (side == 2) {
            bottom -= 2;
        } else {
            left += 2;
        }
    }
    return surface;
}

MapDocument withFills(std::initializer_list<FillPoint> fills) {
    MapDocument doc;
    for (const FillPoint& f : fills)
        doc.AddFill(f.X, f.Y, f.Color);
    return doc;
}

} // namespace

TEST(FloodFill, MatchesAPlainBreadthFirstFill) {
    struct Case {
        std::string name;
        std::function<QImage()> make;
        int x;
        int y;
        std::uint32_t color;
    };
    const std::vector<Case> cases = {
        {"single pixel", [] { return createSurface(1, 1, kWhite); }, 0, 0, kRed},
        {"one row", [] { return noise(50, 1, 0.1, 1); }, 25, 0, kRed},
        {"one column", [] { return noise(1, 50, 0.1, 2); }, 0, 10, kRed},
        {"sparse noise", [] { return noise(64, 48, 0.3, 3); }, 10, 10, kRed},
        {"dense noise", [] { return noise(64, 48, 0.45, 4); }, 31, 20, kRed},
        {"dense noise, edge seed", [] { return noise(64, 48, 0.4, 5); }, 0, 47, kRed},
        {"noise on the wall colour", [] { return noise(97, 61, 0.4, 6); }, 50, 30, kBlue},
        {"fill takes the wall colour", [] { return noise(97, 61, 0.35, 7); }, 3, 5, kBlue},
        {"large noise", [] { return noise(300, 200, 0.38, 8); }, 150, 100, kGreen},
        {"comb from the left", [] { return comb(41, 23); }, 0, 0, kRed},
        {"comb from the middle", [] { return comb(41, 23); }, 20, 11, kRed},
        {"comb from the right", [] { return comb(40, 22); }, 38, 21, kRed},
        {"3-px serpentine", [] { return comb(83, 37, 4); }, 41, 18, kRed},
        {"wide serpentine", [] { return comb(230, 29, 23); }, 100, 0, kRed},
        {"cells", [] { return cells(90, 70, 8, 0.6, 10); }, 44, 33, kRed},
        {"small cells, mostly closed", [] { return cells(61, 47, 4, 0.4, 12); }, 0, 0, kRed},
        {"large cells", [] { return cells(200, 90, 30, 0.7, 13); }, 100, 45, kRed},
        {"row comb", [] { return combRows(23, 41); }, 11, 20, kRed},
        {"row comb, bottom", [] { return combRows(24, 40); }, 0, 38, kRed},
        {"spiral outside", [] { return spiral(41, 41); }, 0, 0, kRed},
        {"spiral corridor", [] { return spiral(41, 41); }, 0, 2, kRed},
        {"spiral core", [] { return spiral(41, 41); }, 20, 20, kRed},
        {"wide spiral", [] { return spiral(80, 33); }, 2, 2, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage actual = c.make();
        QImage expected = actual.copy();
        if (!expected.valid(c.x, c.y) || expected.pixel(c.x, c.y) != bgrToRgb(c.color))
            referenceFill(expected, c.x, c.y, bgrToRgb(c.color));
        floodFill(actual, c.x, c.y, bgrToRgb(c.color));
        EXPECT_EQ(actual, expected);
    }
}

TEST(FloodFill, RandomSeedsOnNoise) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + static_cast<int>(random() % 90);
        const int h = 1 + static_cast<int>(random() % 70);
        QImage actual = noise(w, h, 0.2 + 0.05 * (round % 6), random());
        const int x = static_cast<int>(random() % static_cast<unsigned>(w));
        const int y = static_cast<int>(random() % static_cast<unsigned>(h));
        QImage expected = actual.copy();
        if (expected.pixel(x, y) != bgrToRgb(kRed))
            referenceFill(expected, x, y, bgrToRgb(kRed));
        floodFill(actual, x, y, bgrToRgb(kRed));
        ASSERT_EQ(actual, expected)
            << "round " << round << ": " << w << "x" << h << " at " << x << "," << y;
    }
}

TEST(FloodFill, SeedOutsideOrAlreadyInTheColourChangesNothing) {
    const QImage original = noise(30, 20, 0.3, 9);
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {30, 5}, {5, 20}}) {
        QImage surface = original.copy();
        floodFill(surface, x, y, bgrToRgb(kRed));
        EXPECT_EQ(surface, original) << x << "," << y;
    }
    QImage surface = original.copy();
    floodFill(surface, 0, 0, surface.pixel(0, 0));
    EXPECT_EQ(surface, original);
}

TEST(FillOut, DiagonalThinLineHoldsTheFill) {
    // The line's pixels touch only at corners; a 4-connected fill cannot slip between them.
    QImage surface = createSurface(20, 20, kWhite);
    MapLine line;
    line.Width = 1;
    line.Color = kBlue;
    line.PointCount = 2;
    line.PointX = std::vector<std::int32_t>{0, 0, 19};
    line.PointY = std::vector<std::int32_t>{0, 19, 0};
    drawLine(surface, line, 0, 0);
    FillOut(surface, withFills({{2, 2, kRed}}));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const std::uint32_t expected = x + y < 19 ? kRed : x + y == 19 ? kBlue : kWhite;
            ASSERT_EQ(surface.pixel(x, y), bgrToRgb(expected)) << x << "," << y;
        }
    }

    // A shallower diagonal, seeded on both sides.
    QImage shallow = createSurface(40, 15, kWhite);
    line.PointX = std::vector<std::int32_t>{0, 0, 39};
    line.PointY = std::vector<std::int32_t>{0, 3, 11};
    drawLine(shallow, line, 0, 0);
    QImage expected = shallow.copy();
    referenceFill(expected, 0, 0, bgrToRgb(kRed));
    referenceFill(expected, 39, 14, bgrToRgb(kGreen));
    FillOut(shallow, withFills({{0, 0, kRed}, {39, 14, kGreen}}));
    EXPECT_EQ(shallow, expected);
    EXPECT_EQ(shallow.pixel(39, 0), bgrToRgb(kRed));
    EXPECT_EQ(shallow.pixel(0, 14), bgrToRgb(kGreen));
}

TEST(FillOut, LaterFillsReplaceWhatTheSeedShowsThen) {
    const QImage original = spiral(31, 31);
    const MapDocument doc = withFills({{0, 2, kRed}, {0, 2, kGreen}});

    QImage both = original.copy();
    FillOut(both, doc);
    QImage expected = original.copy();
    referenceFill(expected, 0, 2, bgrToRgb(kGreen));
    EXPECT_EQ(both, expected);

    // Only the first fill replayed (the second undone): the area is back to the first colour.
    MapDocument undone = doc;
    undone.FillCount = 1;
    QImage first = original.copy();
    FillOut(first, undone);
    expected = original.copy();
    referenceFill(expected, 0, 2, bgrToRgb(kRed));
    EXPECT_EQ(first, expected);
}

TEST(FillOut, SkippedAndHarmlessSeeds) {
    QImage original = createSurface(12, 8, kWhite);
    for (int x = 0; x < 12; ++x)
        original.setPixel(x, 4, bgrToRgb(kBlack));
    struct Case {
        const char* name;
        FillPoint fill;
    };
    const std::vector<Case> cases = {
        {"black seed", {3, 4, kRed}},
        {"left of the surface", {-1, 2, kRed}},
        {"below the surface", {3, 8, kRed}},
        {"far away", {100000, -100000, kRed}},
        {"already that colour", {3, 2, kWhite}},
    };
    for (const Case& c : cases) {
        QImage surface = original.copy();
        FillOut(surface, withFills({c.fill}));
        EXPECT_EQ(surface, original) << c.name;
    }
    // A fill count above the stored fills replays what is there and stops.
    MapDocument doc = withFills({{0, 0, kRed}});
    doc.FillCount = 5;
    QImage surface = original.copy();
    FillOut(surface, doc);
    EXPECT_EQ(surface.pixel(11, 3), bgrToRgb(kRed));
    EXPECT_EQ(surface.pixel(0, 5), bgrToRgb(kWhite));
}
