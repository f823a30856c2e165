// The key, context menu and palette commands, each run on the editor from one start.

#include "editor/context_menu_commands.h"
#include "editor/key_commands.h"
#include "editor/palette_commands.h"
#include "editor/session_history.h"

#include "document/map_file.h"
#include "editor_fixture.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"
#include "render/text_draw.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

using KeyCommandsTest = EditorTest;

TEST_F(KeyCommandsTest, EachKeyFromTheSameStart) {
    // Suns in slots 1 at (10, 10) and 2 at (30, 10), the pointer near (48, 30), the buffer holding
    // slot 2 when `copied`. Ctrl commands run whenever Ctrl is held, Delete whatever is. After:
    // ran, selection, slot 1's number, buffer filled and its X, the last slot's place, and
    // whether the canvas shows a sun at (10, 10), (30, 10) and the pointer.
    using After = std::tuple<bool, int, int, bool, int, int, int, QString>;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers all = ctrl | Qt::ShiftModifier | Qt::AltModifier;
    const std::tuple<int, Qt::KeyboardModifiers, int, bool, After> cases[] = {
        {Qt::Key_C, ctrl, 1, false, {true, 1, kSun, true, 10, 30, 10, "xx."}},
        {Qt::Key_C, all, 1, false, {true, 1, kSun, true, 10, 30, 10, "xx."}},
        {Qt::Key_X, ctrl, 1, false, {true, -1, kSun, true, 10, 30, 10, ".x."}},
        {Qt::Key_X, Qt::NoModifier, 1, false, {false, 1, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_Delete, Qt::NoModifier, 1, true, {true, -1, 0, true, 30, 30, 10, ".x."}},
        {Qt::Key_V, ctrl, 1, false, {false, 1, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_V, ctrl, 1, true, {true, 3, kSun, true, 30, 48, 30, "xxx"}},
        {Qt::Key_Z, ctrl, 1, false, {true, 1, kSun, false, 30, 30, 10, "x.."}},
        {Qt::Key_Z, ctrl | Qt::AltModifier, 2, false, {true, -1, kSun, false, 30, 30, 10, "x.."}},
        {Qt::Key_Z, all, 2, false, {true, 2, kSun, false, 30, 30, 10, "xx."}}, // redo: none
        // Another key, selections naming no counted slot.
        {Qt::Key_Backspace, ctrl, 1, true, {false, 1, kSun, true, 30, 30, 10, "xx."}},
        {Qt::Key_Delete, Qt::NoModifier, 0, false, {false, 0, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_X, ctrl, 3, false, {false, 3, kSun, false, 30, 30, 10, "xx."}},
    };
    state.PointerX = 47.5; // pasted at (48, 30): halves to even
    state.PointerY = 30.5;
    for (const auto& [key, modifiers, selected, copied, after] : cases) {
        doc = MapDocument{};
        doc.AddPictoItem(kSun, 10, 10);
        doc.AddPictoItem(kSun, 30, 10);
        state.SelectedItem = selected;
        state.CopiedItem = item(2);
        state.HasCopiedItem = copied;
        scene.DrawScene(doc, library, true);
        const bool ran = keyRelease(ctx, key, modifiers);
        QString shown;
        for (const auto& [x, y] : {std::pair{10, 10}, {30, 10}, {48, 30}})
            shown += canvasAt(x, y) == qRgb(255, 0, 0) ? 'x' : '.';
        EXPECT_EQ(After(ran, state.SelectedItem, item(1).RefIndex, state.HasCopiedItem,
                        state.CopiedItem.X, item(doc.ItemCount).X, item(doc.ItemCount).Y, shown),
                  after)
            << key << " with " << modifiers.toInt() << " on " << selected;
    }
}

using ContextMenuCommandsTest = EditorTest;

TEST_F(ContextMenuCommandsTest, EachCommandInTurn) {
    addLine({{10, 10}, {30, 20}, {50, 10}});
    doc.AddPictoItem(kCloud, 20, 40); // its number also names line 1
    AddText(doc, QStringLiteral("Pluie"), 100, 100, TextStyle{QStringLiteral("Arial"), 12},
            0x123456);
    item(3).Italic = kTrue;
    doc.AddPictoItem(kCloud, 150, 40); // the last addition
    scene.DrawScene(doc, library, true);
    const auto n = [](auto value) { return QString::number(value); };
    const auto line = [&] { return n(doc.Lines[1].Smooth) + n(doc.Lines[1].Width); };
    const auto picto = [&] { return n(item(2).RefIndex) + QString::number(canvasAt(20, 40), 16); };
    const auto text = [&] { return item(3).Text + n(item(3).Color); };
    const auto font = [&, &t = item(3)] {
        return t.FontName + n(t.Size) + n(t.Bold) + n(t.Italic) + n(t.Underline);
    };
    const auto live = [&] { return n(item(2).InUse) + n(item(3).InUse) + n(state.SelectedItem); };
    // A text the map file cannot keep is said at once; "Non" gives the box back with it.
    ui.inputs = {QStringLiteral("żółw"), QStringLiteral("Orages"), QString()};
    ui.colors = {std::nullopt, QColor(255, 0, 0)};
    ui.fonts = {TextStyle{QStringLiteral("DejaVu Serif"), 16.5, true, false, true},
                TextStyle{QStringLiteral("Arial"), 17.5}, TextStyle{QStringLiteral("Arial"), -1e9},
                std::nullopt};
    using K = MenuCommand::Kind;
    // The selected slot, the command, what it leaves, and whether it redraws.
    const std::tuple<std::int32_t, MenuCommand, std::function<QString()>, const char*, bool>
        script[] = {
            {-1, {K::ToggleSmooth}, line, "01", false}, // stale selections: nothing
            {1, {K::ToggleSmooth}, line, "11", true},
            {1, {K::ToggleSmooth}, line, "01", true},
            {2, {K::ToggleSmooth}, line, "01", false}, // a pictogram, whatever its number names
            {1, {K::LineWidth, 3}, line, "07", true},
            {1, {K::LineWidth, 4}, line, "07", false},
            {3, {K::ChangeText}, text, "Orages1193046", true},
            {3, {K::ChangeText}, text, "Orages1193046", false}, // a label cannot be emptied
            {3, {K::TextSize, 7}, font, "Arial220-10", true},
            {3, {K::TextSize, 8}, font, "Arial220-10", false},
            {3, {K::TextColour}, text, "Orages1193046", false}, // 0x123456
            {3, {K::TextColour}, text, "Orages255", true},
            {3, {K::TextFont}, font, "DejaVu Serif16-10-1", true}, // halves to even
            {3, {K::OtherSize}, font, "Arial18000", true},         // the chooser takes any size
            {3, {K::TextFont}, font, "Arial-32768000", true},
            {3, {K::TextFont}, font, "Arial-32768000", false}, // cancelled
            {2, {K::SwapPicto, 2}, picto, "2ffff0000", true},
            {2, {K::SwapPicto, 3}, picto, "2ffff0000", false},
            {2, {K::DeleteElement}, live, "0-1-1", true},
            {3, {K::DeleteText}, live, "00-1", true},
        };
    for (const auto& [slot, command, probe, expected, redraws] : script) {
        state.SelectedItem = slot;
        const int presents = view.presents;
        runMenuCommand(ctx, command);
        EXPECT_EQ(std::pair(probe(), view.presents > presents),
                  std::pair(QString::fromUtf8(expected), redraws))
            << slot << " " << static_cast<int>(command.kind);
    }
    // The dialogs start from the element; widths kept the line's box; deleted slots stay counted
    // with their numbers; undo takes back the last addition, not a command.
    EXPECT_TRUE(ui.messages.at(0).text.contains(QStringLiteral("ż, ł")));
    EXPECT_EQ(std::tuple(ui.inputDefaults[1] + ui.inputDefaults[2], ui.colorStarts[0],
                         ui.fontStarts[0], box(1)),
              std::tuple(QStringLiteral("żółwOrages"), qRgb(0x56, 0x34, 0x12),
                         TextStyle{QStringLiteral("Arial"), 22, false, true, false},
                         std::vector{10, 10, 40, 10}));
    EXPECT_EQ(std::pair(doc.ItemCount, item(2).RefIndex), std::pair(4, kSun));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(std::pair(item(2).isLive(), item(4).isLive()), std::pair(false, false));
}

using SessionHistoryTest = EditorTest;

TEST_F(SessionHistoryTest, EveryKindOfChangeIsUndoneAndRedone) {
    SessionHistory history;
    ctx.history = &history;
    using K = MenuCommand::Kind;
    const auto menu = [&](std::int32_t slot, MenuCommand command) {
        return [=, this] {
            state.SelectedItem = slot;
            runMenuCommand(ctx, command);
        };
    };
    const auto tool = [&](Tool t, std::vector<std::tuple<int, double, double>> clicks) {
        return [=, this] {
            chooseTool(ctx, t);
            for (const auto& [button, x, y] : clicks)
                click(button, x, y);
        };
    };
    const auto drag = [&](double x, double y) {
        return [=, this] {
            chooseTool(ctx, Tool::Select);
            pointerPress(ctx, kLeftButton, x, y);
            for (int step = 1; step <= 4; ++step)
                pointerMove(ctx, kLeftButton, x + 5 * step, y + 3 * step);
            pointerRelease(ctx, kLeftButton, x + 20, y + 12);
        };
    };
    const auto key = [&](std::int32_t slot, int k, Qt::KeyboardModifiers modifiers) {
        return [=, this] {
            state.SelectedItem = slot;
            keyRelease(ctx, k, modifiers);
        };
    };
    ui.fonts = {TextStyle{QStringLiteral("DejaVu Serif"), 16, true}};
    ui.colors = {QColor(255, 0, 0)};
    ui.inputs = {QStringLiteral("Grêle")};
    state.PointerX = 150;
    state.PointerY = 120;
    panel.selectedPicto = kSun;
    // Each change from the same start: line 1 (entry 1), a cloud (2), a label (3).
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"picto added", tool(Tool::AddPicto, {{kLeftButton, 100, 100}})},
        {"line added",
         tool(Tool::Line, {{kLeftButton, 60, 60}, {kLeftButton, 90, 70}, {kRightButton, 90, 70}})},
        {"text added", tool(Tool::Text, {{kLeftButton, 120, 30}})},
        {"fill", tool(Tool::Fill, {{kLeftButton, 150, 140}})},
        {"moved", drag(20, 40)},
        {"vertex dragged", drag(30, 20)},
        {"deleted", key(2, Qt::Key_Delete, {})},
        {"pasted",
         [&] {
             key(2, Qt::Key_C, Qt::ControlModifier)();
             key(2, Qt::Key_V, Qt::ControlModifier)();
         }},
        {"swapped", menu(2, {K::SwapPicto, kSun})},
        {"restyled", menu(3, {K::TextFont})},
        {"recoloured", menu(3, {K::TextColour})},
        {"widened", menu(1, {K::LineWidth, 2})},
        {"smoothed", menu(1, {K::ToggleSmooth})},
        {"cleared", [&] { doc.clearAll(); }},
        {"background", [&] { doc.setBackgroundFile(QStringLiteral("/cartes/fond.png")); }},
    };
    const auto snapshot = [&] { return std::pair(serializeMapFile(doc), doc.History); };
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        doc = MapDocument{};
        addLine({{10, 10}, {30, 20}, {50, 10}});
        doc.AddPictoItem(kCloud, 20, 40);
        AddText(doc, QStringLiteral("Pluie"), 100, 100, TextStyle{QStringLiteral("Arial"), 12},
                0x123456);
        scene.DrawScene(doc, library, true); // a label keeps the extent it is drawn with
        history.reset(doc);
        const auto before = snapshot();
        change();
        history.record(doc); // as the window does once a change is complete
        const auto after = snapshot();
        ASSERT_NE(after, before);
        EXPECT_EQ(history.undoSteps(), 1u); // a drag too is one step
        stepCommand(ctx, false);
        EXPECT_EQ(snapshot(), before);
        stepCommand(ctx, true);
        EXPECT_EQ(snapshot(), after);
    }

    // Past the session's first step, undo takes back the map's own additions, which redo
    // brings back; a new change drops what was left to redo. A hundred steps and more.
    history.reset(doc);
    const auto start = snapshot();
    for (int i = 0; i < 120; ++i) {
        doc.Items[2].X = i;
        history.record(doc);
    }
    for (int i = 0; i < 120; ++i)
        stepCommand(ctx, false);
    EXPECT_EQ(snapshot(), start);
    stepCommand(ctx, false);
    stepCommand(ctx, false);
    EXPECT_EQ(std::pair(item(2).isLive(), item(3).isLive()), std::pair(false, false));
    stepCommand(ctx, true); // the last undone comes back first
    EXPECT_EQ(std::pair(item(2).isLive(), item(3).isLive()), std::pair(true, false));
    doc.Items[1].X = 0;
    stepCommand(ctx, true);
    EXPECT_FALSE(item(3).isLive());
}

using PaletteCommandsTest = EditorTest;

TEST_F(PaletteCommandsTest, SwatchesStoreTheColourAndChooseTheirTool) {
    // Cancelling keeps the colour, but the swatch, the tool and the setting follow all the same.
    const std::tuple<int, std::optional<QColor>, std::uint32_t, bool, bool> cases[] = {
        {0, QColor(255, 0, 0), 0x0000FF, true, false}, {1, std::nullopt, kRedBgr, false, true},
        {1, QColor(0, 0, 255), 0xFF0000, false, true}, {3, std::nullopt, 0, false, false},
        {4, QColor(1, 2, 3), 0x030201, false, false},
    };
    for (const auto& [slot, answer, colour, fill, line] : cases) {
        chooseTool(ctx, Tool::Select);
        const QRgb start = bgrToRgb(state.Colors[static_cast<std::size_t>(slot)]);
        ui.colors = {answer};
        changePaletteColour(ctx, slot);
        const SettingsStore nextStart(dir.filePath(QStringLiteral("settings")));
        EXPECT_EQ(std::tuple(ui.colorStarts.back(), state.Colors[static_cast<std::size_t>(slot)],
                             state.FillMode, state.LineMode,
                             readStartupSettings(nextStart, dir.path()).Colors[slot]),
                  std::tuple(start, colour, fill, line, colour))
            << slot;
    }
    EXPECT_EQ(view.paletteSlots, (std::vector{0, 1, 1, 3, 4})); // each swatch repainted
}

TEST_F(PaletteCommandsTest, PictogramsAndTheirTransparentColour) {
    doc.AddPictoItem(kCloud, 50, 50); // spans 44..54 x 46..54, the black centre at (49, 50)
    doc.AddPictoItem(kSun, 100, 100); // spans 98..102
    const QImage cloud = LoadPictureEx(dir.filePath(QStringLiteral("a-nuage.bmp")));
    EXPECT_EQ(choosePicto(ctx, kCloud), cloud);
    EXPECT_EQ(std::pair(panel.selectedPicto, view.tools),
              std::pair(std::optional(kCloud), std::vector{Tool::AddPicto}));
    EXPECT_FALSE(pickTransparentColour(ctx, cloud, QPoint(0, 9), nullptr)); // outside
    // A key file that cannot be written (a folder in its place) is reported; the colour still
    // applies for this run, to every placed copy at once.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a-nuage.bmp.tcolor")));
    QString error;
    EXPECT_TRUE(pickTransparentColour(ctx, cloud, QPoint(0, 4), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(std::pair(canvasAt(46, 47), canvasAt(49, 50)), std::pair(kGround, qRgb(0, 0, 0)));
    // Without a key the sun's magenta ring shows.
    choosePicto(ctx, kSun);
    error.clear();
    ASSERT_TRUE(removeTransparency(ctx, &error));
    EXPECT_EQ(std::pair(canvasAt(98, 98), error), std::pair(qRgb(255, 0, 255), QString()));
}

TEST(FontSizeFromText, ALeadingNumberAboveOne) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"13", 13.0},          {"10,5", 10.5},       {"\t9", 9.0},       {"+16", 16.0},
        {"12pt", 12.0},        {"7.5.3", 7.5},       {"1.5", 1.5},       {"1", std::nullopt},
        {"1.0", std::nullopt}, {"-3", std::nullopt}, {"", std::nullopt}, {".5", std::nullopt},
        {"x12", std::nullopt},
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(fontSizeFromText(QString::fromUtf8(text)), size) << text;
    EXPECT_EQ(fontSizeFromText(QStringLiteral("1") + QString(400, QLatin1Char('0'))), std::nullopt);
}

} // namespace
