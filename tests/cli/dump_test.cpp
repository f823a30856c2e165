#include "document/map_file.h"
#include "support/test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;

TEST(CliDump, PrintsEveryFieldInFileOrder) {
    MapDocument doc;
    doc.setBackgroundFile(QStringLiteral("/fonds/été.gif"));
    doc.ItemCount = 1;
    doc.Items = {{},
                 {kTrue, 4, 100, 50, 7, 1, 12, 0xFFFFFF,
                  QStringLiteral("Orages \"forts\" à\\\n\t\x01"), QStringLiteral("Arial"), 2, 3, 5,
                  30, 16}};
    doc.AddFill(5, 6, 0x00FF00);
    doc.AddLine(grivendale::testing::lineThrough({{10, 40}, {40, 20}}, 3, 0xFF0000), true, false);
    QTemporaryDir dir;
    ASSERT_TRUE(SaveAll(doc, dir.filePath(QStringLiteral("map.car"))).ok);
    ASSERT_TRUE(SaveAll(MapDocument{}, dir.filePath(QStringLiteral("empty.car"))).ok);

    const std::pair<const char*, QByteArray> cases[] = {
        {"map.car",
         R"({"version":17,"backgroundPath":"/fonds/été.gif","itemCount":2,"items":[{"slot":0,)"
         R"("inUse":0,"refIndex":0,"x":0,"y":0,"reserved":0,"isText":0,"size":0,"color":0,)"
         R"("text":"","fontName":"","bold":0,"italic":0,"underline":0,"width":0,"height":0},)"
         R"({"slot":1,"inUse":-1,"refIndex":4,"x":100,"y":50,"reserved":7,"isText":1,)"
         R"("size":12,"color":16777215,"text":"Orages \"forts\" à\\\n\t\u0001",)"
         R"("fontName":"Arial","bold":2,"italic":3,"underline":5,"width":30,"height":16},)"
         R"({"slot":2,"inUse":-1,"refIndex":1,"x":10,"y":20,"reserved":0,"isText":0,)"
         R"("size":-1,"color":0,"text":"","fontName":"","bold":0,"italic":0,"underline":0,)"
         R"("width":30,"height":20}],"fillCount":1,"fills":[{"slot":0,"x":0,"y":0,)"
         R"("color":0},{"slot":1,"x":5,"y":6,"color":65280}],"lineCount":1,"lines":[)"
         R"({"slot":0,"inUse":0,"width":0,"pointCount":0,"pointX":null,"pointY":null,)"
         R"("color":0,"smooth":0,"inBackground":0},{"slot":1,"inUse":-1,"width":3,)"
         R"("pointCount":2,"pointX":[0,0,30],"pointY":[0,20,0],"color":16711680,)"
         R"("smooth":1,"inBackground":0}]})"},
        {"empty.car", R"({"version":17,"backgroundPath":"","itemCount":0,"items":[],)"
                      R"("fillCount":0,"fills":[],"lineCount":0,"lines":[]})"},
    };
    for (const auto& [name, json] : cases) {
        QProcess dump;
        dump.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"),
                   {QStringLiteral("dump"), dir.filePath(QString::fromLatin1(name))});
        ASSERT_TRUE(dump.waitForFinished(30000));
        EXPECT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
        EXPECT_EQ(dump.readAllStandardOutput(), json + '\n');
    }
}
