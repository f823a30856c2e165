#pragma once

#include "document/map_document.h"
#include "render/line_raster.h"

#include <QImage>
#include <QRegion>

#include <cstdint>
#include <optional>
#include <vector>

namespace grivendale {

// A background line as a composition places it: its entry's slot and origin, the line and
// its raster.
struct PlacedLine {
    std::int32_t slot = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    const MapLine* line = nullptr;
    const LineRaster* raster = nullptr;
};

// Layers 1 to 3 of a composition (the background picture, the background lines, the fills),
// kept from one composition to the next and recomputed only where they can change.
//
// A background line's pixels depend on that line alone, so the lines change the picture
// under the fills only within the old and new extents of the lines that changed. A fill
// paints the area of its seed's colour around the seed; that area stays the same as long as
// the seed, the pixels of the area and those bounding it (the area grown by one pixel) are
// as they were. So a fill is replayed only when it changed, or when its area grown by one
// pixel meets what changed before it: those lines, and the old and new areas of the fills
// replayed before it. Fills are replayed in order on the surface as it stood before them,
// which is had back by taking the fills off in reverse order (each painted area was all of
// the colour it replaced); those not replayed are painted back from their recorded runs.
class BaseLayers {
public:
    // Forgets everything: the next update composes the base from scratch.
    void invalidate() { valid_ = false; }

    // Brings the base up to date with the background, the background lines (in slot order)
    // and the fills. Returns where it may have changed; nothing when it was composed from
    // scratch.
    std::optional<QRegion> update(const QImage& background, const std::vector<PlacedLine>& lines,
                                  const MapDocument& doc);

    const QImage& image() const { return image_; }

    // Hands the pixels over (to become the surface of a first composition, which needs no base
    // of its own). The next update builds them again from what it recorded, exactly as they
    // were, before it brings them up to date.
    QImage release();

private:
    struct DrawnLine {
        std::int32_t slot = 0;
        std::int32_t x = 0;
        std::int32_t y = 0;
        MapLine line;
        QRect extent;
    };

    // What one fill did: the colour it replaced (the raw pixel), the runs it painted and their
    // bounds; no runs when it was skipped or changed nothing.
    struct DrawnFill {
        FillPoint fill;
        QRgb replaced = 0;
        std::vector<Span> runs;
        QRect bounds;
    };

    // Where the lines changed the picture under the fills; nothing when no line changed.
    std::optional<QRegion> lineChanges(const std::vector<PlacedLine>& lines) const;
    void drawLines(const QImage& background, const std::vector<PlacedLine>& lines,
                   const QRegion& region);
    void rebuild(const QImage& background);
    DrawnFill replay(const FillPoint& fill);
    void paint(const std::vector<Span>& runs, QRgb colour);

    QImage image_;
    std::vector<DrawnLine> lines_;
    std::vector<DrawnFill> fills_; // Fills[1..] at index k - 1
    bool valid_ = false;
};

} // namespace grivendale
