#include "document/picto_library.h"
#include "render/picto_draw.h"

#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace grivendale;

namespace {

constexpr int kPictoSize = 32;

// A round pictogram with soft edges: opaque centre, alpha falling to 0 at the rim, a key
// colour (magenta) in one corner.
QImage softPicture(int seed) {
    QImage image(kPictoSize, kPictoSize, QImage::Format_ARGB32);
    const double centre = (kPictoSize - 1) / 2.0;
    for (int y = 0; y < kPictoSize; ++y) {
        for (int x = 0; x < kPictoSize; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double distance = dx * dx + dy * dy;
            const int alpha = distance < 100 ? 255 : distance > 250 ? 0 : 255 - (distance - 100);
            image.setPixel(x, y,
                           qRgba((seed * 37 + x * 5) % 256, (seed * 11 + y * 7) % 256,
                                 (seed + x + y) % 256, alpha < 0 ? 0 : alpha));
        }
    }
    image.setPixel(0, 0, qRgba(255, 0, 255, 255));
    return image;
}

// 500 PNG pictograms, written once for the whole run.
struct PictoFolder {
    PictoFolder() {
        for (int i = 0; i < 500; ++i)
            softPicture(i).save(
                dir.filePath(QStringLiteral("picto%1.png").arg(i, 3, 10, QLatin1Char('0'))));
    }
    QTemporaryDir dir;
};

PictoFolder& pictoFolder() {
    static PictoFolder folder;
    return folder;
}

void BM_BuildLibrary500(benchmark::State& state) {
    const QString path = pictoFolder().dir.path();
    for (auto _ : state) {
        PictoLibrary library = PictoLibrary::build(path);
        benchmark::DoNotOptimize(library);
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_BuildLibrary500)->Unit(benchmark::kMillisecond);

// A redraw during a drag: 300 soft-alpha pictograms over a 1600 x 1200 surface, a few of them
// clipped at the edges.
void BM_Draw300Pictos(benchmark::State& state) {
    std::vector<PictoEntry> entries;
    for (int i = 0; i < 10; ++i) {
        PictoEntry entry;
        entry.Width = kPictoSize;
        entry.Height = kPictoSize;
        entry.IsPng = -1;
        const QImage image = softPicture(i);
        for (int y = 0; y < kPictoSize; ++y) {
            for (int x = 0; x < kPictoSize; ++x) {
                const QRgb p = image.pixel(x, y);
                for (const int c : {qRed(p), qGreen(p), qBlue(p), qAlpha(p)})
                    entry.Pixels.push_back(static_cast<std::uint8_t>(c));
            }
        }
        entries.push_back(std::move(entry));
    }
    QImage surface(1600, 1200, QImage::Format_RGB32);
    surface.fill(qRgb(200, 220, 240));
    for (auto _ : state) {
        std::uint32_t position = 12345;
        for (int i = 0; i < 300; ++i) {
            position = position * 1103515245u + 12345u; // fixed sequence, same every run
            const auto x = static_cast<std::int32_t>((position >> 8) % 1640) - 20;
            const auto y = static_cast<std::int32_t>((position >> 4) % 1240) - 20;
            DrawPicto(surface, entries[static_cast<std::size_t>(i % 10)], x, y);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 300);
}
BENCHMARK(BM_Draw300Pictos)->Unit(benchmark::kMicrosecond);

} // namespace
