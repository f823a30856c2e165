// The files shipped in assets/: the pictogram set as the library reads it, and the default
// background, whose areas must hold a fill.
#include "document/map_document.h"
#include "document/picto_library.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"
#include "render/scene.h"

#include <QSet>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

using namespace grivendale;

namespace {

const QString kAssets = QStringLiteral(GRIVENDALE_SOURCE_DIR "/assets");

std::uint8_t alphaAt(const PictoEntry& entry, int x, int y) {
    return entry.Pixels[static_cast<std::size_t>((y * entry.Width + x) * 4 + 3)];
}

} // namespace

TEST(ShippedPictograms, EveryPictogramDecodesAtAUsableSize) {
    const PictoLibrary library = PictoLibrary::build(kAssets + QStringLiteral("/picto"));
    ASSERT_GE(library.PictoCount(), 24);
    QSet<QString> names;
    for (std::int32_t n = 1; n <= library.PictoCount(); ++n) {
        const PictoEntry* entry = library.entry(n);
        ASSERT_NE(entry, nullptr);
        SCOPED_TRACE(entry->FileName.toStdString());
        EXPECT_GE(entry->Width, 24);
        EXPECT_LE(entry->Width, 48);
        EXPECT_GE(entry->Height, 24);
        EXPECT_LE(entry->Height, 48);
        EXPECT_EQ(entry->Pixels.size(), static_cast<std::size_t>(entry->Width) * entry->Height * 4);
        names.insert(library.baseName(n));
    }
    EXPECT_EQ(names.size(), library.PictoCount()) << "two pictograms share a name";
}

// Both drawing paths are shipped: colour-keyed pictures whose key surrounds the drawing, and
// PNG pictures with soft edges; one keyed picture has a key file of its own.
TEST(ShippedPictograms, KeyedOnesAreClearAtTheCornersAndPngOnesHaveSoftEdges) {
    const PictoLibrary library = PictoLibrary::build(kAssets + QStringLiteral("/picto"));
    int keyed = 0;
    int soft = 0;
    int ownKey = 0;
    for (std::int32_t n = 1; n <= library.PictoCount(); ++n) {
        const PictoEntry& entry = *library.entry(n);
        SCOPED_TRACE(entry.FileName.toStdString());
        if (entry.IsPng == 0) {
            ++keyed;
            const int right = entry.Width - 1;
            const int bottom = entry.Height - 1;
            EXPECT_EQ(alphaAt(entry, 0, 0), 0);
            EXPECT_EQ(alphaAt(entry, right, 0), 0);
            EXPECT_EQ(alphaAt(entry, 0, bottom), 0);
            EXPECT_EQ(alphaAt(entry, right, bottom), 0);
            if (entry.key() != kDefaultKey)
                ++ownKey;
            continue;
        }
        bool partial = false;
        for (std::size_t at = 3; at < entry.Pixels.size() && !partial; at += 4)
            partial = entry.Pixels[at] > 0 && entry.Pixels[at] < 255;
        soft += partial ? 1 : 0;
        EXPECT_TRUE(partial) << "a PNG pictogram without soft edges";
    }
    EXPECT_GE(keyed, 3);
    EXPECT_GE(soft, 3);
    EXPECT_GE(ownKey, 1);
}

namespace {

const QRgb kShippedSea = qRgb(178, 216, 242);
const QRgb kShippedLand = qRgb(246, 242, 224);

struct Spot {
    const char* where;
    int x;
    int y;
    QRgb ground;
};

// Points of the default background, with the colour each shows.
const Spot kAtlantic{"Atlantic", 100, 300, kShippedSea};
const Spot kChannel{"Channel", 250, 140, kShippedSea};
const Spot kMediterranean{"Gulf of Lion", 520, 640, kShippedSea};
const Spot kFrance{"France", 400, 350, kShippedLand};
const Spot kGermany{"Germany", 720, 150, kShippedLand};
const Spot kSpain{"Spain", 200, 650, kShippedLand};
const Spot kSwitzerland{"Switzerland", 650, 330, kShippedLand};
const Spot kCorsica{"Corsica", 700, 600, kShippedLand};

} // namespace

TEST(ShippedBackground, IsAFlatMapInThreeColours) {
    const QImage map = LoadPictureEx(kAssets + QStringLiteral("/prev.gif"));
    ASSERT_FALSE(map.isNull());
    EXPECT_EQ(map.size(), QSize(800, 700));
    std::map<QRgb, int> colours;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            ++colours[map.pixel(x, y)];
    EXPECT_EQ(colours.size(), 3u);
    EXPECT_GT(colours[kShippedSea], 0);
    EXPECT_GT(colours[kShippedLand], 0);
    EXPECT_GT(colours[qRgb(0, 0, 0)], 0);
    for (const Spot& spot :
         {kAtlantic, kChannel, kMediterranean, kFrance, kGermany, kSpain, kSwitzerland, kCorsica})
        EXPECT_EQ(map.pixel(spot.x, spot.y), spot.ground) << spot.where;
}

// A fill seeded at sea and one seeded in France, composed as the editor composes a map: each
// colours its own area whole and reaches no pixel of another area.
TEST(ShippedBackground, FillsStayInsideTheirArea) {
    const QImage map = LoadPictureEx(kAssets + QStringLiteral("/prev.gif"));
    ASSERT_EQ(map.size(), QSize(800, 700));
    const QRgb seaFill = qRgb(30, 60, 200);
    const QRgb landFill = qRgb(40, 170, 60);
    MapDocument doc;
    doc.AddFill(kAtlantic.x, kAtlantic.y, rgbToBgr(seaFill));
    doc.AddFill(kFrance.x, kFrance.y, rgbToBgr(landFill));
    Scene scene;
    scene.setBackground(map);
    scene.DrawScene(doc, PictoLibrary(), true);
    const QImage& out = scene.canvas();
    ASSERT_EQ(out.size(), map.size());

    int sea = 0;
    int land = 0;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            const QRgb was = map.pixel(x, y);
            const QRgb now = out.pixel(x, y);
            if (now == seaFill) {
                ASSERT_EQ(was, kShippedSea) << "the sea fill reached (" << x << ", " << y << ")";
                ++sea;
            } else if (now == landFill) {
                ASSERT_EQ(was, kShippedLand) << "the land fill reached (" << x << ", " << y << ")";
                ++land;
            } else {
                ASSERT_EQ(now, was) << "(" << x << ", " << y << ") changed";
            }
        }
    }
    // The Atlantic, the Channel and the North Sea are one area; France is the largest country.
    EXPECT_GT(sea, 100000);
    EXPECT_GT(land, 100000);
    EXPECT_EQ(out.pixel(kChannel.x, kChannel.y), seaFill);
    // Areas of the same colours beyond the borders keep them.
    EXPECT_EQ(out.pixel(kMediterranean.x, kMediterranean.y), kShippedSea);
    for (const Spot& spot : {kGermany, kSpain, kSwitzerland, kCorsica})
        EXPECT_EQ(out.pixel(spot.x, spot.y), kShippedLand) << spot.where;
}
