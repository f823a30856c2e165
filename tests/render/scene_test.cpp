#include "render/scene.h"

#include "document/map_file.h"
#include "document/picto_library.h"
#include "render/selection_draw.h"
#include "render/text_draw.h"
#include "support/test_support.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace grivendale;
using grivendale::testing::lineThrough;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

// A library of two pictograms: a soft-edged PNG disc and an opaque BMP square.
PictoLibrary makeLibrary(const QTemporaryDir& dir) {
    QImage disc(15, 15, QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    {
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(200, 30, 30));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(0.5, 0.5, 14, 14));
    }
    disc.save(dir.filePath(QStringLiteral("a-disque.png")));
    QImage square(9, 7, QImage::Format_RGB32);
    square.fill(qRgb(20, 90, 200));
    square.save(dir.filePath(QStringLiteral("b-carre.bmp")));
    return PictoLibrary::build(dir.path());
}

QImage whiteBackground(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

} // namespace

TEST(Scene, LayersAndSlotOrder) {
    QTemporaryDir dir;
    const PictoLibrary library = makeLibrary(dir);
    Scene scene;
    scene.setBackground(whiteBackground(60, 40));
    MapDocument doc;
    // Background lines are drawn before the fills and bound them; the others are drawn over.
    doc.AddLine(lineThrough({{20, 0}, {20, 39}}), false, true);
    doc.AddLine(lineThrough({{10, 0}, {10, 39}}), false, false);
    doc.AddFill(5, 5, 0x00FF00);
    doc.AddPictoItem(2, 43, 19); // a square, under the disc of the higher slot
    doc.AddPictoItem(1, 45, 21);
    scene.DrawScene(doc, library, true);
    const QImage once = scene.canvas();
    // Green fill, black lines, white beyond the background line, the disc over the square.
    const std::tuple<int, int, QRgb> expected[] = {
        {5, 5, 0xFF00FF00}, {10, 5, kBlack},      {15, 5, 0xFF00FF00}, {20, 5, kBlack},
        {25, 5, kWhite},    {45, 21, 0xFFC71D1D}, {39, 16, 0xFF145AC8}};
    for (const auto& [x, y, colour] : expected)
        EXPECT_EQ(once.pixel(x, y), colour) << x << "," << y;
    // Without a rebuild the items are drawn again over the surface: soft edges blend twice.
    scene.DrawScene(doc, library, false);
    EXPECT_NE(scene.canvas(), once);
    EXPECT_EQ(scene.canvas().pixel(45, 21), once.pixel(45, 21)); // the opaque centre

    // A label changed in place is drawn again, as a full composition draws it.
    Scene full;
    full.setCacheEnabled(false);
    full.setBackground(whiteBackground(60, 40));
    MapItem& label = doc.Items[static_cast<std::size_t>(
        AddText(doc, QStringLiteral("Nord"), 30, 30, TextStyle{QStringLiteral("DejaVu Sans")}, 0))];
    for (int change = 0; change < 4; ++change) {
        label.Color = change == 1 ? 0xFF : label.Color;
        label.Text = change == 2 ? QStringLiteral("Sud") : label.Text;
        label.Italic = change == 3 ? kTrue : label.Italic;
        MapDocument copy = doc;
        scene.DrawScene(doc, library, true);
        full.DrawScene(copy, library, true);
        EXPECT_EQ(scene.canvas(), full.canvas()) << "change " << change;
    }
}

// Where two pictures differ, for the failure message.
std::string differingPixels(const QImage& a, const QImage& b) {
    std::string where;
    int shown = 0;
    for (int y = 0; y < std::min(a.height(), b.height()) && shown < 8; ++y)
        for (int x = 0; x < std::min(a.width(), b.width()) && shown < 8; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
                ++shown;
            }
    return where;
}

// Random edits, each followed by a composition with and without the base-layer cache: the
// pictures must be the same pixel for pixel.
TEST(Scene, CachedCompositionEqualsAFullOne) {
    QTemporaryDir dir;
    QImage background = whiteBackground(120, 90);
    {
        QPainter painter(&background);
        painter.setPen(Qt::black);
        painter.drawRect(10, 10, 50, 40);
        painter.drawEllipse(70, 20, 40, 50);
    }
    QImage otherBackground = background.mirrored(true, false);

    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        PictoLibrary library = makeLibrary(dir);
        std::mt19937 random(seed);
        auto pick = [&random](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        const std::uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0x000000};
        Scene cached;
        Scene full;
        full.setCacheEnabled(false);
        cached.setBackground(background);
        full.setBackground(background);
        MapDocument doc;

        for (int step = 0; step < 60; ++step) {
            bool rebuild = true;
            const int kind = pick(0, 13);
            switch (kind) {
            case 0:
                doc.AddPictoItem(pick(1, 2), pick(-5, 125), pick(-5, 95));
                break;
            case 1:
                doc.AddFill(pick(0, 119), pick(0, 89), colours[pick(0, 3)]);
                break;
            case 2:
            case 3: {
                MapLine line = lineThrough({{pick(0, 119), pick(0, 89)},
                                            {pick(0, 119), pick(0, 89)},
                                            {pick(0, 119), pick(0, 89)}},
                                           pick(0, 3) * 2 + 1, colours[pick(0, 4)]);
                doc.AddLine(line, pick(0, 1) == 1, pick(0, 1) == 1);
                break;
            }
            case 4: { // drag an item
                if (doc.ItemCount > 0) {
                    MapItem& item = doc.Items[static_cast<std::size_t>(pick(1, doc.ItemCount))];
                    item.X += pick(-10, 10);
                    item.Y += pick(-10, 10);
                }
                break;
            }
            case 5: // delete an item
                if (doc.ItemCount > 0)
                    doc.Items[static_cast<std::size_t>(pick(1, doc.ItemCount))].InUse = kFalse;
                break;
            case 6:
                doc.Undo();
                break;
            case 7: { // reshape, recolour or restyle a line in place
                if (doc.LineCount > 0) {
                    MapLine& line = doc.Lines[static_cast<std::size_t>(pick(1, doc.LineCount))];
                    if (line.pointsConsistent() && line.PointCount > 0) {
                        (*line.PointX)[static_cast<std::size_t>(pick(1, line.PointCount))] +=
                            pick(-8, 8);
                        line.Color = colours[pick(0, 4)];
                        line.Smooth = pick(0, 1);
                        line.Width = pick(0, 3) * 2 + 1;
                    }
                }
                break;
            }
            case 8: { // a pasted copy of a line entry
                if (doc.ItemCount > 0) {
                    const MapItem source =
                        doc.Items[static_cast<std::size_t>(pick(1, doc.ItemCount))];
                    const std::int32_t slot = doc.takeItemSlot();
                    doc.Items[static_cast<std::size_t>(slot)] = source;
                    doc.Items[static_cast<std::size_t>(slot)].X += 7;
                }
                break;
            }
            case 9:
                AddText(
                    doc, QStringLiteral("Orages"), pick(0, 119), pick(0, 89),
                    TextStyle{QStringLiteral("DejaVu Sans"), 9.0, pick(0, 1) == 1, false, false},
                    colours[pick(0, 4)]);
                break;
            case 10: { // a new background
                const QImage& next = pick(0, 1) ? otherBackground : background;
                cached.setBackground(next);
                full.setBackground(next);
                break;
            }
            case 11: // a fill's colour changes through a reload
                if (doc.FillCount > 0)
                    doc.Fills[static_cast<std::size_t>(pick(1, doc.FillCount))].Color =
                        colours[pick(0, 3)];
                break;
            case 12: // a pictogram loses its transparency
                library.removeTransparency(pick(1, 2), dir.path(), nullptr);
                break;
            case 13: // a text placed without a rebuild, then the next step rebuilds
                AddText(doc, QStringLiteral("Nord"), pick(0, 119), pick(0, 89), TextStyle{},
                        colours[pick(0, 4)]);
                rebuild = false;
                break;
            }
            MapDocument forFull = doc;
            cached.DrawScene(doc, library, rebuild);
            full.DrawScene(forFull, library, rebuild);
            ASSERT_EQ(cached.canvas(), full.canvas())
                << "after step " << step << " of kind " << kind
                << differingPixels(cached.canvas(), full.canvas());
            // Texts of the cached prefix keep the extents a full drawing measures.
            ASSERT_EQ(serializeMapFile(doc), serializeMapFile(forFull)) << "after step " << step;
        }
    }
}

// The same on a big map, one element dragged at a time as the editor does, with the selection
// marks drawn between steps: each step redraws only pieces of the surface and of the canvas.
TEST(Scene, OnABigMapEachDragStepEqualsAFullComposition) {
    QTemporaryDir dir;
    PictoLibrary library = makeLibrary(dir);
    QImage background = whiteBackground(4000, 3000);
    {
        QPainter painter(&background);
        painter.setPen(Qt::black);
        for (int at = 0; at < 4000; at += 250) {
            painter.drawLine(at, 0, at, 2999);
            painter.drawLine(0, at, 3999, at);
        }
    }
    std::mt19937 random(5);
    auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    MapDocument doc;
    for (int i = 0; i < 40; ++i)
        doc.AddFill(125 + 250 * pick(0, 15), 125 + 250 * pick(0, 11), 0x00FF00 + 50u * i);
    for (int i = 0; i < 60; ++i) {
        const int x = pick(100, 3900);
        const int y = pick(100, 2900);
        doc.AddLine(lineThrough({{x, y},
                                 {x + pick(-300, 300), y + pick(-300, 300)},
                                 {x + pick(-300, 300), y + pick(-300, 300)}},
                                pick(0, 3) * 2 + 1, i % 3 ? 0xFF0000u : 0x000000u),
                    i % 2 == 0, i % 5 < 2);
    }
    for (int i = 0; i < 300; ++i) {
        doc.AddPictoItem(pick(1, 2), pick(-10, 4010), pick(-10, 3010));
        if (i % 10 == 0)
            AddText(doc, QStringLiteral("Orages forts"), pick(-10, 4010), pick(-10, 3010),
                    TextStyle{QStringLiteral("DejaVu Sans"), double(pick(8, 30)), i % 20 == 0,
                              i % 30 == 0, i % 40 == 0},
                    0x0000FF);
    }
    Scene cached;
    Scene full;
    full.setCacheEnabled(false);
    cached.setBackground(background);
    full.setBackground(background);
    cached.DrawScene(doc, library, true);
    // What a view shows that repaints only what the scene says changed.
    QImage shown = cached.canvas().copy();
    const auto repaint = [&] {
        QPainter painter(&shown);
        for (const QRect& area : cached.takeCanvasChanges())
            painter.drawImage(area.topLeft(), cached.canvas(), area);
    };

    for (int step = 0; step < 24; ++step) {
        const auto slot = static_cast<std::size_t>(pick(1, doc.ItemCount));
        doc.Items[slot].X += pick(-40, 40);
        doc.Items[slot].Y += pick(-40, 40);
        if (step % 8 == 7)
            doc.AddFill(pick(0, 3999), pick(0, 2999), 0x00FFFF);
        MapDocument forFull = doc;
        cached.DrawScene(doc, library, true);
        full.DrawScene(forFull, library, true);
        ASSERT_EQ(cached.canvas(), full.canvas())
            << "after step " << step << differingPixels(cached.canvas(), full.canvas());
        ASSERT_EQ(serializeMapFile(doc), serializeMapFile(forFull)) << "after step " << step;
        repaint();
        ASSERT_EQ(shown, cached.canvas()) << "after step " << step;
        cached.canvasMarked(
            DrawSelect(cached.canvas(), doc, static_cast<std::int32_t>(slot), [](std::int32_t) {
                return PictoSize{15, 15};
            }));
        repaint();
        ASSERT_EQ(shown, cached.canvas()) << "marks of step " << step;
    }
}
