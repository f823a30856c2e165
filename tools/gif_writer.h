#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// GIF writing for the asset tools. Qt's gif plugin only decodes, so the indexed image is
// LZW-encoded here.

namespace grivendale {

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;       // at most 256 entries, in order of first use
    std::vector<std::uint8_t> index; // one per pixel, row after row
};

// The opaque colours of the image as a palette and indexes; none when it holds more than 256.
std::optional<IndexedImage> toIndexed(const QImage& source);

// A whole GIF89a file: one global colour table, one frame, no transparency.
QByteArray encodeGif(const IndexedImage& image);

// Writes the file atomically and reads it back: an image that does not decode to the
// drawn pixels is reported on standard error and gives false.
bool writeGif(const QImage& image, const QString& path);

// Writes bytes atomically.
bool writeBytes(const QString& path, const QByteArray& bytes);

// Whether two images show the same opaque colours at every pixel.
bool samePixels(const QImage& a, const QImage& b);

} // namespace grivendale
