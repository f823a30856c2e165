#include "render/line_draw.h"

#include "imaging/image_io.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>

using namespace grivendale;
using grivendale::testing::lineThrough;

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

// Curves chain their samples, each from the last rounded half to even to the next half up.
TEST(LineRaster, RandomLinesAreTheDiscStampedAlongTheReferencePath) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        // Far-apart points put curve samples on exact halves, where the two roundings differ.
        const unsigned range = round % 10 == 1 ? 60000 : 80;
        const int width = round % 10 == 1 ? 1 : 1 + static_cast<int>(random() % 12);
        MapLine line = lineThrough({}, width);
        line.Smooth = static_cast<std::int16_t>(round % 2);
        for (line.PointCount = 0; line.PointCount < 2 + round % 6; ++line.PointCount) {
            line.PointX->push_back(static_cast<int>(random() % range - range / 2));
            line.PointY->push_back(static_cast<int>(random() % range - range / 2));
        }
        const std::vector<std::int32_t>&px = *line.PointX, &py = *line.PointY;
        const std::vector<QPointF> s = curveSamples(line);
        const auto up = [](double v) { return std::llround(std::floor(v + 0.5)); };
        PixelSet path;
        for (std::size_t i = 1; i < (line.Smooth ? s.size() : px.size() - 1); ++i)
            path.merge(line.Smooth
                           ? referenceSegment(std::llrint(s[i - 1].x()), std::llrint(s[i - 1].y()),
                                              up(s[i].x()), up(s[i].y()))
                           : referenceSegment(px[i], py[i], px[i + 1], py[i + 1]));
        EXPECT_EQ(pixelsOf(rasterizeLine(line)), stampDisc(path, width)) << "round " << round;
    }
}

// The width box's text to the line's width, half to even; the stored width's low 16 bits to a pen.
TEST(LineRaster, WidthsAndFarPointsStayWithinBounds) {
    const std::tuple<const char*, std::int32_t, int> widths[] = {
        {"7 px", 7, 7},      {"abc", 0, 1},     {"2.5", 2, 2},
        {"3.5", 4, 4},       {"-7", -7, 1},     {"65539", 65539, 3},
        {"65535", 65535, 1}, {"256", 256, 255}, {"30000", 30000, 255}};
    EXPECT_EQ(widthFromText(QStringLiteral("9999999999")), INT32_MAX);
    for (const auto& [text, width, pen] : widths)
        EXPECT_EQ(std::pair(widthFromText(QLatin1String(text)), penWidth(width)),
                  std::pair(width, pen))
            << text;
    // Crossing the origin from very far away: only the stretch near the origin is walked.
    const PixelSet far =
        pixelsOf(rasterizeSegment(-2000000000, -1000000000, 2000000000, 1000000000, 1));
    EXPECT_EQ(far.size(), 2u * kRasterLimit + 1);
    EXPECT_TRUE(far.count({0, 0}) && far.count({1001, 501}) && far.count({-1001, -500}));
}

TEST(CurveSamples, CatmullRomTwoHundredAndOnePerSegment) {
    const std::vector<QPointF> s =
        curveSamples(lineThrough({{0, 0}, {100, 0}, {100, 100}, {30, 60}}));
    ASSERT_EQ(s.size(), 3u * 201u);
    // Segments start exactly on their points; at t = 0.5 the ends stand in as control points;
    // t never reaches 1, so the last sample stops a fraction of a pixel short of the end.
    const std::tuple<int, double, double, double> near[] = {
        {0, 0, 0, 0},           {201, 100, 0, 0},           {402, 100, 100, 0},
        {100, 50, -6.25, 1e-3}, {301, 110.625, 52.5, 1e-3}, {602, 30, 60, 0.5}};
    for (const auto& [i, x, y, within] : near)
        EXPECT_LE(std::hypot(s[i].x() - x, s[i].y() - y), within) << i;
    EXPECT_NE(s.back(), QPointF(30, 60));
}

TEST(CurrentLine, EachSegmentUsesTheWidthTheLineHeldBefore) {
    // Width 1 so far, the box says 5: the first segment is thin, the second wide (and clipped at
    // the canvas edge); smoothing only shows once the line is stored.
    MapLine line = lineThrough({{-2, 10}, {20, 10}, {20, 45}}, 1, 0x00FF00);
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
