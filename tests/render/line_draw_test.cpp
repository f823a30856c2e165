#include "render/line_draw.h"

#include "imaging/image_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

using namespace grivendale;

namespace {

using PixelSet = std::set<std::pair<long long, long long>>; // x, y

PixelSet pixelsOf(const LineRaster& raster) {
    PixelSet pixels;
    for (const Span& s : raster.spans)
        for (int x = s.x0; x <= s.x1; ++x)
            pixels.insert({x, s.y});
    return pixels;
}

// Straightforward rebuilds of the pen rules, pixel by pixel, to hold the span builder to: both
// coordinates at i / n of the way, halves rounded away from the start.
PixelSet referenceSegment(long long x0, long long y0, long long x1, long long y1) {
    const long long n = std::max({std::llabs(x1 - x0), std::llabs(y1 - y0), 1LL});
    const auto at = [n](long long i, long long from, long long d) {
        return from + (d < 0 ? -1 : 1) * ((2 * i * std::llabs(d) + n) / (2 * n));
    };
    PixelSet pixels;
    for (long long i = 0; i <= n; ++i)
        pixels.insert({at(i, x0, x1 - x0), at(i, y0, y1 - y0)});
    return pixels;
}

PixelSet stampDisc(const PixelSet& path, int width) {
    const int c = width % 2 == 0 ? 1 : 0; // even discs are centred on the lower-right corner
    PixelSet pixels;
    for (const auto& [x, y] : path)
        for (int dy = -width; dy <= width; ++dy)
            for (int dx = -width; dx <= width; ++dx)
                if ((2 * dx - c) * (2 * dx - c) + (2 * dy - c) * (2 * dy - c) <= width * width)
                    pixels.insert({x + dx, y + dy});
    return pixels;
}

} // namespace

// Polylines, and curves whose samples are chained from the previous sample rounded half to
// even to the new one rounded half up.
TEST(LineRaster, RandomLinesAreTheDiscStampedAlongTheReferencePath) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        // Far-apart points put curve samples on exact halves, where the two roundings differ.
        const unsigned range = round % 10 == 1 ? 60000 : 80;
        const int width = round % 10 == 1 ? 1 : 1 + static_cast<int>(random() % 12);
        MapLine line = grivendale::testing::lineThrough({}, width);
        line.Smooth = static_cast<std::int16_t>(round % 2);
        for (line.PointCount = 0; line.PointCount < 2 + round % 6; ++line.PointCount) {
            line.PointX->push_back(static_cast<int>(random() % range - range / 2));
            line.PointY->push_back(static_cast<int>(random() % range - range / 2));
        }
        const std::vector<std::int32_t>& px = *line.PointX;
        const std::vector<std::int32_t>& py = *line.PointY;
        const std::vector<QPointF> s = curveSamples(line);
        PixelSet path;
        for (std::size_t i = 1; i < (line.Smooth ? s.size() : px.size() - 1); ++i)
            path.merge(line.Smooth
                           ? referenceSegment(std::llrint(s[i - 1].x()), std::llrint(s[i - 1].y()),
                                              std::llround(std::floor(s[i].x() + 0.5)),
                                              std::llround(std::floor(s[i].y() + 0.5)))
                           : referenceSegment(px[i], py[i], px[i + 1], py[i + 1]));
        EXPECT_EQ(pixelsOf(rasterizeLine(line)), stampDisc(path, width)) << "round " << round;
    }
}

// A damaged file's values: a pen width takes the low 16 bits, within bounds.
TEST(LineRaster, DamagedValuesStayCheapAndExact) {
    const std::pair<std::int32_t, int> pens[] = {
        {1, 1}, {0, 1}, {-7, 1}, {65539, 3}, {65535, 1}, {256, 255}, {30000, 255}, {INT32_MIN, 1}};
    for (const auto& [stored, pen] : pens)
        EXPECT_EQ(penWidth(stored), pen) << stored;
    // Crossing the origin from very far away: only the part near the origin is walked.
    const PixelSet far =
        pixelsOf(rasterizeSegment(-2000000000, -1000000000, 2000000000, 1000000000, 1));
    EXPECT_EQ(far.size(), 2u * kRasterLimit + 1);
    EXPECT_TRUE(far.count({0, 0}) && far.count({1001, 501}) && far.count({-1001, -500}));
}

TEST(CurveSamples, CatmullRomTwoHundredAndOnePerSegment) {
    const std::vector<QPointF> s =
        curveSamples(grivendale::testing::lineThrough({{0, 0}, {100, 0}, {100, 100}, {30, 60}}));
    ASSERT_EQ(s.size(), 3u * 201u);
    // Segments start exactly on their points; at t = 0.5 the ends stand in as control points.
    EXPECT_EQ(std::pair(s[201], s[402]), std::pair(QPointF(100, 0), QPointF(100, 100)));
    for (const auto& [i, x, y] : {std::tuple{100, 50.0, -6.25}, {301, 110.625, 52.5}}) {
        EXPECT_NEAR(s[i].x(), x, 1e-3);
        EXPECT_NEAR(s[i].y(), y, 1e-3);
    }
    // t never reaches 1: the last sample stops a fraction of a pixel short of the end.
    EXPECT_NE(s.back(), QPointF(30, 60));
    EXPECT_LT(std::hypot(s.back().x() - 30, s.back().y() - 60), 0.5);
}

TEST(CurrentLine, EachSegmentUsesTheWidthTheLineHeldBefore) {
    const std::pair<const char*, std::int32_t> widths[] = {
        {"7 px", 7}, {"abc", 0}, {"2.5", 2}, {"3.5", 4}, {"99999999999", INT32_MAX}};
    for (const auto& [text, width] : widths)
        EXPECT_EQ(widthFromText(QString::fromLatin1(text)), width) << text;
    // Width 1 so far, the box says 5: the first segment is thin, the second wide (and clipped at
    // the canvas edge); smoothing only shows once the line is stored.
    MapLine line = grivendale::testing::lineThrough({{-2, 10}, {20, 10}, {20, 45}}, 1, 0x00FF00);
    line.Smooth = 1;
    QImage canvas = createSurface(40, 40, 0xFFFFFF);
    DrawCurrentLine(canvas, line, 0x0000FF, QStringLiteral("5")); // red, as 0x00BBGGRR
    EXPECT_EQ(std::pair(line.Width, line.Color), std::pair(5, 0x0000FFu));
    PixelSet expected = stampDisc(referenceSegment(20, 10, 20, 45), 5);
    expected.merge(referenceSegment(-2, 10, 20, 10));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(canvas.pixel(x, y), expected.count({x, y}) ? 0xFFFF0000 : 0xFFFFFFFF)
                << x << "," << y;
}
