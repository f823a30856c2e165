#pragma once

#include <QImage>

#include <cstdint>

namespace grivendale {

struct PictoEntry;

// Draws a pictogram at its own size, centred on (x, y), onto a Format_RGB32 surface. Pixels
// of alpha 0 are skipped; a PNG pictogram blends the others with the surface as
// (S * A + D * (255 - A)) / 256 per component, so even an opaque component 255 comes out as
// 254; any other pictogram draws every non-zero-alpha pixel opaque in its own colour. What
// falls outside the surface is clipped.
void DrawPicto(QImage& surface, const PictoEntry& entry, std::int32_t x, std::int32_t y);

// The pixels DrawPicto covers, as (left, top, right + 1, bottom + 1); 64-bit, since a damaged
// file's coordinates can put them beyond any surface.
struct PictoBounds {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
};
PictoBounds pictoBounds(const PictoEntry& entry, std::int32_t x, std::int32_t y);
// The same drawing with the top-left corner given: the centre's rounding (half to even) does
// not follow a shift of the surface, the corner does.
void drawPictoAt(QImage& surface, const PictoEntry& entry, std::int64_t left, std::int64_t top);

} // namespace grivendale
