#include "document/map_document.h"

#include <algorithm>
#include <limits>

namespace grivendale {

namespace {

// Grows an array to exactly count + 1 array. A slot reached again after its count was lowered
// comes back clean rather than with what it held before: a new element must never inherit
// another one's leftovers (a line entry keeping a stale text flag, say).
template <typename T> void growTo(std::vector<T>& array, std::int32_t count) {
    const auto wanted = static_cast<std::size_t>(count) + 1;
    array.resize(wanted);
    array[static_cast<std::size_t>(count)] = T{};
}

} // namespace

QString padBackgroundPath(const QString& path) {
    QString padded = path.left(kBackgroundPathLength);
    padded.append(QString(kBackgroundPathLength - padded.size(), QLatin1Char(' ')));
    return padded;
}

MapDocument::MapDocument() : BackgroundPath(kBackgroundPathLength, QLatin1Char(' ')) {}

QString MapDocument::backgroundFile() const {
    QString path = BackgroundPath;
    while (!path.isEmpty() && path.back() == QLatin1Char(' '))
        path.chop(1);
    return path;
}

void MapDocument::setBackgroundFile(const QString& path) {
    BackgroundPath = padBackgroundPath(path);
}

void MapDocument::PushHistory(std::int32_t kind, std::int32_t itemIndex, std::int32_t fillIndex,
                              std::int32_t lineItemIndex) {
    ++HistoryCount;
    growTo(History, HistoryCount);
    History[static_cast<std::size_t>(HistoryCount)] = {kind, itemIndex, fillIndex, lineItemIndex};
}

bool MapDocument::Undo() {
    if (HistoryCount <= 0)
        return false;
    bool changed = false;
    // The stack may hold entries from before a clear or a load: those naming a slot that is no
    // longer counted are dropped without touching anything.
    if (static_cast<std::size_t>(HistoryCount) < History.size()) {
        const HistoryEntry entry = History[static_cast<std::size_t>(HistoryCount)];
        if (entry.Kind == 0) {
            if (entry.FillIndex > -1 && FillCount > 0) {
                --FillCount; // the last fill goes, whatever slot the entry names
                changed = true;
            }
            if (entry.LineItemIndex > -1) {
                if (MapItem* lineEntry = item(entry.LineItemIndex)) {
                    lineEntry->InUse = kFalse; // the line itself stays live
                    changed = true;
                }
            }
            if (entry.ItemIndex > -1) {
                if (MapItem* added = item(entry.ItemIndex)) {
                    added->InUse = kFalse;
                    changed = true;
                }
            }
        }
    }
    --HistoryCount;
    return changed;
}

std::int32_t MapDocument::takeItemSlot() {
    for (std::int32_t slot = 1; slot <= ItemCount; ++slot) {
        if (Items[static_cast<std::size_t>(slot)].InUse == kFalse) {
            Items[static_cast<std::size_t>(slot)] = MapItem{};
            return slot;
        }
    }
    ++ItemCount;
    growTo(Items, ItemCount);
    return ItemCount;
}

std::int32_t MapDocument::AddPictoItem(std::int32_t refIndex, std::int32_t x, std::int32_t y) {
    const std::int32_t slot = takeItemSlot();
    MapItem& added = Items[static_cast<std::size_t>(slot)];
    added.InUse = kTrue;
    added.X = x;
    added.Y = y;
    added.IsText = kFalse;
    added.RefIndex = refIndex;
    added.Size = 0;
    PushHistory(0, slot, -1, -1);
    return slot;
}

std::int32_t MapDocument::AddLine(const MapLine& current, bool smooth, bool inBackground) {
    const std::int32_t slot = takeItemSlot();

    ++LineCount;
    growTo(Lines, LineCount);
    MapLine& stored = Lines[static_cast<std::size_t>(LineCount)];
    stored = current;
    stored.InUse = kTrue;
    stored.Smooth = smooth ? 1 : 0;
    stored.InBackground = inBackground ? 1 : 0;

    // The bounding box starts from the widest possible range so that maps of any size get a
    // true box (the entry's origin is the box's top-left corner).
    std::int32_t minX = std::numeric_limits<std::int32_t>::max();
    std::int32_t minY = std::numeric_limits<std::int32_t>::max();
    std::int32_t maxX = std::numeric_limits<std::int32_t>::min();
    std::int32_t maxY = std::numeric_limits<std::int32_t>::min();
    // The caller hands a consistent line: both arrays hold array 0..PointCount.
    for (std::int32_t k = 1; k <= stored.PointCount; ++k) {
        const std::int32_t px = (*stored.PointX)[static_cast<std::size_t>(k)];
        const std::int32_t py = (*stored.PointY)[static_cast<std::size_t>(k)];
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    for (std::int32_t k = 1; k <= stored.PointCount; ++k) {
        (*stored.PointX)[static_cast<std::size_t>(k)] -= minX;
        (*stored.PointY)[static_cast<std::size_t>(k)] -= minY;
    }

    MapItem& entry = Items[static_cast<std::size_t>(slot)];
    entry.Size = -1;
    entry.RefIndex = LineCount;
    entry.X = minX;
    entry.Y = minY;
    entry.Width = maxX - minX;
    entry.Height = maxY - minY;
    entry.InUse = kTrue;
    PushHistory(0, -1, -1, slot);
    return slot;
}

std::int32_t MapDocument::AddFill(std::int32_t x, std::int32_t y, std::uint32_t color) {
    ++FillCount;
    growTo(Fills, FillCount);
    Fills[static_cast<std::size_t>(FillCount)] = {x, y, color};
    PushHistory(0, -1, FillCount, -1);
    return FillCount;
}

void MapDocument::clearAll() {
    ItemCount = 0;
    FillCount = 0;
    LineCount = 0;
}

void MapDocument::replaceContents(MapDocument&& loaded) {
    BackgroundPath = std::move(loaded.BackgroundPath);
    Items = std::move(loaded.Items);
    ItemCount = loaded.ItemCount;
    Fills = std::move(loaded.Fills);
    FillCount = loaded.FillCount;
    Lines = std::move(loaded.Lines);
    LineCount = loaded.LineCount;
}

const MapItem* MapDocument::item(std::int32_t slot) const {
    if (slot < 1 || slot > ItemCount || static_cast<std::size_t>(slot) >= Items.size())
        return nullptr;
    return &Items[static_cast<std::size_t>(slot)];
}

MapItem* MapDocument::item(std::int32_t slot) {
    return const_cast<MapItem*>(std::as_const(*this).item(slot));
}

const MapLine* MapDocument::line(std::int32_t slot) const {
    if (slot < 1 || slot > LineCount || static_cast<std::size_t>(slot) >= Lines.size())
        return nullptr;
    return &Lines[static_cast<std::size_t>(slot)];
}

MapLine* MapDocument::line(std::int32_t slot) {
    return const_cast<MapLine*>(std::as_const(*this).line(slot));
}

} // namespace grivendale
