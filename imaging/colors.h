#pragma once

#include <QRgb>

#include <cstdint>

// Colours are stored as 0x00BBGGRR words (red in the low byte); Qt pixels are 0xAARRGGBB.

namespace grivendale {

inline QRgb bgrToRgb(std::uint32_t bgr) {
    return qRgb(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                static_cast<int>((bgr >> 16) & 0xFFu));
}

inline std::uint32_t rgbToBgr(QRgb rgb) {
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

} // namespace grivendale
