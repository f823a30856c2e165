#include "document/map_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace grivendale;

namespace {

// 100,000 items (half labels, half pictograms) and 10,000 lines of 50 points.
MapDocument largeMap() {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/home/user/fonds/europe-1600.png"));
    for (int i = 0; i < 100000; ++i) {
        if (i % 2 == 0) {
            doc.AddPictoItem(1 + i % 40, i % 1600, i % 1200);
        } else {
            const std::int32_t slot = doc.takeItemSlot();
            MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
            item.InUse = kTrue;
            item.IsText = kTrue;
            item.Size = 10;
            item.X = i % 1600;
            item.Y = i % 1200;
            item.Text = QStringLiteral("Orages %1°").arg(i % 40);
            item.FontName = QStringLiteral("Arial");
            item.Width = 40;
            item.Height = 16;
        }
    }
    for (int l = 0; l < 10000; ++l) {
        MapLine line;
        line.Width = 3;
        line.PointCount = 50;
        line.PointX = std::vector<std::int32_t>{0};
        line.PointY = std::vector<std::int32_t>{0};
        for (int k = 0; k < 50; ++k) {
            line.PointX->push_back((l * 7 + k * 13) % 1600);
            line.PointY->push_back((l * 11 + k * 5) % 1200);
        }
        doc.AddLine(line, l % 2 == 0, l % 3 == 0);
    }
    return doc;
}

struct Fixture {
    Fixture() : doc(largeMap()) {
        path = dir.filePath(QStringLiteral("large.car"));
        SaveAll(doc, path);
    }
    QTemporaryDir dir;
    MapDocument doc;
    QString path;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_SaveLargeMap(benchmark::State& state) {
    Fixture& f = fixture();
    const QString target = f.dir.filePath(QStringLiteral("saved.car"));
    for (auto _ : state) {
        const MapSaveResult result = SaveAll(f.doc, target);
        benchmark::DoNotOptimize(result.ok);
    }
    state.SetBytesProcessed(state.iterations() * QFile(target).size());
}

void BM_LoadLargeMap(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        MapDocument doc;
        const MapLoadResult result = LoadMap(doc, f.path);
        if (!result.ok())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.ItemCount);
    }
    state.SetBytesProcessed(state.iterations() * QFile(f.path).size());
}

// The floor: reading the same file's bytes into memory.
void BM_ReadLargeMapBytes(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        QFile file(f.path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * QFile(f.path).size());
}

} // namespace

BENCHMARK(BM_SaveLargeMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLargeMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLargeMapBytes)->Unit(benchmark::kMillisecond);
