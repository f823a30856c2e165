#include "document/map_file.h"
#include "support/test_support.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;

namespace {

int runCli(const QStringList& args, QByteArray* err = nullptr) {
    QProcess process;
    process.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"), args);
    EXPECT_TRUE(process.waitForFinished(60000));
    if (err)
        *err = process.readAllStandardError();
    return process.exitCode();
}

} // namespace

TEST(CliRender, ComposesTheWholeMap) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("picto"));
    QImage picto(10, 10, QImage::Format_RGB32);
    picto.fill(qRgb(0, 0, 255));
    picto.save(dir.filePath(QStringLiteral("picto/carre.bmp")));
    QImage background(60, 40, QImage::Format_RGB32);
    background.fill(Qt::white);
    {
        QPainter painter(&background);
        painter.setPen(Qt::black);
        painter.drawLine(30, 0, 30, 39);
    }
    const QString backgroundPath = dir.filePath(QStringLiteral("fond.png"));
    background.save(backgroundPath);

    MapDocument doc;
    doc.setBackgroundFile(backgroundPath);
    doc.AddFill(5, 5, 0x00FF00);
    doc.AddPictoItem(1, 45, 20);
    const QString map = dir.filePath(QStringLiteral("carte.car"));
    ASSERT_TRUE(SaveAll(doc, map).ok);

    const QString out = dir.filePath(QStringLiteral("out.png"));
    QByteArray err;
    ASSERT_EQ(runCli({QStringLiteral("render"), map, out, QStringLiteral("--picto-dir"),
                      dir.filePath(QStringLiteral("picto"))},
                     &err),
              0)
        << err.toStdString();
    const QImage image(out);
    ASSERT_EQ(image.size(), QSize(60, 40));
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 255, 0)); // the fill, stopped by the border
    EXPECT_EQ(image.pixel(35, 5), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(30, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(45, 20), qRgb(0, 0, 255)); // the pictogram
    EXPECT_EQ(image.pixel(39, 20), qRgb(255, 255, 255));

    // Another background given on the command line replaces the map's; none at all gives
    // the default surface.
    QImage other(30, 20, QImage::Format_RGB32);
    other.fill(Qt::gray);
    other.save(dir.filePath(QStringLiteral("autre.png")));
    ASSERT_EQ(runCli({QStringLiteral("render"), map, out, QStringLiteral("--background"),
                      dir.filePath(QStringLiteral("autre.png"))}),
              0);
    EXPECT_EQ(QImage(out).size(), QSize(30, 20));
    ASSERT_EQ(
        runCli({QStringLiteral("render"), map, out, QStringLiteral("--background"),
                dir.filePath(QStringLiteral("absent.png")), QStringLiteral("--allow-missing")}),
        0);
    EXPECT_EQ(QImage(out).size(), QSize(800, 600));
}

TEST(CliRender, ExitStatusSaysWhatWentWrong) {
    QTemporaryDir dir;
    const QString map = dir.filePath(QStringLiteral("carte.car"));
    ASSERT_TRUE(SaveAll(MapDocument{}, map).ok);
    grivendale::testing::writeFileBytes(dir.filePath(QStringLiteral("bad.car")),
                                        "\x11\0\0\0 short");
    const QString withPicto = dir.filePath(QStringLiteral("picto.car"));
    MapDocument picto;
    picto.AddPictoItem(1, 5, 5);
    ASSERT_TRUE(SaveAll(picto, withPicto).ok);
    struct Case {
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {{QStringLiteral("render"), map}, 2},
        {{QStringLiteral("render"), map, dir.filePath("o.png"), QStringLiteral("--picto-dir")}, 2},
        {{QStringLiteral("render"), map, dir.filePath("o.png"), QStringLiteral("--bogus")}, 2},
        {{QStringLiteral("render"), dir.filePath("bad.car"), dir.filePath("o.png")}, 3},
        {{QStringLiteral("render"), dir.filePath("none.car"), dir.filePath("o.png")}, 3},
        {{QStringLiteral("render"), map, dir.filePath("no/such/folder/o.png")}, 4},
        // The picture is written, but without what it needs it is no success.
        {{QStringLiteral("render"), withPicto, dir.filePath("o.png"), QStringLiteral("--picto-dir"),
          dir.filePath("none")},
         5},
        {{QStringLiteral("render"), map, dir.filePath("o.png"), QStringLiteral("--background"),
          dir.filePath("none.png")},
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(runCli(c.args), c.exitCode);
    }
}
