#include "document/map_file.h"
#include "document/windows1252.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::hexBytes;
using grivendale::testing::lineThrough;

namespace {

constexpr const char* kLabelRecord =
    "FF FF | 00 00 00 00 | 64 00 00 00 | 32 00 00 00 | 00 00 | FF FF | 0A 00 | FF FF FF 00 |"
    "05 00 50 61 72 69 73 | 05 00 41 72 69 61 6C | 00 00 | 00 00 | 00 00 | 1E 00 00 00 |"
    "10 00 00 00";

constexpr const char* kLineRecord =
    "FF FF | 03 00 00 00 | 02 00 00 00 |"
    "01 00 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 28 00 00 00 |"
    "01 00 03 00 00 00 00 00 00 00 00 00 00 00 0A 00 00 00 00 00 00 00 |"
    "00 00 00 00 | 00 00 00 00 | 01 00 00 00";

QByteArray le32(std::int32_t v) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(v), bytes.data());
    return bytes;
}

QByteArray header(const QByteArray& path = {}) {
    return le32(17) + path.leftJustified(500, ' ', true);
}

const QByteArray kEmptyItem(42, '\0');
const QByteArray kEmptyLine = hexBytes("00 00 | 00 00 00 00 | 00 00 00 00 | 00 00 | 00 00 |"
                                       "00 00 00 00 | 00 00 00 00 | 00 00 00 00");

MapItem parisLabel() {
    MapItem item;
    item.InUse = kTrue;
    item.X = 100;
    item.Y = 50;
    item.IsText = kTrue;
    item.Size = 10;
    item.Color = 0xFFFFFF;
    item.Text = QStringLiteral("Paris");
    item.FontName = QStringLiteral("Arial");
    item.Width = 30;
    item.Height = 16;
    return item;
}

MapDocument documentWithLabel() {
    MapDocument doc;
    const std::int32_t slot = doc.takeItemSlot();
    doc.Items[static_cast<std::size_t>(slot)] = parisLabel();
    return doc;
}

MapDocument parseOk(const QByteArray& bytes) {
    MapDocument doc;
    const MapLoadResult result = parseMapFile(bytes, doc);
    EXPECT_TRUE(result.ok()) << result.message.toStdString();
    return doc;
}

} // namespace

TEST(MapFile, EmptyMapIs516Bytes) {
    const MapDocument doc;
    const QByteArray bytes = serializeMapFile(doc);
    EXPECT_EQ(bytes, header() + le32(0) + le32(0) + le32(0));
    EXPECT_EQ(bytes.size(), 516);
    grivendale::testing::addFuzzSeed(QStringLiteral("empty.car"), bytes);

    const MapDocument back = parseOk(bytes);
    EXPECT_EQ(back.ItemCount, 0);
    EXPECT_TRUE(back.Items.empty());
    EXPECT_TRUE(back.backgroundFile().isEmpty());
}

TEST(MapFile, LabelRecordIsByteExact) {
    const MapDocument doc = documentWithLabel();
    const QByteArray bytes = serializeMapFile(doc);
    const QByteArray expected =
        header() + le32(1) + kEmptyItem + hexBytes(kLabelRecord) + le32(0) + le32(0);
    EXPECT_EQ(hexBytes(kLabelRecord).size(), 52);
    EXPECT_EQ(bytes, expected);
    grivendale::testing::addFuzzSeed(QStringLiteral("label.car"), bytes);

    const MapDocument back = parseOk(bytes);
    ASSERT_EQ(back.ItemCount, 1);
    EXPECT_EQ(back.Items[0], MapItem{});
    EXPECT_EQ(back.Items[1], parisLabel());
}

TEST(MapFile, LineRecordIsByteExact) {
    MapDocument doc;
    const MapLine current = lineThrough({{100, 60}, {140, 50}}, 3);
    doc.AddLine(current, false, true);
    const QByteArray bytes = serializeMapFile(doc);
    EXPECT_EQ(hexBytes(kLineRecord).size(), 66);
    const QByteArray lines = le32(1) + kEmptyLine + hexBytes(kLineRecord);
    EXPECT_EQ(kEmptyLine.size(), 26);
    ASSERT_TRUE(bytes.endsWith(lines));
    EXPECT_EQ(bytes.size(), 516 + 2 * 42 + 26 + 66);
    grivendale::testing::addFuzzSeed(QStringLiteral("line.car"), bytes);

    const MapDocument back = parseOk(bytes);
    ASSERT_EQ(back.LineCount, 1);
    EXPECT_EQ(back.Lines[0], MapLine{});
    EXPECT_EQ(back.Lines[1], doc.Lines[1]);
    EXPECT_EQ(back.Items[1], doc.Items[1]);
    EXPECT_EQ(serializeMapFile(back), bytes);
}

TEST(MapFile, ThreePointLineHasFourElementArrays) {
    MapDocument doc;
    doc.AddLine(lineThrough({{1, 1}, {2, 5}, {3, 2}}, 1), true, false);
    const QByteArray bytes = serializeMapFile(doc);
    // 26-byte slot 0, then 10 + 2 * (10 + 4 * 4) + 12 bytes.
    EXPECT_EQ(bytes.size(), 516 + 2 * 42 + 26 + 74);
}

TEST(MapFile, ThreeFillsOneUndoSavesTwo) {
    MapDocument doc;
    doc.AddLine(lineThrough({{1, 1}, {9, 9}}, 1), false, false);
    doc.AddFill(10, 10, 0xFF);
    doc.AddFill(20, 20, 0xFF00);
    doc.AddFill(30, 30, 0xFF0000);
    doc.Undo();
    const QByteArray bytes = serializeMapFile(doc);
    const qsizetype fillsAt = 508 + 2 * 42;
    EXPECT_EQ(bytes.mid(fillsAt, 4), le32(2));
    EXPECT_EQ(bytes.mid(fillsAt + 4 + 3 * 12, 4), le32(1)); // the line count follows three records

    const MapDocument back = parseOk(bytes);
    EXPECT_EQ(back.FillCount, 2);
    EXPECT_EQ(back.Fills.size(), 3u);
    EXPECT_EQ(back.Fills[2], (FillPoint{20, 20, 0xFF00}));
    EXPECT_EQ(back.Lines[1].InUse, kTrue);
    EXPECT_EQ(back.Items[1].InUse, kTrue);
}

TEST(MapFile, DeletedElementIsKeptWithItsSlot) {
    MapDocument doc = documentWithLabel();
    doc.AddPictoItem(3, 7, 8);
    doc.Items[1].InUse = kFalse;
    const MapDocument back = parseOk(serializeMapFile(doc));
    ASSERT_EQ(back.ItemCount, 2);
    EXPECT_EQ(back.Items[1].InUse, kFalse);
    EXPECT_EQ(back.Items[1].Text, QStringLiteral("Paris"));
}

TEST(MapFile, TextsRoundTripThroughWindows1252) {
    MapDocument doc = documentWithLabel();
    doc.Items[1].Text = QStringLiteral("Pluie à Besançon, orages forts — été 2€");
    doc.setBackgroundFile(QStringLiteral("/home/amélie/fonds/été.gif"));
    bool lossy = true;
    const QByteArray bytes = serializeMapFile(doc, &lossy);
    EXPECT_FALSE(lossy);
    EXPECT_TRUE(bytes.contains("Pluie \xE0 Besan\xE7on, orages forts \x97 \xE9t\xE9 2\x80"));
    const MapDocument back = parseOk(bytes);
    EXPECT_EQ(back.Items[1].Text, doc.Items[1].Text);
    EXPECT_EQ(back.backgroundFile(), doc.backgroundFile());
}

TEST(MapFile, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    MapDocument doc = documentWithLabel();
    doc.Items[1].Text = QStringLiteral("Neige \u96EA \U0001F328!");
    bool lossy = false;
    const MapDocument back = parseOk(serializeMapFile(doc, &lossy));
    EXPECT_TRUE(lossy);
    EXPECT_EQ(back.Items[1].Text, QStringLiteral("Neige ? ?!"));
}

TEST(MapFile, EveryByteSurvivesARoundTrip) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    bool lossy = false;
    EXPECT_EQ(encodeWindows1252(decodeWindows1252(all), &lossy), all);
    EXPECT_FALSE(lossy);
}

TEST(MapFile, RepairFreesInconsistentLinesAndTheirEntries) {
    MapDocument doc;
    doc.AddLine(lineThrough({{0, 0}, {5, 5}}, 1), false, false); // entry 1, line 1
    doc.AddLine(lineThrough({{0, 0}, {6, 6}}, 1), false, false); // entry 2, line 2
    doc.AddLine(lineThrough({{0, 0}, {7, 7}}, 1), false, false); // entry 3, line 3
    doc.AddLine(lineThrough({{0, 0}, {8, 8}}, 1), false, false); // entry 4, line 4
    doc.Lines[1].InUse = kFalse;                                 // freed line behind a live entry
    doc.Lines[2].PointCount = 5;                                 // count does not match the arrays
    doc.Lines[3].PointY.reset();                                 // an array is missing
    doc.Items[4].RefIndex = 9;                                   // names a slot beyond LineCount
    doc.AddLine(lineThrough({{0, 0}, {9, 9}}, 1), false, false); // entry 5, line 5
    doc.Lines[5].InUse = 2; // an odd "live" flag with a missing array
    doc.Lines[5].PointX.reset();
    const MapDocument back = parseOk(serializeMapFile(doc));
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(back.Items[static_cast<std::size_t>(i)].InUse, kFalse) << "entry " << i;
    EXPECT_EQ(back.Lines[5].InUse, kFalse);
    EXPECT_EQ(back.Lines[2].InUse, kFalse);
    EXPECT_EQ(back.Lines[3].InUse, kFalse);
    EXPECT_EQ(back.Lines[4].InUse, kTrue);
}

TEST(MapFile, WrongVersionLeavesTheDocumentUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.car"));
    QByteArray bytes = serializeMapFile(documentWithLabel());
    bytes.replace(0, 4, le32(16));
    grivendale::testing::writeFileBytes(path, bytes);

    MapDocument doc;
    doc.AddPictoItem(5, 1, 2);
    const MapDocument before = doc;
    const MapLoadResult result = LoadMap(doc, path);
    EXPECT_EQ(result.status, MapLoadStatus::WrongVersion);
    EXPECT_EQ(result.version, 16);
    EXPECT_EQ(result.message, kWrongVersionMessage);
    EXPECT_EQ(kWrongVersionTitle, QStringLiteral("Problème!"));
    EXPECT_TRUE(
        kWrongVersionMessage.startsWith(QStringLiteral("Attention ! Ce fichier de sauvegarde")));
    EXPECT_TRUE(kWrongVersionMessage.endsWith(QStringLiteral("recréer le fichier de zéro.")));
    EXPECT_EQ(serializeMapFile(doc), serializeMapFile(before));
}

TEST(MapFile, LoadReplacesContentsAndKeepsHistory) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("map.car"));
    MapDocument saved = documentWithLabel();
    saved.setBackgroundFile(QStringLiteral("/fonds/france.png"));
    ASSERT_TRUE(SaveAll(saved, path).ok);

    MapDocument doc;
    doc.AddPictoItem(5, 1, 2);
    doc.AddPictoItem(5, 1, 2);
    ASSERT_TRUE(LoadMap(doc, path).ok());
    EXPECT_EQ(doc.ItemCount, 1);
    EXPECT_EQ(doc.Items[1], parisLabel());
    EXPECT_EQ(doc.backgroundFile(), QStringLiteral("/fonds/france.png"));
    EXPECT_EQ(doc.HistoryCount, 2);
    // Undo after the load must not reach the vanished slot 2.
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.Items[1].InUse, kFalse); // the older entry names slot 1, which exists again
    EXPECT_EQ(doc.ItemCount, 1);
}

TEST(MapFile, SaveReplacesAnExistingFileAndFailsCleanly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("map.car"));
    grivendale::testing::writeFileBytes(path, QByteArray(3000, 'x'));
    ASSERT_TRUE(SaveAll(MapDocument{}, path).ok);
    EXPECT_EQ(grivendale::testing::readFileBytes(path).size(), 516);

    const MapSaveResult failed =
        SaveAll(MapDocument{}, dir.filePath(QStringLiteral("missing/map.car")));
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.message.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/map.car"))));

    const MapLoadResult missing =
        LoadMap(*std::make_unique<MapDocument>(), dir.filePath("nope.car"));
    EXPECT_EQ(missing.status, MapLoadStatus::Unreadable);
}

TEST(MapFile, TrailingBytesAreIgnored) {
    const QByteArray bytes =
        serializeMapFile(documentWithLabel()) + QByteArray("junk after the end");
    const MapDocument back = parseOk(bytes);
    EXPECT_EQ(back.Items[1], parisLabel());
}

TEST(MapFile, HostileFilesAreRefused) {
    const QByteArray label = header() + le32(1) + kEmptyItem + hexBytes(kLabelRecord);
    const QByteArray lineTail = hexBytes("00 00 00 00 | 00 00 00 00 | 01 00 00 00");
    auto lineWithArray = [&](const QByteArray& pointX) {
        return header() + le32(0) + le32(0) + le32(1) + kEmptyLine +
               hexBytes("FF FF 03 00 00 00 02 00 00 00") + pointX + hexBytes("00 00") + lineTail;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        MapLoadStatus status;
    };
    const Case cases[] = {
        {"empty file", QByteArray(), MapLoadStatus::WrongVersion},
        {"three bytes", QByteArray("\x11\0\0", 3), MapLoadStatus::WrongVersion},
        {"version 16", le32(16) + QByteArray(512, '\0'), MapLoadStatus::WrongVersion},
        {"ends inside the path", le32(17) + QByteArray(100, ' '), MapLoadStatus::Corrupt},
        {"no item count", header(), MapLoadStatus::Corrupt},
        {"negative item count", header() + le32(-1) + le32(0) + le32(0), MapLoadStatus::Corrupt},
        {"huge item count", header() + le32(0x7FFFFFFF) + le32(0) + le32(0),
         MapLoadStatus::Corrupt},
        {"item count beyond the bytes", header() + le32(3) + kEmptyItem + kEmptyItem,
         MapLoadStatus::Corrupt},
        {"text length beyond the bytes",
         header() + le32(1) + kEmptyItem + hexBytes(kLabelRecord).left(30) +
             hexBytes("FF FF 41 42"),
         MapLoadStatus::Corrupt},
        {"ends inside a label", label.left(label.size() - 3), MapLoadStatus::Corrupt},
        {"no fill count", label, MapLoadStatus::Corrupt},
        {"negative fill count", label + le32(-5) + le32(0), MapLoadStatus::Corrupt},
        {"fill count beyond the bytes", label + le32(2) + QByteArray(30, '\0') + le32(0),
         MapLoadStatus::Corrupt},
        {"negative line count", label + le32(0) + le32(-1), MapLoadStatus::Corrupt},
        {"huge line count", label + le32(0) + le32(0x40000000), MapLoadStatus::Corrupt},
        {"two-dimensional point array",
         lineWithArray(hexBytes("02 00 03 00 00 00 00 00 00 00 03 00 00 00 00 00 00 00") +
                       QByteArray(36, '\0')),
         MapLoadStatus::Corrupt},
        {"point array from 1",
         lineWithArray(hexBytes("01 00 03 00 00 00 01 00 00 00") + QByteArray(12, '\0')),
         MapLoadStatus::Corrupt},
        {"point array beyond the bytes",
         lineWithArray(hexBytes("01 00 FF FF FF 3F 00 00 00 00") + QByteArray(12, '\0')),
         MapLoadStatus::Corrupt},
        {"huge point array", lineWithArray(hexBytes("01 00 FF FF FF FF 00 00 00 00")),
         MapLoadStatus::Corrupt},
        {"ends inside a line",
         header() + le32(0) + le32(0) + le32(1) + kEmptyLine + hexBytes("FF FF 03 00"),
         MapLoadStatus::Corrupt},
    };
    MapDocument negative;
    EXPECT_TRUE(parseMapFile(cases[5].bytes, negative)
                    .message.endsWith(QStringLiteral("le nombre d'éléments est négatif (-1).")));
    QTemporaryDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MapDocument fresh;
        const MapLoadResult parsed = parseMapFile(c.bytes, fresh);
        EXPECT_EQ(parsed.status, c.status);
        EXPECT_FALSE(parsed.message.isEmpty());
        // UTF-8 read as Latin-1 would show "Ã©" for "é".
        EXPECT_FALSE(parsed.message.contains(QChar(0xC3))) << parsed.message.toStdString();

        const QString path = dir.filePath(QStringLiteral("hostile%1.car").arg(n));
        grivendale::testing::writeFileBytes(path, c.bytes);
        grivendale::testing::addFuzzSeed(QStringLiteral("hostile%1.car").arg(n++), c.bytes);
        MapDocument doc = documentWithLabel();
        doc.PushHistory(0, 1, -1, -1);
        const QByteArray before = serializeMapFile(doc);
        EXPECT_FALSE(LoadMap(doc, path).ok());
        EXPECT_EQ(serializeMapFile(doc), before);
        EXPECT_EQ(doc.HistoryCount, 1);
    }
}

TEST(MapFile, ZeroCountWithStaleSlotsWritesNoRecords) {
    MapDocument doc = documentWithLabel();
    doc.AddFill(1, 2, 3);
    doc.clearAll();
    EXPECT_EQ(serializeMapFile(doc).size(), 516);
}
