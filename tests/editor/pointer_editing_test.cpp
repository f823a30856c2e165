#include "editor/pointer_editing.h"

#include "editor/hit_test.h"
#include "editor_fixture.h"
#include "imaging/colors.h"
#include "render/text_draw.h"
#include "support/test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace grivendale;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGreen = 0x0000FF00; // 0x00BBGGRR
constexpr std::uint32_t kRed = 0x000000FF;

// Pictogram 1 is a 20 x 20 square, pictogram 2 an 11 x 9 block (odd sizes give half pixels).
constexpr std::int32_t kSquare = 1;
constexpr std::int32_t kBlock = 2;

// The lines of these tests are one pixel wide and red.
MapLine lineThrough(std::initializer_list<std::pair<int, int>> points) {
    return grivendale::testing::lineThrough(points, 1, kRed);
}

// The line's points in canvas coordinates, from its entry's origin.
std::vector<std::pair<int, int>> absolutePoints(const MapDocument& doc, std::int32_t entrySlot) {
    const MapItem* entry = doc.item(entrySlot);
    const MapLine* line = doc.line(entry->RefIndex);
    std::vector<std::pair<int, int>> points;
    for (std::size_t k = 1; k <= static_cast<std::size_t>(line->PointCount); ++k)
        points.emplace_back(entry->X + (*line->PointX)[k], entry->Y + (*line->PointY)[k]);
    return points;
}

class PointerEditingTest : public grivendale::testing::EditorTest {
protected:
    PointerEditingTest() {
        QImage square(20, 20, QImage::Format_RGB32);
        square.fill(qRgb(20, 90, 200));
        square.save(dir.filePath(QStringLiteral("a-carre.png")));
        QImage block(11, 9, QImage::Format_RGB32);
        block.fill(qRgb(200, 30, 30));
        block.save(dir.filePath(QStringLiteral("b-bloc.png")));
        library = PictoLibrary::build(dir.path());
        useBackground(200, 150);
        state.Colors = {kGreen, kRed, 0, 0, 0x00FF0000};
    }

    void useBackground(int w, int h) {
        QImage background(w, h, QImage::Format_RGB32);
        background.fill(kWhite);
        setBackground(background);
    }
    void setBackground(const QImage& background) {
        scene.setBackground(background);
        scene.DrawScene(doc, library, true);
    }

    // A click of one button: press then release at the same place.
    void click(int button, double x, double y) {
        pointerPress(ctx, button, x, y);
        pointerRelease(ctx, button, x, y);
    }
};

TEST(SegmentDistance, InSinglePrecision) {
    struct Case {
        const char* name;
        std::int32_t px, py, ax, ay, bx, by;
        float expected;
    };
    const Case cases[] = {
        {"point segment", 3, 4, 0, 0, 0, 0, 5.0f},
        {"before A", -3, 4, 0, 0, 10, 0, 5.0f},
        {"past B", 13, -4, 0, 0, 10, 0, 5.0f},
        {"beside the middle", 5, 9, 0, 0, 10, 0, 9.0f},
        {"on the segment", 4, 4, 0, 0, 8, 8, 0.0f},
        {"diagonal", 0, 10, 0, 0, 10, 10, std::sqrt(50.0f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(segmentDistance(c.px, c.py, c.ax, c.ay, c.bx, c.by), c.expected);
    }
}

TEST_F(PointerEditingTest, PressSelectsTheElementOnTop) {
    // Slot 1: a line through (40, 50)..(160, 50) under everything; slots 2 and 3: squares
    // overlapping at x 45..60; slot 4: a text centred on (130, 50); slot 5: an odd-sized block.
    doc.AddLine(lineThrough({{40, 50}, {160, 50}}), false, false);
    doc.AddPictoItem(kSquare, 50, 50);
    doc.AddPictoItem(kSquare, 55, 50);
    const std::int32_t text = AddText(doc, QStringLiteral("Brume"), 130, 50, TextStyle{}, 0);
    doc.AddPictoItem(kBlock, 100, 100); // box 94.5..105.5 x 95.5..104.5
    scene.DrawScene(doc, library, true);
    const double textRight = 130 + doc.Items[static_cast<std::size_t>(text)].Width / 2.0;
    ASSERT_GT(textRight, 136);

    struct Case {
        const char* name;
        double x, y;
        std::int32_t item;
    };
    const Case cases[] = {
        {"overlap: higher slot wins", 52, 50, 3},
        {"lower square alone", 42, 50, 2},
        {"square 3 over the line", 62, 50, 3},
        {"text over the line", 125, 50, text},
        {"line alone", 90, 50, 1},
        {"left border of square 3 misses it", 45, 44, 2},
        {"just inside square 3", 45.5, 44, 3},
        {"top border misses", 52, 40, -1},
        {"just inside the top", 52, 40.5, 3},
        {"half-pixel left border", 94.5, 100, -1},
        {"inside the half-pixel border", 94.51, 100, 5},
        {"half-pixel bottom border", 100, 104.5, -1},
        {"right border of the text", textRight, 50, 1},
        {"just inside the text", textRight - 0.01, 50, text},
        {"empty canvas", 20, 120, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pointerPress(ctx, kLeftButton, c.x, c.y);
        EXPECT_EQ(state.SelectedItem, c.item);
        EXPECT_EQ(state.SelectedPoint, -1);
    }
}

TEST_F(PointerEditingTest, PressNearALineGrabsAVertexWithinFourPixels) {
    // Vertices at (100, 100), (140, 100), (140, 130), (180, 160); slot 1. Its box, widened by
    // 5, spans 95..185 x 95..165 (open).
    doc.AddLine(lineThrough({{100, 100}, {140, 100}, {140, 130}, {180, 160}}), false, false);
    scene.DrawScene(doc, library, true);

    struct Case {
        const char* name;
        double x, y;
        std::int32_t item, point;
    };
    const Case cases[] = {
        {"on vertex 1", 100, 100, 1, 1},
        {"4 right of vertex 3", 144, 130, 1, 3},
        {"4 below vertex 3", 140, 134, 1, 3},
        {"4.5 below vertex 3 rounds to 4", 140, 134.5, 1, 3},
        {"4.5 right of vertex 3 is too far", 144.5, 130, 1, -1},
        {"5 right of vertex 3: the segment only", 145, 130, 1, -1},
        {"5 below vertex 3: the segment only", 140, 135, 1, -1},
        {"on segment 1, far from its ends", 120, 100, 1, -1},
        {"9 from a segment", 120, 109, 1, -1},
        {"10 from every segment", 120, 110, -1, -1},
        {"within the widened box, far from the line", 175, 105, -1, -1},
        {"on the widened box's edge, 5 from vertex 1", 95, 100, -1, -1},
        {"just inside the widened box, 4.5 from vertex 1", 95.5, 100, 1, -1},
        {"6 beyond the last vertex, outside the widened box", 186, 160, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pointerPress(ctx, kLeftButton, c.x, c.y);
        EXPECT_EQ(state.SelectedItem, c.item);
        EXPECT_EQ(state.SelectedPoint, c.point);
    }

    // Two vertices within reach: the lower point number is grabbed.
    doc.AddLine(lineThrough({{20, 20}, {23, 20}, {60, 60}}), false, false);
    pointerPress(ctx, kLeftButton, 22, 20);
    EXPECT_EQ(state.SelectedItem, 2);
    EXPECT_EQ(state.SelectedPoint, 1);
}

TEST_F(PointerEditingTest, DraggingVertexThreeMovesItAloneAndRecomputesTheBox) {
    const std::int32_t slot =
        doc.AddLine(lineThrough({{100, 100}, {140, 100}, {140, 130}, {100, 130}}), false, false);
    scene.DrawScene(doc, library, true);

    pointerPress(ctx, kLeftButton, 141, 131);
    ASSERT_EQ(state.SelectedItem, slot);
    ASSERT_EQ(state.SelectedPoint, 3);
    pointerMove(ctx, kLeftButton, 110.4, 140.6);
    EXPECT_TRUE(view.moveCursor);
    pointerMove(ctx, kLeftButton, 81, 151);
    // Until the release the origin stays and the offset goes negative.
    EXPECT_EQ(doc.Items[1].X, 100);
    EXPECT_EQ((*doc.Lines[1].PointX)[3], -20);
    EXPECT_EQ((*doc.Lines[1].PointY)[3], 50);

    pointerRelease(ctx, kLeftButton, 81, 151);
    EXPECT_FALSE(view.moveCursor);
    const MapItem& entry = doc.Items[static_cast<std::size_t>(slot)];
    EXPECT_EQ(entry.X, 80);
    EXPECT_EQ(entry.Y, 100);
    EXPECT_EQ(entry.Width, 60);
    EXPECT_EQ(entry.Height, 50);
    const std::vector<std::pair<int, int>> expected{{100, 100}, {140, 100}, {80, 150}, {100, 130}};
    EXPECT_EQ(absolutePoints(doc, slot), expected);
    const MapLine& line = doc.Lines[1];
    EXPECT_EQ(*std::min_element(line.PointX->begin() + 1, line.PointX->end()), 0);
    EXPECT_EQ(*std::min_element(line.PointY->begin() + 1, line.PointY->end()), 0);
    EXPECT_EQ(state.SelectedPoint, 3);
}

TEST_F(PointerEditingTest, TheBoxUpdateWorksBeyondSmallMaps) {
    // Points further out than any fixed starting guess still give the true box.
    useBackground(40, 30);
    const std::int32_t slot =
        doc.AddLine(lineThrough({{70000, 60000}, {70010, 60020}}), false, false);
    // As left by a drag of both vertices: (70000, 60030) and (70040, 60020).
    (*doc.Lines[1].PointY)[1] = 30;
    (*doc.Lines[1].PointX)[2] = 40;
    state.SelectedItem = slot;
    state.SelectedPoint = 2;
    pointerRelease(ctx, kLeftButton, 5, 5);
    const MapItem& entry = doc.Items[static_cast<std::size_t>(slot)];
    EXPECT_EQ(entry.X, 70000);
    EXPECT_EQ(entry.Y, 60020);
    EXPECT_EQ(entry.Width, 40);
    EXPECT_EQ(entry.Height, 10);
    EXPECT_EQ(absolutePoints(doc, slot),
              (std::vector<std::pair<int, int>>{{70000, 60030}, {70040, 60020}}));
}

TEST_F(PointerEditingTest, ALineGrabbedByASegmentDoesNotMove) {
    const std::int32_t slot = doc.AddLine(lineThrough({{100, 100}, {140, 100}}), false, false);
    scene.DrawScene(doc, library, true);
    const MapDocument before = doc;

    pointerPress(ctx, kLeftButton, 120, 103);
    ASSERT_EQ(state.SelectedItem, slot);
    ASSERT_EQ(state.SelectedPoint, -1);
    pointerMove(ctx, kLeftButton, 150, 130);
    pointerMove(ctx, kLeftButton, 160, 140);
    pointerRelease(ctx, kLeftButton, 160, 140);
    EXPECT_EQ(doc.Items, before.Items);
    EXPECT_EQ(doc.Lines, before.Lines);
    EXPECT_EQ(state.DragX, 160);
}

TEST_F(PointerEditingTest, DraggingAPictogramMovesItByTheRoundedDifference) {
    const std::int32_t slot = doc.AddPictoItem(kSquare, 50, 50);
    scene.DrawScene(doc, library, true);
    const MapItem& item = doc.Items[static_cast<std::size_t>(slot)];

    pointerPress(ctx, kLeftButton, 50.4, 50.6); // anchor (50, 51)
    ASSERT_EQ(state.SelectedItem, slot);

    struct Step {
        double x, y;
        std::int32_t itemX, itemY;
    };
    const Step steps[] = {
        {53.7, 52.2, 54, 51}, // 50 + 3.7 and 50 + 1.2; anchor (54, 52)
        {56.5, 52.0, 56, 51}, // 56.5 goes to the even 56; anchor (56, 52)
        {57.5, 49.5, 58, 48}, // 57.5 goes to 58, 48.5 to 48; anchor (58, 50)
        {57.5, 49.5, 58, 48}, // the same place again: 57.5 and 47.5 go to the even 58 and 48
        {40.0, 30.0, 40, 28},
    };
    int pumps = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.x);
        pointerMove(ctx, kLeftButton, s.x, s.y);
        EXPECT_EQ(item.X, s.itemX);
        EXPECT_EQ(item.Y, s.itemY);
        EXPECT_EQ(view.eventPumps, ++pumps);
    }
    EXPECT_TRUE(view.moveCursor);
    // The surface shows it at its new place.
    EXPECT_NE(scene.surface().pixel(40, 28), kWhite);
    EXPECT_EQ(scene.surface().pixel(55, 55), kWhite);

    // Moves with the right button, or both, are not drag steps.
    pointerMove(ctx, kRightButton, 100, 100);
    pointerMove(ctx, kLeftButton | kRightButton, 100, 100);
    EXPECT_EQ(item.X, 40);
    EXPECT_EQ(state.PointerX, 100);
    pointerRelease(ctx, kLeftButton, 100, 100);
    EXPECT_FALSE(view.moveCursor);
}

TEST_F(PointerEditingTest, RedrawsOnlyWhenTheSelectionChanges) {
    doc.AddPictoItem(kSquare, 50, 50);
    scene.DrawScene(doc, library, true);

    struct Case {
        const char* name;
        double x, y;
        int presents; // composition then marks, or nothing
    };
    const Case cases[] = {
        {"select the square", 50, 50, 2},
        {"the same square again", 52, 48, 0},
        {"empty canvas deselects", 150, 120, 2},
        {"empty canvas again", 160, 130, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = view.presents;
        pointerPress(ctx, kLeftButton, c.x, c.y);
        EXPECT_EQ(view.presents - before, c.presents);
    }
}

TEST_F(PointerEditingTest, FillReleaseRefusesBlackAndTheSameColour) {
    // White map with a black outline across it at x = 100.
    QImage background(200, 150, QImage::Format_RGB32);
    background.fill(kWhite);
    for (int y = 0; y < 150; ++y)
        background.setPixel(100, y, qRgb(0, 0, 0));
    setBackground(background);
    chooseTool(ctx, Tool::Fill);

    struct Case {
        const char* name;
        std::uint32_t fillColor;
        double x, y;
        bool added;
    };
    const Case cases[] = {
        {"black fill colour", 0x000000, 50, 50, false},
        {"white over white", 0xFFFFFF, 50, 50, false},
        {"on the outline", kGreen, 100, 50, false},
        {"green on white", kGreen, 49.6, 50.4, true},
        {"green on green", kGreen, 20, 20, false},
        {"red on green", kRed, 20, 20, true},
        {"beyond the outline", kRed, 150, 50, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.Colors[kFillColorSlot] = c.fillColor;
        const std::int32_t fills = doc.FillCount;
        const std::int32_t history = doc.HistoryCount;
        const int presents = view.presents;
        pointerPress(ctx, kLeftButton, c.x, c.y);
        pointerRelease(ctx, kLeftButton, c.x, c.y);
        EXPECT_EQ(doc.FillCount - fills, c.added ? 1 : 0);
        EXPECT_EQ(doc.HistoryCount - history, c.added ? 1 : 0);
        // The composition, then the extra copy onto the canvas.
        EXPECT_EQ(view.presents - presents, c.added ? 2 : 0);
    }
    EXPECT_EQ(doc.Fills[1], (FillPoint{50, 50, kGreen}));
    EXPECT_EQ(doc.History[1], (HistoryEntry{0, -1, 1, -1}));
    EXPECT_EQ(scene.canvas().pixel(10, 10), bgrToRgb(kRed));
    EXPECT_EQ(scene.canvas().pixel(150, 10), bgrToRgb(kRed));
}

TEST_F(PointerEditingTest, SweepingAcrossThreeAreasFillsEachOnce) {
    // Three white areas split by black outlines at x = 30 and x = 60.
    QImage background(90, 30, QImage::Format_RGB32);
    background.fill(kWhite);
    for (int y = 0; y < 30; ++y) {
        background.setPixel(30, y, qRgb(0, 0, 0));
        background.setPixel(60, y, qRgb(0, 0, 0));
    }
    setBackground(background);
    chooseTool(ctx, Tool::Fill);

    pointerPress(ctx, kLeftButton, 5, 15);
    for (double x = 5; x <= 85; x += 0.5)
        pointerMove(ctx, kLeftButton, x, 15);
    EXPECT_EQ(state.PointerX, 85);
    // Moves with the right button held do not fill.
    pointerMove(ctx, kRightButton, 10, 15);
    pointerRelease(ctx, kLeftButton, 85, 15);

    ASSERT_EQ(doc.FillCount, 3);
    EXPECT_EQ(doc.Fills[1], (FillPoint{5, 15, kGreen}));
    EXPECT_EQ(doc.Fills[2], (FillPoint{31, 15, kGreen}));
    EXPECT_EQ(doc.Fills[3], (FillPoint{61, 15, kGreen}));
    EXPECT_EQ(doc.HistoryCount, 3);
    for (const int x : {0, 29, 31, 59, 61, 89})
        EXPECT_EQ(scene.surface().pixel(x, 0), bgrToRgb(kGreen)) << x;
}

TEST_F(PointerEditingTest, TheTextToolPlacesTheAnswer) {
    chooseTool(ctx, Tool::Text);
    panel.textStyle = TextStyle{QStringLiteral("DejaVu Sans"), 10.5, true, false, false};
    state.SelectedItem = 1;

    ui.inputs = {QString(), std::nullopt, QStringLiteral("Orages")};
    click(kLeftButton, 30, 40);
    click(kRightButton, 30, 40);
    EXPECT_EQ(doc.ItemCount, 0);
    EXPECT_EQ(state.SelectedItem, -1);
    const int presents = view.presents;

    click(kLeftButton, 60.5, 41.5);
    ASSERT_EQ(ui.prompts.size(), 3u);
    for (const QString& prompt : ui.prompts)
        EXPECT_EQ(prompt, QStringLiteral("Texte à insérer :|Morvessin - Texte"));
    ASSERT_EQ(doc.ItemCount, 1);
    const MapItem& text = doc.Items[1];
    EXPECT_TRUE(text.isText());
    EXPECT_EQ(text.Text, QStringLiteral("Orages"));
    EXPECT_EQ(text.X, 60);
    EXPECT_EQ(text.Y, 42);
    EXPECT_EQ(text.Size, 10);
    EXPECT_EQ(text.Bold, kTrue);
    EXPECT_EQ(text.FontName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(text.Color, 0x00FF0000u);
    EXPECT_GT(text.Width, 0); // measured by the redraw
    EXPECT_EQ(view.presents - presents, 1);
    EXPECT_EQ(doc.HistoryCount, 1);
}

TEST_F(PointerEditingTest, ThePictogramToolPlacesTheChosenPictogram) {
    chooseTool(ctx, Tool::AddPicto);
    click(kLeftButton, 30, 30);
    EXPECT_EQ(doc.ItemCount, 0);

    panel.selectedPicto = kBlock;
    state.SelectedItem = 0;
    click(kRightButton, 30.5, 31.5);
    ASSERT_EQ(doc.ItemCount, 1);
    EXPECT_EQ(doc.Items[1].RefIndex, kBlock);
    EXPECT_EQ(doc.Items[1].X, 30);
    EXPECT_EQ(doc.Items[1].Y, 32);
    EXPECT_EQ(state.SelectedItem, -1);
    EXPECT_NE(scene.surface().pixel(30, 32), kWhite);
}

TEST_F(PointerEditingTest, TheLineToolDrawsPointByPoint) {
    chooseTool(ctx, Tool::Line);
    panel.widthText = QStringLiteral("5 px");
    panel.smooth = true;

    // The first point follows the pointer to where the button goes up.
    pointerPress(ctx, kLeftButton, 10, 10);
    pointerRelease(ctx, kLeftButton, 12.5, 11.5);
    click(kLeftButton, 60, 20);
    click(kLeftButton, 60.4, 80.6);
    EXPECT_EQ(state.CurrentLine.PointCount, 3);
    // The line under way shows on the canvas only.
    EXPECT_EQ(scene.canvas().pixel(40, 16), bgrToRgb(kRed));
    EXPECT_EQ(scene.surface().pixel(40, 16), kWhite);

    pointerPress(ctx, kRightButton, 100, 100);
    pointerRelease(ctx, kRightButton, 100, 100);
    ASSERT_EQ(doc.LineCount, 1);
    ASSERT_EQ(doc.ItemCount, 1);
    EXPECT_EQ(absolutePoints(doc, 1),
              (std::vector<std::pair<int, int>>{{12, 12}, {60, 20}, {60, 81}}));
    EXPECT_EQ(doc.Lines[1].Width, 5);
    EXPECT_EQ(doc.Lines[1].Color, kRed);
    EXPECT_EQ(doc.Lines[1].Smooth, 1);
    EXPECT_EQ(doc.Lines[1].InBackground, 0);
    EXPECT_EQ(state.CurrentLine.PointCount, 0);
    EXPECT_EQ(doc.History[1], (HistoryEntry{0, -1, -1, 1}));
}

TEST_F(PointerEditingTest, ARightPressWithOnePointLeavesTheLineUnderWay) {
    chooseTool(ctx, Tool::Line);
    click(kLeftButton, 10, 10);
    click(kRightButton, 50, 50);
    EXPECT_EQ(doc.LineCount, 0);
    EXPECT_EQ(state.CurrentLine.PointCount, 1);

    // Another tool and back: the line goes on.
    chooseTool(ctx, Tool::Select);
    chooseTool(ctx, Tool::Line);
    click(kLeftButton, 30, 30);
    ASSERT_EQ(state.CurrentLine.PointCount, 2);
    EXPECT_EQ((*state.CurrentLine.PointX)[1], 10);
    EXPECT_EQ((*state.CurrentLine.PointX)[2], 30);
    // A right release does not move the first point.
    EXPECT_EQ(doc.LineCount, 0);
}

TEST_F(PointerEditingTest, ChoosingAToolSetsTheFlagsOnly) {
    struct Case {
        Tool tool;
        bool fill, line, select, text;
    };
    const Case cases[] = {
        {Tool::Fill, true, false, false, false},   {Tool::Line, false, true, false, false},
        {Tool::Select, false, false, true, false}, {Tool::AddPicto, false, false, false, false},
        {Tool::Text, false, false, false, true},
    };
    state.SelectedItem = 3;
    state.SelectedPoint = 2;
    for (const Case& c : cases) {
        chooseTool(ctx, c.tool);
        EXPECT_EQ(state.FillMode, c.fill);
        EXPECT_EQ(state.LineMode, c.line);
        EXPECT_EQ(state.SelectMode, c.select);
        EXPECT_EQ(state.TextMode, c.text);
        EXPECT_EQ(currentTool(state), c.tool);
        EXPECT_EQ(view.tools.back(), c.tool);
    }
    EXPECT_EQ(state.SelectedItem, 3);
    EXPECT_EQ(state.SelectedPoint, 2);
}

TEST_F(PointerEditingTest, ARightClickOpensTheMenuOfTheElement) {
    doc.AddLine(lineThrough({{20, 20}, {80, 20}}), true, false);
    doc.AddLine(lineThrough({{20, 60}, {80, 60}}), false, false);
    doc.AddPictoItem(kSquare, 150, 40);
    AddText(doc, QStringLiteral("Neige"), 150, 120, TextStyle{}, 0);
    scene.DrawScene(doc, library, true);

    struct Case {
        const char* name;
        double x, y;
        EditorView::Menu menu;
        bool smoothTicked;
    };
    const Case cases[] = {
        {"smoothed line", 50, 22, EditorView::Menu::Line, true},
        {"straight line", 50, 58, EditorView::Menu::Line, false},
        {"pictogram", 150, 40, EditorView::Menu::Picto, false},
        {"text", 150, 120, EditorView::Menu::Text, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.menusOpened.clear();
        click(kRightButton, c.x, c.y);
        ASSERT_EQ(view.menusOpened.size(), 1u);
        EXPECT_EQ(view.menusOpened[0].menu, c.menu);
        EXPECT_EQ(view.menusOpened[0].smoothTicked, c.smoothTicked);
    }
    // A left click, or a right click on nothing, opens no menu.
    view.menusOpened.clear();
    click(kLeftButton, 150, 40);
    click(kRightButton, 190, 140);
    EXPECT_TRUE(view.menusOpened.empty());
}

TEST_F(PointerEditingTest, ADoubleClickOnASelectedTextEditsIt) {
    doc.AddPictoItem(kSquare, 40, 40);
    AddText(doc, QStringLiteral("Pluie"), 120, 80, TextStyle{}, 0);
    scene.DrawScene(doc, library, true);

    click(kLeftButton, 40, 40);
    pointerDoubleClick(ctx);
    EXPECT_TRUE(ui.prompts.empty());

    click(kLeftButton, 120, 80);
    ASSERT_EQ(state.SelectedItem, 2);
    pointerDoubleClick(ctx);
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_TRUE(ui.prompts[0].startsWith(QStringLiteral("Mise à jour du texte :")));
    EXPECT_EQ(doc.Items[2].Text, QStringLiteral("Pluie")); // cancelled
}

TEST_F(PointerEditingTest, AHostileMapNeverCrashes) {
    // A line entry naming a missing line, a pictogram the library does not hold, a line whose
    // arrays disagree with its count.
    const std::int32_t missing = doc.AddLine(lineThrough({{20, 20}, {60, 20}}), false, false);
    doc.Items[static_cast<std::size_t>(missing)].RefIndex = 99;
    doc.AddPictoItem(50, 100, 100);
    const std::int32_t broken = doc.AddLine(lineThrough({{20, 80}, {60, 80}}), false, false);
    doc.Lines[2].PointCount = 7;
    scene.DrawScene(doc, library, true);

    for (const auto& [x, y] : {std::pair{40.0, 20.0}, {100.0, 100.0}, {40.0, 80.0}}) {
        pointerPress(ctx, kLeftButton, x, y);
        EXPECT_EQ(state.SelectedItem, -1);
        click(kRightButton, x, y);
    }

    // A selection naming no counted slot, or a grabbed point the line does not have.
    for (const std::int32_t selected : {-1, 0, 42}) {
        state.SelectedItem = selected;
        state.SelectedPoint = 1;
        pointerMove(ctx, kLeftButton, 30, 30);
        pointerRelease(ctx, kRightButton, 30, 30);
        pointerDoubleClick(ctx);
    }
    const MapDocument before = doc;
    for (const std::int32_t point : {0, 3, 7}) {
        state.SelectedItem = broken;
        state.SelectedPoint = point;
        pointerMove(ctx, kLeftButton, 35, 35);
        state.SelectedItem = missing;
        pointerMove(ctx, kLeftButton, 35, 35);
        pointerRelease(ctx, kLeftButton, 35, 35);
    }
    EXPECT_EQ(doc.Items, before.Items);
    EXPECT_EQ(doc.Lines, before.Lines);
    EXPECT_TRUE(view.menusOpened.empty());
}

} // namespace
