#pragma once

#include "document/atomic_file.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// Reading pictures of any format Qt decodes, and writing the map as PNG.

namespace grivendale {

// The picture as a Format_RGB32 surface, transparent parts composited onto black. A null
// image when the file is missing or cannot be decoded.
QImage LoadPictureEx(const QString& path);

// As LoadPictureEx, and also the decoded pixels as non-premultiplied 0xAARRGGBB, row after
// row: width * height + 1 elements, the last one 0. On failure the out-arguments are left
// as they were.
QImage LoadPicturePixels(const QString& path, std::vector<std::uint32_t>& pixels,
                         std::int32_t& width, std::int32_t& height);

// Encodes the surface as PNG. The file is replaced only once the whole image is on the disk;
// an empty surface is refused (EINVAL).
FileWriteResult SavePicturePng(const QImage& surface, const QString& path);

// A Format_RGB32 surface filled with a 0x00BBGGRR colour.
QImage createSurface(int width, int height, std::uint32_t backColor);

} // namespace grivendale
