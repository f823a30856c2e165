#include "render/picto_draw.h"

#include "document/picto_library.h"

#include <QImage>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace grivendale;

namespace {

PictoEntry solidEntry(int width, int height, int r, int g, int b, int a, std::int16_t isPng) {
    PictoEntry entry;
    entry.Width = width;
    entry.Height = height;
    entry.IsPng = isPng;
    for (int i = 0; i < width * height; ++i) {
        for (const int component : {r, g, b, a})
            entry.Pixels.push_back(static_cast<std::uint8_t>(component));
    }
    return entry;
}

QImage surfaceOf(int width, int height, QRgb colour) {
    QImage surface(width, height, QImage::Format_RGB32);
    surface.fill(colour);
    return surface;
}

// Every image pixel in its own colour, so a shifted or flipped copy shows.
QRgb patternColour(int col, int row) {
    return qRgb(10 + col * 40, 20 + row * 60, 77);
}

PictoEntry patternEntry(int width, int height) {
    PictoEntry entry;
    entry.Width = width;
    entry.Height = height;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const QRgb c = patternColour(col, row);
            for (const int component : {qRed(c), qGreen(c), qBlue(c), 255})
                entry.Pixels.push_back(static_cast<std::uint8_t>(component));
        }
    }
    return entry;
}

} // namespace

TEST(DrawPicto, PixelColours) {
    struct Case {
        const char* name;
        std::int16_t isPng;
        int r, g, b, a;
        QRgb under;
        QRgb expected;
    };
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb dark = qRgb(10, 20, 30);
    const Case cases[] = {
        {"png half black over white", -1, 0, 0, 0, 128, white, qRgb(126, 126, 126)},
        {"png opaque white over black", -1, 255, 255, 255, 255, black, qRgb(254, 254, 254)},
        {"png opaque white over white", -1, 255, 255, 255, 255, white, qRgb(254, 254, 254)},
        {"png opaque colour", -1, 100, 150, 200, 255, white, qRgb(99, 149, 199)},
        {"png quarter colour", -1, 200, 100, 50, 64, dark, qRgb(57, 39, 34)},
        {"png alpha 1", -1, 255, 255, 255, 1, black, qRgb(0, 0, 0)},
        {"png transparent", -1, 255, 0, 0, 0, dark, dark},
        {"other alpha 1", 0, 255, 0, 0, 1, white, qRgb(255, 0, 0)},
        {"other half", 0, 0, 0, 255, 128, white, qRgb(0, 0, 255)},
        {"other opaque white", 0, 255, 255, 255, 255, black, white},
        {"other transparent", 0, 255, 0, 0, 0, dark, dark},
        {"IsPng 1 is not png", 1, 0, 0, 0, 128, white, black},
    };
    for (const Case& c : cases) {
        // Centred on (2, 2), a 1 x 1 picture starts at 1.5, which rounds to 2.
        QImage surface = surfaceOf(3, 3, c.under);
        DrawPicto(surface, solidEntry(1, 1, c.r, c.g, c.b, c.a, c.isPng), 2, 2);
        EXPECT_EQ(surface.pixel(2, 2), c.expected) << c.name;
        EXPECT_EQ(surface.pixel(1, 2), c.under) << c.name;
        EXPECT_EQ(surface.pixel(2, 1), c.under) << c.name;
        EXPECT_EQ(surface.pixel(1, 1), c.under) << c.name;
    }
}

TEST(DrawPicto, ExtentsAroundTheCentre) {
    struct Case {
        int size;
        int centre;
        int first;
        int last;
    };
    const Case cases[] = {
        {20, 100, 90, 109}, {21, 100, 90, 110}, {21, 101, 90, 110},
        {1, 100, 100, 100}, {2, 100, 99, 100},  {3, 5, 4, 6},
    };
    const QRgb red = qRgb(255, 0, 0);
    for (const Case& c : cases) {
        // One pixel thick, centred on 0 across the thickness: -0.5 rounds to 0.
        QImage across = surfaceOf(200, 1, qRgb(0, 0, 0));
        DrawPicto(across, solidEntry(c.size, 1, 255, 0, 0, 255, 0), c.centre, 0);
        QImage down = surfaceOf(1, 200, qRgb(0, 0, 0));
        DrawPicto(down, solidEntry(1, c.size, 255, 0, 0, 255, 0), 0, c.centre);
        for (int i = 0; i < 200; ++i) {
            const bool inside = i >= c.first && i <= c.last;
            EXPECT_EQ(across.pixel(i, 0) == red, inside)
                << c.size << " at " << c.centre << ": x " << i;
            EXPECT_EQ(down.pixel(0, i) == red, inside)
                << c.size << " at " << c.centre << ": y " << i;
        }
    }
}

TEST(DrawPicto, ClippedAtTheSurfaceEdges) {
    struct Case {
        const char* name;
        int surfaceWidth, surfaceHeight;
        int x, y;
        long long left, top; // where image pixel (0, 0) lands for a 4 x 3 picture
    };
    constexpr int kMax = std::numeric_limits<std::int32_t>::max();
    constexpr int kMin = std::numeric_limits<std::int32_t>::min();
    const Case cases[] = {
        {"inside", 6, 5, 3, 2, 1, 0},
        {"left edge", 6, 5, 0, 2, -2, 0},
        {"right edge", 6, 5, 6, 2, 4, 0},
        {"top edge", 6, 5, 3, 0, 1, -2},
        {"bottom edge", 6, 5, 3, 5, 1, 4},
        {"top left corner", 6, 5, 0, 0, -2, -2},
        {"bottom right corner", 6, 5, 6, 5, 4, 4},
        {"larger than the surface", 2, 2, 1, 1, -1, 0},
        {"outside left", 6, 5, -2, 2, -4, 0},
        {"outside right", 6, 5, 8, 2, 6, 0},
        {"outside above", 6, 5, 3, -2, 1, -4},
        {"outside below", 6, 5, 3, 7, 1, 6},
        {"far away", 6, 5, kMax, kMin, kMax - 2LL, kMin - 2LL},
    };
    const PictoEntry entry = patternEntry(4, 3);
    const QRgb back = qRgb(1, 1, 1);
    for (const Case& c : cases) {
        QImage surface = surfaceOf(c.surfaceWidth, c.surfaceHeight, back);
        DrawPicto(surface, entry, c.x, c.y);
        for (int sy = 0; sy < c.surfaceHeight; ++sy) {
            for (int sx = 0; sx < c.surfaceWidth; ++sx) {
                const long long col = sx - c.left;
                const long long row = sy - c.top;
                const bool covered = col >= 0 && col < 4 && row >= 0 && row < 3;
                const QRgb expected =
                    covered ? patternColour(static_cast<int>(col), static_cast<int>(row)) : back;
                EXPECT_EQ(surface.pixel(sx, sy), expected) << c.name << ": " << sx << "," << sy;
            }
        }
    }
}

TEST(DrawPicto, EmptyEntryDrawsNothing) {
    const QRgb back = qRgb(5, 6, 7);
    QImage surface = surfaceOf(4, 4, back);
    const QImage before = surface.copy();
    DrawPicto(surface, PictoEntry{}, 2, 2);
    EXPECT_EQ(surface, before);

    // An entry whose pixels are fewer than its size says is not read past its end.
    PictoEntry shortEntry = solidEntry(2, 2, 255, 0, 0, 255, 0);
    shortEntry.Pixels.resize(8);
    DrawPicto(surface, shortEntry, 2, 2);
    EXPECT_EQ(surface, before);
}

TEST(DrawPicto, SharedCopyOfTheSurfaceIsUntouched) {
    QImage surface = surfaceOf(3, 3, qRgb(0, 0, 0));
    const QImage copy = surface;
    DrawPicto(surface, solidEntry(3, 3, 255, 255, 255, 255, 0), 1, 1);
    EXPECT_EQ(surface.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(copy.pixel(1, 1), qRgb(0, 0, 0));
}
