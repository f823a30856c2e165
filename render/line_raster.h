#pragma once

#include "document/map_document.h"

#include <QPointF>

#include <cstdint>
#include <vector>

// The pixels of a free line, worked out once and relative to the line's origin.
//
// A line's pixels depend only on its points, pen width and smoothing, never on where its
// entry sits or on its colour, so a raster can be kept and drawn at any whole-pixel origin
// in any colour (see drawRaster). Lines are never antialiased: flood fills stop at exact
// colours, so every pixel is either the line's colour or untouched.
//
// Pen: a width of 1 (or less) gives a connected chain of single pixels, 8-connected
// Bresenham between whole-pixel endpoints, both ends included. A wider pen stamps a disc of
// that diameter on every pixel of that chain, which gives round ends and round joins. The
// disc of an even width is centred on the lower-right corner of the path pixel.

namespace grivendale {

// One run of pixels x0..x1 (both included) on row y.
struct Span {
    int y = 0;
    int x0 = 0;
    int x1 = 0;

    bool operator==(const Span&) const = default;
};

// Spans sorted by row then column; spans of one row neither overlap nor touch.
struct LineRaster {
    std::vector<Span> spans;

    bool empty() const { return spans.empty(); }
    bool operator==(const LineRaster&) const = default;
};

// The widest pen drawn; a wider stored width (only a damaged or hostile file holds one)
// is drawn at this width so that a single segment stays cheap.
inline constexpr int kMaxPenWidth = 255;

// Path pixels further than this from the line's origin are dropped: such coordinates only
// come from damaged files, and walking them would cost minutes.
inline constexpr int kRasterLimit = 1 << 16;

// The pen diameter a stored width draws with: the low 16 bits taken as a signed number,
// at least 1, at most kMaxPenWidth.
int penWidth(std::int32_t storedWidth);

// The straight polyline through the points (slots 1..PointCount), with pen line.Width.
// Fewer than two points, or point arrays shorter than PointCount + 1, give an empty raster.
LineRaster rasterizePolyline(const MapLine& line);

// The samples of the smoothed curve, relative to the origin: 201 per segment of the line,
// segment after segment. Uniform Catmull-Rom in 32-bit float arithmetic, the end points
// repeated as outer control points; t runs 0, 0.005, ... as a float sum while t <= 1, so
// the first sample of each segment is its first point exactly and t = 1 is never reached.
std::vector<QPointF> curveSamples(const MapLine& line);

// The smoothed curve: one chain of short segments, each from the previous sample rounded
// half-to-even to the new sample rounded half-up.
LineRaster rasterizeCurve(const MapLine& line);

// The curve when line.Smooth is set, else the polyline.
LineRaster rasterizeLine(const MapLine& line);

// A single straight segment between whole-pixel points, as the polyline draws it.
LineRaster rasterizeSegment(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                            int width);

} // namespace grivendale
