#include "render/picto_draw.h"

#include "document/picto_library.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace grivendale;

// A PNG pictogram blends as (S * A + D * (255 - A)) / 256; any other is opaque where A > 0.
TEST(DrawPicto, BlendsAndPlacesAroundTheCentre) {
    const auto solidEntry = [](int width, int height, QRgb colour, int alpha, std::int16_t isPng) {
        PictoEntry entry;
        std::tie(entry.Width, entry.Height, entry.IsPng) = std::tuple(width, height, isPng);
        for (int i = 0; i < width * height; ++i)
            for (const int component : {qRed(colour), qGreen(colour), qBlue(colour), alpha})
                entry.Pixels.push_back(static_cast<std::uint8_t>(component));
        return entry;
    };
    constexpr QRgb white = 0xFFFFFFFF, black = 0xFF000000, dark = 0xFF0A141E, red = 0xFFFF0000;
    // IsPng (1 is not a PNG), colour and alpha of the pictogram, the pixel under, the pixel drawn.
    const std::tuple<std::int16_t, QRgb, int, QRgb, QRgb> cases[] = {
        {-1, black, 128, white, 0xFF7E7E7E},
        {-1, white, 255, black, 0xFFFEFEFE},
        {-1, 0xFFC86432, 64, dark, 0xFF392722},
        {-1, white, 1, black, black},
        {-1, red, 0, dark, dark},
        {0, red, 1, white, red},
        {0, red, 0, dark, dark},
        {1, black, 128, white, black}};
    for (const auto& [isPng, colour, alpha, under, expected] : cases) {
        QImage surface(1, 1, QImage::Format_RGB32);
        surface.fill(under);
        DrawPicto(surface, solidEntry(1, 1, colour, alpha, isPng), 1, 1);
        EXPECT_EQ(surface.pixel(0, 0), expected) << isPng << " " << alpha << " " << colour;
    }
    // Size, centre, and the corner: the centre less half the size, halves to even (1.5 to 2,
    // 0.5 to 0, 3.5 to 4, 2.5 to 2, 89.5 to 90, 90.5 to 90). What falls outside is clipped.
    const long long placements[][6] = {
        {4, 3, 3, 2, 1, 0},     {3, 1, 5, 0, 4, 0},
        {3, 1, 4, 0, 2, 0},     {21, 1, 100, 0, 90, 0},
        {1, 21, 0, 101, 0, 90}, {1, 1, 2, 2, 2, 2},
        {4, 3, 0, 0, -2, -2},   {4, 3, 124, 119, 122, 118},
        {0, 0, 3, 2, 0, 0},     {4, 3, INT32_MAX, INT32_MIN, INT32_MAX - 2LL, INT32_MIN - 2LL}};
    for (const auto& [w, h, x, y, left, top] : placements) {
        QImage surface(123, 120, QImage::Format_RGB32);
        surface.fill(dark);
        DrawPicto(surface, solidEntry(int(w), int(h), red, 255, 0), std::int32_t(x),
                  std::int32_t(y));
        for (int sy = 0; sy < surface.height(); ++sy)
            for (int sx = 0; sx < surface.width(); ++sx) {
                const bool covered = sx >= left && sx < left + w && sy >= top && sy < top + h;
                ASSERT_EQ(surface.pixel(sx, sy), covered ? red : dark)
                    << w << "x" << h << " at " << x << "," << y;
            }
    }
}
