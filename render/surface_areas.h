#pragma once

#include <QImage>
#include <QRect>

// Rectangles of Format_RGB32 surfaces: copied from one surface to another, or drawn into in
// place.

namespace grivendale {

// Copies the pixels of `area` (within both images, which have one size) from source to target.
void copyRect(QImage& target, const QImage& source, const QRect& area);

// A window onto `area` of the surface, drawing into the surface's own pixels: what falls
// outside the area is clipped by the window's edges. It keeps the surface's resolution, so
// labels measure the same in it.
QImage windowOnto(QImage& surface, const QRect& area);

} // namespace grivendale
