#include "editor/context_menu_commands.h"

#include "imaging/colors.h"
#include "render/text_draw.h"
#include "support/fake_editor_view.h"
#include "support/fake_ui_port.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace grivendale;

namespace {

class ContextMenuGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance())
            return;
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[13] = "tests_editor";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const contextMenuEnvironment =
    ::testing::AddGlobalTestEnvironment(new ContextMenuGuiEnvironment);

constexpr QRgb kWhite = 0xFFFFFFFF;
// An opaque PNG pixel loses one step per full component when blended.
constexpr QRgb kDrawnRed = 0xFFFE0000;
constexpr QRgb kDrawnBlue = 0xFF0000FE;
constexpr std::uint32_t kGreenBgr = 0x00FF00;

// Scripted answers, plus what each dialog was started with.
class MenuTestUi final : public UiPort {
public:
    Answer messageBox(const QString& text, const QString& title, Icon icon,
                      Buttons buttons) override {
        return fake.messageBox(text, title, icon, buttons);
    }
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override {
        textDefaults.push_back(defaultText);
        return fake.inputBox(prompt, title, defaultText);
    }
    std::optional<QString> openFile(const FileDialog& dialog) override {
        return fake.openFile(dialog);
    }
    std::optional<QString> saveFile(const FileDialog& dialog) override {
        return fake.saveFile(dialog);
    }
    std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override {
        colourStarts.push_back(initial);
        return fake.chooseColor(initial, title);
    }
    std::optional<TextStyle> chooseFont(const TextStyle& initial) override {
        fontStarts.push_back(initial);
        return fake.chooseFont(initial);
    }

    grivendale::testing::FakeUiPort fake;
    std::vector<QString> textDefaults;
    std::vector<QColor> colourStarts;
    std::vector<TextStyle> fontStarts;
};

void savePicto(const QTemporaryDir& dir, const QString& name, QRgb colour) {
    QImage image(5, 5, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(dir.filePath(name)));
}

MapLine lineThrough(std::initializer_list<std::pair<int, int>> points, int width) {
    MapLine line;
    line.Width = width;
    line.Color = kGreenBgr;
    line.PointX = std::vector<std::int32_t>{0};
    line.PointY = std::vector<std::int32_t>{0};
    for (const auto& [x, y] : points) {
        line.PointX->push_back(x);
        line.PointY->push_back(y);
    }
    line.PointCount = static_cast<std::int32_t>(points.size());
    return line;
}

TextStyle labelStyle() {
    TextStyle style;
    style.pointSize = 12;
    return style;
}

class ContextMenuCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savePicto(dir, QStringLiteral("a-rouge.png"), qRgb(255, 0, 0));
        savePicto(dir, QStringLiteral("b-bleu.png"), qRgb(0, 0, 255));
        library = PictoLibrary::build(dir.path());
        ASSERT_EQ(library.PictoCount(), 2);
        QImage background(60, 40, QImage::Format_RGB32);
        background.fill(kWhite);
        scene.setBackground(background);
    }

    std::int32_t select(std::int32_t slot) {
        state.SelectedItem = slot;
        return slot;
    }
    std::int32_t addLine() {
        return doc.AddLine(lineThrough({{10, 10}, {30, 20}, {50, 10}}, 1), false, false);
    }
    std::int32_t addText(const QString& text) {
        return AddText(doc, text, 30, 20, labelStyle(), 0);
    }
    MapItem& item(std::int32_t slot) { return *doc.item(slot); }
    QRgb canvasAt(int x, int y) const { return scene.canvas().pixel(x, y); }
    void run(MenuCommand::Kind kind, std::int32_t index = 0) {
        runMenuCommand(ctx, MenuCommand{kind, index});
    }

    QTemporaryDir dir;
    MapDocument doc;
    EditorState state;
    Scene scene;
    PictoLibrary library;
    SettingsStore settings{dir.filePath(QStringLiteral("settings"))};
    MenuTestUi ui;
    grivendale::testing::FakeEditorView view;
    PanelState panel;
    EditorContext ctx{doc, state, scene, library, settings, ui, view, panel, dir.path()};
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
        ui.textDefaults.clear();
        ui.fake.prompts.clear();
        const std::int32_t slot = select(addText(QStringLiteral("Pluie")));
        ui.fake.inputs.push_back(c.answer);

        run(MenuCommand::Kind::ChangeText);
        ASSERT_EQ(ui.fake.prompts.size(), 1u);
        EXPECT_EQ(ui.fake.prompts[0],
                  QStringLiteral("Mise à jour du texte :|Mise à jour du texte"));
        EXPECT_EQ(ui.textDefaults, std::vector<QString>{QStringLiteral("Pluie")});
        EXPECT_EQ(item(slot).Text, c.expected);
        EXPECT_EQ(view.presents > 0, c.redrawn);
    }
}

TEST_F(ContextMenuCommandsTest, ChangeTextWantsAText) {
    select(doc.AddPictoItem(1, 20, 15));
    changeText(ctx);
    EXPECT_TRUE(ui.fake.prompts.empty());
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
    ui.fake.colors.push_back(std::nullopt);

    run(MenuCommand::Kind::TextColour);
    ASSERT_EQ(ui.colourStarts.size(), 1u);
    EXPECT_EQ(ui.colourStarts[0].rgb(), bgrToRgb(0x123456));
    EXPECT_EQ(item(slot).Color, 0x123456u);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(ContextMenuCommandsTest, ColourChosenRecoloursTheLabel) {
    const std::int32_t slot = select(addText(QStringLiteral("Neige")));
    ui.fake.colors.push_back(QColor(255, 0, 0));

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
        ui.fake.fonts.push_back(answer);

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
        ui.fake.fonts.push_back(answer);
        run(MenuCommand::Kind::TextFont);
        EXPECT_EQ(item(slot).Size, c.stored) << c.chosen;
    }
}

TEST_F(ContextMenuCommandsTest, FontChooserCancelChangesNothing) {
    const std::int32_t slot = select(addText(QStringLiteral("Vent")));
    const MapItem before = item(slot);
    ui.fake.fonts.push_back(std::nullopt);
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
            ui.fake.inputs.push_back(QStringLiteral("x"));
            runMenuCommand(ctx, command);
            EXPECT_EQ(state.SelectedItem, stale);
        }
    }
    EXPECT_TRUE(ui.textDefaults.empty());
    EXPECT_TRUE(ui.colourStarts.empty());
    EXPECT_TRUE(ui.fontStarts.empty());
    EXPECT_EQ(view.presents, 0);
    EXPECT_EQ(doc.Items, before.Items);
    EXPECT_EQ(doc.Lines, before.Lines);
}

} // namespace
