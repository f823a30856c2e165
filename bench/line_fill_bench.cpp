#include "render/flood_fill.h"
#include "render/line_draw.h"
#include "render/line_raster.h"

#include "imaging/colors.h"
#include "imaging/image_io.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace grivendale;

namespace {

MapLine randomLine(std::mt19937& random, int points, int width, int spread) {
    MapLine line;
    line.InUse = kTrue;
    line.Width = width;
    line.Smooth = 1;
    line.Color = 0x0000FF;
    line.PointCount = points;
    line.PointX = std::vector<std::int32_t>{0};
    line.PointY = std::vector<std::int32_t>{0};
    int x = 0;
    int y = 0;
    for (int k = 0; k < points; ++k) {
        x += static_cast<int>(random() % static_cast<unsigned>(2 * spread + 1)) - spread;
        y += static_cast<int>(random() % static_cast<unsigned>(2 * spread + 1)) - spread;
        line.PointX->push_back(x);
        line.PointY->push_back(y);
    }
    return line;
}

// 40 smoothed lines of 10 points: 40 x 9 x 200 = 72,000 short segments.
std::vector<MapLine> fortyLines() {
    std::mt19937 random(42);
    std::vector<MapLine> lines;
    for (int i = 0; i < 40; ++i)
        lines.push_back(randomLine(random, 10, 3, 60));
    return lines;
}

void BM_FloodFill4000(benchmark::State& state) {
    QImage surface = createSurface(4000, 4000, 0xFFFFFF);
    const QRgb colours[] = {bgrToRgb(0x0000FF), bgrToRgb(0x00FF00)};
    int next = 0;
    for (auto _ : state) {
        floodFill(surface, 2000, 2000, colours[next]); // repaints the whole surface
        next ^= 1;
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 4000LL * 4000LL);
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 4000.0 * 4000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FloodFill4000)->Unit(benchmark::kMillisecond);

// A random walk of 100 points, steps up to 40 pixels each way: 19,800 short segments.
void BM_SmoothedLine100Points(benchmark::State& state) {
    std::mt19937 random(7);
    const MapLine line = randomLine(random, 100, 3, 40);
    QImage surface = createSurface(1600, 1200, 0xFFFFFF);
    for (auto _ : state) {
        drawLine(surface, line, 800, 600);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 99 * 200);
}
BENCHMARK(BM_SmoothedLine100Points)->Unit(benchmark::kMicrosecond);

void BM_RasterizeSmoothedLine100Points(benchmark::State& state) {
    std::mt19937 random(7);
    const MapLine line = randomLine(random, 100, 3, 40);
    for (auto _ : state)
        benchmark::DoNotOptimize(rasterizeLine(line));
    state.SetItemsProcessed(state.iterations() * 99 * 200);
}
BENCHMARK(BM_RasterizeSmoothedLine100Points)->Unit(benchmark::kMicrosecond);

void BM_FortyLinesRasterizeAndDraw(benchmark::State& state) {
    const std::vector<MapLine> lines = fortyLines();
    QImage surface = createSurface(1600, 1200, 0xFFFFFF);
    for (auto _ : state) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            drawLine(surface, lines[i], 100 + static_cast<int>(i) * 35, 600);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 72000);
}
BENCHMARK(BM_FortyLinesRasterizeAndDraw)->Unit(benchmark::kMicrosecond);

void BM_FortyLinesFromCachedRasters(benchmark::State& state) {
    const std::vector<MapLine> lines = fortyLines();
    std::vector<LineRaster> rasters;
    for (const MapLine& line : lines)
        rasters.push_back(rasterizeLine(line));
    QImage surface = createSurface(1600, 1200, 0xFFFFFF);
    for (auto _ : state) {
        for (std::size_t i = 0; i < rasters.size(); ++i)
            drawRaster(surface, rasters[i], 100 + static_cast<int>(i) * 35, 600, lines[i].Color);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 72000);
}
BENCHMARK(BM_FortyLinesFromCachedRasters)->Unit(benchmark::kMicrosecond);

} // namespace
