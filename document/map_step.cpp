#include "document/map_step.h"

#include <algorithm>

namespace grivendale {

namespace {

template <typename T>
SlotChanges<T> diffSlots(const std::vector<T>& before, const std::vector<T>& after) {
    SlotChanges<T> changes{before.size(), after.size(), {}, {}};
    const std::size_t common = std::min(before.size(), after.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (!(before[i] == after[i])) {
            changes.before.emplace_back(i, before[i]);
            changes.after.emplace_back(i, after[i]);
        }
    }
    for (std::size_t i = common; i < before.size(); ++i)
        changes.before.emplace_back(i, before[i]);
    for (std::size_t i = common; i < after.size(); ++i)
        changes.after.emplace_back(i, after[i]);
    return changes;
}

template <typename T>
void applySlots(std::vector<T>& slots, const SlotChanges<T>& changes, bool after) {
    slots.resize(after ? changes.sizeAfter : changes.sizeBefore);
    for (const auto& [index, value] : after ? changes.after : changes.before)
        slots[index] = value;
}

std::size_t textBytes(const QString& text) {
    return static_cast<std::size_t>(text.size()) * sizeof(QChar);
}

template <typename T> std::size_t slotBytes(const SlotChanges<T>& changes) {
    std::size_t bytes =
        (changes.before.size() + changes.after.size()) * sizeof(std::pair<std::size_t, T>);
    for (const auto* side : {&changes.before, &changes.after}) {
        for (const auto& [index, value] : *side) {
            if constexpr (std::is_same_v<T, MapItem>)
                bytes += textBytes(value.Text) + textBytes(value.FontName);
            if constexpr (std::is_same_v<T, MapLine>)
                bytes += (value.PointX ? value.PointX->size() : 0) * 4 +
                         (value.PointY ? value.PointY->size() : 0) * 4;
        }
    }
    return bytes;
}

} // namespace

bool MapStep::empty() const {
    return backgroundBefore.isNull() && itemCount[0] == itemCount[1] &&
           fillCount[0] == fillCount[1] && lineCount[0] == lineCount[1] &&
           historyCount[0] == historyCount[1] && items.before.empty() && items.after.empty() &&
           items.sizeBefore == items.sizeAfter && fills.before.empty() && fills.after.empty() &&
           fills.sizeBefore == fills.sizeAfter && lines.before.empty() && lines.after.empty() &&
           lines.sizeBefore == lines.sizeAfter && history.before.empty() && history.after.empty() &&
           history.sizeBefore == history.sizeAfter;
}

std::size_t MapStep::bytes() const {
    return sizeof(MapStep) + textBytes(backgroundBefore) + textBytes(backgroundAfter) +
           slotBytes(items) + slotBytes(fills) + slotBytes(lines) + slotBytes(history);
}

MapStep diffMaps(const MapDocument& before, const MapDocument& after) {
    MapStep step;
    if (before.BackgroundPath != after.BackgroundPath) {
        step.backgroundBefore = before.BackgroundPath;
        step.backgroundAfter = after.BackgroundPath;
    }
    step.itemCount[0] = before.ItemCount;
    step.itemCount[1] = after.ItemCount;
    step.fillCount[0] = before.FillCount;
    step.fillCount[1] = after.FillCount;
    step.lineCount[0] = before.LineCount;
    step.lineCount[1] = after.LineCount;
    step.historyCount[0] = before.HistoryCount;
    step.historyCount[1] = after.HistoryCount;
    step.items = diffSlots(before.Items, after.Items);
    step.fills = diffSlots(before.Fills, after.Fills);
    step.lines = diffSlots(before.Lines, after.Lines);
    step.history = diffSlots(before.History, after.History);
    return step;
}

void applyStep(MapDocument& doc, const MapStep& step, bool after) {
    const int side = after ? 1 : 0;
    if (!step.backgroundBefore.isNull())
        doc.BackgroundPath = after ? step.backgroundAfter : step.backgroundBefore;
    doc.ItemCount = step.itemCount[side];
    doc.FillCount = step.fillCount[side];
    doc.LineCount = step.lineCount[side];
    doc.HistoryCount = step.historyCount[side];
    applySlots(doc.Items, step.items, after);
    applySlots(doc.Fills, step.fills, after);
    applySlots(doc.Lines, step.lines, after);
    applySlots(doc.History, step.history, after);
}

} // namespace grivendale
