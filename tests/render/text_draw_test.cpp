#include "render/text_draw.h"

#include "imaging/colors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace grivendale;

TEST(AddText, StoresTheStyleWithTheSizeRoundedHalfToEven) {
    const std::pair<double, std::int16_t> sizes[] = {
        {9.75, 10}, {10.5, 10}, {11.5, 12}, {1e9, 32767}, {std::nan(""), 0}};
    MapDocument doc;
    for (const auto& [points, stored] : sizes) {
        const MapItem& item = *doc.item(AddText(
            doc, {}, -3, 700, TextStyle{QStringLiteral("Arial"), points, true, false, true}, 0));
        EXPECT_EQ(std::tuple(item.Size, item.IsText, item.Bold, item.Italic, item.Underline),
                  std::tuple(stored, kTrue, kTrue, kFalse, kTrue))
            << points;
    }
}

// A background file's density metadata must not size labels: DejaVu Sans at 10 points and 96
// dots per inch is 13.3 px to the em, "Paris" advancing 2.43 em (32 px) on a line of 1.16 em
// (16 px). Its glyphs, in the text colour, lie within that extent centred on its point.
TEST(DrawText, ALabelHasTheSamePixelsWhateverTheSurfaceResolution) {
    MapDocument doc;
    MapItem& item = *doc.item(AddText(doc, QStringLiteral("Paris"), 100, 30,
                                      TextStyle{QStringLiteral("DejaVu Sans"), 10}, 0x00336699));
    QImage at96;
    for (const int dotsPerMeter : {3780, 2835, 11811}) { // 96, 72 and 300 dots per inch
        QImage surface(200, 60, QImage::Format_RGB32);
        surface.fill(Qt::white);
        surface.setDotsPerMeterX(dotsPerMeter); // comparing surfaces ignores these
        surface.setDotsPerMeterY(dotsPerMeter);
        item.Width = item.Height = 777;
        drawTextItem(surface, item);
        at96 = at96.isNull() ? surface : at96;
        EXPECT_EQ(surface, at96) << dotsPerMeter;
        EXPECT_TRUE(item.Width >= 31 && item.Width <= 33) << item.Width;
        EXPECT_TRUE(item.Height >= 15 && item.Height <= 17) << item.Height;
    }
    int solid = 0;
    for (int i = 0; i < 200 * 60; ++i) // within the largest extent allowed, centred on (100, 30)
        if (const QRgb pixel = at96.pixel(i % 200, i / 200); pixel != qRgb(255, 255, 255)) {
            EXPECT_TRUE(QRect(83, 21, 34, 18).contains(i % 200, i / 200)) << "pixel " << i;
            solid += pixel == bgrToRgb(item.Color) ? 1 : 0;
        }
    EXPECT_GT(solid, 0);
}
