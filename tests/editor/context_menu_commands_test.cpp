#include "editor/context_menu_commands.h"

#include "editor_fixture.h"
#include "imaging/colors.h"
#include "render/text_draw.h"
#include "support/test_support.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace grivendale;
using grivendale::testing::lineThrough;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
// An opaque PNG pixel loses one step per full component when blended.
constexpr QRgb kDrawnRed = 0xFFFE0000;
constexpr QRgb kDrawnBlue = 0xFF0000FE;
constexpr std::uint32_t kGreenBgr = 0x00FF00;

void savePicto(const QTemporaryDir& dir, const QString& name, QRgb colour) {
    QImage image(5, 5, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(dir.filePath(name)));
}

TextStyle labelStyle() {
    TextStyle style;
    style.pointSize = 12;
    return style;
}

class ContextMenuCommandsTest : public grivendale::testing::EditorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savePicto(dir, QStringLiteral("a-rouge.png"), qRgb(255, 0, 0));
        savePicto(dir, QStringLiteral("b-bleu.png"), qRgb(0, 0, 255));
        library = PictoLibrary::build(dir.path());
        ASSERT_EQ(library.PictoCount(), 2);
        setPlainBackground(60, 40, kWhite);
    }

    std::int32_t select(std::int32_t slot) {
        state.SelectedItem = slot;
        return slot;
    }
    std::int32_t addLine() {
        return doc.AddLine(lineThrough({{10, 10}, {30, 20}, {50, 10}}, 1, kGreenBgr), false, false);
    }
    std::int32_t addText(const QString& text) {
        return AddText(doc, text, 30, 20, labelStyle(), 0);
    }
    void run(MenuCommand::Kind kind, std::int32_t index = 0) {
        runMenuCommand(ctx, MenuCommand{kind, index});
    }
};

TEST_F(ContextMenuCommandsTest, SmoothingTogglesBothWays) {
    const std::int32_t entry = select(addLine());
    const std::int32_t lineSlot = item(entry).RefIndex;

    run(MenuCommand::Kind::ToggleSmooth);
    EXPECT_EQ(doc.line(lineSlot)->Smooth, 1);
    EXPECT_GT(view.presents, 0);

    run(MenuCommand::Kind::ToggleSmooth);
    EXPECT_EQ(doc.line(lineSlot)->Smooth, 0);
    EXPECT_EQ(state.SelectedItem, entry);
}

TEST_F(ContextMenuCommandsTest, SmoothingIgnoresAPictogram) {
    addLine();
    // A pictogram whose number happens to name a line slot must leave that line alone.
    select(doc.AddPictoItem(1, 20, 20));
    run(MenuCommand::Kind::ToggleSmooth);
    EXPECT_EQ(doc.line(1)->Smooth, 0);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, LineWidthEntriesGiveOddWidthsAndKeepTheBox) {
    const struct {
        std::int32_t index;
        std::int32_t width;
    } cases[] = {{0, 1}, {1, 3}, {2, 5}, {3, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        MapDocument fresh;
        doc = fresh;
        const std::int32_t entry = select(addLine());
        const MapItem before = item(entry);

        run(MenuCommand::Kind::LineWidth, c.index);
        EXPECT_EQ(doc.line(before.RefIndex)->Width, c.width);
        EXPECT_EQ(item(entry), before); // the box is not recomputed
    }
}

TEST_F(ContextMenuCommandsTest, LineWidthOnAPictogramDoesNothing) {
    select(doc.AddPictoItem(1, 20, 20));
    run(MenuCommand::Kind::LineWidth, 2);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, PictogramSwapKeepsThePositionAndIsNotUndone) {
    const std::int32_t first = select(doc.AddPictoItem(1, 20, 15));
    const std::int32_t second = doc.AddPictoItem(1, 45, 25);
    ctx.drawScene(true);
    ASSERT_EQ(canvasAt(20, 15), kDrawnRed);

    run(MenuCommand::Kind::SwapPicto, 2);
    EXPECT_EQ(item(first).RefIndex, 2);
    EXPECT_EQ(item(first).X, 20);
    EXPECT_EQ(item(first).Y, 15);
    EXPECT_EQ(item(first).Size, 0);
    EXPECT_EQ(canvasAt(20, 15), kDrawnBlue);
    EXPECT_EQ(state.SelectedItem, first);

    // Undo removes the last addition, not the swap.
    ASSERT_TRUE(doc.Undo());
    EXPECT_FALSE(item(second).isLive());
    EXPECT_TRUE(item(first).isLive());
    EXPECT_EQ(item(first).RefIndex, 2);
}

TEST_F(ContextMenuCommandsTest, ALineEntrySwappedBecomesAPictogramOnItsBoxCorner) {
    const std::int32_t entry = select(addLine());
    run(MenuCommand::Kind::SwapPicto, 1);
    EXPECT_TRUE(item(entry).isPicto());
    EXPECT_EQ(item(entry).X, 10);
    EXPECT_EQ(item(entry).Y, 10);
    EXPECT_EQ(canvasAt(10, 10), kDrawnRed);
    EXPECT_TRUE(doc.line(1)->isLive()); // the line record stays, no longer shown
}

TEST_F(ContextMenuCommandsTest, PictogramNumbersOutsideTheLibraryAreRefused) {
    const std::int32_t slot = select(doc.AddPictoItem(1, 20, 15));
    for (const std::int32_t number : {0, -1, 3}) {
        run(MenuCommand::Kind::SwapPicto, number);
        EXPECT_EQ(item(slot).RefIndex, 1) << number;
    }
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, DeleteHidesTheElementAndIsNotUndone) {
    for (const auto kind : {MenuCommand::Kind::DeleteElement, MenuCommand::Kind::DeleteText}) {
        SCOPED_TRACE(static_cast<int>(kind));
        MapDocument fresh;
        doc = fresh;
        const std::int32_t deleted = select(doc.AddPictoItem(1, 20, 15));
        const std::int32_t later = addText(QStringLiteral("Nuages"));
        ctx.drawScene(true);
        ASSERT_EQ(canvasAt(20, 15), kDrawnRed);

        run(kind);
        EXPECT_FALSE(item(deleted).isLive());
        EXPECT_EQ(item(deleted).RefIndex, 1);
        EXPECT_EQ(doc.ItemCount, 2); // the slot stays counted
        EXPECT_EQ(state.SelectedItem, -1);
        EXPECT_EQ(canvasAt(20, 15), kWhite);

        ASSERT_TRUE(doc.Undo());
        EXPECT_FALSE(item(later).isLive());
        EXPECT_FALSE(item(deleted).isLive());
    }
}

TEST_F(ContextMenuCommandsTest, ChangeTextAsksWithTheCurrentText) {
    const struct {
        std::optional<QString> answer;
        QString expected;
        bool redrawn;
    } cases[] = {
        {QStringLiteral("Orages"), QStringLiteral("Orages"), true},
        {QString(), QStringLiteral("Pluie"), false}, // a label cannot be emptied
        {std::nullopt, QStringLiteral("Pluie"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        MapDocument fresh;
        doc = fresh;
        view.presents = 0;
        ui.inputDefaults.clear();
        ui.prompts.clear();
        const std::int32_t slot = select(addText(QStringLiteral("Pluie")));
        ui.inputs.push_back(c.answer);

        run(MenuCommand::Kind::ChangeText);
        ASSERT_EQ(ui.prompts.size(), 1u);
        EXPECT_EQ(ui.prompts[0], QStringLiteral("Mise à jour du texte :|Mise à jour du texte"));
        EXPECT_EQ(ui.inputDefaults, std::vector<QString>{QStringLiteral("Pluie")});
        EXPECT_EQ(item(slot).Text, c.expected);
        EXPECT_EQ(view.presents > 0, c.redrawn);
    }
}

TEST_F(ContextMenuCommandsTest, ChangeTextWantsAText) {
    select(doc.AddPictoItem(1, 20, 15));
    changeText(ctx);
    EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ContextMenuCommandsTest, SizeEntriesGiveEvenPointSizes) {
    const std::int32_t slot = select(addText(QStringLiteral("Brume")));
    for (std::int32_t index = 0; index < 8; ++index) {
        run(MenuCommand::Kind::TextSize, index);
        EXPECT_EQ(item(slot).Size, 2 * (index + 4)) << index;
    }
    EXPECT_EQ(item(slot).Size, 22);
    EXPECT_EQ(state.SelectedItem, slot);
}

TEST_F(ContextMenuCommandsTest, ColourCancelChangesNothing) {
    const std::int32_t slot = select(addText(QStringLiteral("Neige")));
    item(slot).Color = 0x123456;
    ui.colors.push_back(std::nullopt);

    run(MenuCommand::Kind::TextColour);
    ASSERT_EQ(ui.colorStarts.size(), 1u);
    EXPECT_EQ(ui.colorStarts[0], bgrToRgb(0x123456));
    EXPECT_EQ(item(slot).Color, 0x123456u);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, ColourChosenRecoloursTheLabel) {
    const std::int32_t slot = select(addText(QStringLiteral("Neige")));
    ui.colors.push_back(QColor(255, 0, 0));

    run(MenuCommand::Kind::TextColour);
    EXPECT_EQ(item(slot).Color, 0x0000FFu);
    EXPECT_GT(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, FontChooserStartsFromTheLabelAndStoresItsAnswer) {
    for (const auto kind : {MenuCommand::Kind::TextFont, MenuCommand::Kind::OtherSize}) {
        SCOPED_TRACE(static_cast<int>(kind));
        MapDocument fresh;
        doc = fresh;
        ui.fontStarts.clear();
        const std::int32_t slot = select(addText(QStringLiteral("Vent")));
        item(slot).Size = 13;
        item(slot).Italic = kTrue;
        TextStyle answer;
        answer.family = QStringLiteral("DejaVu Serif");
        answer.pointSize = 16.5;
        answer.bold = true;
        answer.underline = true;
        ui.fonts.push_back(answer);

        run(kind);
        ASSERT_EQ(ui.fontStarts.size(), 1u);
        EXPECT_EQ(ui.fontStarts[0].pointSize, 13.0);
        EXPECT_TRUE(ui.fontStarts[0].italic);
        EXPECT_FALSE(ui.fontStarts[0].bold);
        EXPECT_EQ(ui.fontStarts[0].family, QStringLiteral("Arial"));

        EXPECT_EQ(item(slot).FontName, QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(item(slot).Size, 16); // halves go to the even neighbour
        EXPECT_EQ(item(slot).Bold, kTrue);
        EXPECT_EQ(item(slot).Italic, kFalse);
        EXPECT_EQ(item(slot).Underline, kTrue);
        EXPECT_GT(view.presents, 0);
    }
}

TEST_F(ContextMenuCommandsTest, FontSizesAreKeptInTheSixteenBitField) {
    const struct {
        double chosen;
        std::int16_t stored;
    } cases[] = {{17.5, 18}, {40000, 32767}, {-1e9, -32768}};
    const std::int32_t slot = select(addText(QStringLiteral("Vent")));
    for (const auto& c : cases) {
        TextStyle answer = labelStyle();
        answer.pointSize = c.chosen;
        ui.fonts.push_back(answer);
        run(MenuCommand::Kind::TextFont);
        EXPECT_EQ(item(slot).Size, c.stored) << c.chosen;
    }
}

TEST_F(ContextMenuCommandsTest, FontChooserCancelChangesNothing) {
    const std::int32_t slot = select(addText(QStringLiteral("Vent")));
    const MapItem before = item(slot);
    ui.fonts.push_back(std::nullopt);
    run(MenuCommand::Kind::TextFont);
    EXPECT_EQ(item(slot), before);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, CommandsOnAStaleSelectionDoNothing) {
    addLine();
    addText(QStringLiteral("Grêle"));
    const MapDocument before = doc;
    const MenuCommand commands[] = {
        {MenuCommand::Kind::ToggleSmooth}, {MenuCommand::Kind::LineWidth, 2},
        {MenuCommand::Kind::SwapPicto, 1}, {MenuCommand::Kind::DeleteElement},
        {MenuCommand::Kind::ChangeText},   {MenuCommand::Kind::TextSize, 7},
        {MenuCommand::Kind::OtherSize},    {MenuCommand::Kind::TextColour},
        {MenuCommand::Kind::TextFont},     {MenuCommand::Kind::DeleteText},
    };
    for (const std::int32_t stale : {-1, 0, 3, 1000}) {
        for (const MenuCommand& command : commands) {
            state.SelectedItem = stale;
            ui.inputs.push_back(QStringLiteral("x"));
            runMenuCommand(ctx, command);
            EXPECT_EQ(state.SelectedItem, stale);
        }
    }
    EXPECT_TRUE(ui.inputDefaults.empty());
    EXPECT_TRUE(ui.colorStarts.empty());
    EXPECT_TRUE(ui.fontStarts.empty());
    EXPECT_EQ(view.presents, 0);
    EXPECT_EQ(doc.Items, before.Items);
    EXPECT_EQ(doc.Lines, before.Lines);
}

} // namespace
