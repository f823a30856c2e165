#include "editor/pointer_editing.h"

#include "editor_fixture.h"
#include "render/text_draw.h"

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

using PointerEditingTest = EditorTest;

TEST_F(PointerEditingTest, PressSelectsTopMostThenLinesAndRightClicksOpenItsMenu) {
    addLine({{40, 50}, {160, 50}});
    doc.AddPictoItem(kCloud, 50, 50); // box 44.5..55.5 x 45.5..54.5
    doc.AddPictoItem(kCloud, 54, 50); // box 48.5..59.5, over the first
    AddText(doc, QStringLiteral("Brume"), 130, 50, TextStyle{}, 0);
    addLine({{100, 80}, {140, 80}, {140, 110}, {180, 140}}); // widened: 95..185 x 75..145
    addLine({{150, 10}, {153, 10}, {190, 20}});
    doc.AddPictoItem(50, 10, 140); // a number the library does not hold
    scene.DrawScene(doc, library, true);
    const double right = 130 + item(4).Width / 2.0; // of the text
    // Pictograms and texts first, the higher slot first, open boxes; then vertices within 4 (dy
    // rounded), segments closer than 10 after rounding, widened boxes; of two vertices, the lower.
    const std::tuple<double, double, std::int32_t, std::int32_t> cases[] = {
        {52, 50, 3, -1},   {46, 50, 2, -1},     {48.5, 48, 2, -1},         {48.51, 48, 3, -1},
        {59.5, 50, 1, -1}, {56, 45.5, 1, -1},   {56, 45.51, 3, -1},        {56, 54.5, 1, -1},
        {125, 50, 4, -1},  {right, 50, 1, -1},  {right - 0.01, 50, 4, -1}, {100, 80, 5, 1},
        {144, 110, 5, 3},  {140, 114.5, 5, 3},  {144.5, 110, 5, -1},       {140, 115, 5, -1},
        {120, 89, 5, -1},  {120, 89.5, -1, -1}, {175, 85, -1, -1},         {95, 80, -1, -1},
        {95.5, 80, 5, -1}, {120, 75, -1, -1},   {185, 140, -1, -1},        {180, 145, -1, -1},
        {152, 10, 6, 1},   {10, 140, -1, -1},
    };
    for (const auto& [x, y, slot, point] : cases) {
        const std::int32_t previous = state.SelectedItem;
        const int presents = view.presents;
        pointerPress(ctx, kLeftButton, x, y);
        // Composition and marks when the selection changes, nothing otherwise.
        EXPECT_EQ(std::tuple(state.SelectedItem, state.SelectedPoint, view.presents - presents),
                  std::tuple(slot, point, slot != previous ? 2 : 0))
            << x << ", " << y;
    }

    // A right click opens the menu of the element under it, the line's with its smoothing
    // ticked, and runs the command chosen; none on empty canvas.
    doc.Lines[1].Smooth = 1;
    view.menuAnswers = {MenuCommand{MenuCommand::Kind::ToggleSmooth}, std::nullopt};
    for (const auto& [x, y] : {std::pair{90.0, 50.0}, {125.0, 50.0}, {46.0, 50.0}, {10.0, 140.0}})
        click(kRightButton, x, y);
    using Menu = EditorView::Menu;
    const auto& menus = view.menusOpened;
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(std::tuple(menus[0].menu, menus[0].smoothTicked, menus[1].menu, menus[2].menu,
                         menus[2].smoothTicked, doc.Lines[1].Smooth),
              std::tuple(Menu::Line, true, Menu::Text, Menu::Picto, false, 0));
}

TEST_F(PointerEditingTest, DragsMoveByTheRoundedDifference) {
    doc.AddPictoItem(kCloud, 50, 50);
    scene.DrawScene(doc, library, true);
    pointerPress(ctx, kLeftButton, 50.4, 50.6); // anchor (50, 51)
    // Each step moves by the rounded difference from the last anchor, halves to even (56.5 to
    // 56, 57.5 to 58, 48.5 and 47.5 to 48); moves without the left button alone are no steps.
    const std::tuple<int, double, double, std::int32_t, std::int32_t> steps[] = {
        {kLeftButton, 53.7, 52.2, 54, 51}, {kLeftButton, 56.5, 52.0, 56, 51},
        {kLeftButton, 57.5, 49.5, 58, 48}, {kLeftButton, 57.5, 49.5, 58, 48},
        {kLeftButton, 40, 30, 40, 28},     {0, 100, 100, 40, 28},
        {kRightButton, 100, 100, 40, 28},  {kLeftButton | kRightButton, 100, 100, 40, 28},
    };
    for (const auto& [buttons, x, y, itemX, itemY] : steps) {
        pointerMove(ctx, buttons, x, y);
        EXPECT_EQ(std::pair(item(1).X, item(1).Y), std::pair(itemX, itemY)) << x;
    }
    EXPECT_EQ(std::tuple(view.eventPumps, state.PointerX, view.moveCursor),
              std::tuple(5, 100.0, true));
    pointerRelease(ctx, kLeftButton, 100, 100);
    EXPECT_FALSE(view.moveCursor);

    // A grabbed vertex moves alone; the box follows at the release, beyond any fixed first guess.
    const std::int32_t slot = addLine({{70100, 100}, {70140, 100}, {70140, 130}, {70100, 130}});
    pointerPress(ctx, kLeftButton, 70141, 131);
    pointerMove(ctx, kLeftButton, 70110.4, 140.6);
    pointerMove(ctx, kLeftButton, 70081, 151);
    EXPECT_EQ(std::pair(item(slot).X, (*doc.Lines[1].PointX)[3]), std::pair(70100, -20));
    pointerRelease(ctx, kLeftButton, 70081, 151);
    EXPECT_EQ(std::tuple(box(slot), *doc.Lines[1].PointX, *doc.Lines[1].PointY),
              std::tuple(std::vector{70080, 100, 60, 50}, std::vector{0, 20, 60, 0, 20},
                         std::vector{0, 0, 0, 50, 30}));
    // Grabbed by a segment, a line does not move.
    pointerPress(ctx, kLeftButton, 70120, 103);
    pointerMove(ctx, kLeftButton, 70150, 130);
    EXPECT_EQ(std::pair(item(slot).X, item(slot).Y), std::pair(70080, 100));
}

TEST_F(PointerEditingTest, AClickActsByTool) {
    ui.inputs = {std::nullopt, QString(), QStringLiteral("Orages")};
    // The tool and button, then the items, fills, points under way and the selection left; the
    // text rows answer nothing, an empty text, then a text, placed in the text colour.
    const std::tuple<Tool, int, std::int32_t, std::int32_t, std::int32_t, std::int32_t> cases[] = {
        {Tool::Select, kLeftButton, 0, 0, 0, -1}, {Tool::AddPicto, kRightButton, 1, 0, 0, -1},
        {Tool::Line, kLeftButton, 0, 0, 1, 0},    {Tool::Line, kRightButton, 0, 0, 0, 0},
        {Tool::Fill, kLeftButton, 0, 1, 0, 0},    {Tool::Text, kLeftButton, 0, 0, 0, -1},
        {Tool::Text, kLeftButton, 0, 0, 0, -1},   {Tool::Text, kLeftButton, 1, 0, 0, -1},
    };
    for (const auto& [tool, button, items, fills, points, selected] : cases) {
        doc = MapDocument{};
        state.CurrentLine = MapLine{};
        state.SelectedItem = 0;
        panel.selectedPicto = kSun;
        chooseTool(ctx, tool);
        click(button, 30.5, 41.5);
        const MapLine& line = state.CurrentLine;
        ASSERT_EQ(std::tuple(doc.ItemCount, doc.FillCount, line.PointCount, state.SelectedItem),
                  std::tuple(items, fills, points, selected))
            << static_cast<int>(tool);
        // Whatever the click placed is at the rounded pointer.
        const auto at = items    ? std::pair(item(1).X, item(1).Y)
                        : fills  ? std::pair(doc.Fills[1].X, doc.Fills[1].Y)
                        : points ? std::pair((*line.PointX)[1], (*line.PointY)[1])
                                 : std::pair(30, 42);
        EXPECT_EQ(at, std::pair(30, 42)) << static_cast<int>(tool);
    }
    EXPECT_EQ(std::pair(item(1).Text, item(1).Color),
              std::pair(QStringLiteral("Orages"), 0xFF0000u));
}

TEST_F(PointerEditingTest, TheLineToolDrawsPointByPoint) {
    chooseTool(ctx, Tool::Line);
    panel.widthText = QStringLiteral("5 px");
    panel.smooth = true;
    // The first point follows the pointer until the button goes up; one point finishes nothing.
    pointerPress(ctx, kLeftButton, 10, 10);
    pointerRelease(ctx, kLeftButton, 12.5, 11.5);
    click(kRightButton, 50, 50);
    click(kLeftButton, 60, 20);
    click(kLeftButton, 60.4, 80.6);
    click(kRightButton, 100, 100);
    ASSERT_EQ(std::pair(doc.LineCount, state.CurrentLine.PointCount), std::pair(1, 0));
    const MapLine& line = doc.Lines[1];
    EXPECT_EQ(std::tuple(box(1), *line.PointX, *line.PointY),
              std::tuple(std::vector{12, 12, 48, 69}, std::vector{0, 0, 48, 48},
                         std::vector{0, 0, 8, 69}));
    EXPECT_EQ(std::tuple(line.Width, line.Smooth, line.InBackground, line.Color),
              std::tuple(5, 1, 0, kRedBgr));
}

TEST_F(PointerEditingTest, FillsAreRefusedOnBlackAndTheirOwnColour) {
    QImage background(200, 150, QImage::Format_RGB32); // outlines at x = 60 and 120
    background.fill(Qt::white);
    for (int y = 0; y < 150; ++y)
        background.setPixel(60, y, 0), background.setPixel(120, y, 0);
    scene.setBackground(background);
    scene.DrawScene(doc, library, true);
    chooseTool(ctx, Tool::Fill);
    // Refused: a black fill colour, white on white, on an outline, green on green.
    const std::tuple<std::uint32_t, double, double, bool> cases[] = {
        {0x000000, 30, 50, false},     {0xFFFFFF, 30, 50, false},  {kGreenBgr, 60, 50, false},
        {kGreenBgr, 29.6, 50.4, true}, {kGreenBgr, 20, 20, false}, {kRedBgr, 20, 20, true},
        {kRedBgr, 90, 50, true},
    };
    for (const auto& [colour, x, y, added] : cases) {
        state.Colors[kFillColorSlot] = colour;
        const std::int32_t fills = doc.FillCount;
        const int presents = view.presents;
        click(kLeftButton, x, y);
        // Added, then the composition and the flip show it.
        EXPECT_EQ(std::pair(doc.FillCount - fills, view.presents - presents),
                  std::pair(added ? 1 : 0, added ? 2 : 0))
            << colour << " at " << x;
    }
    EXPECT_EQ(doc.Fills[1], (FillPoint{30, 50, kGreenBgr}));
    // Moves with the right button do not fill; a sweep with the left one fills the last area
    // once, where it enters it.
    pointerMove(ctx, kRightButton, 150, 100);
    pointerPress(ctx, kLeftButton, 100, 60);
    for (double x = 100; x <= 190; x += 0.5)
        pointerMove(ctx, kLeftButton, x, 60);
    pointerRelease(ctx, kLeftButton, 190, 60);
    ASSERT_EQ(doc.FillCount, 4);
    EXPECT_EQ(doc.Fills[4], (FillPoint{121, 60, kRedBgr}));
}

} // namespace
