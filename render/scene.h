#pragma once

#include "document/map_document.h"
#include "render/line_raster.h"

#include <QImage>

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
// and the fill list, so they are kept in a cache whose key is derived from that data on every
// composition. The foreground is cached too, as a prefix: the picture of the base with items
// 1..n drawn, where n stops before the first item that changed since the last composition.
// A drag step then costs one copy and the items from the dragged one upwards. Both caches
// compare the data itself, so no caller has to say what it changed.
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
    QImage& canvas() { return canvas_; }
    QSize size() const { return surface_.size(); }

    // The cache is on by default; switching it off recomposes every layer at every rebuild.
    void setCacheEnabled(bool enabled);

private:
    // An item as it was last drawn, with the line a line entry drew.
    struct DrawnItem {
        MapItem item;
        std::optional<MapLine> line;
    };

    struct CachedRaster {
        MapLine line; // the line as it was when rasterized (colour and origin do not matter)
        LineRaster raster;
    };

    const LineRaster& rasterFor(std::int32_t slot, const MapLine& line);
    void composeBase(MapDocument& doc);
    std::vector<std::int64_t> baseKey(const MapDocument& doc) const;
    void drawItem(QImage& target, MapDocument& doc, std::int32_t slot, const PictoLibrary& library);
    void drawItems(QImage& target, MapDocument& doc, std::int32_t first, std::int32_t last,
                   const PictoLibrary& library);
    std::int32_t firstChangedItem(const MapDocument& doc) const;
    DrawnItem drawnItem(const MapDocument& doc, std::int32_t slot) const;
    void composeCached(MapDocument& doc, const PictoLibrary& library, bool baseRebuilt);

    QImage background_; // the base picture, Format_RGB32
    QImage base_;       // layers 1 to 3 as last composed
    QImage surface_;
    QImage canvas_;
    std::uint64_t backgroundSerial_ = 0;
    std::vector<std::int64_t> baseKey_;
    bool baseValid_ = false;
    bool cacheEnabled_ = true;
    std::unordered_map<std::int32_t, CachedRaster> rasters_;

    QImage prefix_;                 // the base with items 1..prefixCount_ drawn
    std::int32_t prefixCount_ = -1; // -1: no prefix
    std::vector<DrawnItem> drawn_;  // slots 1..n of the last composition, at index slot - 1
    std::uint64_t libraryRevision_ = 0;
    const PictoLibrary* library_ = nullptr;
};

} // namespace grivendale
