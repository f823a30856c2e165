#include "editor/context_menu_commands.h"

#include "editor_fixture.h"
#include "render/text_draw.h"

#include <gtest/gtest.h>

#include <functional>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

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
    ui.inputs = {QStringLiteral("Orages"), QString()};
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
    EXPECT_EQ(std::tuple(ui.inputDefaults[1], ui.colorStarts[0], ui.fontStarts[0], box(1)),
              std::tuple(QStringLiteral("Orages"), qRgb(0x56, 0x34, 0x12),
                         TextStyle{QStringLiteral("Arial"), 22, false, true, false},
                         std::vector{10, 10, 40, 10}));
    EXPECT_EQ(std::pair(doc.ItemCount, item(2).RefIndex), std::pair(4, kSun));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(std::pair(item(2).isLive(), item(4).isLive()), std::pair(false, false));
}

} // namespace
