// Our flood fill against OpenCV's on the same 4000 x 4000 surfaces. OpenCV is only the yardstick
// here: nothing else in the program links it.

#include "render/flood_fill.h"

#include "imaging/image_io.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <map>
#include <random>

using namespace grivendale;

namespace {

constexpr int kSize = 4000;
constexpr QRgb kWall = 0xFF000000u;                         // black
const QRgb kFills[] = {qRgb(255, 0, 0), qRgb(0, 160, 255)}; // neither white nor a wall colour

enum class Shape { Uniform, Serpentine, Cells, Noise };

const char* nameOf(Shape shape) {
    switch (shape) {
    case Shape::Uniform:
        return "uniform";
    case Shape::Serpentine:
        return "serpentine";
    case Shape::Cells:
        return "cells";
    case Shape::Noise:
        return "noise";
    }
    return "?";
}

QRgb* rowOf(QImage& surface, int y) {
    return reinterpret_cast<QRgb*>(surface.scanLine(y));
}

// 1-px walls at x = 3, 7, 11, ... left open by one row at the top and at the bottom in turn: one
// 3-px corridor snaking through 1000 turns.
QImage serpentine() {
    QImage surface = createSurface(kSize, kSize, 0xFFFFFF);
    for (int x = 3, k = 0; x < kSize; x += 4, ++k) {
        const int gap = k % 2 == 0 ? 0 : kSize - 1;
        for (int y = 0; y < kSize; ++y) {
            if (y != gap)
                rowOf(surface, y)[x] = kWall;
        }
    }
    return surface;
}

// 250,000 cells of 7 x 7 between 1-px walls, like a map's districts; each wall between two cells
// has a 1-px gap at a random place with probability 0.6, so most cells join one large area
// whose edge is ragged at every scale, and the rest form small closed groups.
QImage cells() {
    QImage surface = createSurface(kSize, kSize, 0xFFFFFF);
    for (int y = 0; y < kSize; ++y) {
        QRgb* row = rowOf(surface, y);
        for (int x = 0; x < kSize; ++x) {
            if (x % 8 == 7 || y % 8 == 7)
                row[x] = kWall;
        }
    }
    std::mt19937 random(2024);
    std::bernoulli_distribution open(0.6);
    std::uniform_int_distribution<int> along(0, 6);
    for (int cy = 0; cy < kSize; cy += 8) {
        for (int cx = 0; cx < kSize; cx += 8) {
            if (cx + 8 < kSize && open(random))
                rowOf(surface, cy + along(random))[cx + 7] = 0xFFFFFFFFu;
            if (cy + 8 < kSize && open(random))
                rowOf(surface, cy + 7)[cx + along(random)] = 0xFFFFFFFFu;
        }
    }
    return surface;
}

// Two colours at random, 35 % walls: the white above the percolation threshold forms one huge
// area full of holes, most of its runs a pixel or two long.
QImage noise() {
    QImage surface = createSurface(kSize, kSize, 0xFFFFFF);
    std::mt19937 random(7);
    for (int y = 0; y < kSize; ++y) {
        QRgb* row = rowOf(surface, y);
        for (int x = 0; x < kSize; ++x) {
            if (random() % 100 < 35)
                row[x] = kWall;
        }
    }
    return surface;
}

struct Prepared {
    QImage surface;
    int x = 0;
    int y = 0;
    qint64 painted = 0; // pixels one fill paints
};

qint64 countColour(const QImage& surface, QRgb colour) {
    qint64 count = 0;
    for (int y = 0; y < surface.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(surface.constScanLine(y));
        for (int x = 0; x < surface.width(); ++x)
            count += row[x] == colour;
    }
    return count;
}

// The surface, and a seed near the centre whose area covers at least a fifth of it.
const Prepared& prepared(Shape shape) {
    static std::map<Shape, Prepared> cache;
    auto found = cache.find(shape);
    if (found != cache.end())
        return found->second;
    Prepared p;
    p.surface = shape == Shape::Serpentine ? serpentine()
                : shape == Shape::Cells    ? cells()
                : shape == Shape::Noise    ? noise()
                                           : createSurface(kSize, kSize, 0xFFFFFF);
    for (int step = 0; p.painted * 5 < qint64{kSize} * kSize; ++step) {
        p.x = kSize / 2 + step;
        p.y = kSize / 2 + step;
        if (p.surface.pixel(p.x, p.y) == kWall)
            continue;
        QImage trial = p.surface.copy();
        floodFill(trial, p.x, p.y, kFills[0]);
        p.painted = countColour(trial, kFills[0]);
    }
    return cache.emplace(shape, std::move(p)).first->second;
}

cv::Mat toMat(const QImage& surface) {
    cv::Mat mat(surface.height(), surface.width(), CV_8UC3);
    for (int y = 0; y < surface.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(surface.constScanLine(y));
        auto* out = mat.ptr<cv::Vec3b>(y);
        for (int x = 0; x < surface.width(); ++x)
            out[x] = cv::Vec3b(static_cast<uchar>(qBlue(in[x])), static_cast<uchar>(qGreen(in[x])),
                               static_cast<uchar>(qRed(in[x])));
    }
    return mat;
}

cv::Scalar toScalar(QRgb colour) {
    return cv::Scalar(qBlue(colour), qGreen(colour), qRed(colour));
}

int openCvFill(cv::Mat& mat, int x, int y, QRgb colour) {
    // 4-connected, exact colour match: no tolerance, no mask.
    return cv::floodFill(mat, cv::Point(x, y), toScalar(colour), nullptr, cv::Scalar(),
                         cv::Scalar(), 4);
}

// Both fills must paint the same pixels, or the figures compare nothing.
bool fillsAgree(Shape shape) {
    const Prepared& p = prepared(shape);
    QImage ours = p.surface.copy();
    floodFill(ours, p.x, p.y, kFills[0]);
    cv::Mat theirs = toMat(p.surface);
    const int area = openCvFill(theirs, p.x, p.y, kFills[0]);
    const cv::Mat expected = toMat(ours);
    const bool same =
        area == p.painted && cv::countNonZero(expected.reshape(1) != theirs.reshape(1)) == 0;
    std::fprintf(stderr, "%-10s seed %d,%d: %lld pixels painted%s\n", nameOf(shape), p.x, p.y,
                 static_cast<long long>(p.painted), same ? "" : ", OpenCV DISAGREES");
    return same;
}

void BM_Ours(benchmark::State& state, Shape shape) {
    const Prepared& p = prepared(shape);
    QImage surface = p.surface.copy();
    int next = 0;
    for (auto _ : state) {
        // Each fill repaints the previous one's area in the other colour: no copy to time.
        floodFill(surface, p.x, p.y, kFills[next]);
        next ^= 1;
        benchmark::DoNotOptimize(surface.constBits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * p.painted);
}

void BM_OpenCv(benchmark::State& state, Shape shape) {
    const Prepared& p = prepared(shape);
    cv::Mat mat = toMat(p.surface);
    int next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(openCvFill(mat, p.x, p.y, kFills[next]));
        next ^= 1;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * p.painted);
}

#define FILL_BENCHMARKS(shape)                                                                     \
    BENCHMARK_CAPTURE(BM_Ours, shape, Shape::shape)                                                \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->Repetitions(7)                                                                           \
        ->ReportAggregatesOnly(true);                                                              \
    BENCHMARK_CAPTURE(BM_OpenCv, shape, Shape::shape)                                              \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->Repetitions(7)                                                                           \
        ->ReportAggregatesOnly(true)

FILL_BENCHMARKS(Uniform);
FILL_BENCHMARKS(Serpentine);
FILL_BENCHMARKS(Cells);
FILL_BENCHMARKS(Noise);

} // namespace

int main(int argc, char** argv) {
    bool agree = true;
    for (Shape shape : {Shape::Uniform, Shape::Serpentine, Shape::Cells, Shape::Noise})
        agree = fillsAgree(shape) && agree;
    if (!agree)
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
