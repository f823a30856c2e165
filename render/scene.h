#pragma once

#include "document/map_document.h"
#include "render/base_layers.h"
#include "render/line_raster.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace grivendale {

class PictoLibrary;

// The window-background colour an empty map composes to when there is no background picture.
inline constexpr QRgb kWindowBackground = 0xFFF0F0F0;
inline constexpr int kDefaultSurfaceWidth = 800;
inline constexpr int kDefaultSurfaceHeight = 600;

// The composition surface and the canvas image it is presented on.
//
// Layers, bottom to top: the background picture, the background lines, the fills, then every
// live item in slot order. The first three depend only on the background, the background lines
// and the fill list; they are kept as the base picture (BaseLayers), which compares that data
// with what it last drew at every composition and says where it changed. Each item's effect on
// a pixel depends on that pixel and the item alone, so a composition redraws only where
// something changed: where the base changed and where a changed item was or is now, clipped to
// those places, every item that reaches there being drawn again in slot order. Both the base
// and the item comparison look at the data itself, so no caller has to say what it changed.
//
// Surfaces kept, each the size of the map: the background picture, the base, the surface and
// the canvas. A first composition leaves the base and the canvas to the next one: the surface
// takes the base's pixels and the canvas shares the surface's until either is written.
class Scene {
public:
    Scene();

    // Makes `picture` the base picture (null: a plain surface of `fallbackSize` in the window
    // colour) and resets the surface and the canvas to it.
    void setBackground(const QImage& picture,
                       QSize fallbackSize = {kDefaultSurfaceWidth, kDefaultSurfaceHeight});
    const QImage& background() const { return background_; }

    // Composes the map. With `rebuildBackground` the surface restarts from the three base
    // layers; without it the foreground is drawn again over whatever the surface holds.
    // Text items get their measured Width and Height stored. Ends with Flip().
    void DrawScene(MapDocument& doc, const PictoLibrary& library, bool rebuildBackground);
    // Copies the surface onto the canvas; marks drawn on the canvas since are gone.
    void Flip();

    const QImage& surface() const { return surface_; }
    const QImage& canvas() const { return canvas_; }
    // For marks only, and each drawing of marks is told with canvasMarked(), so the next Flip
    // wipes them.
    QImage& canvas();
    void canvasMarked(const QRect& area);
    // What changed on the canvas since the last call: a view repaints only that.
    QRegion takeCanvasChanges();
    QSize size() const { return surface_.size(); }

    // The cache is on by default; switching it off recomposes every layer at every rebuild.
    void setCacheEnabled(bool enabled);

private:
    // An item as it was last drawn, with the line a line entry drew and the pixels it can
    // reach on the surface (empty: none).
    struct DrawnItem {
        MapItem item;
        std::optional<MapLine> line;
        QRect extent;
    };

    struct CachedRaster {
        MapLine line; // the line as it was when rasterized (colour and origin do not matter)
        LineRaster raster;
    };

    const LineRaster& rasterFor(std::int32_t slot, const MapLine& line);
    void composeBase(QImage& target, MapDocument& doc);
    std::vector<PlacedLine> backgroundLines(const MapDocument& doc);
    const QImage& base() const { return cacheEnabled_ ? layers_.image() : plainBase_; }
    void drawItem(QImage& target, QPoint offset, MapDocument& doc, std::int32_t slot,
                  const PictoLibrary& library);
    // Measures a label on the way, as drawing it would.
    DrawnItem drawnItem(MapDocument& doc, std::int32_t slot, const PictoLibrary& library);
    bool drawsAsBefore(const DrawnItem& before, const MapDocument& doc, std::int32_t slot) const;
    // Where changed items were and are now, with drawn_ brought up to date; nothing when so
    // many changed that composing everything again is simpler.
    std::optional<QRegion> itemChanges(MapDocument& doc, const PictoLibrary& library);
    // With `baseFresh`, the base was just composed and may become the surface itself.
    void recomposeAll(MapDocument& doc, const PictoLibrary& library, bool baseFresh = false);
    void recompose(const QRegion& region, MapDocument& doc, const PictoLibrary& library);

    QImage background_; // the base picture, Format_RGB32
    BaseLayers layers_; // layers 1 to 3, kept from one composition to the next
    QImage plainBase_;  // the same, composed from scratch each time, without the cache
    QImage surface_;
    QImage canvas_;
    bool cacheEnabled_ = true;
    std::unordered_map<std::int32_t, CachedRaster> rasters_;

    // The surface is exactly the base with drawn_ drawn on it.
    bool surfaceKnown_ = false;
    std::vector<DrawnItem> drawn_; // slots 1..n of the last composition, at index slot - 1
    std::uint64_t libraryRevision_ = 0;
    const PictoLibrary* library_ = nullptr;

    QRegion surfaceChanges_; // since the last Flip
    QRegion canvasMarks_;    // marks drawn on the canvas since the last Flip
    QRegion canvasChanges_;  // since the last takeCanvasChanges
};

} // namespace grivendale
