#include "editor/recovery_copy.h"

#include "document/map_file.h"
#include "support/event_wait.h"
#include "support/test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;
using namespace std::chrono_literals;

TEST(RecoveryCopy, WritesGatheredChangesButNeverDuringADrag) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/recuperation.car"));
    MapDocument doc;
    bool dragging = false;
    RecoveryCopy copy(
        doc, [&] { return dragging; }, 100ms);
    copy.documentChanged(); // before start(): nothing is kept
    copy.start(path);

    // The map as it came from its file is already safe.
    copy.documentChanged();
    grivendale::testing::runEventsFor(250ms);
    EXPECT_EQ(copy.writes(), 0);

    // Changes in quick succession make one write, holding the last of them.
    doc.AddPictoItem(1, 10, 10);
    copy.documentChanged();
    doc.AddPictoItem(2, 20, 20);
    copy.documentChanged();
    ASSERT_TRUE(grivendale::testing::waitUntil([&] { return copy.writes() > 0; }));
    grivendale::testing::runEventsFor(250ms);
    EXPECT_EQ(copy.writes(), 1);
    EXPECT_EQ(grivendale::testing::readFileBytes(path), serializeMapFile(doc));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());

    // A drag holds the write back until the button is released.
    dragging = true;
    doc.Items[1].X = 15;
    copy.documentChanged();
    grivendale::testing::runEventsFor(400ms);
    EXPECT_EQ(copy.writes(), 1);
    dragging = false;
    ASSERT_TRUE(grivendale::testing::waitUntil([&] { return copy.writes() == 2; }));
    EXPECT_EQ(grivendale::testing::readFileBytes(path), serializeMapFile(doc));

    copy.discard();
    EXPECT_FALSE(QFile::exists(path));
}
