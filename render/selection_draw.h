#pragma once

#include "document/map_document.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <functional>
#include <optional>

// The marks of the selected element, drawn straight onto the canvas after each presentation:
// eight red squares around its box and, for a line, a black square on each of its points.

namespace grivendale {

struct PictoSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// The size of pictogram `number` of the library, or nothing when the library has no such entry.
using PictoSizeLookup = std::function<std::optional<PictoSize>(std::int32_t number)>;

// 0x00BBGGRR colours of the marks.
inline constexpr std::uint32_t kFrameMarkColor = 0x000000FF;
inline constexpr std::uint32_t kPointMarkColor = 0x00000000;

// Draws the marks of item slot `selectedItem`; nothing when it names no slot 1..ItemCount, or
// a pictogram the library does not hold. A removed element still in its slot gets its marks
// from the fields the slot holds. Returns a rectangle holding every pixel drawn (empty when
// none), clipped to the canvas.
QRect DrawSelect(QImage& canvas, const MapDocument& doc, std::int32_t selectedItem,
                 const PictoSizeLookup& pictoSize);

// The border pixels of the whole-pixel box spanned by two corners, both included; corners at
// half pixels go to the even neighbour. Clipped to the canvas, never antialiased.
void drawRectOutline(QImage& canvas, double x1, double y1, double x2, double y2, QRgb color);

} // namespace grivendale
