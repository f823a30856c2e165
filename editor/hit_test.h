#pragma once

#include "document/map_document.h"
#include "document/picto_library.h"

#include <cstdint>

// Finding the element under the pointer: what a press of the select tool picks.

namespace grivendale {

// A pointer coordinate (or a sum with a stored one) as a whole pixel, halves to even. Sums
// with the coordinates of a hostile map can leave the 32-bit range, so they stop at its ends.
std::int32_t nearestPixel(double value);

// Distance from P to the segment AB, computed in single precision as the editor always has:
// a press 9.99 pixels away must hit or miss exactly as it did before.
float segmentDistance(std::int32_t px, std::int32_t py, std::int32_t ax, std::int32_t ay,
                      std::int32_t bx, std::int32_t by);

// A press on a line closer than this to one of its segments selects it.
inline constexpr float kSegmentReach = 10.0f;
// A press within this many pixels of a vertex on each axis grabs the vertex.
inline constexpr double kVertexReach = 4.0;
// A line's box is widened by this much before its segments are looked at.
inline constexpr double kLineBoxMargin = 5.0;

struct Hit {
    std::int32_t item = -1;  // item slot, -1 for none
    std::int32_t point = -1; // grabbed vertex of a line entry, -1 for none
};

// The element under (x, y). Pictograms and texts come first, from the highest slot down (the
// one drawn on top); lines only when none of them is hit. Boxes are open: a press exactly on
// the border misses. Pictograms the library does not hold and lines that cannot be read are
// passed over.
Hit hitTest(const MapDocument& doc, const PictoLibrary& library, double x, double y);

} // namespace grivendale
