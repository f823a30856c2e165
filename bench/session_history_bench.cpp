#include "document/map_file.h"
#include "editor/session_history.h"
#include "reference_map.h"

#include <benchmark/benchmark.h>

using namespace grivendale;

namespace {

// A hundred drags on the big map, each recorded as the window records it once the button is
// let go (about forty moves a drag, one step), pictograms and line vertices in turn; then all
// undone and redone. Reports what the steps keep in memory against the map itself, and the
// time of a record, which compares the whole map.
void BM_BigMapHundredDragsUndone(benchmark::State& state) {
    BigMap map;
    const std::size_t mapBytes = serializeMapFile(map.doc).size();
    std::size_t stepBytes = 0;
    for (auto _ : state) {
        SessionHistory history;
        history.reset(map.doc);
        for (int drag = 0; drag < 100; ++drag) {
            const bool line = drag % 2 == 1;
            for (int move = 0; move < 40; ++move) {
                if (line) {
                    MapItem& entry = map.doc.Items[static_cast<std::size_t>(map.foregroundLine)];
                    MapLine& l = map.doc.Lines[static_cast<std::size_t>(entry.RefIndex)];
                    ++(*l.PointX)[1];
                } else {
                    ++map.doc.Items[static_cast<std::size_t>(map.topPicto - drag % 7)].X;
                }
            }
            history.record(map.doc);
        }
        stepBytes = history.bytes();
        while (history.undo(map.doc) && history.undoSteps() > 0) {
        }
        while (history.redo(map.doc)) {
        }
    }
    state.counters["step_bytes"] = static_cast<double>(stepBytes);
    state.counters["map_file_bytes"] = static_cast<double>(mapBytes);
    state.counters["items"] = map.doc.ItemCount;
}

} // namespace

BENCHMARK(BM_BigMapHundredDragsUndone)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return runBenchmarksWithFonts(argc, argv);
}
