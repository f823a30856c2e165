#include "document/map_document.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::lineThrough;

namespace {

std::int32_t addText(MapDocument& doc, const QString& text) {
    const std::int32_t slot = doc.takeItemSlot();
    MapItem& item = doc.Items[static_cast<std::size_t>(slot)];
    item.InUse = kTrue;
    item.IsText = kTrue;
    item.Size = 10;
    item.Text = text;
    doc.PushHistory(0, slot, -1, -1);
    return slot;
}

} // namespace

TEST(MapDocument, StartsEmptyWithABlankBackground) {
    const MapDocument doc;
    EXPECT_EQ(doc.BackgroundPath, QString(500, QLatin1Char(' ')));
    EXPECT_TRUE(doc.backgroundFile().isEmpty());
    EXPECT_TRUE(doc.Items.empty());
    EXPECT_EQ(doc.ItemCount + doc.FillCount + doc.LineCount + doc.HistoryCount, 0);
}

TEST(MapDocument, BackgroundPathIsPaddedAndCut) {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/maps/europe.gif"));
    EXPECT_EQ(doc.BackgroundPath.size(), 500);
    EXPECT_EQ(doc.backgroundFile(), QStringLiteral("/maps/europe.gif"));
    doc.setBackgroundFile(QString(600, QLatin1Char('a')));
    EXPECT_EQ(doc.BackgroundPath, QString(500, QLatin1Char('a')));
}

TEST(MapDocument, FreedItemSlotIsReusedFirst) {
    MapDocument doc;
    EXPECT_EQ(addText(doc, QStringLiteral("Nord")), 1);
    EXPECT_EQ(doc.AddPictoItem(4, 10, 20), 2);
    EXPECT_EQ(addText(doc, QStringLiteral("Sud")), 3);
    doc.Items[2].InUse = kFalse;

    EXPECT_EQ(doc.AddPictoItem(7, 30, 40), 2);
    EXPECT_EQ(doc.ItemCount, 3);
    EXPECT_EQ(doc.Items.size(), 4u);
    const MapItem& reused = doc.Items[2];
    EXPECT_EQ(reused.InUse, kTrue);
    EXPECT_EQ(reused.RefIndex, 7);
    EXPECT_EQ(reused.X, 30);
    EXPECT_EQ(reused.Y, 40);
    EXPECT_TRUE(reused.isPicto());
    EXPECT_EQ(doc.History.back(), (HistoryEntry{0, 2, -1, -1}));
}

TEST(MapDocument, AddLineStoresOffsetsAndTheBoundingBox) {
    MapDocument doc;
    const MapLine current = lineThrough({{100, 60}, {140, 50}, {120, 90}}, 5, 0x0000FF);
    const std::int32_t entry = doc.AddLine(current, true, false);

    ASSERT_EQ(entry, 1);
    ASSERT_EQ(doc.LineCount, 1);
    const MapLine& line = doc.Lines[1];
    EXPECT_EQ(line.InUse, kTrue);
    EXPECT_EQ(line.Width, 5);
    EXPECT_EQ(line.Color, 0x0000FFu);
    EXPECT_EQ(line.Smooth, 1);
    EXPECT_EQ(line.InBackground, 0);
    EXPECT_EQ(*line.PointX, (std::vector<std::int32_t>{0, 0, 40, 20}));
    EXPECT_EQ(*line.PointY, (std::vector<std::int32_t>{0, 10, 0, 40}));

    const MapItem& item = doc.Items[1];
    EXPECT_TRUE(item.isLineEntry());
    EXPECT_EQ(item.RefIndex, 1);
    EXPECT_EQ(item.X, 100);
    EXPECT_EQ(item.Y, 50);
    EXPECT_EQ(item.Width, 40);
    EXPECT_EQ(item.Height, 40);
    EXPECT_EQ(doc.History.back(), (HistoryEntry{0, -1, -1, 1}));
}

TEST(MapDocument, LineBoxIsRightOnLargeMaps) {
    // Points far to the right and below must still give their own top-left corner.
    MapDocument doc;
    doc.AddLine(lineThrough({{7000, 60000}, {7100, 60050}}, 3), false, false);
    EXPECT_EQ(doc.Items[1].X, 7000);
    EXPECT_EQ(doc.Items[1].Y, 60000);
    EXPECT_EQ(doc.Items[1].Width, 100);
    EXPECT_EQ(doc.Items[1].Height, 50);
}

TEST(MapDocument, UndoRemovesAdditionsInReverseOrder) {
    MapDocument doc;
    const std::int32_t picto = doc.AddPictoItem(1, 5, 5);
    const std::int32_t lineEntry = doc.AddLine(lineThrough({{0, 0}, {10, 10}}, 3), false, false);
    doc.AddFill(3, 3, 0xFF);
    doc.AddFill(4, 4, 0xFF00);

    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.FillCount, 1);
    EXPECT_EQ(doc.Fills.size(), 3u); // the array keeps its size
    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.FillCount, 0);

    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Items[static_cast<std::size_t>(lineEntry)].InUse, kFalse);
    EXPECT_EQ(doc.LineCount, 1);
    EXPECT_EQ(doc.Lines[1].InUse, kTrue); // the line record stays live

    EXPECT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Items[static_cast<std::size_t>(picto)].InUse, kFalse);
    EXPECT_EQ(doc.HistoryCount, 0);
    EXPECT_FALSE(doc.Undo());
    EXPECT_EQ(doc.HistoryCount, 0);
}

TEST(MapDocument, UndoAfterAPasteRemovesTheEarlierAddition) {
    MapDocument doc;
    const std::int32_t first = doc.AddPictoItem(1, 5, 5);
    // A paste takes a slot but records nothing.
    const std::int32_t pasted = doc.takeItemSlot();
    doc.Items[static_cast<std::size_t>(pasted)] = doc.Items[static_cast<std::size_t>(first)];

    doc.Undo();
    EXPECT_EQ(doc.Items[static_cast<std::size_t>(first)].InUse, kFalse);
    EXPECT_EQ(doc.Items[static_cast<std::size_t>(pasted)].InUse, kTrue);
}

TEST(MapDocument, UndoOfStaleEntriesTouchesNothing) {
    struct Case {
        const char* name;
        void (*afterAdditions)(MapDocument&);
    };
    const Case cases[] = {
        {"clear all", [](MapDocument& doc) { doc.clearAll(); }},
        {"load of a smaller map",
         [](MapDocument& doc) {
             MapDocument loaded;
             loaded.ItemCount = 1;
             loaded.Items.resize(2);
             doc.replaceContents(std::move(loaded));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapDocument doc;
        doc.AddPictoItem(1, 5, 5);
        doc.AddPictoItem(1, 6, 6);
        doc.AddFill(1, 1, 0xFF);
        doc.AddLine(lineThrough({{0, 0}, {1, 1}}, 3), false, false);
        c.afterAdditions(doc);
        const MapDocument before = doc;

        while (doc.HistoryCount > 0)
            doc.Undo();
        EXPECT_EQ(doc.FillCount, 0);
        EXPECT_GE(doc.ItemCount, 0);
        EXPECT_EQ(doc.LineCount, before.LineCount);
        // Nothing above the counts was touched either.
        for (std::size_t i = static_cast<std::size_t>(doc.ItemCount) + 1; i < doc.Items.size(); ++i)
            EXPECT_EQ(doc.Items[i], before.Items[i]);
    }
}

TEST(MapDocument, ClearAllKeepsHistoryPathAndArrays) {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/x.gif"));
    doc.AddPictoItem(2, 1, 1);
    doc.AddFill(1, 1, 1);
    doc.clearAll();
    EXPECT_EQ(doc.ItemCount, 0);
    EXPECT_EQ(doc.FillCount, 0);
    EXPECT_EQ(doc.LineCount, 0);
    EXPECT_EQ(doc.HistoryCount, 2);
    EXPECT_EQ(doc.backgroundFile(), QStringLiteral("/x.gif"));
    EXPECT_EQ(doc.Items.size(), 2u);

    // The slot reached again is a clean one, not the old pictogram.
    doc.Items[1].Text = QStringLiteral("stale");
    EXPECT_EQ(doc.AddPictoItem(3, 9, 9), 1);
    EXPECT_TRUE(doc.Items[1].Text.isEmpty());
    EXPECT_EQ(doc.Items.size(), 2u);
}
