#include "editor/palette_commands.h"

#include "editor_fixture.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace grivendale;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kBackground = 0xFF3080C0;

struct ToolFlags {
    bool fill, select, line, text;
    bool operator==(const ToolFlags&) const = default;
};

ToolFlags flagsOf(const EditorState& s) {
    return {s.FillMode, s.SelectMode, s.LineMode, s.TextMode};
}

class PaletteCommandsTest : public grivendale::testing::EditorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // 1: white ground with a black centre; 2: a magenta ring (the default key) round red.
        QImage cloud(5, 5, QImage::Format_RGB32);
        cloud.fill(kWhite);
        cloud.setPixel(2, 2, kBlack);
        ASSERT_TRUE(cloud.save(dir.filePath(QStringLiteral("a-nuage.bmp"))));
        QImage sun(5, 5, QImage::Format_RGB32);
        sun.fill(kMagenta);
        sun.setPixel(2, 2, qRgb(255, 0, 0));
        ASSERT_TRUE(sun.save(dir.filePath(QStringLiteral("b-soleil.bmp"))));
        library = PictoLibrary::build(dir.path());
        ASSERT_EQ(library.PictoCount(), 2);

        setPlainBackground(40, 30, kBackground);
        state.Colors = {65280, 0, 33023, 255, 16777215};
    }

    QString storedColour(int slot) const {
        return settings.GetSetting(kSorbApp, kSorbApp, QStringLiteral("Color%1").arg(slot),
                                   QStringLiteral("absent"));
    }
};

TEST_F(PaletteCommandsTest, SwatchRules) {
    const ToolFlags selectTool{false, true, false, false};
    const struct {
        int slot;
        std::optional<QColor> answer;
        std::uint32_t colour;
        QString stored;
        std::vector<Tool> tools;
        ToolFlags flags;
    } cases[] = {
        {0,
         QColor(255, 0, 0),
         255,
         QStringLiteral("255"),
         {Tool::Fill},
         {true, false, false, false}},
        {1, std::nullopt, 0, QStringLiteral("0"), {Tool::Line}, {false, false, true, false}},
        {1,
         QColor(0, 0, 255),
         0xFF0000,
         QStringLiteral("16711680"),
         {Tool::Line},
         {false, false, true, false}},
        {2, QColor(0, 255, 0), 65280, QStringLiteral("65280"), {}, selectTool},
        {3, std::nullopt, 255, QStringLiteral("255"), {}, selectTool},
        {4, QColor(1, 2, 3), 0x030201, QStringLiteral("197121"), {}, selectTool},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        state = EditorState{};
        state.Colors = {65280, 0, 33023, 255, 16777215};
        const std::uint32_t before = state.Colors[static_cast<std::size_t>(c.slot)];
        view.tools.clear();
        view.paletteSlots.clear();
        ui.colorStarts.clear();
        ui.colors.push_back(c.answer);

        changePaletteColour(ctx, c.slot);
        EXPECT_EQ(ui.colorStarts, std::vector<QRgb>{bgrToRgb(before)});
        EXPECT_EQ(state.Colors[static_cast<std::size_t>(c.slot)], c.colour);
        EXPECT_EQ(view.paletteSlots, std::vector<int>{c.slot});
        EXPECT_EQ(view.tools, c.tools);
        EXPECT_EQ(flagsOf(state), c.flags);
        EXPECT_EQ(storedColour(c.slot), c.stored);
    }
    EXPECT_EQ(view.presents, 0); // the palette redraws nothing
}

TEST_F(PaletteCommandsTest, AChosenColourIsReadBackAtTheNextStart) {
    ui.colors.push_back(QColor(255, 0, 0));
    changePaletteColour(ctx, 0);
    EXPECT_EQ(readStartupSettings(settings, dir.path()).Colors[0], 255u);
}

TEST_F(PaletteCommandsTest, ChoosingAPictogramSwitchesToPlacingAndGivesThePreview) {
    state.LineMode = true;
    state.SelectMode = false;
    state.SelectedItem = 4;

    const QImage preview = choosePicto(ctx, 2);
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview, LoadPictureEx(dir.filePath(QStringLiteral("b-soleil.bmp"))));
    EXPECT_EQ(panel.selectedPicto, 2);
    EXPECT_EQ(flagsOf(state), (ToolFlags{false, false, false, false}));
    EXPECT_EQ(view.tools, std::vector<Tool>{Tool::AddPicto});
    EXPECT_EQ(state.SelectedItem, 4); // choosing a tool changes nothing else
}

TEST_F(PaletteCommandsTest, ChoosingAnUnknownPictogramDoesNothing) {
    for (const std::int32_t number : {0, 3, -1})
        EXPECT_TRUE(choosePicto(ctx, number).isNull()) << number;
    EXPECT_FALSE(panel.selectedPicto);
    EXPECT_TRUE(view.tools.empty());
}

TEST_F(PaletteCommandsTest, PickingAWhitePixelMakesTheWhitePixelsTransparent) {
    doc.AddPictoItem(1, 10, 10);
    ctx.drawScene(true);
    ASSERT_EQ(canvasAt(8, 8), kWhite);
    const QImage preview = choosePicto(ctx, 1);

    QString error;
    ASSERT_TRUE(pickTransparentColour(ctx, preview, QPoint(0, 4), &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(library.entry(1)->key(), (TransparentKey{255, 255, 255}));
    EXPECT_EQ(
        grivendale::testing::readFileBytes(keyFilePath(dir.path(), QStringLiteral("a-nuage.bmp"))),
        keyFileText({255, 255, 255}));
    // Every placed copy shows it at once: the ground shows through, the centre stays.
    EXPECT_EQ(canvasAt(8, 8), kBackground);
    EXPECT_EQ(canvasAt(12, 12), kBackground);
    EXPECT_EQ(canvasAt(10, 10), kBlack);
    // And the next start reads the key again.
    const PictoLibrary reloaded = PictoLibrary::build(dir.path());
    EXPECT_EQ(reloaded.entry(1)->key(), (TransparentKey{255, 255, 255}));
}

TEST_F(PaletteCommandsTest, PickingDoesNothingWithoutAPictogramOrOutsideThePicture) {
    const QImage preview = LoadPictureEx(dir.filePath(QStringLiteral("a-nuage.bmp")));
    EXPECT_FALSE(pickTransparentColour(ctx, preview, QPoint(0, 0), nullptr));
    panel.selectedPicto = 1;
    for (const QPoint outside : {QPoint(-1, 0), QPoint(5, 0), QPoint(0, 5)})
        EXPECT_FALSE(pickTransparentColour(ctx, preview, outside, nullptr));
    EXPECT_FALSE(pickTransparentColour(ctx, QImage(), QPoint(0, 0), nullptr));
    EXPECT_EQ(library.entry(1)->key(), kDefaultKey);
    EXPECT_FALSE(QFile::exists(keyFilePath(dir.path(), QStringLiteral("a-nuage.bmp"))));
    EXPECT_EQ(view.presents, 0);
}

TEST_F(PaletteCommandsTest, AKeyFileThatCannotBeWrittenStillAppliesTheColour) {
    // A folder where the key file should go makes the write fail.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a-nuage.bmp.tcolor")));
    const QImage preview = choosePicto(ctx, 1);
    QString error;
    EXPECT_TRUE(pickTransparentColour(ctx, preview, QPoint(0, 0), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(library.entry(1)->key(), (TransparentKey{255, 255, 255}));
}

TEST_F(PaletteCommandsTest, RemovingTransparencyShowsTheKeyedPixels) {
    doc.AddPictoItem(2, 10, 10);
    ctx.drawScene(true);
    ASSERT_EQ(canvasAt(8, 8), kBackground);
    choosePicto(ctx, 2);

    QString error;
    ASSERT_TRUE(removeTransparency(ctx, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(library.entry(2)->key(), kNoKey);
    EXPECT_EQ(
        grivendale::testing::readFileBytes(keyFilePath(dir.path(), QStringLiteral("b-soleil.bmp"))),
        keyFileText(kNoKey));
    EXPECT_EQ(canvasAt(8, 8), kMagenta);
}

TEST_F(PaletteCommandsTest, RemovingTransparencyReportsAKeyFileThatCannotBeWritten) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("b-soleil.bmp.tcolor")));
    doc.AddPictoItem(2, 10, 10);
    choosePicto(ctx, 2);
    QString error;
    EXPECT_FALSE(removeTransparency(ctx, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(view.presents, 0);
}

TEST_F(PaletteCommandsTest, RemovingTransparencyWithoutAPictogramDoesNothing) {
    QString error;
    EXPECT_TRUE(removeTransparency(ctx, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(library.entry(2)->key(), kDefaultKey);
    EXPECT_FALSE(QFile::exists(keyFilePath(dir.path(), QStringLiteral("b-soleil.bmp"))));
}

TEST_F(PaletteCommandsTest, TextStyleThroughTheFontChooser) {
    panel.textStyle.pointSize = 10.5;
    TextStyle chosen;
    chosen.family = QStringLiteral("DejaVu Sans");
    chosen.pointSize = 14;
    chosen.italic = true;
    ui.fonts.push_back(chosen);

    changeTextStyle(ctx);
    ASSERT_EQ(ui.fontStarts.size(), 1u);
    EXPECT_EQ(ui.fontStarts[0].pointSize, 10.0); // handed in rounded, halves to even
    EXPECT_EQ(panel.textStyle, chosen);
    EXPECT_EQ(view.styleChanges, 1);
    EXPECT_EQ(view.presents, 0);

    ui.fonts.push_back(std::nullopt);
    changeTextStyle(ctx);
    EXPECT_EQ(panel.textStyle, chosen);
    EXPECT_EQ(view.styleChanges, 1);
}

TEST(FontSizeFromText, LeadingNumberAboveOne) {
    const struct {
        const char* text;
        std::optional<double> size;
    } cases[] = {
        {"2", 2.0},           {"13", 13.0},          {"10.5", 10.5},
        {"10,5", 10.5},       {"  14", 14.0},        {"\t9", 9.0},
        {"+16", 16.0},        {"12pt", 12.0},        {"7.5.3", 7.5},
        {"1.5", 1.5},         {"3.", 3.0},           {"0,5", std::nullopt},
        {"1", std::nullopt},  {"1.0", std::nullopt}, {"0", std::nullopt},
        {"-3", std::nullopt}, {"abc", std::nullopt}, {"", std::nullopt},
        {".5", std::nullopt}, {"- 5", std::nullopt}, {"x12", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fontSizeFromText(QString::fromUtf8(c.text)), c.size) << c.text;

    const QString huge = QStringLiteral("1") + QString(400, QLatin1Char('0'));
    EXPECT_EQ(fontSizeFromText(huge), std::nullopt);
}

} // namespace
