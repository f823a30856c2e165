#pragma once

#include "document/map_document.h"

#include <cstddef>
#include <utility>
#include <vector>

// One step of the editing session: only what differs between two states of a map, slot by
// slot, so that a drag on a map of thousands of elements keeps two records, not two maps.

namespace grivendale {

template <typename T> struct SlotChanges {
    std::size_t sizeBefore = 0, sizeAfter = 0;
    std::vector<std::pair<std::size_t, T>> before, after; // the slots that differ, each side
};

struct MapStep {
    QString backgroundBefore, backgroundAfter; // both null when the path did not change
    std::int32_t itemCount[2] = {}, fillCount[2] = {}, lineCount[2] = {}, historyCount[2] = {};
    SlotChanges<MapItem> items;
    SlotChanges<FillPoint> fills;
    SlotChanges<MapLine> lines;
    SlotChanges<HistoryEntry> history;

    bool empty() const;
    // About what the step keeps in memory.
    std::size_t bytes() const;
};

MapStep diffMaps(const MapDocument& before, const MapDocument& after);

// Puts the document in the step's state before it (undo) or after it (redo). The document
// must be in the other state: the slots the step does not name are left as they are.
void applyStep(MapDocument& doc, const MapStep& step, bool after);

} // namespace grivendale
