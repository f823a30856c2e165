#pragma once

#include "document/map_document.h"
#include "document/text_style.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include <cstdint>

class QPaintDevice;
class QPainter;

// Text labels: placing a new one, and drawing one centred on its point, which also measures it.

namespace grivendale {

// Point sizes outside this range (from a damaged or hostile map file) are drawn at the nearest
// bound: a label is never worth a crash or a glyph cache the size of a house.
inline constexpr double kMinTextPointSize = 1.0;
inline constexpr double kMaxTextPointSize = 500.0;

// Places a label in the first free item slot with the given style and colour (0x00BBGGRR),
// records it for undo and returns the slot. Its extent stays 0 until it is first drawn.
std::int32_t AddText(MapDocument& doc, const QString& str, std::int32_t x, std::int32_t y,
                     const TextStyle& style, std::uint32_t textColor);

// Labels are sized at this resolution whatever the surface's own (a background file's density
// metadata, the screen's): a label's pixels depend on its point size only.
inline constexpr double kTextDotsPerInch = 96.0;

// The font a label is drawn in on `device`, its size kept within the drawable range.
QFont fontForItem(const MapItem& item, const QPaintDevice& device);

// Measures the label on the surface, stores its extent into item.Width and item.Height, and
// paints its glyphs only, centred on (X, Y) by that extent.
void drawTextItem(QImage& surface, MapItem& item);
// The same with a painter already open on the surface; its state is restored afterwards.
void drawTextItem(QPainter& painter, MapItem& item);

// Measures the label as drawTextItem does, storing its extent, and returns a rectangle that
// holds every pixel drawing it on `surface` can touch, with room to spare for slanted and
// synthesised styles and for antialiasing.
QRectF measureTextItem(MapItem& item, const QImage& surface);

} // namespace grivendale
