#include "document/map_document.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::lineThrough;

TEST(MapDocument, FreedSlotIsReusedFirstAndComesBackCleanAfterAClear) {
    MapDocument doc;
    for (std::int32_t slot = 1; slot <= 3; ++slot)
        EXPECT_EQ(doc.AddPictoItem(slot, 10, 20), slot);
    doc.Items[2] = MapItem{};
    doc.Items[2].Text = QStringLiteral("stale");
    EXPECT_EQ(doc.AddPictoItem(7, 30, 40), 2);
    EXPECT_EQ(doc.Items[2], (MapItem{kTrue, 7, 30, 40, 0, 0, 0, 0, {}, {}, 0, 0, 0, 0, 0}));
    EXPECT_EQ(doc.History.back(), (HistoryEntry{0, 2, -1, -1}));
    doc.Items[3].InUse = kFalse; // the last slot too is taken again before the array grows
    EXPECT_EQ(std::pair(doc.AddPictoItem(8, 1, 1), doc.ItemCount), std::pair(3, 3));

    // Clear all keeps the path and the history, whose entries then name no counted slot.
    doc.AddFill(1, 1, 1);
    doc.setBackgroundFile(QStringLiteral(" /x.gif "));
    doc.clearAll();
    const MapDocument cleared = doc;
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(doc.Undo());
    EXPECT_EQ(std::tuple(doc.ItemCount, doc.FillCount, doc.LineCount, doc.HistoryCount, doc.Items),
              std::tuple(0, 0, 0, 0, cleared.Items));
    EXPECT_EQ(doc.BackgroundPath, QStringLiteral(" /x.gif").leftJustified(500));
    EXPECT_EQ(doc.backgroundFile(), QStringLiteral(" /x.gif"));
    // The slot reached again is a clean one.
    doc.Items[1].Text = QStringLiteral("stale");
    EXPECT_EQ(doc.AddPictoItem(3, 9, 9), 1);
    EXPECT_EQ(doc.Items[1], (MapItem{kTrue, 3, 9, 9, 0, 0, 0, 0, {}, {}, 0, 0, 0, 0, 0}));
    doc.setBackgroundFile(QString(499, QLatin1Char('a')) + QStringLiteral("bc"));
    EXPECT_EQ(doc.BackgroundPath, QString(499, QLatin1Char('a')) + QLatin1Char('b'));
}

TEST(MapDocument, UndoGoesBackInOrder) {
    MapDocument doc;
    doc.AddPictoItem(1, 5, 5);
    ASSERT_EQ(doc.AddLine(lineThrough({{7100, 60050}, {7000, 60080}}, 3, 0xFF), false, true), 2);
    EXPECT_EQ(doc.History.back(), (HistoryEntry{0, -1, -1, 2}));
    doc.AddFill(3, 3, 0xFF);
    doc.AddFill(4, 4, 0xFF00);
    std::vector<int> seen; // fill count, picto, line entry and line after each undo
    while (doc.Undo()) {
        for (const int v : {doc.FillCount, int{doc.Items[1].InUse}, int{doc.Items[2].InUse},
                            int{doc.Lines[1].InUse}})
            seen.push_back(v);
    }
    // The line record itself stays live.
    EXPECT_EQ(seen, (std::vector<int>{1, -1, -1, -1, 0, -1, -1, -1, 0, -1, 0, -1, 0, 0, 0, -1}));
    EXPECT_EQ(std::tuple(doc.HistoryCount, doc.Fills.size()), std::tuple(0, 3u));
}
