#include "render/scene.h"

#include "document/picto_library.h"
#include "render/flood_fill.h"
#include "render/line_draw.h"
#include "render/picto_draw.h"
#include "render/text_draw.h"

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

void appendLineKey(std::vector<std::int64_t>& key, const MapItem& entry, const MapLine& line) {
    key.push_back(entry.X);
    key.push_back(entry.Y);
    key.push_back(line.Width);
    key.push_back(line.Smooth);
    key.push_back(line.Color);
    key.push_back(line.PointCount);
    key.insert(key.end(), line.PointX->begin(), line.PointX->end());
    key.insert(key.end(), line.PointY->begin(), line.PointY->end());
}

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
    ++backgroundSerial_;
    baseValid_ = false;
    surface_ = background_;
    canvas_ = background_;
}

void Scene::setCacheEnabled(bool enabled) {
    cacheEnabled_ = enabled;
    baseValid_ = false;
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

std::vector<std::int64_t> Scene::baseKey(const MapDocument& doc) const {
    std::vector<std::int64_t> key;
    key.push_back(static_cast<std::int64_t>(backgroundSerial_));
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const MapItem& entry = doc.Items[static_cast<std::size_t>(i)];
        if (entry.InUse == kFalse || !entry.isLineEntry())
            continue;
        if (const MapLine* line = lineOfEntry(doc, entry, true))
            appendLineKey(key, entry, *line);
    }
    key.push_back(-1); // separates the lines from the fills
    for (std::int32_t k = 1; k <= doc.FillCount; ++k) {
        const FillPoint& fill = doc.Fills[static_cast<std::size_t>(k)];
        key.push_back(fill.X);
        key.push_back(fill.Y);
        key.push_back(fill.Color);
    }
    return key;
}

void Scene::composeBase(MapDocument& doc) {
    base_ = background_;
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const MapItem& entry = doc.Items[static_cast<std::size_t>(i)];
        if (entry.InUse == kFalse || !entry.isLineEntry())
            continue;
        if (const MapLine* line = lineOfEntry(doc, entry, true)) {
            const LineRaster raster =
                cacheEnabled_ ? rasterFor(entry.RefIndex, *line) : rasterizeLine(*line);
            drawRaster(base_, raster, entry.X, entry.Y, line->Color);
        }
    }
    FillOut(base_, doc);
}

void Scene::drawItem(QImage& target, MapDocument& doc, std::int32_t slot,
                     const PictoLibrary& library) {
    MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
    if (item.InUse == kFalse)
        return;
    if (item.isLineEntry()) {
        if (const MapLine* line = lineOfEntry(doc, item, false)) {
            if (cacheEnabled_)
                drawRaster(target, rasterFor(item.RefIndex, *line), item.X, item.Y, line->Color);
            else
                drawRaster(target, rasterizeLine(*line), item.X, item.Y, line->Color);
        }
    } else if (item.IsText == kTrue) {
        drawTextItem(target, item);
    } else if (const PictoEntry* picto = library.entry(item.RefIndex)) {
        DrawPicto(target, *picto, item.X, item.Y);
    }
}

void Scene::drawItems(QImage& target, MapDocument& doc, std::int32_t first, std::int32_t last,
                      const PictoLibrary& library) {
    for (std::int32_t slot = first; slot <= last; ++slot)
        drawItem(target, doc, slot, library);
}

Scene::DrawnItem Scene::drawnItem(const MapDocument& doc, std::int32_t slot) const {
    DrawnItem drawn{doc.Items[static_cast<std::size_t>(slot)], std::nullopt};
    if (drawn.item.InUse != kFalse && drawn.item.isLineEntry()) {
        if (const MapLine* line = lineOfEntry(doc, drawn.item, false))
            drawn.line = *line;
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

std::int32_t Scene::firstChangedItem(const MapDocument& doc) const {
    const auto known = static_cast<std::int32_t>(drawn_.size());
    const std::int32_t common = std::min(known, doc.ItemCount);
    for (std::int32_t slot = 1; slot <= common; ++slot) {
        const DrawnItem& before = drawn_[static_cast<std::size_t>(slot - 1)];
        const MapItem& now = doc.Items[static_cast<std::size_t>(slot)];
        if (!drawsTheSame(before.item, now))
            return slot;
        if (now.InUse != kFalse && now.isLineEntry()) {
            const MapLine* line = lineOfEntry(doc, now, false);
            if (line ? !before.line || *before.line != *line : before.line.has_value())
                return slot;
        }
    }
    return common + 1;
}

void Scene::composeCached(MapDocument& doc, const PictoLibrary& library, bool baseRebuilt) {
    if (baseRebuilt || &library != library_ || library.revision() != libraryRevision_) {
        prefixCount_ = -1;
        drawn_.clear();
        library_ = &library;
        libraryRevision_ = library.revision();
    }
    const std::int32_t changed = prefixCount_ < 0 ? 1 : firstChangedItem(doc);
    if (prefixCount_ < 0 || prefixCount_ >= changed) {
        prefix_ = base_;
        prefixCount_ = 0;
    }
    // The prefix grows over every unchanged item below the first changed one, so that the
    // next step of a drag starts right at the dragged item.
    const std::int32_t grow = std::min(changed - 1, doc.ItemCount);
    if (grow > prefixCount_) {
        drawItems(prefix_, doc, prefixCount_ + 1, grow, library);
        prefixCount_ = grow;
    }
    // Items of the prefix were measured when it was drawn; they keep those extents.
    for (std::int32_t slot = 1; slot <= prefixCount_; ++slot) {
        MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
        if (item.InUse != kFalse && item.IsText == kTrue && !item.isLineEntry() &&
            static_cast<std::size_t>(slot) <= drawn_.size()) {
            item.Width = drawn_[static_cast<std::size_t>(slot - 1)].item.Width;
            item.Height = drawn_[static_cast<std::size_t>(slot - 1)].item.Height;
        }
    }
    surface_ = prefix_;
    drawItems(surface_, doc, prefixCount_ + 1, doc.ItemCount, library);

    drawn_.resize(static_cast<std::size_t>(doc.ItemCount));
    for (std::int32_t slot = std::max(1, std::min(changed, prefixCount_ + 1));
         slot <= doc.ItemCount; ++slot)
        drawn_[static_cast<std::size_t>(slot - 1)] = drawnItem(doc, slot);
}

void Scene::DrawScene(MapDocument& doc, const PictoLibrary& library, bool rebuildBackground) {
    if (!rebuildBackground) {
        drawItems(surface_, doc, 1, doc.ItemCount, library);
    } else if (!cacheEnabled_) {
        composeBase(doc);
        surface_ = base_;
        drawItems(surface_, doc, 1, doc.ItemCount, library);
    } else {
        std::vector<std::int64_t> key = baseKey(doc);
        const bool rebuild = !baseValid_ || key != baseKey_;
        if (rebuild) {
            composeBase(doc);
            baseKey_ = std::move(key);
            baseValid_ = true;
        }
        composeCached(doc, library, rebuild);
    }
    Flip();
}

void Scene::Flip() {
    canvas_ = surface_;
}

} // namespace grivendale
