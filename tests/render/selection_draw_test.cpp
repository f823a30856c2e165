#include "render/selection_draw.h"

#include "imaging/colors.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

using namespace grivendale;
using grivendale::testing::lineThrough;

namespace {

constexpr QRgb kBackground = 0xFF80C040;
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);

struct Mark {
    int x0, y0, x1, y1; // whole-pixel box, both corners included
    QRgb color;
};

QImage blankCanvas(int width, int height) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(kBackground);
    return canvas;
}

// The eight frame marks of a box whose mark columns and rows are given as pixel ranges.
std::vector<Mark> frameMarks(int leftX, int midX, int rightX, int topY, int midY, int bottomY) {
    // Each range is 5 pixels wide: [start, start + 4].
    std::vector<Mark> marks;
    const int xs[] = {leftX, midX, rightX};
    const int ys[] = {topY, midY, bottomY};
    for (int ix = 0; ix < 3; ++ix)
        for (int iy = 0; iy < 3; ++iy)
            if (ix != 1 || iy != 1)
                marks.push_back({xs[ix], ys[iy], xs[ix] + 4, ys[iy] + 4, kRed});
    return marks;
}

QImage expectedCanvas(int width, int height, const std::vector<Mark>& marks) {
    QImage expected = blankCanvas(width, height);
    for (const Mark& m : marks) {
        for (int y = m.y0; y <= m.y1; ++y)
            for (int x = m.x0; x <= m.x1; ++x) {
                const bool border = x == m.x0 || x == m.x1 || y == m.y0 || y == m.y1;
                if (border && expected.valid(x, y))
                    expected.setPixel(x, y, m.color);
            }
    }
    return expected;
}

void expectSameCanvas(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    int mismatches = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y) && ++mismatches <= 10)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                              << actual.pixel(x, y) << ", expected " << expected.pixel(x, y);
    EXPECT_EQ(mismatches, 0);
}

MapItem& newItem(MapDocument& doc) {
    return doc.Items[static_cast<std::size_t>(doc.takeItemSlot())];
}

// A library of pictograms numbered 1 and 2, 20 x 20 and 4 x 4.
std::optional<PictoSize> smallLibrary(std::int32_t number) {
    if (number == 1)
        return PictoSize{20, 20};
    if (number == 2)
        return PictoSize{4, 4};
    return std::nullopt;
}

struct MarkCase {
    std::string name;
    int width, height;
    void (*build)(MapDocument&);
    std::int32_t selected;
    std::vector<Mark> marks;
};

void PrintTo(const MarkCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Mark> concat(std::vector<Mark> a, const std::vector<Mark>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Mark> pointMarks(std::initializer_list<std::pair<int, int>> points) {
    std::vector<Mark> marks;
    for (const auto& [x, y] : points)
        marks.push_back({x - 3, y - 3, x + 3, y + 3, kBlack});
    return marks;
}

const std::vector<Mark> kLineFrame = frameMarks(6, 24, 42, 15, 38, 61);

std::vector<MarkCase> markCases() {
    return {
        {"Pictogram20x20At100_100", 130, 130,
         [](MapDocument& doc) { doc.AddPictoItem(1, 100, 100); }, 1,
         frameMarks(85, 98, 111, 85, 98, 111)},
        // Box 39.5..60.5 by 25..35: half-pixel corners go to the even neighbour.
        {"TextWithOddWidth", 80, 50,
         [](MapDocument& doc) {
             MapItem& text = newItem(doc);
             text.InUse = kTrue;
             text.IsText = kTrue;
             text.Size = 10;
             text.X = 50;
             text.Y = 30;
             text.Width = 21;
             text.Height = 10;
         },
         1, frameMarks(34, 48, 62, 20, 28, 36)},
        // Box X = 10, Y = 20, 31 x 40: centre (26, 40), marks around 10.5..41.5 by 20..60.
        {"FourPointLine", 60, 80,
         [](MapDocument& doc) {
             doc.AddLine(lineThrough({{10, 20}, {41, 30}, {25, 60}, {15, 45}}), false, false);
         },
         1, concat(kLineFrame, pointMarks({{10, 20}, {41, 30}, {25, 60}, {15, 45}}))},
        {"SizeMinusOneWinsOverTextFlag", 60, 80,
         [](MapDocument& doc) {
             MapItem& both = newItem(doc);
             both.InUse = kTrue;
             both.IsText = kTrue;
             both.Size = -1;
             both.X = 10;
             both.Y = 20;
             both.Width = 31;
             both.Height = 40;
         },
         1, kLineFrame},
        {"LineWithInconsistentPointsGetsFrameOnly", 60, 80,
         [](MapDocument& doc) {
             doc.AddLine(lineThrough({{10, 20}, {41, 60}}), false, false);
             doc.Lines[1].PointCount = 5; // arrays hold two points only
         },
         1, kLineFrame},
        {"LineEntryNamingNoLineGetsFrameOnly", 60, 80,
         [](MapDocument& doc) {
             doc.AddLine(lineThrough({{10, 20}, {41, 60}}), false, false);
             doc.Items[1].RefIndex = 7;
         },
         1, kLineFrame},
        {"RemovedElementStillInItsSlot", 130, 130,
         [](MapDocument& doc) {
             doc.AddPictoItem(1, 100, 100);
             doc.Undo();
         },
         1, frameMarks(85, 98, 111, 85, 98, 111)},
        {"SecondSlotSelected", 130, 130,
         [](MapDocument& doc) {
             doc.AddPictoItem(1, 30, 30);
             doc.AddPictoItem(1, 100, 100);
         },
         2, frameMarks(85, 98, 111, 85, 98, 111)},
        // Box 1..5 by 1..5: the left and top marks fall partly off the canvas.
        {"ClippedAtTheEdges", 12, 12, [](MapDocument& doc) { doc.AddPictoItem(2, 3, 3); }, 1,
         frameMarks(-4, 1, 6, -4, 1, 6)},
    };
}

class SelectionMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(SelectionMarks, DrawsExactlyTheExpectedOutlines) {
    const MarkCase& c = GetParam();
    MapDocument doc;
    c.build(doc);
    QImage canvas = blankCanvas(c.width, c.height);
    DrawSelect(canvas, doc, c.selected, smallLibrary);
    expectSameCanvas(canvas, expectedCanvas(c.width, c.height, c.marks));
}

INSTANTIATE_TEST_SUITE_P(DrawSelect, SelectionMarks, ::testing::ValuesIn(markCases()),
                         [](const auto& info) { return info.param.name; });

struct NothingCase {
    std::string name;
    std::int32_t selected;
    std::int32_t pictoNumber;
    bool withLibrary;
};

void PrintTo(const NothingCase& c, std::ostream* os) {
    *os << c.name;
}

class NoSelectionMarks : public ::testing::TestWithParam<NothingCase> {};

TEST_P(NoSelectionMarks, LeaveTheCanvasUntouched) {
    const NothingCase& c = GetParam();
    MapDocument doc;
    doc.AddPictoItem(c.pictoNumber, 50, 50);
    doc.AddPictoItem(c.pictoNumber, 60, 60);
    QImage canvas = blankCanvas(100, 100);
    DrawSelect(canvas, doc, c.selected, c.withLibrary ? PictoSizeLookup(smallLibrary) : nullptr);
    expectSameCanvas(canvas, blankCanvas(100, 100));
}

INSTANTIATE_TEST_SUITE_P(
    DrawSelect, NoSelectionMarks,
    ::testing::Values(
        NothingCase{"NoSelection", 0, 1, true}, NothingCase{"NegativeSelection", -1, 1, true},
        NothingCase{"MostNegativeSelection", std::numeric_limits<std::int16_t>::min(), 1, true},
        NothingCase{"SlotAboveItemCount", 3, 1, true},
        NothingCase{"HugeSlot", std::numeric_limits<std::int32_t>::max(), 1, true},
        NothingCase{"PictogramNotInLibrary", 1, 3, true},
        NothingCase{"PictogramNumberZero", 1, 0, true}, NothingCase{"NoLibraryAtAll", 1, 1, false}),
    [](const auto& info) { return info.param.name; });

TEST(DrawSelect, SlotBeyondACountLoweredByClearAllDrawsNothing) {
    MapDocument doc;
    doc.AddPictoItem(1, 50, 50);
    doc.clearAll();
    QImage canvas = blankCanvas(100, 100);
    DrawSelect(canvas, doc, 1, smallLibrary);
    expectSameCanvas(canvas, blankCanvas(100, 100));
}

TEST(DrawSelect, ExtremeCoordinatesFromADamagedFileAreHarmless) {
    MapDocument doc;
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const std::int32_t small = std::numeric_limits<std::int32_t>::min();
    MapItem& line = newItem(doc);
    line.InUse = kTrue;
    line.Size = -1;
    line.X = big;
    line.Y = small;
    line.Width = big;
    line.Height = small;
    MapItem& text = newItem(doc);
    text.InUse = kTrue;
    text.IsText = kTrue;
    text.X = small;
    text.Y = big;
    text.Width = small;
    text.Height = big;
    QImage canvas = blankCanvas(40, 40);
    DrawSelect(canvas, doc, 1, smallLibrary);
    DrawSelect(canvas, doc, 2, smallLibrary);
    expectSameCanvas(canvas, blankCanvas(40, 40));
}

TEST(DrawSelect, PointMarksOfAFarLineAreClipped) {
    MapDocument doc;
    doc.AddLine(lineThrough({{-1000, -1000}, {5, 5}}), false, false);
    QImage canvas = blankCanvas(20, 20);
    DrawSelect(canvas, doc, 1, smallLibrary);
    // Box -1000..5: only the marks near (5, 5) reach the canvas.
    expectSameCanvas(canvas, expectedCanvas(20, 20,
                                            concat(frameMarks(-1006, -500, 6, -1006, -500, 6),
                                                   pointMarks({{5, 5}}))));
}

struct OutlineCase {
    std::string name;
    double x1, y1, x2, y2;
    Mark expected;
};

void PrintTo(const OutlineCase& c, std::ostream* os) {
    *os << c.name;
}

class RectOutline : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(RectOutline, CoversTheBorderOfTheWholePixelBox) {
    const OutlineCase& c = GetParam();
    QImage canvas = blankCanvas(16, 16);
    drawRectOutline(canvas, c.x1, c.y1, c.x2, c.y2, kRed);
    expectSameCanvas(canvas, expectedCanvas(16, 16, {c.expected}));
}

INSTANTIATE_TEST_SUITE_P(
    DrawSelect, RectOutline,
    ::testing::Values(OutlineCase{"CornersInAnyOrder", 9, 8, 2, 3, {2, 3, 9, 8, kRed}},
                      OutlineCase{"HalvesToEven", 2.5, 3.5, 7.5, 8.5, {2, 4, 8, 8, kRed}},
                      OutlineCase{"SinglePixel", 4, 4, 4, 4, {4, 4, 4, 4, kRed}},
                      OutlineCase{"FlatLine", 1, 6, 12, 6, {1, 6, 12, 6, kRed}},
                      OutlineCase{"LargerThanTheCanvas", -3, -3, 20, 15, {-3, -3, 20, 15, kRed}}),
    [](const auto& info) { return info.param.name; });

} // namespace
