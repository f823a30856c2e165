#include "document/picto_library.h"
#include "render/scene.h"
#include "render/selection_draw.h"
#include "render/text_draw.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

using namespace grivendale;

namespace {

// The reference map: a 1600 x 1200 background of closed black outlines, 300 soft-edged PNG
// pictograms of 32 x 32, 60 labels, 40 smoothed lines of 10 points and width 3 (half of them
// in the background), 30 fills of large areas.
struct ReferenceMap {
    ReferenceMap() {
        QImage disc(32, 32, QImage::Format_ARGB32);
        disc.fill(Qt::transparent);
        {
            QPainter painter(&disc);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QColor(40, 40, 40), 1.5));
            painter.setBrush(QColor(250, 200, 40));
            painter.drawEllipse(QRectF(2, 2, 28, 28));
        }
        disc.save(dir.filePath(QStringLiteral("soleil.png")));
        library = PictoLibrary::build(dir.path());

        QImage background(1600, 1200, QImage::Format_RGB32);
        background.fill(qRgb(246, 242, 224));
        {
            QPainter painter(&background);
            painter.setPen(Qt::black);
            for (int x = 0; x < 1600; x += 200)
                painter.drawLine(x, 0, x, 1199);
            for (int y = 0; y < 1200; y += 200)
                painter.drawLine(0, y, 1599, y);
        }
        scene.setBackground(background);

        std::mt19937 random(7);
        auto pick = [&random](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        for (int i = 0; i < 30; ++i)
            doc.AddFill(100 + 200 * (i % 8), 100 + 200 * (i / 8), 0x00FF00 + 40u * i);
        for (int l = 0; l < 40; ++l) {
            MapLine line;
            line.Width = 3;
            line.Color = l % 2 ? 0xFF0000 : 0x000000;
            line.PointX = std::vector<std::int32_t>{0};
            line.PointY = std::vector<std::int32_t>{0};
            for (int k = 0; k < 10; ++k) {
                line.PointX->push_back(pick(0, 1599));
                line.PointY->push_back(pick(0, 1199));
            }
            line.PointCount = 10;
            doc.AddLine(line, true, l % 2 == 0);
        }
        for (int i = 0; i < 300; ++i)
            dragged = doc.AddPictoItem(1, pick(0, 1599), pick(0, 1199));
        for (int i = 0; i < 60; ++i)
            AddText(doc, QStringLiteral("Orages %1°C").arg(i), pick(0, 1599), pick(0, 1199),
                    TextStyle{QStringLiteral("DejaVu Sans"), 10.0, i % 3 == 0, false, false},
                    0x000000);
        scene.DrawScene(doc, library, true);
    }

    // One step of dragging a pictogram: move, recompose, present, mark.
    void dragStep(int step) {
        MapItem& item = doc.Items[static_cast<std::size_t>(dragged)];
        item.X = 400 + step % 200;
        scene.DrawScene(doc, library, true);
        DrawSelect(scene.canvas(), doc, dragged,
                   [this](std::int32_t n) -> std::optional<PictoSize> {
                       if (const PictoEntry* e = library.entry(n))
                           return PictoSize{e->Width, e->Height};
                       return std::nullopt;
                   });
    }

    QTemporaryDir dir;
    PictoLibrary library;
    Scene scene;
    MapDocument doc;
    std::int32_t dragged = 0;
};

void BM_DragStep(benchmark::State& state) {
    ReferenceMap map;
    map.scene.setCacheEnabled(state.range(0) != 0);
    int step = 0;
    for (auto _ : state) {
        map.dragStep(step++);
        benchmark::DoNotOptimize(map.scene.canvas().constBits());
    }
}

void BM_FullRebuild(benchmark::State& state) {
    ReferenceMap map;
    map.scene.setCacheEnabled(false);
    for (auto _ : state)
        map.scene.DrawScene(map.doc, map.library, true);
}

} // namespace

BENCHMARK(BM_DragStep)
    ->Arg(1)
    ->Arg(0)
    ->ArgNames({"cache"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("median", [](const std::vector<double>& v) {
        std::vector<double> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    });
BENCHMARK(BM_FullRebuild)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
