#pragma once

#include "document/map_document.h"
#include "render/line_raster.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

// Drawing rasterized lines onto a surface, and the feedback of the line under way.

namespace grivendale {

// Paints the raster with its origin at (originX, originY) in a 0x00BBGGRR colour, clipped
// to the surface. The surface is expected in Format_RGB32; another format is converted to
// it first.
void drawRaster(QImage& surface, const LineRaster& raster, int originX, int originY,
                std::uint32_t bgrColor);

// Rasterizes a stored line (curve or polyline) and paints it in its own colour.
void drawLine(QImage& surface, const MapLine& line, int originX, int originY);

// The pixels drawRaster paints for this raster at that origin, within `clip`; empty when none.
QRect rasterBounds(const LineRaster& raster, int originX, int originY, const QRect& clip);

// The number the line-width box starts with ("7 px" gives 7), rounded half-to-even;
// 0 when the text does not start with a number.
std::int32_t widthFromText(const QString& text);

// Draws the line under way (absolute points) as straight segments onto the canvas, and
// takes over the current line colour and the width of the width box on the way: each
// segment is drawn with the width the line held before that segment, so a changed width
// shows from the second segment on. Draws nothing with fewer than two points.
QRect DrawCurrentLine(QImage& canvas, MapLine& currentLine, std::uint32_t lineColor,
                      const QString& widthBoxText);

} // namespace grivendale
