#include "editor/recovery_copy.h"

#include "document/map_file.h"
#include "support/event_wait.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;

TEST(RecoveryCopy, OneWholeWriteAnIntervalOfChangesButNeverDuringADrag) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data/recuperation.car"));
    MapDocument doc;
    bool dragging = false;
    RecoveryCopy copy(
        doc, [&] { return dragging; }, 100ms);
    copy.start(path);
    copy.documentChanged(); // the map as it came from its file is already safe
    runEventsFor(250ms);
    EXPECT_EQ(copy.writes(), 0);

    // Steady editing gets a copy every interval, not one put off by each change.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        doc.AddPictoItem(1, i, i);
        copy.documentChanged();
        runEventsFor(20ms);
    }
    EXPECT_TRUE(copy.writes() >= 2 && copy.writes() <= clock.elapsed() / 100 + 1) << copy.writes();
    ASSERT_TRUE(waitUntil([&] { return readFileBytes(path) == serializeMapFile(doc); }));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());

    // A drag holds the write back until the button is released; the file is then replaced
    // whole, never rewritten in place under a reader of the old one.
    const int writes = copy.writes();
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    dragging = true;
    doc.Items[1].X = 15;
    copy.documentChanged();
    runEventsFor(400ms);
    EXPECT_EQ(copy.writes(), writes);
    dragging = false;
    ASSERT_TRUE(waitUntil([&] { return copy.writes() == writes + 1; }));
    EXPECT_EQ(readFileBytes(path), serializeMapFile(doc));
    EXPECT_NE(reader.readAll(), readFileBytes(path)); // the old file, untouched
    copy.discard();
    EXPECT_FALSE(QFile::exists(path));
}
