#pragma once

#include "document/map_document.h"
#include "document/picto_library.h"
#include "render/scene.h"

#include <QTemporaryDir>

#include <cstdint>

namespace grivendale {

// The reference map the drawing and editing benchmarks share, so that their figures compare:
// a 1600 x 1200 background of closed black outlines, 300 soft-edged PNG pictograms of 32 x 32,
// 60 labels, 40 smoothed lines of 10 points and width 3 (half of them in the background),
// 30 fills of large areas. Built the same way on every run; drawn once. Needs a GUI application
// (labels).
struct ReferenceMap {
    ReferenceMap();

    QTemporaryDir dir; // holds the pictogram
    PictoLibrary library;
    Scene scene;
    MapDocument doc;
    std::int32_t dragged = 0; // the slot of the last pictogram placed
};

} // namespace grivendale
