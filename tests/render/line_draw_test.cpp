#include "render/line_draw.h"
#include "render/line_raster.h"

#include "imaging/colors.h"
#include "imaging/image_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <utility>

using namespace grivendale;

namespace {

using Pixel = std::pair<int, int>; // x, y
using PixelSet = std::set<Pixel>;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0x0000FF; // 0x00BBGGRR

MapLine makeLine(std::initializer_list<Pixel> points, int width, bool smooth = false) {
    MapLine line = grivendale::testing::lineThrough(points, width, kRed);
    line.InUse = kTrue;
    line.Smooth = smooth ? 1 : 0;
    return line;
}

PixelSet pixelsOf(const LineRaster& raster) {
    PixelSet pixels;
    for (const Span& span : raster.spans) {
        for (int x = span.x0; x <= span.x1; ++x)
            pixels.insert({x, span.y});
    }
    return pixels;
}

PixelSet paintedPixels(const QImage& surface, std::uint32_t bgr) {
    PixelSet pixels;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            if (surface.pixel(x, y) == bgrToRgb(bgr))
                pixels.insert({x, y});
        }
    }
    return pixels;
}

// Sorted, no empty span, and spans of one row neither overlap nor touch.
void expectCanonical(const LineRaster& raster) {
    for (std::size_t i = 0; i < raster.spans.size(); ++i) {
        const Span& s = raster.spans[i];
        EXPECT_LE(s.x0, s.x1);
        if (i > 0) {
            const Span& p = raster.spans[i - 1];
            EXPECT_TRUE(p.y < s.y || (p.y == s.y && p.x1 + 1 < s.x0))
                << "span " << i << " at row " << s.y;
        }
    }
}

// Straightforward rebuilds of the pen rules, pixel by pixel, to hold the span builder to.
PixelSet referenceSegment(int x0, int y0, int x1, int y1) {
    PixelSet pixels;
    const long long dx = x1 - x0;
    const long long dy = y1 - y0;
    const long long n = std::max(std::llabs(dx), std::llabs(dy));
    if (n == 0)
        return {{x0, y0}};
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long m = xMajor ? std::llabs(dy) : std::llabs(dx);
    for (long long i = 0; i <= n; ++i) {
        const long long minor = (2 * i * m + n) / (2 * n); // i * m / n, halves rounded up
        if (xMajor)
            pixels.insert({static_cast<int>(x0 + (dx < 0 ? -i : i)),
                           static_cast<int>(y0 + (dy < 0 ? -minor : minor))});
        else
            pixels.insert({static_cast<int>(x0 + (dx < 0 ? -minor : minor)),
                           static_cast<int>(y0 + (dy < 0 ? -i : i))});
    }
    return pixels;
}

PixelSet stampDisc(const PixelSet& path, int width) {
    const int c2 = width % 2 == 0 ? 1 : 0; // even discs are centred on the pixel corner
    PixelSet pixels;
    for (const auto& [x, y] : path) {
        for (int dy = -width; dy <= width; ++dy) {
            for (int dx = -width; dx <= width; ++dx) {
                const int ex = 2 * dx - c2;
                const int ey = 2 * dy - c2;
                if (ex * ex + ey * ey <= width * width)
                    pixels.insert({x + dx, y + dy});
            }
        }
    }
    return pixels;
}

bool eightConnected(const PixelSet& pixels) {
    if (pixels.empty())
        return true;
    PixelSet seen{*pixels.begin()};
    std::vector<Pixel> todo{*pixels.begin()};
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const Pixel next{x + dx, y + dy};
                if (pixels.count(next) && seen.insert(next).second)
                    todo.push_back(next);
            }
        }
    }
    return seen.size() == pixels.size();
}

} // namespace

TEST(LineRaster, ThinSegmentIsAChainOfSinglePixelsWithBothEnds) {
    const std::vector<std::array<int, 4>> segments = {
        {0, 0, 5, 2},  {5, 2, 0, 0},     {3, 3, 3, 3},   {0, 0, 0, -7},
        {-4, 1, 9, 1}, {0, 0, 7, 7},     {0, 0, -7, 7},  {2, -3, -11, 14},
        {0, 0, 1, 40}, {10, 10, -30, 9}, {0, 0, 40, -1}, {-6, -6, 6, 6},
    };
    for (const auto& [x0, y0, x1, y1] : segments) {
        SCOPED_TRACE(::testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
        const LineRaster raster = rasterizeSegment(x0, y0, x1, y1, 1);
        expectCanonical(raster);
        const PixelSet pixels = pixelsOf(raster);
        const auto steps = static_cast<std::size_t>(std::max(std::abs(x1 - x0), std::abs(y1 - y0)));
        EXPECT_EQ(pixels.size(), steps + 1); // one pixel per step of the longer axis
        EXPECT_TRUE(pixels.count({x0, y0}));
        EXPECT_TRUE(pixels.count({x1, y1}));
        EXPECT_TRUE(eightConnected(pixels));
        EXPECT_EQ(pixels, referenceSegment(x0, y0, x1, y1));
    }
}

TEST(LineRaster, ThinSegmentPixelsOnASurface) {
    QImage surface = createSurface(8, 4, kWhite);
    drawLine(surface, makeLine({{0, 0}, {5, 2}}, 1), 1, 1);
    const PixelSet expected{{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {6, 3}};
    EXPECT_EQ(paintedPixels(surface, kRed), expected);
    EXPECT_EQ(paintedPixels(surface, kWhite).size(), 8u * 4u - expected.size());
}

TEST(LineRaster, PenShapes) {
    struct Case {
        int width;
        PixelSet pixels;
    };
    const std::vector<Case> cases = {
        {1, {{0, 0}}},
        {0, {{0, 0}}},
        {-4, {{0, 0}}},
        {2, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        {3, {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(pixelsOf(rasterizeSegment(0, 0, 0, 0, c.width)), c.pixels);
    }
    // Width 5: the 5 x 5 square without its corners.
    const PixelSet five = pixelsOf(rasterizeSegment(0, 0, 0, 0, 5));
    EXPECT_EQ(five.size(), 21u);
    EXPECT_FALSE(five.count({2, 2}));
    EXPECT_TRUE(five.count({2, 1}));
    EXPECT_TRUE(five.count({0, -2}));
}

TEST(LineRaster, PenWidthTakesTheLow16BitsAndStaysSane) {
    const std::vector<std::pair<std::int32_t, int>> cases = {
        {1, 1},     {3, 3},     {0, 1},     {-7, 1},      {65536 + 3, 3}, {65535, 1},
        {255, 255}, {256, 255}, {40000, 1}, {30000, 255}, {INT32_MIN, 1},
    };
    for (const auto& [stored, pen] : cases)
        EXPECT_EQ(penWidth(stored), pen) << stored;
}

TEST(LineRaster, WidePolylineJoinsWithoutGap) {
    const MapLine line = makeLine({{10, 10}, {40, 10}, {40, 40}}, 5);
    const LineRaster raster = rasterizePolyline(line);
    expectCanonical(raster);
    const PixelSet pixels = pixelsOf(raster);
    PixelSet path = referenceSegment(10, 10, 40, 10);
    path.merge(referenceSegment(40, 10, 40, 40));
    EXPECT_EQ(pixels, stampDisc(path, 5));
    // Round join: the whole disc around the corner point, and not the square's corner.
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            if (dx * dx + dy * dy <= 6) {
                EXPECT_TRUE(pixels.count({40 + dx, 10 + dy})) << dx << "," << dy;
            }
        }
    }
    EXPECT_FALSE(pixels.count({42, 8}));
    // The rows along the horizontal leg and the columns along the vertical one run unbroken
    // from cap to cap, through the corner.
    for (int x = 8; x <= 42; ++x)
        EXPECT_TRUE(pixels.count({x, 10})) << x;
    for (int x = 9; x <= 42; ++x)
        EXPECT_TRUE(pixels.count({x, 12})) << x;
    for (int y = 8; y <= 42; ++y)
        EXPECT_TRUE(pixels.count({40, y})) << y;
    for (int y = 8; y <= 41; ++y)
        EXPECT_TRUE(pixels.count({38, y})) << y;
}

TEST(LineRaster, WideLinesMatchADiscStampedOnEveryPathPixel) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + static_cast<int>(random() % 12);
        const int count = 2 + static_cast<int>(random() % 6);
        MapLine line = makeLine({}, width, round % 2 == 1);
        for (int k = 0; k < count; ++k) {
            line.PointX->push_back(static_cast<int>(random() % 80) - 40);
            line.PointY->push_back(static_cast<int>(random() % 80) - 40);
        }
        line.PointCount = count;
        SCOPED_TRACE(::testing::Message() << "round " << round << " width " << width);

        // The thin raster is the path; the wide one must be the disc stamped all along it.
        MapLine thin = line;
        thin.Width = 1;
        const LineRaster wide = rasterizeLine(line);
        expectCanonical(wide);
        EXPECT_EQ(pixelsOf(wide), stampDisc(pixelsOf(rasterizeLine(thin)), width));
        if (!line.Smooth) {
            PixelSet path;
            for (int k = 1; k < count; ++k) {
                const auto j = static_cast<std::size_t>(k);
                path.merge(referenceSegment((*line.PointX)[j], (*line.PointY)[j],
                                            (*line.PointX)[j + 1], (*line.PointY)[j + 1]));
            }
            EXPECT_EQ(pixelsOf(rasterizeLine(thin)), path);
        }
    }
}

TEST(LineRaster, FewerThanTwoPointsOrShortArraysDrawNothing) {
    EXPECT_TRUE(rasterizeLine(makeLine({}, 3)).empty());
    EXPECT_TRUE(rasterizeLine(makeLine({{5, 5}}, 3)).empty());
    EXPECT_TRUE(rasterizeLine(makeLine({{5, 5}}, 3, true)).empty());
    MapLine shortArrays = makeLine({{0, 0}, {10, 0}}, 1);
    shortArrays.PointCount = 3;
    EXPECT_TRUE(rasterizePolyline(shortArrays).empty());
    EXPECT_TRUE(rasterizeCurve(shortArrays).empty());
    EXPECT_TRUE(curveSamples(shortArrays).empty());
    MapLine noArrays;
    noArrays.PointCount = 2;
    EXPECT_TRUE(rasterizeLine(noArrays).empty());
}

TEST(LineRaster, HugeCoordinatesStayCheapAndExactNearTheOrigin) {
    // A damaged file: the segment crosses the origin from very far away. Only the part near
    // the origin is walked, and it holds the pixels the full walk would give there.
    const LineRaster raster = rasterizeSegment(-2000000000, -1000000000, 2000000000, 1000000000, 3);
    expectCanonical(raster);
    const auto covers = [&](int x, int y) {
        return std::any_of(raster.spans.begin(), raster.spans.end(),
                           [&](const Span& s) { return s.y == y && s.x0 <= x && x <= s.x1; });
    };
    EXPECT_TRUE(covers(0, 0));
    EXPECT_TRUE(covers(100, 50));
    EXPECT_TRUE(covers(-101, -50));
    EXPECT_FALSE(covers(0, 3));
    for (const Span& span : raster.spans) {
        EXPECT_LE(std::abs(span.y), kRasterLimit + kMaxPenWidth);
        EXPECT_LE(std::abs(span.x0), kRasterLimit + kMaxPenWidth);
    }
}

TEST(CurveSamples, CatmullRomThroughACorner) {
    const std::vector<QPointF> samples =
        curveSamples(makeLine({{0, 0}, {100, 0}, {100, 100}}, 1, true));
    ASSERT_EQ(samples.size(), 2u * 201u);
    // The first sample of each segment is its first point, exactly.
    EXPECT_EQ(samples[0], QPointF(0, 0));
    EXPECT_EQ(samples[201], QPointF(100, 0));
    // t = 0.5 of each segment: the curve bulges outside the corner.
    EXPECT_NEAR(samples[100].x(), 50.0, 1e-3);
    EXPECT_NEAR(samples[100].y(), -6.25, 1e-3);
    EXPECT_NEAR(samples[301].x(), 106.25, 1e-3);
    EXPECT_NEAR(samples[301].y(), 50.0, 1e-3);
    // t never reaches 1: the last sample stops a fraction of a pixel short of the end.
    EXPECT_NEAR(samples.back().x(), 100.0, 1e-3);
    EXPECT_NEAR(samples.back().y(), 100.0, 1e-3);
    EXPECT_NE(samples.back(), QPointF(100, 100));

    const PixelSet pixels =
        pixelsOf(rasterizeCurve(makeLine({{0, 0}, {100, 0}, {100, 100}}, 1, true)));
    EXPECT_TRUE(pixels.count({50, -6}));
    EXPECT_TRUE(pixels.count({106, 50}));
    for (const auto& [x, y] : pixels)
        EXPECT_FALSE(x < 99 && y > 1) << "cuts the corner at " << x << "," << y;
}

TEST(CurveSamples, TwoHundredAndOnePerSegment) {
    for (int count = 2; count <= 6; ++count) {
        MapLine line = makeLine({}, 1, true);
        for (int k = 0; k < count; ++k) {
            line.PointX->push_back(k * 17 % 23);
            line.PointY->push_back(k * 31 % 19);
        }
        line.PointCount = count;
        const std::vector<QPointF> samples = curveSamples(line);
        ASSERT_EQ(samples.size(), static_cast<std::size_t>(count - 1) * 201u);
        for (int s = 1; s < count; ++s) {
            const auto k = static_cast<std::size_t>(s);
            EXPECT_EQ(samples[k * 201 - 201], QPointF((*line.PointX)[k], (*line.PointY)[k]));
        }
    }
}

TEST(CurveRaster, ThreePointsPassThroughTheMiddlePoint) {
    const std::vector<std::array<int, 6>> cases = {{0, 0, 30, 10, 60, 0},
                                                   {0, 0, 7, 33, -20, 41},
                                                   {5, 5, -12, 3, -40, -40},
                                                   {0, 0, 1, 1, 2, 0}};
    for (const auto& [ax, ay, bx, by, cx, cy] : cases) {
        for (int width : {1, 2, 3, 6}) {
            SCOPED_TRACE(::testing::Message() << bx << "," << by << " width " << width);
            const PixelSet pixels =
                pixelsOf(rasterizeLine(makeLine({{ax, ay}, {bx, by}, {cx, cy}}, width, true)));
            EXPECT_TRUE(pixels.count({ax, ay}));
            EXPECT_TRUE(pixels.count({bx, by}));
            EXPECT_TRUE(pixels.count({cx, cy}));
            if (width == 1) {
                EXPECT_TRUE(eightConnected(pixels));
            }
        }
    }
}

// The two-point curve is the straight segment in exact arithmetic. Its pixels come from
// sub-pixel steps rounded coordinate by coordinate, so where x and y round over at different
// steps the chain takes a corner pixel that the straight line skips: axis-parallel segments
// come out identical, any other stays within one pixel of the true segment.
TEST(CurveRaster, TwoPointsFollowTheStraightSegment) {
    const std::vector<std::array<int, 4>> axisParallel = {
        {0, 0, 50, 0}, {0, 0, -50, 0}, {3, -7, 3, 60}, {3, 7, 3, -60}, {0, 0, 1, 0}};
    for (const auto& [x0, y0, x1, y1] : axisParallel) {
        for (int width : {1, 4}) {
            EXPECT_EQ(rasterizeCurve(makeLine({{x0, y0}, {x1, y1}}, width, true)),
                      rasterizeSegment(x0, y0, x1, y1, width))
                << x0 << "," << y0 << " -> " << x1 << "," << y1;
        }
    }
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        const int x0 = static_cast<int>(random() % 200) - 100;
        const int y0 = static_cast<int>(random() % 200) - 100;
        const int x1 = static_cast<int>(random() % 200) - 100;
        const int y1 = static_cast<int>(random() % 200) - 100;
        SCOPED_TRACE(::testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
        const PixelSet curve = pixelsOf(rasterizeCurve(makeLine({{x0, y0}, {x1, y1}}, 1, true)));
        const PixelSet straight = pixelsOf(rasterizeSegment(x0, y0, x1, y1, 1));
        EXPECT_TRUE(curve.count({x0, y0}));
        EXPECT_TRUE(curve.count({x1, y1}));
        EXPECT_TRUE(eightConnected(curve));
        const double dx = x1 - x0;
        const double dy = y1 - y0;
        const double length = std::hypot(dx, dy);
        for (const auto& [x, y] : curve) {
            const double along = ((x - x0) * dx + (y - y0) * dy) / (length * length);
            EXPECT_GE(along, -0.5 / length);
            EXPECT_LE(along, 1 + 0.5 / length);
            // Distance from the line along the shorter axis: at most one pixel.
            const double off =
                std::abs((x - x0) * dy - (y - y0) * dx) / std::max(std::abs(dx), std::abs(dy));
            EXPECT_LE(off, 1.0 + 1e-9) << x << "," << y;
        }
        for (const auto& [x, y] : straight) {
            bool near = false;
            for (int ny = -1; ny <= 1 && !near; ++ny) {
                for (int nx = -1; nx <= 1 && !near; ++nx)
                    near = curve.count({x + nx, y + ny}) != 0;
            }
            EXPECT_TRUE(near) << x << "," << y;
        }
    }
}

TEST(LineRaster, IntegerTranslationShiftsThePolylineRaster) {
    const MapLine line = makeLine({{0, 0}, {23, 7}, {-5, 30}, {12, -9}}, 4);
    MapLine moved = line;
    for (std::size_t k = 1; k < moved.PointX->size(); ++k) {
        (*moved.PointX)[k] += 1234;
        (*moved.PointY)[k] -= 567;
    }
    LineRaster shifted = rasterizePolyline(line);
    for (Span& span : shifted.spans) {
        span.y -= 567;
        span.x0 += 1234;
        span.x1 += 1234;
    }
    EXPECT_EQ(rasterizePolyline(moved), shifted);
}

TEST(LineRaster, OneRasterDrawsTheSameAtAnyOrigin) {
    for (bool smooth : {false, true}) {
        const MapLine line = makeLine({{0, 0}, {20, 5}, {8, 25}, {30, 30}}, 3, smooth);
        const LineRaster raster = rasterizeLine(line);
        QImage first = createSurface(60, 50, kWhite);
        QImage second = createSurface(60, 50, kWhite);
        drawRaster(first, raster, 10, 8, kRed);
        drawRaster(second, raster, 23, 14, kRed);
        QImage direct = createSurface(60, 50, kWhite);
        drawLine(direct, line, 10, 8);
        EXPECT_EQ(first, direct);
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 60; ++x) {
                const int sx = x - 13;
                const int sy = y - 6;
                const QRgb expected = (sx >= 0 && sy >= 0) ? first.pixel(sx, sy) : bgrToRgb(kWhite);
                ASSERT_EQ(second.pixel(x, y), expected) << x << "," << y << " smooth " << smooth;
            }
        }
    }
}

TEST(LineRaster, DrawingClipsAtTheSurfaceEdges) {
    const LineRaster raster = rasterizeSegment(-10, 2, 20, 2, 3);
    QImage surface = createSurface(6, 5, kWhite);
    drawRaster(surface, raster, 0, 0, kRed);
    PixelSet expected;
    for (int y = 1; y <= 3; ++y) {
        for (int x = 0; x < 6; ++x)
            expected.insert({x, y});
    }
    EXPECT_EQ(paintedPixels(surface, kRed), expected);
    // Entirely off the surface, and at extreme origins: nothing drawn, nothing broken.
    QImage untouched = createSurface(6, 5, kWhite);
    drawRaster(untouched, raster, 0, 100, kRed);
    drawRaster(untouched, raster, INT32_MAX, INT32_MIN, kRed);
    drawRaster(untouched, raster, INT32_MIN, INT32_MAX, kRed);
    EXPECT_EQ(untouched, createSurface(6, 5, kWhite));
}

TEST(CurrentLine, WidthBoxText) {
    const std::vector<std::pair<QString, std::int32_t>> cases = {
        {QStringLiteral("3"), 3},
        {QStringLiteral("7 px"), 7},
        {QStringLiteral("abc"), 0},
        {QStringLiteral("2.5"), 2},
        {QStringLiteral("3.5"), 4},
        {QStringLiteral(""), 0},
        {QStringLiteral(" 5"), 5},
        {QStringLiteral("12abc"), 12},
        {QStringLiteral("."), 0},
        {QStringLiteral("-3"), -3},
        {QStringLiteral("99999999999"), INT32_MAX},
        {QString(QStringLiteral("1")) + QString(400, QLatin1Char('0')), INT32_MAX},
    };
    for (const auto& [text, width] : cases) {
        EXPECT_EQ(widthFromText(text), width) << text.toStdString();
        MapLine line = makeLine({{1, 1}, {3, 1}}, 1);
        QImage canvas = createSurface(6, 4, kWhite);
        DrawCurrentLine(canvas, line, kRed, text);
        EXPECT_EQ(line.Width, width) << text.toStdString();
    }
}

TEST(CurrentLine, FirstSegmentUsesTheOldWidthAndEveryOneTheLineColour) {
    // Three points, width 1 so far, box says 5: the first segment is thin, the second wide.
    MapLine line = makeLine({{2, 10}, {20, 10}, {20, 25}}, 1);
    line.Color = 0x00FF00;
    line.Smooth = 1; // still straight: smoothing shows once the line is stored
    QImage canvas = createSurface(40, 40, kWhite);
    DrawCurrentLine(canvas, line, kRed, QStringLiteral("5"));
    EXPECT_EQ(line.Width, 5);
    EXPECT_EQ(line.Color, kRed);

    PixelSet expected = pixelsOf(rasterizeSegment(2, 10, 20, 10, 1));
    expected.merge(pixelsOf(rasterizeSegment(20, 10, 20, 25, 5)));
    EXPECT_EQ(paintedPixels(canvas, kRed), expected);
    EXPECT_FALSE(expected.count({10, 11})); // the first segment stayed one pixel thin

    // Drawn again: now every segment has the new width.
    QImage again = createSurface(40, 40, kWhite);
    DrawCurrentLine(again, line, kRed, QStringLiteral("5"));
    PixelSet wide = pixelsOf(rasterizeSegment(2, 10, 20, 10, 5));
    wide.merge(pixelsOf(rasterizeSegment(20, 10, 20, 25, 5)));
    EXPECT_EQ(paintedPixels(again, kRed), wide);
}

TEST(CurrentLine, OnePointDrawsNothingAndKeepsTheLine) {
    MapLine line = makeLine({{5, 5}}, 3);
    line.Color = 0x00FF00;
    QImage canvas = createSurface(10, 10, kWhite);
    DrawCurrentLine(canvas, line, kRed, QStringLiteral("7"));
    EXPECT_EQ(line.Width, 3);
    EXPECT_EQ(line.Color, 0x00FF00u);
    EXPECT_EQ(canvas, createSurface(10, 10, kWhite));
}
