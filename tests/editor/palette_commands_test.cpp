#include "editor/palette_commands.h"

#include "editor_fixture.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

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
