#pragma once

#include <QImage>
#include <QSize>

namespace grivendale {

// A Format_RGB32 image of that size, its pixels uninitialised. A map-sized surface is
// tens of megabytes that are all written at once: on Linux the buffer is asked for in huge
// pages, so filling it faults in a few dozen pages rather than thousands.
QImage newSurface(QSize size);

// A copy of `source` (Format_RGB32) in a buffer of newSurface.
QImage copyToNewSurface(const QImage& source);

// Gives `image` pixels of its own (from newSurface) when it shares them, before it is written.
void ownPixels(QImage& image);

} // namespace grivendale
