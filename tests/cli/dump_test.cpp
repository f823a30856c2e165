#include "document/map_file.h"
#include "support/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace grivendale;

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun runCli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"), args);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

TEST(CliDump, PrintsTheRepairedDocumentAsJson) {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/fonds/été.gif"));
    const std::int32_t label = doc.takeItemSlot();
    MapItem& item = doc.Items[static_cast<std::size_t>(label)];
    item.InUse = kTrue;
    item.IsText = kTrue;
    item.Size = 12;
    item.Color = 0xFFFFFF;
    item.Text = QStringLiteral("Orages \"forts\" à l'est");
    item.FontName = QStringLiteral("Arial");
    MapLine line;
    line.Width = 3;
    line.PointCount = 2;
    line.PointX = std::vector<std::int32_t>{0, 10, 30};
    line.PointY = std::vector<std::int32_t>{0, 40, 20};
    line.Color = 0xFF0000;
    doc.AddLine(line, true, false);
    doc.AddFill(5, 6, 0x00FF00);
    doc.AddLine(line, false, true);
    doc.Lines[2].InUse = kFalse; // its entry is freed by the repair on load

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("map.car"));
    ASSERT_TRUE(SaveAll(doc, path).ok);
    const CliRun run = runCli({QStringLiteral("dump"), path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(run.out.startsWith("{\"version\":17,\"backgroundPath\":"));
    EXPECT_EQ(json[QStringLiteral("backgroundPath")].toString(), QStringLiteral("/fonds/été.gif"));
    EXPECT_EQ(json[QStringLiteral("itemCount")].toInt(), 3);
    const QJsonArray items = json[QStringLiteral("items")].toArray();
    ASSERT_EQ(items.size(), 4);
    const QJsonObject text = items[1].toObject();
    EXPECT_EQ(text[QStringLiteral("slot")].toInt(), 1);
    EXPECT_EQ(text[QStringLiteral("inUse")].toInt(), -1);
    EXPECT_EQ(text[QStringLiteral("isText")].toInt(), -1);
    EXPECT_EQ(text[QStringLiteral("color")].toInteger(), 16777215);
    EXPECT_EQ(text[QStringLiteral("text")].toString(), QStringLiteral("Orages \"forts\" à l'est"));
    EXPECT_EQ(items[3].toObject()[QStringLiteral("inUse")].toInt(), 0);
    EXPECT_EQ(items[0].toObject().keys().size(), 16);

    const QJsonArray fills = json[QStringLiteral("fills")].toArray();
    ASSERT_EQ(fills.size(), 2);
    EXPECT_EQ(fills[1].toObject()[QStringLiteral("color")].toInt(), 65280);

    const QJsonArray lines = json[QStringLiteral("lines")].toArray();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].toObject()[QStringLiteral("pointX")].isNull());
    const QJsonObject first = lines[1].toObject();
    EXPECT_EQ(first[QStringLiteral("pointX")].toArray(), (QJsonArray{0, 0, 20}));
    EXPECT_EQ(first[QStringLiteral("pointY")].toArray(), (QJsonArray{0, 20, 0}));
    EXPECT_EQ(first[QStringLiteral("smooth")].toInt(), 1);
    EXPECT_EQ(first[QStringLiteral("color")].toInteger(), 0xFF0000);
}

TEST(CliDump, EmptyMapHasEmptyLists) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.car"));
    ASSERT_TRUE(SaveAll(MapDocument{}, path).ok);
    const CliRun run = runCli({QStringLiteral("dump"), path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.trimmed(),
              QByteArray("{\"version\":17,\"backgroundPath\":\"\",\"itemCount\":0,\"items\":[],"
                         "\"fillCount\":0,\"fills\":[],\"lineCount\":0,\"lines\":[]}"));
}

TEST(CliDump, ExitStatusSaysWhatWentWrong) {
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.car"));
    QByteArray bytes = serializeMapFile(MapDocument{});
    bytes[0] = 16;
    grivendale::testing::writeFileBytes(old, bytes);
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.car"));
    grivendale::testing::writeFileBytes(corrupt, serializeMapFile(MapDocument{}).left(510));
    const QString fifo = dir.filePath(QStringLiteral("fifo.car"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    struct Case {
        QStringList args;
        int exitCode;
        const char* inMessage;
    };
    const Case cases[] = {
        {{}, 2, "usage"},
        {{QStringLiteral("dump")}, 2, "usage"},
        {{QStringLiteral("frobnicate"), old}, 2, "usage"},
        {{QStringLiteral("dump"), dir.filePath(QStringLiteral("missing.car"))}, 3, "missing.car"},
        {{QStringLiteral("dump"), old}, 3, "version 16"},
        {{QStringLiteral("dump"), corrupt}, 3, "endommag"},
        // Neither is read: one would never end, the other would wait for a writer.
        {{QStringLiteral("dump"), QStringLiteral("/dev/zero")}, 3, "pas un fichier ordinaire"},
        {{QStringLiteral("dump"), fifo}, 3, "pas un fichier ordinaire"},
        {{QStringLiteral("dump"), dir.path()}, 3, "pas un fichier ordinaire"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = runCli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(c.inMessage)) << run.err.toStdString();
        if (c.exitCode == 3) {
            EXPECT_EQ(run.err.count('\n'), 1);
        }
    }
}
