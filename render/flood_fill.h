#pragma once

#include "document/map_document.h"
#include "render/line_raster.h"

#include <QImage>
#include <QRgb>

#include <vector>

// Flood fills: the single fill operation and the replay of a map's fills.

namespace grivendale {

// Paints newColor over every pixel that has exactly the seed's 32-bit colour and is joined
// to the seed through such pixels by horizontal or vertical steps. A seed outside the
// surface, or one already in newColor, changes nothing. The surface is expected in
// Format_RGB32; another format is converted to it first.
void floodFill(QImage& surface, int x, int y, QRgb newColor);
// The same fill, appending each run it paints to `painted` (rows in no particular order).
void floodFill(QImage& surface, int x, int y, QRgb newColor, std::vector<Span>& painted);

// Replays Fills[1..FillCount] in order. Each fill replaces the colour its seed shows at
// that moment; seeds on black pixels are skipped.
void FillOut(QImage& surface, const MapDocument& doc);

} // namespace grivendale
