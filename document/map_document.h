#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The map being edited: background path, placed elements, fills, free lines and the undo stack.
//
// Every array is indexed from 0 and, once sized, holds slots 0..count; slot 0 is never used,
// so an index naming an element is at least 1 and -1 names nothing. Two operations lower a
// count without shrinking its array (undo of a fill, clear all); slots above a count are
// ignored. Field names and widths are those of the map file, which stores them byte for byte.

namespace grivendale {

// 16-bit booleans of the records.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

inline constexpr int kBackgroundPathLength = 500;

// A placed element: text label (IsText = -1), line entry (Size = -1) or pictogram.
struct MapItem {
    std::int16_t InUse = 0;
    std::int32_t RefIndex = 0; // pictogram number, line slot, or 0 for a text
    std::int32_t X = 0;        // centre; left edge of the box for a line entry
    std::int32_t Y = 0;
    std::int16_t Reserved = 0;
    std::int16_t IsText = 0;
    std::int16_t Size = 0;   // text points; -1 for a line entry; 0 for a pictogram
    std::uint32_t Color = 0; // 0x00BBGGRR
    QString Text;
    QString FontName;
    std::int16_t Bold = 0;
    std::int16_t Italic = 0;
    std::int16_t Underline = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    bool isLive() const { return InUse != 0; }
    // The kind test order of the scene: Size first, so a record marked both ways is a line.
    bool isLineEntry() const { return Size == -1; }
    bool isText() const { return !isLineEntry() && IsText != 0; }
    bool isPicto() const { return !isLineEntry() && IsText == 0; }

    bool operator==(const MapItem&) const = default;
};

// A point array of a line: absent, or elements 0..n-1 where element 0 is never used.
using PointArray = std::optional<std::vector<std::int32_t>>;

struct MapLine {
    std::int16_t InUse = 0;
    std::int32_t Width = 0;
    std::int32_t PointCount = 0;
    PointArray PointX; // offsets from the entry's X once stored; absolute while being drawn
    PointArray PointY;
    std::uint32_t Color = 0;
    std::int32_t Smooth = 0;       // 0 or 1
    std::int32_t InBackground = 0; // 0 or 1

    bool isLive() const { return InUse != 0; }
    // Live lines keep PointCount equal to the highest slot of both arrays (loading repairs it).
    bool pointsConsistent() const {
        return PointX && PointY && PointCount >= 0 &&
               static_cast<std::int64_t>(PointX->size()) == std::int64_t{PointCount} + 1 &&
               static_cast<std::int64_t>(PointY->size()) == std::int64_t{PointCount} + 1;
    }

    bool operator==(const MapLine&) const = default;
};

struct FillPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::uint32_t Color = 0;

    bool operator==(const FillPoint&) const = default;
};

struct HistoryEntry {
    std::int32_t Kind = 0; // 0 = an addition, the only kind recorded
    std::int32_t ItemIndex = -1;
    std::int32_t FillIndex = -1;
    std::int32_t LineItemIndex = -1;

    bool operator==(const HistoryEntry&) const = default;
};

class MapDocument {
public:
    MapDocument();

    // Always exactly kBackgroundPathLength characters, padded with blanks.
    QString BackgroundPath;
    std::vector<MapItem> Items;
    std::int32_t ItemCount = 0;
    std::vector<FillPoint> Fills;
    std::int32_t FillCount = 0;
    std::vector<MapLine> Lines;
    std::int32_t LineCount = 0;
    std::vector<HistoryEntry> History;
    std::int32_t HistoryCount = 0;

    // The trimmed background path; empty when it is all blanks.
    QString backgroundFile() const;
    // Stores a path padded (or cut) to the fixed length.
    void setBackgroundFile(const QString& path);

    void PushHistory(std::int32_t kind, std::int32_t itemIndex, std::int32_t fillIndex,
                     std::int32_t lineItemIndex);
    // Removes the most recent addition. Returns true when something visible changed, so the
    // caller knows whether to redraw. Entries naming slots that no longer exist are dropped.
    bool Undo();

    // Takes the first free item slot (growing by one when none is free) and returns it.
    // The slot comes back as a clean record.
    std::int32_t takeItemSlot();
    std::int32_t AddPictoItem(std::int32_t refIndex, std::int32_t x, std::int32_t y);
    // Stores a finished line (at least two points, absolute coordinates) and its entry;
    // returns the entry's slot. Width and colour come with the line.
    std::int32_t AddLine(const MapLine& current, bool smooth, bool inBackground);
    // Appends a fill and its history entry; returns the fill slot.
    std::int32_t AddFill(std::int32_t x, std::int32_t y, std::uint32_t color);
    // The data half of clear all: counts to zero, arrays, path and history untouched.
    void clearAll();

    // Replaces what a map file holds (path, items, fills, lines), keeping history.
    void replaceContents(MapDocument&& loaded);

    // Live elements are those of slots 1..count whose InUse is set.
    const MapItem* item(std::int32_t slot) const;
    MapItem* item(std::int32_t slot);
    const MapLine* line(std::int32_t slot) const;
    MapLine* line(std::int32_t slot);
};

// Pads or cuts a path to the fixed background length.
QString padBackgroundPath(const QString& path);

} // namespace grivendale
