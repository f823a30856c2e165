#include "render/text_draw.h"

#include "imaging/colors.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace grivendale;

namespace {

constexpr QRgb kBackground = 0xFFFFFFFF;
constexpr std::uint32_t kTextColor = 0x00336699; // 0x00BBGGRR

MapItem textItem(const char* text, std::int16_t size) {
    MapItem item;
    item.InUse = item.IsText = kTrue;
    item.Text = QString::fromUtf8(text);
    item.X = 100;
    item.Y = 30;
    item.Size = size;
    item.FontName = QStringLiteral("DejaVu Sans");
    item.Color = kTextColor;
    return item;
}

// The label drawn on a blank surface of that resolution (which comparing surfaces ignores).
QImage drawn(MapItem& item, int dotsPerMeter = 3780) {
    QImage surface(200, 60, QImage::Format_RGB32);
    surface.fill(kBackground);
    surface.setDotsPerMeterX(dotsPerMeter);
    surface.setDotsPerMeterY(dotsPerMeter);
    drawTextItem(surface, item);
    return surface;
}

} // namespace

TEST(AddText, StoresTheStyleWithTheSizeRoundedHalfToEven) {
    const std::pair<double, std::int16_t> sizes[] = {
        {9.75, 10}, {10.5, 10}, {11.5, 12}, {1e9, 32767}, {std::nan(""), 0}};
    for (const auto& [points, stored] : sizes) {
        MapDocument doc;
        const MapItem& item = doc.Items[static_cast<std::size_t>(AddText(
            doc, {}, -3, 700, TextStyle{QStringLiteral("Arial"), points, true, false, true}, 0))];
        EXPECT_EQ(std::tuple(item.Size, item.IsText, item.Bold, item.Italic, item.Underline),
                  std::tuple(stored, kTrue, kTrue, kFalse, kTrue))
            << points;
    }
}

// A background file's density metadata must not size labels: DejaVu Sans at 10 points and 96
// dots per inch is 13.3 px to the em, "Paris" advancing 2.43 em (32 px) on a line of 1.16 em
// (16 px). Its glyphs, in the text colour, lie within that extent centred on its point.
TEST(DrawText, ALabelHasTheSamePixelsWhateverTheSurfaceResolution) {
    MapItem item = textItem("Paris", 10);
    const QImage at96 = drawn(item);
    for (const int dotsPerMeter : {2835, 3780, 11811}) { // 72, 96 and 300 dots per inch
        item.Width = item.Height = 777;
        const QImage surface = drawn(item, dotsPerMeter);
        EXPECT_EQ(surface, at96) << dotsPerMeter;
        EXPECT_TRUE(item.Width >= 31 && item.Width <= 33) << item.Width;
        EXPECT_TRUE(item.Height >= 15 && item.Height <= 17) << item.Height;
    }
    const QRect box(83, 21, 34, 18); // the largest extent allowed, centred on (100, 30)
    int solid = 0;
    for (int y = 0; y < at96.height(); ++y)
        for (int x = 0; x < at96.width(); ++x)
            if (at96.pixel(x, y) != kBackground) {
                EXPECT_TRUE(box.contains(x, y)) << x << "," << y;
                solid += at96.pixel(x, y) == bgrToRgb(kTextColor) ? 1 : 0;
            }
    EXPECT_GT(solid, 0);
}
