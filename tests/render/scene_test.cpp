#include "render/scene.h"

#include "document/map_file.h"
#include "document/picto_library.h"
#include "render/selection_draw.h"
#include "render/text_draw.h"
#include "support/test_support.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

using namespace grivendale;
using grivendale::testing::lineThrough;

// One map drawn by a scene with its caches and by one without, after random edits.
class SceneTest : public ::testing::Test {
protected:
    static constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

    // A library of two pictograms: a soft-edged PNG disc and an opaque BMP square.
    PictoLibrary makeLibrary() {
        QImage disc(15, 15, QImage::Format_ARGB32);
        for (int i = 0; i < 15 * 15; ++i) { // opaque within 6.5 px of the centre, then fading out
            const int alpha = int(1900 - 255 * std::hypot(i % 15 - 7, i / 15 - 7));
            disc.setPixel(i % 15, i / 15, qRgba(200, 30, 30, std::clamp(alpha, 0, 255)));
        }
        disc.save(dir.filePath(QStringLiteral("a-disque.png")));
        QImage square(9, 7, QImage::Format_RGB32);
        square.fill(qRgb(20, 90, 200));
        square.save(dir.filePath(QStringLiteral("b-carre.bmp")));
        return PictoLibrary::build(dir.path());
    }

    // A white background with black lines every `pitch` pixels both ways (none when 0).
    static QImage gridBackground(int w, int h, int pitch = 0) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, pitch && (x % pitch == 0 || y % pitch == 0) ? kBlack : kWhite);
        return image;
    }

    SceneTest() { full.setCacheEnabled(false); }

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

    void start(unsigned seed, const QImage& picture) {
        random.seed(seed);
        library = makeLibrary();
        doc = MapDocument();
        cached.setBackground(picture);
        full.setBackground(picture);
        shown = QImage(picture.size(), QImage::Format_RGB32);
        shown.fill(0);
    }

    // One edit (kinds 0 to 3 only add), somewhere on the map; whether to rebuild after it.
    bool edit(int kinds = 9) {
        const int w = cached.size().width(), h = cached.size().height();
        MapItem* const item = doc.item(pick(0, doc.ItemCount)); // none at times
        const int x = pick(-5, w + 5), y = pick(-5, h + 5);
        const std::uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0x000000};
        const std::uint32_t colour = colours[pick(0, 4)];
        switch (kind = pick(0, kinds)) {
        case 0:
            doc.AddPictoItem(pick(1, 2), x, y);
            break;
        case 1: // a fill, or a fill's colour changed through a reload
            if (doc.FillCount > 0 && pick(0, 2) == 0)
                doc.Fills[static_cast<std::size_t>(pick(1, doc.FillCount))].Color = colour;
            else
                doc.AddFill(x, y, colour);
            break;
        case 2:
            doc.AddLine(lineThrough({{x, y}, {pick(0, w), pick(0, h)}, {x + 9, y / 2}},
                                    pick(0, 3) * 2 + 1, colour),
                        pick(0, 1) == 1, pick(0, 1) == 1);
            break;
        case 3: // a label, drawn over the surface as it stands at times
            AddText(doc, QStringLiteral("Orages"), x, y,
                    TextStyle{QStringLiteral("DejaVu Sans"), double(pick(8, 30)), pick(0, 1) == 1,
                              pick(0, 3) == 0, pick(0, 3) == 0},
                    colour);
            return pick(0, 2) > 0;
        case 4: // a drag, now and then a removal that leaves the slot
            if (item) {
                item->X += pick(-10, 10);
                item->Y += pick(-10, 10);
                item->InUse = pick(0, 3) > 0 ? item->InUse : kFalse;
            }
            break;
        case 5:
            doc.Undo();
            break;
        case 6: // reshape, recolour and restyle a line in place
            if (MapLine* const line = doc.line(pick(0, doc.LineCount))) {
                (*line->PointX)[static_cast<std::size_t>(pick(1, line->PointCount))] += x % 9;
                std::tie(line->Color, line->Smooth, line->Width) =
                    std::tuple(colour, pick(0, 1), pick(0, 3) * 2 + 1);
            }
            break;
        case 7: // a pasted copy of any entry
            if (item) {
                MapItem copy = *item; // before taking a slot, which may move the items
                copy.X += 7;
                doc.Items[static_cast<std::size_t>(doc.takeItemSlot())] = copy;
            }
            break;
        case 8:
            cached.setBackground(cached.background().mirrored(pick(0, 1) == 1, false));
            full.setBackground(cached.background());
            break;
        case 9:
            library.removeTransparency(pick(1, 2), dir.path(), nullptr);
            break;
        }
        return true;
    }

    // Both scenes give the same pixels and label extents; a view repainting only what the cached
    // one says changed shows its canvas, also with marks drawn (which the next one must wipe).
    ::testing::AssertionResult compose(bool rebuild) {
        const auto repainted = [this] {
            QPainter painter(&shown);
            for (const QRect& area : cached.takeCanvasChanges())
                painter.drawImage(area.topLeft(), cached.canvas(), area);
            return shown == cached.canvas();
        };
        MapDocument forFull = doc;
        cached.DrawScene(doc, library, rebuild);
        full.DrawScene(forFull, library, rebuild);
        if (serializeMapFile(doc) != serializeMapFile(forFull) || cached.canvas() != full.canvas())
            return ::testing::AssertionFailure() << "the scenes differ after kind " << kind;
        const bool changesShown = repainted();
        const auto sizes = [](std::int32_t) { return PictoSize{15, 15}; };
        cached.canvasMarked(DrawSelect(cached.canvas(), doc, pick(0, doc.ItemCount), sizes));
        if (!repainted() || !changesShown)
            return ::testing::AssertionFailure()
                   << "the view misses " << (changesShown ? "the marks" : "a change");
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir dir;
    PictoLibrary library;
    std::mt19937 random;
    int kind = 0;
    QImage shown;
    MapDocument doc;
    Scene cached, full;
};

TEST_F(SceneTest, LayersAndSlotOrder) {
    start(1, gridBackground(60, 40));
    // Background lines are drawn before the fills and bound them; the others are drawn over.
    doc.AddLine(lineThrough({{20, 0}, {20, 39}}), false, true);
    doc.AddLine(lineThrough({{10, 0}, {10, 39}}), false, false);
    // Fills replay in order, each replacing what its seed shows then; a black seed is skipped.
    for (const auto& [x, y, colour] :
         {std::tuple{5, 5, 0x00FF00u}, {20, 5, 0xFFu}, {15, 30, 0x808080u}})
        doc.AddFill(x, y, colour);
    doc.AddPictoItem(2, 43, 19); // a square, under the disc of the higher slot
    doc.AddPictoItem(1, 45, 21);
    ASSERT_TRUE(compose(true));
    const QImage once = full.canvas(); // without marks
    // Grey fill, black lines, white beyond the background line, the disc over the square.
    const std::tuple<int, int, QRgb> expected[] = {
        {5, 5, 0xFF808080}, {10, 5, kBlack},      {15, 5, 0xFF808080}, {20, 5, kBlack},
        {25, 5, kWhite},    {45, 21, 0xFFC71D1D}, {39, 16, 0xFF145AC8}};
    for (const auto& [x, y, colour] : expected)
        EXPECT_EQ(once.pixel(x, y), colour) << x << "," << y;
    // Without a rebuild the items are drawn again over the surface: soft edges blend twice.
    ASSERT_TRUE(compose(false));
    EXPECT_NE(full.canvas(), once);
    EXPECT_EQ(full.canvas().pixel(45, 21), once.pixel(45, 21)); // the opaque centre
    // A label changed in place is drawn again.
    MapItem& label = *doc.item(
        AddText(doc, QStringLiteral("Nord"), 30, 30, TextStyle{QStringLiteral("DejaVu Sans")}, 0));
    for (int change = 0; change < 4; ++change) {
        label.Color = change == 1 ? 0xFF : label.Color;
        label.Text = change == 2 ? QStringLiteral("Sud") : label.Text;
        label.Italic = change == 3 ? kTrue : label.Italic;
        EXPECT_TRUE(compose(true)) << "change " << change;
    }
    doc.AddLine(lineThrough({{59, 0}, {59, 39}}), false, true); // in the tile's last column only
    EXPECT_TRUE(compose(true));
}

// A wall with a gap that a background line plugs, moved away and back: what the base layers'
// bookkeeping could miss. Left of the wall the seeds' region, right of it a white one holding
// a grey patch.
TEST_F(SceneTest, FillsFollowAMovedBackgroundLine) {
    QImage walled = gridBackground(60, 40);
    for (int y = 0; y < 40; ++y)
        walled.setPixel(30, y, y >= 18 && y <= 21 ? kWhite : kBlack);
    for (int i = 0; i < 8 * 7; ++i)
        walled.setPixel(50 + i % 8, 2 + i / 8, 0xFF808080);
    const std::vector<std::tuple<int, int, std::uint32_t>> cases[] = {
        {{5, 5, 0xFFu}},                         // its area opened by the line, one pixel away
        {{5, 5, 0x808080u}, {52, 5, 0xFF0000u}}, // a chain: the grey fill merges the patch
        {{30, 19, 0xFFu}},                       // seeded on the black line, skipped until it moves
    };
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const auto& fills = cases[row];
        start(1, walled);
        const std::int32_t plug = doc.AddLine(lineThrough({{30, 17}, {30, 22}}), false, true);
        for (const auto& [x, y, colour] : fills)
            doc.AddFill(x, y, colour);
        for (const int move : {0, 20, -20}) {
            doc.item(plug)->X += move;
            ASSERT_TRUE(compose(true)) << "case " << row << ", move " << move;
        }
    }
}

// The last map holds hundreds of elements: most edits redraw only pieces of it.
TEST_F(SceneTest, RandomEditsComposeAsAFullComposition) {
    for (unsigned seed = 1; seed <= 7; ++seed) {
        const bool big = seed == 7;
        start(seed, big ? gridBackground(2000, 1500, 250) : gridBackground(120, 90, 40));
        for (int i = 0; big && i < 300; ++i)
            edit(3);
        for (int step = 0; step < (big ? 40 : 60); ++step)
            ASSERT_TRUE(compose(edit())) << "seed " << seed << ", step " << step;
    }
}
