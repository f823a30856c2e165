#include "render/scene.h"

#include "document/picto_library.h"
#include "render/flood_fill.h"
#include "render/line_draw.h"
#include "render/picto_draw.h"
#include "render/surface_areas.h"
#include "render/surface_buffer.h"
#include "render/text_draw.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <utility>

namespace grivendale {

namespace {

// The line an entry draws in the given pass, or nullptr. Loading keeps live entries pointing
// at live, consistent lines; the checks here keep a hand-built document from crashing us.
const MapLine* lineOfEntry(const MapDocument& doc, const MapItem& entry, bool backgroundPass) {
    const MapLine* line = doc.line(entry.RefIndex);
    if (!line || line->InUse == kFalse || !line->pointsConsistent())
        return nullptr;
    return (line->InBackground != 0) == backgroundPass ? line : nullptr;
}

// Makes `target` a copy of `source` in a buffer of its own, reusing the one it has.
void deepAssign(QImage& target, const QImage& source) {
    if (target.size() == source.size() && target.format() == source.format() &&
        target.isDetached() && target.bytesPerLine() == source.bytesPerLine()) {
        std::memcpy(target.bits(), source.constBits(),
                    static_cast<std::size_t>(source.sizeInBytes()));
        target.setDotsPerMeterX(source.dotsPerMeterX());
        target.setDotsPerMeterY(source.dotsPerMeterY());
    } else {
        target = copyToNewSurface(source);
    }
}

qint64 areaOf(const QRegion& region) {
    qint64 area = 0;
    for (const QRect& r : region)
        area += qint64{r.width()} * r.height();
    return area;
}

// An item's pixels within the surface, from 64-bit corners (right and bottom excluded).
QRect clampedRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                  const QRect& surface) {
    const auto clampTo = [](std::int64_t v, int lo, int hi) {
        return static_cast<int>(std::clamp<std::int64_t>(v, lo, hi));
    };
    const int l = clampTo(left, surface.left(), surface.right() + 1);
    const int r = clampTo(right, surface.left(), surface.right() + 1);
    const int t = clampTo(top, surface.top(), surface.bottom() + 1);
    const int b = clampTo(bottom, surface.top(), surface.bottom() + 1);
    return r > l && b > t ? QRect(l, t, r - l, b - t) : QRect();
}

// Past this many changed items at once (a map loaded, everything cleared) the whole surface is
// composed again rather than piece by piece.
constexpr std::size_t kMostPiecewiseChanges = 64;

} // namespace

Scene::Scene() {
    setBackground(QImage());
}

void Scene::setBackground(const QImage& picture, QSize fallbackSize) {
    if (picture.isNull()) {
        background_ = QImage(fallbackSize, QImage::Format_RGB32);
        background_.fill(kWindowBackground);
    } else {
        background_ = picture.convertToFormat(QImage::Format_RGB32);
    }
    layers_.invalidate();
    surfaceKnown_ = false;
    drawn_.clear();
    // Shared with the background until first written: a map loaded and composed at once never
    // pays for these copies.
    surface_ = background_;
    canvas_ = background_;
    plainBase_ = QImage();
    surfaceChanges_ = QRegion();
    canvasMarks_ = QRegion();
    canvasChanges_ = QRegion(canvas_.rect());
}

void Scene::setCacheEnabled(bool enabled) {
    cacheEnabled_ = enabled;
    layers_ = BaseLayers();
    plainBase_ = QImage();
    surfaceKnown_ = false;
    if (!enabled)
        rasters_.clear();
}

const LineRaster& Scene::rasterFor(std::int32_t slot, const MapLine& line) {
    auto found = rasters_.find(slot);
    if (found != rasters_.end()) {
        const MapLine& seen = found->second.line;
        if (seen.Width == line.Width && seen.Smooth == line.Smooth &&
            seen.PointCount == line.PointCount && seen.PointX == line.PointX &&
            seen.PointY == line.PointY)
            return found->second.raster;
    }
    CachedRaster& entry = rasters_[slot];
    entry.line = line;
    entry.raster = rasterizeLine(line);
    return entry.raster;
}

std::vector<PlacedLine> Scene::backgroundLines(const MapDocument& doc) {
    std::vector<PlacedLine> lines;
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const MapItem& entry = doc.Items[static_cast<std::size_t>(i)];
        if (entry.InUse == kFalse || !entry.isLineEntry())
            continue;
        if (const MapLine* line = lineOfEntry(doc, entry, true))
            lines.push_back({i, entry.X, entry.Y, line, &rasterFor(entry.RefIndex, *line)});
    }
    return lines;
}

void Scene::composeBase(QImage& target, MapDocument& doc) {
    deepAssign(target, background_);
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const MapItem& entry = doc.Items[static_cast<std::size_t>(i)];
        if (entry.InUse == kFalse || !entry.isLineEntry())
            continue;
        if (const MapLine* line = lineOfEntry(doc, entry, true))
            drawRaster(target, rasterizeLine(*line), entry.X, entry.Y, line->Color);
    }
    FillOut(target, doc);
}

void Scene::drawItem(QImage& target, QPoint offset, MapDocument& doc, std::int32_t slot,
                     const PictoLibrary& library) {
    MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
    if (item.InUse == kFalse)
        return;
    // Only items that reach the target are drawn with an offset, so these sums stay small.
    const int x = item.X + offset.x();
    const int y = item.Y + offset.y();
    if (item.isLineEntry()) {
        if (const MapLine* line = lineOfEntry(doc, item, false)) {
            if (cacheEnabled_)
                drawRaster(target, rasterFor(item.RefIndex, *line), x, y, line->Color);
            else
                drawRaster(target, rasterizeLine(*line), x, y, line->Color);
        }
    } else if (item.IsText == kTrue) {
        if (offset.isNull()) {
            drawTextItem(target, item);
        } else {
            // Glyphs are placed by rounding their position, and rounding does not commute with
            // a shift when the position turns negative: a label is drawn at its own place on
            // the surface, clipped to the window's area.
            QPainter painter(&surface_);
            painter.setClipRect(QRect(-offset, target.size()));
            drawTextItem(painter, item);
        }
    } else if (const PictoEntry* picto = library.entry(item.RefIndex)) {
        const PictoBounds corner = pictoBounds(*picto, item.X, item.Y);
        drawPictoAt(target, *picto, corner.left + offset.x(), corner.top + offset.y());
    }
}

Scene::DrawnItem Scene::drawnItem(MapDocument& doc, std::int32_t slot,
                                  const PictoLibrary& library) {
    MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
    DrawnItem drawn{item, std::nullopt, QRect()};
    if (item.InUse == kFalse)
        return drawn;
    const QRect bounds = surface_.rect();
    if (item.isLineEntry()) {
        if (const MapLine* line = lineOfEntry(doc, item, false)) {
            drawn.line = *line;
            const LineRaster& raster =
                cacheEnabled_ ? rasterFor(item.RefIndex, *line) : rasterizeLine(*line);
            drawn.extent = rasterBounds(raster, item.X, item.Y, bounds);
        }
    } else if (item.IsText == kTrue) {
        // Measured here as drawing would, so a label off the surface has its extent too.
        const QRectF reach = measureTextItem(item, surface_) & QRectF(bounds);
        drawn.item.Width = item.Width;
        drawn.item.Height = item.Height;
        drawn.extent = reach.isEmpty() ? QRect() : reach.toAlignedRect() & bounds;
    } else if (const PictoEntry* picto = library.entry(item.RefIndex)) {
        const PictoBounds b = pictoBounds(*picto, item.X, item.Y);
        drawn.extent = clampedRect(b.left, b.top, b.right, b.bottom, bounds);
    }
    return drawn;
}

namespace {

// Whether two records draw the same pixels. A text's extent is an output of drawing it, not
// an input, so it does not count.
bool drawsTheSame(const MapItem& a, const MapItem& b) {
    if (a.InUse == kFalse && b.InUse == kFalse)
        return true;
    if (a.InUse != b.InUse || a.Size != b.Size || a.IsText != b.IsText || a.X != b.X ||
        a.Y != b.Y || a.RefIndex != b.RefIndex)
        return false;
    if (a.isLineEntry() || a.IsText != kTrue)
        return true;
    return a.Color == b.Color && a.Text == b.Text && a.FontName == b.FontName && a.Bold == b.Bold &&
           a.Italic == b.Italic && a.Underline == b.Underline;
}

} // namespace

bool Scene::drawsAsBefore(const DrawnItem& before, const MapDocument& doc,
                          std::int32_t slot) const {
    const MapItem& now = doc.Items[static_cast<std::size_t>(slot)];
    if (!drawsTheSame(before.item, now))
        return false;
    if (now.InUse == kFalse || !now.isLineEntry())
        return true;
    const MapLine* line = lineOfEntry(doc, now, false);
    return line ? before.line && *before.line == *line : !before.line.has_value();
}

std::optional<QRegion> Scene::itemChanges(MapDocument& doc, const PictoLibrary& library) {
    const std::size_t known = drawn_.size();
    const auto count = static_cast<std::size_t>(std::max(0, doc.ItemCount));
    std::vector<std::int32_t> changed;
    for (std::size_t slot = 1; slot <= std::max(known, count); ++slot) {
        const auto s = static_cast<std::int32_t>(slot);
        if (slot <= known && slot <= count && drawsAsBefore(drawn_[slot - 1], doc, s)) {
            // A label keeps the extent it was measured with when it was drawn.
            MapItem& item = doc.Items[slot];
            if (item.InUse != kFalse && item.IsText == kTrue && !item.isLineEntry()) {
                item.Width = drawn_[slot - 1].item.Width;
                item.Height = drawn_[slot - 1].item.Height;
            }
            continue;
        }
        changed.push_back(s);
        if (changed.size() > kMostPiecewiseChanges)
            return std::nullopt;
    }
    QRegion region;
    drawn_.resize(std::max(known, count));
    for (const std::int32_t slot : changed) {
        DrawnItem& entry = drawn_[static_cast<std::size_t>(slot) - 1];
        region |= entry.extent; // where it was
        if (static_cast<std::size_t>(slot) <= count) {
            entry = drawnItem(doc, slot, library);
            region |= entry.extent; // where it is now
        }
    }
    drawn_.resize(count);
    return region;
}

void Scene::recomposeAll(MapDocument& doc, const PictoLibrary& library, bool baseFresh) {
    if (baseFresh && (surface_.size() != base().size() || !surface_.isDetached())) {
        // A first composition (a map loaded): the surface would be a new buffer copied from
        // the base, which is not needed before the first frame. The base hands its pixels
        // over and builds them again at the next composition.
        surface_ = layers_.release();
    } else {
        deepAssign(surface_, base());
    }
    if (cacheEnabled_) {
        drawn_.clear();
        for (std::int32_t slot = 1; slot <= doc.ItemCount; ++slot)
            drawn_.push_back(drawnItem(doc, slot, library));
    }
    for (std::int32_t slot = 1; slot <= doc.ItemCount; ++slot)
        drawItem(surface_, QPoint(), doc, slot, library);
    surfaceChanges_ = QRegion(surface_.rect());
}

void Scene::recompose(const QRegion& region, MapDocument& doc, const PictoLibrary& library) {
    ownPixels(surface_);
    const QRect bounds = surface_.rect();
    for (const QRect& piece : region) {
        const QRect area = piece & bounds;
        if (area.isEmpty())
            continue;
        copyRect(surface_, base(), area);
        QImage window = windowOnto(surface_, area);
        for (std::int32_t slot = 1; slot <= doc.ItemCount; ++slot) {
            if (drawn_[static_cast<std::size_t>(slot) - 1].extent.intersects(area))
                drawItem(window, -area.topLeft(), doc, slot, library);
        }
        surfaceChanges_ |= area;
    }
}

void Scene::DrawScene(MapDocument& doc, const PictoLibrary& library, bool rebuildBackground) {
    if (!rebuildBackground) {
        ownPixels(surface_);
        for (std::int32_t slot = 1; slot <= doc.ItemCount; ++slot)
            drawItem(surface_, QPoint(), doc, slot, library);
        surfaceKnown_ = false; // items drawn twice
        surfaceChanges_ = QRegion(surface_.rect());
    } else if (!cacheEnabled_) {
        composeBase(plainBase_, doc);
        recomposeAll(doc, library);
    } else {
        bool whole =
            !surfaceKnown_ || &library != library_ || library.revision() != libraryRevision_;
        library_ = &library;
        libraryRevision_ = library.revision();
        std::optional<QRegion> baseChanges = layers_.update(background_, backgroundLines(doc), doc);
        const bool baseFresh = !baseChanges;
        whole = whole || baseFresh;
        QRegion changes = std::move(baseChanges).value_or(QRegion());
        if (!whole) {
            const std::optional<QRegion> items = itemChanges(doc, library);
            if (items)
                changes |= *items;
            else
                whole = true;
        }
        if (whole || areaOf(changes) * 2 > qint64{surface_.width()} * surface_.height())
            recomposeAll(doc, library, baseFresh);
        else
            recompose(changes, doc, library);
        surfaceKnown_ = true;
    }
    Flip();
}

void Scene::Flip() {
    if (canvas_.size() != surface_.size() || !canvas_.isDetached()) {
        // The canvas shares the surface's pixels until either is written (a mark, the next
        // composition), so the first frame costs no copy; from then on each has a buffer of
        // its own and is written in place.
        canvas_ = surface_;
        canvasChanges_ = QRegion(canvas_.rect());
    } else {
        const QRegion changes = surfaceChanges_ | canvasMarks_;
        for (const QRect& area : changes)
            copyRect(canvas_, surface_, area & canvas_.rect());
        canvasChanges_ |= changes;
    }
    surfaceChanges_ = QRegion();
    canvasMarks_ = QRegion();
}

QImage& Scene::canvas() {
    ownPixels(canvas_); // marks are drawn on it next
    return canvas_;
}

void Scene::canvasMarked(const QRect& area) {
    const QRect marked = area & canvas_.rect();
    canvasMarks_ |= marked;
    canvasChanges_ |= marked;
}

QRegion Scene::takeCanvasChanges() {
    return std::exchange(canvasChanges_, QRegion());
}

} // namespace grivendale
