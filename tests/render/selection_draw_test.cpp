#include "render/selection_draw.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace grivendale;
using grivendale::testing::lineThrough;

TEST(DrawSelect, DrawsExactlyTheMarksOfTheSelectedElement) {
    constexpr QRgb kBackground = 0xFF80C040;
    constexpr std::int32_t kMax = INT32_MAX, kMin = INT32_MIN;

    // The eight 5 x 5 frame marks, given the first column and row of each of their three ranges.
    const auto frame = [](int leftX, int midX, int rightX, int topY, int midY, int bottomY) {
        std::vector<QRect> marks;
        for (const int x : {leftX, midX, rightX})
            for (const int y : {topY, midY, bottomY})
                if (x != midX || y != midY)
                    marks.emplace_back(x, y, 5, 5);
        return marks;
    };

    // A blank canvas with the outlines of whole-pixel boxes as marks, red ones under black ones.
    const auto canvasWith = [](const std::vector<QRect>& red, const std::vector<QRect>& black) {
        QImage canvas(130, 130, QImage::Format_RGB32);
        canvas.fill(kBackground);
        for (const auto& [boxes, colour] : {std::pair{&red, 0xFFFF0000}, {&black, 0xFF000000}})
            for (const QRect& b : *boxes)
                for (int y = b.top(); y <= b.bottom(); ++y)
                    for (int x = b.left(); x <= b.right(); ++x)
                        if (canvas.valid(x, y) && !QRect(b).adjusted(1, 1, -1, -1).contains(x, y))
                            canvas.setPixel(x, y, colour);
        return canvas;
    };
    MapDocument doc;
    doc.AddPictoItem(1, 30, 30);
    doc.AddPictoItem(1, 100, 100); // box 90..110
    doc.AddPictoItem(2, 3, 3);     // box 1..5: marks partly off the canvas
    doc.AddPictoItem(3, 50, 50);   // not in the library
    doc.AddLine(lineThrough({{10, 20}, {39, 30}, {25, 60}, {15, 45}}), false, false);
    doc.AddLine(lineThrough({{-1000, -1000}, {5, 5}}), false, false);
    // A text of odd width (box 39.5..60.5 by 25..35), a line entry (size -1) and two far away.
    const std::tuple<std::int16_t, int, int, int, int> boxes[] = {{10, 50, 30, 21, 10},
                                                                  {-1, 10, 20, 29, 40},
                                                                  {-1, kMax, kMin, kMax, kMin},
                                                                  {10, kMin, kMax, kMin, kMax}};
    for (const auto& [size, x, y, w, h] : boxes) {
        MapItem& item = doc.Items[static_cast<std::size_t>(doc.takeItemSlot())];
        std::tie(item.InUse, item.IsText, item.Size, item.X, item.Y, item.Width, item.Height) =
            std::tuple(kTrue, kTrue, size, x, y, w, h);
    }
    doc.Items[static_cast<std::size_t>(doc.AddPictoItem(1, 100, 100))].InUse = kFalse; // removed
    const auto library = [](std::int32_t n) {
        return n == 1 ? PictoSize{20, 20} : n == 2 ? std::optional(PictoSize{4, 4}) : std::nullopt;
    };
    // Line boxes X = 10, Y = 20, 29 x 40: the centre (24.5, 40) rounds to even.
    const std::vector<QRect> lineFrame = frame(4, 22, 40, 15, 38, 61);
    std::vector<std::tuple<std::int32_t, std::vector<QRect>, std::vector<QRect>>> cases = {
        {2, frame(85, 98, 111, 85, 98, 111), {}},
        {11, frame(85, 98, 111, 85, 98, 111), {}}, // still in its slot
        {3, frame(-4, 1, 6, -4, 1, 6), {}},
        {5, lineFrame, {{7, 17, 7, 7}, {36, 27, 7, 7}, {22, 57, 7, 7}, {12, 42, 7, 7}}},
        {6, frame(-1006, -500, 6, -1006, -500, 6), {{2, 2, 7, 7}}},
        {7, frame(34, 48, 62, 20, 28, 36), {}},
        {8, lineFrame, {}},
    };
    for (const std::int32_t none : {0, -32768, 4, 9, 10, 12, kMax}) // none to draw
        cases.push_back({none, {}, {}});
    for (const auto& [selected, red, black] : cases) {
        QImage canvas = canvasWith({}, {});
        DrawSelect(canvas, doc, selected, library);
        EXPECT_EQ(canvas, canvasWith(red, black)) << selected;
    }
}
