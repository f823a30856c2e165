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

// The big map: what a map for print or a whole continent holds. A 4000 x 3000 background of
// closed black outlines (cells of 250 x 250), 1000 pictograms, 100 labels, 200 lines of 2 to
// 11 points within a few hundred pixels (widths 1 to 7, half smoothed, 40 % in the background
// pass), 100 fills of cells. Built the same way on every run; drawn once.
struct BigMap {
    BigMap();

    QTemporaryDir dir;
    PictoLibrary library;
    Scene scene;
    MapDocument doc;
    std::int32_t topPicto = 0;       // the last pictogram placed (the highest slot)
    std::int32_t lowPicto = 0;       // the first one (a low slot)
    std::int32_t label = 0;          // a label in the middle slots
    std::int32_t foregroundLine = 0; // a line entry drawn over the fills
    std::int32_t backgroundLine = 0; // a line entry drawn under them
};

// Runs the benchmarks of the program in a GUI application (labels need its fonts), on the
// offscreen platform unless another is asked for: never a display.
int runBenchmarksWithFonts(int argc, char** argv);

} // namespace grivendale
