#include "reference_map.h"

#include "render/selection_draw.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace grivendale;

namespace {

// One step of dragging a pictogram: move, recompose, present, mark.
void dragStep(ReferenceMap& map, int step) {
    MapItem& item = map.doc.Items[static_cast<std::size_t>(map.dragged)];
    item.X = 400 + step % 200;
    map.scene.DrawScene(map.doc, map.library, true);
    DrawSelect(map.scene.canvas(), map.doc, map.dragged,
               [&map](std::int32_t n) -> std::optional<PictoSize> {
                   if (const PictoEntry* e = map.library.entry(n))
                       return PictoSize{e->Width, e->Height};
                   return std::nullopt;
               });
}

void BM_DragStep(benchmark::State& state) {
    ReferenceMap map;
    map.scene.setCacheEnabled(state.range(0) != 0);
    int step = 0;
    for (auto _ : state) {
        dragStep(map, step++);
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
