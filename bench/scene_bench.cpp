#include "reference_map.h"

#include "render/selection_draw.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
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

// The big map: one drag step of the element of the given kind, back and forth over 40
// pixels, composed with (cache 1) or without (cache 0) what the last composition left, then
// marked, as the editor does at each pointer move.
enum DraggedKind { kTopPicto, kLowPicto, kLabel, kForegroundLine, kBackgroundLine };

// Built once for all the runs: it takes a while.
BigMap& bigMap() {
    static BigMap map;
    return map;
}

void BM_BigMapDragStep(benchmark::State& state) {
    BigMap* const map = &bigMap();
    const auto kind = static_cast<DraggedKind>(state.range(0));
    const std::int32_t slots[] = {map->topPicto, map->lowPicto, map->label, map->foregroundLine,
                                  map->backgroundLine};
    const std::int32_t slot = slots[kind];
    map->scene.setCacheEnabled(state.range(1) != 0);
    map->scene.DrawScene(map->doc, map->library, true);
    MapItem& item = map->doc.Items[static_cast<std::size_t>(slot)];
    const std::int32_t startX = item.X;
    int step = 0;
    for (auto _ : state) {
        item.X = startX + (step++ % 40) - 20;
        map->scene.DrawScene(map->doc, map->library, true);
        map->scene.canvasMarked(DrawSelect(map->scene.canvas(), map->doc, slot,
                                           [](std::int32_t) -> std::optional<PictoSize> {
                                               return PictoSize{32, 32};
                                           }));
        benchmark::DoNotOptimize(map->scene.canvas().constBits());
    }
    item.X = startX;
    map->scene.setCacheEnabled(true);
}

// The big map: the fill tool's click, a fill added in a cell and composed, with (cache 1) or
// without (cache 0) what the last composition left; its undo and recomposition are not timed.
void BM_BigMapAddFill(benchmark::State& state) {
    BigMap* const map = &bigMap();
    map->scene.setCacheEnabled(state.range(0) != 0);
    map->scene.DrawScene(map->doc, map->library, true);
    int step = 0;
    for (auto _ : state) {
        const int cell = step++ % 16;
        map->doc.AddFill(125 + 250 * cell, 125 + 250 * (cell % 12), 0x3060F0u + 16u * cell);
        map->scene.DrawScene(map->doc, map->library, true);
        benchmark::DoNotOptimize(map->scene.canvas().constBits());
        state.PauseTiming();
        map->doc.Undo();
        map->scene.DrawScene(map->doc, map->library, true);
        state.ResumeTiming();
    }
    map->scene.setCacheEnabled(true);
}

void BM_BigMapFirstComposition(benchmark::State& state) {
    BigMap* const map = &bigMap();
    std::optional<Scene> scene;
    for (auto _ : state) {
        state.PauseTiming(); // the last scene's surfaces given back: not part of a load
        scene.reset();
        state.ResumeTiming();
        scene.emplace();
        scene->setBackground(map->scene.background());
        scene->DrawScene(map->doc, map->library, true);
        benchmark::DoNotOptimize(scene->canvas().constBits());
    }
}

// What the first composition leaves for later: the first edit after it (a pictogram moved),
// which builds the base again and gives the surface and the canvas buffers of their own.
void BM_BigMapFirstEdit(benchmark::State& state) {
    BigMap* const map = &bigMap();
    MapItem& item = map->doc.Items[static_cast<std::size_t>(map->topPicto)];
    std::optional<Scene> scene;
    for (auto _ : state) {
        state.PauseTiming();
        scene.reset();
        scene.emplace();
        scene->setBackground(map->scene.background());
        scene->DrawScene(map->doc, map->library, true);
        item.X += 1;
        state.ResumeTiming();
        scene->DrawScene(map->doc, map->library, true);
        scene->canvas(); // where the marks are drawn
        state.PauseTiming();
        item.X -= 1;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_BigMapDragStep)
    ->ArgsProduct({{kTopPicto, kLowPicto, kLabel, kForegroundLine, kBackgroundLine}, {1, 0}})
    ->ArgNames({"kind", "cache"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BigMapAddFill)
    ->Arg(1)
    ->Arg(0)
    ->ArgNames({"cache"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BigMapFirstComposition)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BigMapFirstEdit)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_DragStep)
    ->Arg(1)
    ->Arg(0)
    ->ArgNames({"cache"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FullRebuild)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return grivendale::runBenchmarksWithFonts(argc, argv);
}
