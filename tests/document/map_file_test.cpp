#include "document/map_file.h"
#include "document/map_storage_check.h"
#include "document/windows1252.h"
#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::addFuzzSeed;
using grivendale::testing::hexBytes;

namespace {

// Every field of the label, the fill and the line holds its own value, so that two fields read
// or written in each other's place change the bytes. Fields come in MapItem's and MapLine's order.
const QByteArray kLabel =
    hexBytes("FFFF 04000000 64000000 32000000 0700 0100 0A00 4488CC00 0400 53E87465"
             "0500 417269616C 0200 0300 0500 1E000000 10000000");
const QByteArray kLine =
    hexBytes("FFFF 03000000 02000000 0100 03000000 00000000 000000000000000028000000"
             "0100 03000000 00000000 00000000 0A000000 00000000 56341200 01000000 00000000");
const QByteArray kEmptyItem(42, '\0');
const QByteArray kEmptyLine(26, '\0');

QByteArray le32(std::int32_t v) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(v), bytes.data());
    return bytes;
}

const QByteArray kHeader = le32(17) + QByteArray(500, ' ');
const QByteArray kRichFile = le32(17) + QByteArray("/fonds/\xE9t\xE9.gif").leftJustified(500) +
                             le32(1) + kEmptyItem + kLabel + le32(1) + QByteArray(12, '\0') +
                             hexBytes("0A000000 14000000 EFCDAB00") + le32(1) + kEmptyLine + kLine;

MapDocument richDocument() {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/fonds/été.gif"));
    doc.ItemCount = doc.FillCount = doc.LineCount = 1;
    doc.Items = {{},
                 {kTrue, 4, 100, 50, 7, 1, 10, 0xCC8844, QStringLiteral("Sète"),
                  QStringLiteral("Arial"), 2, 3, 5, 30, 16}};
    doc.Fills = {{}, {10, 20, 0xABCDEF}};
    doc.Lines = {{},
                 {kTrue, 3, 2, std::vector<std::int32_t>{0, 0, 40},
                  std::vector<std::int32_t>{0, 10, 0}, 0x123456, 1, 0}};
    return doc;
}

MapDocument parseOk(const QByteArray& bytes) {
    MapDocument doc;
    const MapLoadResult result = parseMapFile(bytes, doc);
    EXPECT_TRUE(result.ok()) << result.message.toStdString();
    return doc;
}

} // namespace

TEST(MapFile, RecordsAreByteExactBothWays) {
    const QByteArray empty = kHeader + le32(0) + le32(0) + le32(0);
    EXPECT_EQ(serializeMapFile(MapDocument{}), empty);
    MapDocument doc = richDocument();
    EXPECT_EQ(serializeMapFile(doc), kRichFile);
    // Records past a lowered count are not written.
    doc.AddFill(1, 2, 3);
    doc.Undo();
    EXPECT_EQ(serializeMapFile(doc), kRichFile);
    doc.clearAll();
    EXPECT_EQ(serializeMapFile(doc), kRichFile.left(504) + le32(0) + le32(0) + le32(0));

    // Read and written again: the least line records up to the very end, bytes after the last.
    const QByteArray lastFit = kHeader + le32(0) + le32(0) + le32(1) + kEmptyLine + kEmptyLine;
    int n = 0;
    for (const QByteArray& file : {empty, kRichFile, lastFit, kRichFile + "junk"}) {
        addFuzzSeed(QStringLiteral("good%1.car").arg(n), file);
        EXPECT_EQ(serializeMapFile(parseOk(file)), file.endsWith("junk") ? kRichFile : file) << n++;
    }
}

TEST(MapFile, TextsAreWindows1252CutAtTheirLengthField) {
    const QString tail = QString(32767, QLatin1Char('a')) + QLatin1Char('z');
    const std::tuple<QString, bool, QString> cases[] = {
        {QStringLiteral("Pluie à Besançon — été 2€"), false, {}}, // null: read back unchanged
        {QStringLiteral("Neige \u96EA \U0001F328!"), true, QStringLiteral("Neige ? ?!")},
        {tail, false, {}}, // 32768 bytes: beyond a signed length
        {tail + tail.left(32767), false, {}},
        {tail + tail, true, tail + tail.left(32767)},
    };
    for (const auto& [text, lossy, readBack] : cases) {
        SCOPED_TRACE(text.size());
        MapDocument doc = richDocument();
        doc.Items[1].Text = text;
        bool lost = !lossy;
        const MapDocument back = parseOk(serializeMapFile(doc, &lost));
        EXPECT_EQ(lost, lossy);
        EXPECT_EQ(storageProblems(doc).size(), lossy ? 1u : 0u); // what saving warns of
        doc.Items[1].Text = readBack.isNull() ? text : readBack;
        EXPECT_EQ(back.Items, doc.Items);
        EXPECT_EQ(back.Lines, doc.Lines);
    }

    // Bytes 0x80..0x9F, the only ones not read as Latin-1; the five the code page leaves out
    // stay control characters.
    const QString high =
        QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ\u00A0ÿ");
    QByteArray bytes;
    for (int b = 0x80; b <= 0xA0; ++b)
        bytes.append(static_cast<char>(b));
    bytes.append('\xFF');
    EXPECT_EQ(decodeWindows1252(bytes), high);
    EXPECT_EQ(encodeWindows1252(high), bytes);
    EXPECT_EQ(unencodableWindows1252(QStringLiteral("é\u96EA\U0001F328€\u96EA")),
              QStringLiteral("\u96EA\U0001F328"));
}

TEST(MapFile, RepairFreesInconsistentLinesAndTheirEntries) {
    MapDocument doc;
    for (int i = 1; i <= 6; ++i)
        doc.AddLine(grivendale::testing::lineThrough({{0, 0}, {i, i}}), false, false);
    doc.Lines[1].InUse = kFalse; // a freed line behind a live entry
    doc.Lines[2].PointCount = 5; // the count does not match the arrays
    doc.Lines[3].PointY.reset(); // an array is missing
    doc.Items[4].RefIndex = 9;   // a slot beyond the line count
    doc.Lines[5].InUse = 2;      // an odd "live" flag with a missing array
    doc.Lines[5].PointX.reset();
    const MapDocument back = parseOk(serializeMapFile(doc));
    for (std::size_t i = 1; i <= 6; ++i) {
        EXPECT_EQ(back.Items[i].InUse, i == 6 ? kTrue : kFalse) << "entry " << i;
        EXPECT_EQ(back.Lines[i].InUse, i == 4 || i == 6 ? kTrue : kFalse) << "line " << i;
    }
}

TEST(MapFile, LoadReplacesTheDocumentOnlyWithAGoodFile) {
    const QByteArray z = le32(0);
    const QByteArray label = kHeader + le32(1) + kEmptyItem + kLabel;
    const auto line = [&](const char* pointX, int values) {
        return kHeader + z + z + le32(1) + kEmptyLine + hexBytes("FFFF 03000000 02000000") +
               hexBytes(pointX) + QByteArray(values * 4, '\0') +
               hexBytes("0000 00000000 00000000 01000000");
    };
    constexpr auto wrong = MapLoadStatus::WrongVersion;
    constexpr auto corrupt = MapLoadStatus::Corrupt;
    const auto refused = [](const QString& file, MapLoadStatus status, const char* says) {
        MapDocument doc = richDocument();
        doc.PushHistory(0, 1, -1, -1);
        const MapLoadResult result = LoadMap(doc, file);
        EXPECT_EQ(result.status, status);
        // UTF-8 read as Latin-1 would show "Ã©" for "é".
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(says)) &&
                    !result.message.contains(QChar(0xC3)))
            << result.message.toStdString();
        EXPECT_EQ(serializeMapFile(doc), kRichFile);
        EXPECT_EQ(doc.HistoryCount, 1);
    };
    // The bytes of the file and what its message must say.
    const std::tuple<QByteArray, MapLoadStatus, const char*> cases[] = {
        {QByteArray(), wrong, "pas la bonne version"},
        {le32(16) + QByteArray(512, '\0'), wrong, "pas la bonne version"},
        {le32(17) + QByteArray(100, ' '), corrupt, "enregistrement (chemin du fond)"},
        {kHeader, corrupt, "(d'éléments)"},
        {kHeader + le32(-1) + z + z, corrupt, "le nombre d'éléments est négatif (-1)."},
        {label.left(580) + hexBytes("FFFF 4142") + QByteArray(10, '\0'), corrupt, "(police d'un"},
        {label, corrupt, "(de remplissages)"},
        {label + le32(2) + QByteArray(30, '\0') + z, corrupt, "remplissages (2) dépasse"},
        {label + z + le32(0x40000000), corrupt, "de lignes (1073741824) dépasse"},
        {line("0200 03000000 00000000 03000000 00000000", 9), corrupt, "2 dimensions"},
        {line("0100 03000000 01000000", 3), corrupt, "commence à 1"},
        {line("0100 FFFFFF3F 00000000", 3), corrupt, "(1073741823 éléments)"},
        {line("0100 FFFFFFFF 00000000", 0), corrupt, "(4294967295 éléments)"},
        {line("0100 03000000 00000000", 3).chopped(2), corrupt, "(ligne)"},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const auto& [bytes, status, says] : cases) {
        SCOPED_TRACE(says);
        const QString file = QStringLiteral("hostile%1.car").arg(n++);
        grivendale::testing::writeFileBytes(dir.filePath(file), bytes);
        addFuzzSeed(file, bytes);
        refused(dir.filePath(file), status, says);
    }
    refused(dir.filePath(QStringLiteral("missing.car")), MapLoadStatus::Unreadable,
            "Impossible d'ouvrir");
    refused(dir.path(), MapLoadStatus::Unreadable, "n'est pas un fichier ordinaire");

    // A good file replaces a longer one; loaded, it keeps the history.
    const QString path = dir.filePath(QStringLiteral("good.car"));
    grivendale::testing::writeFileBytes(path, QByteArray(3000, 'x'));
    ASSERT_TRUE(SaveAll(richDocument(), path).ok);
    MapDocument doc;
    doc.AddPictoItem(5, 1, 2);
    doc.AddPictoItem(5, 1, 2);
    ASSERT_TRUE(LoadMap(doc, path).ok());
    EXPECT_EQ(serializeMapFile(doc), kRichFile);
    // Undo after the load must not reach the vanished slot 2; slot 1 exists again.
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(std::tuple(doc.HistoryCount, doc.Items[1].InUse), std::tuple(0, kFalse));
    const MapSaveResult failed = SaveAll(MapDocument{}, dir.filePath(QStringLiteral("no/map.car")));
    EXPECT_FALSE(failed.ok || failed.message.isEmpty() || QFile::exists(dir.filePath("no")));
}
