#include "render/text_draw.h"

#include "document/rounding.h"
#include "imaging/colors.h"

#include <QFontMetricsF>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

using namespace grivendale;

namespace {

constexpr QRgb kBackground = 0xFFFFFFFF;
constexpr std::uint32_t kTextColor = 0x00336699; // 0x00BBGGRR

QImage blankSurface(int width, int height) {
    QImage surface(width, height, QImage::Format_RGB32);
    surface.fill(kBackground);
    return surface;
}

TextStyle style(double pointSize, bool bold = false, bool italic = false, bool underline = false) {
    return {QStringLiteral("DejaVu Sans"), pointSize, bold, italic, underline};
}

MapItem textItem(const QString& text, std::int32_t x, std::int32_t y, std::int16_t size,
                 const QString& family = QStringLiteral("DejaVu Sans")) {
    MapItem item;
    item.InUse = kTrue;
    item.IsText = kTrue;
    item.Text = text;
    item.X = x;
    item.Y = y;
    item.Size = size;
    item.FontName = family;
    item.Color = kTextColor;
    return item;
}

// The smallest box holding every pixel that differs from the background; null when none does.
QRect changedPixels(const QImage& surface) {
    QRect box;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (surface.pixel(x, y) != kBackground)
                box |= QRect(x, y, 1, 1);
    return box;
}

int pixelsOfColor(const QImage& surface, QRgb color) {
    int count = 0;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            count += surface.pixel(x, y) == color ? 1 : 0;
    return count;
}

// ---- AddText --------------------------------------------------------------------------------

struct SizeCase {
    double pointSize;
    std::int16_t stored;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.pointSize << " pt";
}

class AddTextSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(AddTextSize, StoresThePointSizeRoundedHalfToEven) {
    MapDocument doc;
    const std::int32_t slot =
        AddText(doc, QStringLiteral("Lyon"), 10, 20, style(GetParam().pointSize), kTextColor);
    EXPECT_EQ(doc.Items[static_cast<std::size_t>(slot)].Size, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(AddText, AddTextSize,
                         ::testing::Values(SizeCase{9.75, 10}, SizeCase{8.25, 8},
                                           SizeCase{10.5, 10}, SizeCase{11.5, 12},
                                           SizeCase{12.0, 12}, SizeCase{1e9, 32767},
                                           SizeCase{std::nan(""), 0}));

TEST(AddText, FillsAFreshSlotWithACopyOfTheStyleAndRecordsIt) {
    MapDocument doc;
    doc.AddPictoItem(1, 5, 5);
    TextStyle current{QStringLiteral("Arial"), 12.0, true, false, true};
    const std::int32_t slot =
        AddText(doc, QStringLiteral("Brest 14°"), -3, 700, current, 0x0000FF00);
    ASSERT_EQ(slot, 2);
    EXPECT_EQ(doc.ItemCount, 2);

    // Changing the preview style afterwards leaves the placed label alone.
    current = TextStyle{QStringLiteral("DejaVu Serif"), 30.0, false, true, false};

    MapItem expected;
    expected.InUse = kTrue;
    expected.X = -3;
    expected.Y = 700;
    expected.IsText = kTrue;
    expected.RefIndex = 0;
    expected.Size = 12;
    expected.Text = QStringLiteral("Brest 14°");
    expected.Color = 0x0000FF00;
    expected.Bold = kTrue;
    expected.Italic = kFalse;
    expected.FontName = QStringLiteral("Arial");
    expected.Underline = kTrue;
    EXPECT_EQ(doc.Items[2], expected);

    ASSERT_EQ(doc.HistoryCount, 2);
    EXPECT_EQ(doc.History[2], (HistoryEntry{0, 2, -1, -1}));
}

TEST(AddText, ReusesTheFirstFreeSlotCleanAndUndoRemovesTheLabel) {
    MapDocument doc;
    MapLine line;
    line.PointX = std::vector<std::int32_t>{0, 10, 50};
    line.PointY = std::vector<std::int32_t>{0, 10, 40};
    line.PointCount = 2;
    doc.AddLine(line, false, false);
    doc.AddPictoItem(1, 5, 5);
    doc.Items[1].InUse = kFalse; // the line entry deleted; its box was 40 x 30

    const std::int32_t slot = AddText(doc, QStringLiteral("Nice"), 1, 2, style(10), kTextColor);
    ASSERT_EQ(slot, 1);
    EXPECT_EQ(doc.ItemCount, 2);
    const MapItem& label = doc.Items[1];
    EXPECT_TRUE(label.isText());
    // A reused slot is handed out clean: no extent or line size left over from the entry.
    EXPECT_EQ(label.Width, 0);
    EXPECT_EQ(label.Height, 0);
    EXPECT_EQ(label.Reserved, 0);

    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Items[1].InUse, kFalse);
    EXPECT_EQ(doc.Items[2].InUse, kTrue);
}

TEST(AddText, AcceptsAnEmptyString) {
    MapDocument doc;
    const std::int32_t slot = AddText(doc, QString(), 0, 0, style(10), kTextColor);
    EXPECT_EQ(slot, 1);
    EXPECT_TRUE(doc.Items[1].Text.isEmpty());
}

// ---- fontForItem ----------------------------------------------------------------------------

struct FontCase {
    std::string name;
    std::int16_t size;
    std::int16_t bold, italic, underline;
    double pointSize;
};

void PrintTo(const FontCase& c, std::ostream* os) {
    *os << c.name;
}

class FontForItem : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontForItem, TakesTheStyleOfTheLabel) {
    const FontCase& c = GetParam();
    MapItem item = textItem(QStringLiteral("x"), 0, 0, c.size, QStringLiteral("DejaVu Serif"));
    item.Bold = c.bold;
    item.Italic = c.italic;
    item.Underline = c.underline;
    QImage screen(1, 1, QImage::Format_RGB32);
    screen.setDotsPerMeterX(3780); // 96 dots per inch
    screen.setDotsPerMeterY(3780);
    const QFont font = fontForItem(item, screen);
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), c.pointSize);
    EXPECT_EQ(font.bold(), c.bold != 0);
    EXPECT_EQ(font.italic(), c.italic != 0);
    EXPECT_EQ(font.underline(), c.underline != 0);
}

INSTANTIATE_TEST_SUITE_P(
    DrawText, FontForItem,
    ::testing::Values(FontCase{"Plain", 12, 0, 0, 0, 12.0}, FontCase{"Bold", 9, -1, 0, 0, 9.0},
                      FontCase{"ItalicUnderlined", 20, 0, -1, -1, 20.0},
                      FontCase{"ZeroSizeDrawnAtOnePoint", 0, 0, 0, 0, 1.0},
                      FontCase{"NegativeSizeDrawnAtOnePoint", -5, 0, 0, 0, 1.0},
                      FontCase{"HugeSizeDrawnAtTheLargest", 32767, -1, -1, -1, 500.0}),
    [](const auto& info) { return info.param.name; });

// ---- drawTextItem ---------------------------------------------------------------------------

struct Measure {
    std::int32_t width;
    std::int32_t height;
};

Measure expectedMeasure(const MapItem& item, const QImage& surface) {
    const QFontMetricsF metrics(fontForItem(item, surface), &surface);
    return {roundHalfEven(metrics.horizontalAdvance(item.Text)), roundHalfEven(metrics.height())};
}

struct DrawCase {
    std::string name;
    QString text;
    std::int16_t size;
    std::int16_t bold;
    std::int32_t x, y;
    bool solidStrokes; // large enough for some pixels to be wholly covered
};

void PrintTo(const DrawCase& c, std::ostream* os) {
    *os << c.name;
}

class DrawTextItem : public ::testing::TestWithParam<DrawCase> {};

TEST_P(DrawTextItem, StoresItsMeasureAndPaintsGlyphsOnlyWithinTheCentredBox) {
    const DrawCase& c = GetParam();
    QImage surface = blankSurface(240, 80);
    MapItem item = textItem(c.text, c.x, c.y, c.size);
    item.Bold = c.bold;
    item.Width = 777; // stale values are overwritten
    item.Height = 777;

    drawTextItem(surface, item);

    const Measure measure = expectedMeasure(item, surface);
    EXPECT_EQ(item.Width, measure.width);
    EXPECT_EQ(item.Height, measure.height);
    EXPECT_GT(item.Width, 0);
    EXPECT_GT(item.Height, 0);

    // The box of the measure, centred on (X, Y); an odd extent leaves a half pixel that the
    // text placement may round either way.
    const double left = c.x - item.Width / 2.0;
    const double top = c.y - item.Height / 2.0;
    const QRect box(QPoint(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top))),
                    QPoint(static_cast<int>(std::ceil(left + item.Width)) - 1,
                           static_cast<int>(std::ceil(top + item.Height)) - 1));
    const QRect changed = changedPixels(surface);
    ASSERT_FALSE(changed.isNull());
    EXPECT_TRUE(box.contains(changed))
        << "changed " << changed.x() << "," << changed.y() << " " << changed.width() << "x"
        << changed.height() << " box " << box.x() << "," << box.y() << " " << box.width() << "x"
        << box.height();
    // Glyphs only: the box is not filled, and the strokes carry the text colour.
    if (c.solidStrokes) {
        EXPECT_GT(pixelsOfColor(surface, bgrToRgb(kTextColor)), 0);
    }
    EXPECT_GT(pixelsOfColor(surface.copy(box), kBackground), 0);
}

INSTANTIATE_TEST_SUITE_P(
    DrawText, DrawTextItem,
    ::testing::Values(DrawCase{"Word", QStringLiteral("Toulouse"), 16, 0, 120, 40, true},
                      DrawCase{"BoldNumber", QStringLiteral("-12°C"), 20, -1, 100, 35, true},
                      DrawCase{"SmallText", QStringLiteral("Pau"), 8, 0, 31, 11, false},
                      DrawCase{"WithBlanks", QStringLiteral("a  b"), 24, 0, 57, 40, true}),
    [](const auto& info) { return info.param.name; });

TEST(DrawText, LabelAtTheEdgeIsClippedButMeasuredWhole) {
    QImage middle = blankSurface(200, 40);
    MapItem centred = textItem(QStringLiteral("Strasbourg"), 100, 20, 14);
    drawTextItem(middle, centred);

    // Centred on either edge, mostly off to the left, wholly off to the right.
    const std::pair<std::int32_t, bool> cases[] = {
        {0, true}, {199, true}, {-30, true}, {320, false}};
    for (const auto& [x, visible] : cases) {
        QImage surface = blankSurface(200, 40);
        MapItem item = textItem(QStringLiteral("Strasbourg"), x, 20, 14);
        drawTextItem(surface, item);
        EXPECT_EQ(item.Width, centred.Width) << x;
        EXPECT_EQ(item.Height, centred.Height) << x;
        EXPECT_EQ(changedPixels(surface).isNull(), !visible) << x;
    }
}

TEST(DrawText, HostileSizesAreDrawnWithinBounds) {
    for (const std::int16_t size : {std::int16_t{0}, std::int16_t{-5}, std::int16_t{32767}}) {
        QImage surface = blankSurface(100, 100);
        MapItem item = textItem(QStringLiteral("Ab"), 50, 50, size);
        drawTextItem(surface, item);
        const Measure measure = expectedMeasure(item, surface);
        EXPECT_EQ(item.Width, measure.width) << size;
        EXPECT_EQ(item.Height, measure.height) << size;
        EXPECT_GT(item.Height, 0) << size;
    }
}

TEST(DrawText, UnknownTypefaceFallsBackToASubstitute) {
    QImage surface = blankSurface(200, 40);
    MapItem item = textItem(QStringLiteral("Dijon"), 100, 20, 12, QStringLiteral("No Such Face"));
    drawTextItem(surface, item);
    EXPECT_GT(item.Width, 0);
    EXPECT_GT(pixelsOfColor(surface, bgrToRgb(kTextColor)), 0);
}

TEST(DrawText, NullSurfaceStillMeasures) {
    QImage surface = blankSurface(10, 10);
    MapItem measured = textItem(QStringLiteral("Caen"), 10, 10, 12);
    drawTextItem(surface, measured);

    QImage none;
    MapItem item = textItem(QStringLiteral("Caen"), 10, 10, 12);
    drawTextItem(none, item);
    EXPECT_EQ(item.Width, measured.Width);
    EXPECT_EQ(item.Height, measured.Height);
}

TEST(DrawText, PainterVariantDrawsTheSameAndRestoresThePainter) {
    QImage direct = blankSurface(160, 50);
    MapItem first = textItem(QStringLiteral("Rennes"), 80, 25, 15);
    drawTextItem(direct, first);

    QImage shared = blankSurface(160, 50);
    MapItem second = textItem(QStringLiteral("Rennes"), 80, 25, 15);
    {
        QPainter painter(&shared);
        const QPen pen(Qt::green);
        painter.setPen(pen);
        drawTextItem(painter, second);
        EXPECT_EQ(painter.pen(), pen);
    }
    EXPECT_EQ(second.Width, first.Width);
    EXPECT_EQ(second.Height, first.Height);
    EXPECT_EQ(shared, direct);
}

} // namespace

TEST(DrawText, ALabelHasTheSamePixelsWhateverTheSurfaceResolution) {
    // A background file's density metadata (none, 72, 96 or 300 dots per inch) stays with the
    // surface; the label must not follow it.
    std::optional<QImage> first;
    std::optional<std::pair<std::int32_t, std::int32_t>> extent;
    for (const int dotsPerMeter : {2835, 3780, 11811}) {
        SCOPED_TRACE(dotsPerMeter);
        QImage surface(80, 40, QImage::Format_RGB32);
        surface.fill(Qt::white);
        surface.setDotsPerMeterX(dotsPerMeter);
        surface.setDotsPerMeterY(dotsPerMeter);
        MapItem item = textItem(QStringLiteral("Paris"), 40, 20, 10, QStringLiteral("DejaVu Sans"));
        drawTextItem(surface, item);
        if (!first) {
            first = surface;
            extent = std::pair{item.Width, item.Height};
            EXPECT_GT(item.Width, 20); // 10 points at 96 dots per inch, not 300
            EXPECT_LT(item.Width, 50);
            continue;
        }
        EXPECT_EQ(std::pair(item.Width, item.Height), *extent);
        surface.setDotsPerMeterX(first->dotsPerMeterX());
        surface.setDotsPerMeterY(first->dotsPerMeterY());
        EXPECT_EQ(surface, *first);
    }
}
