#include "document/map_file.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace grivendale;

TEST(CliRender, ComposesTheWholeMapAndEveryCommandSaysWhatWentWrong) {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("picto")));
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    image.save(at("picto/carre.bmp"));
    QImage(30, 20, QImage::Format_RGB32).save(at("autre.png"));
    // White with a black column at x = 30 that stops the fill.
    image = QImage(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 40; ++y)
        image.setPixel(30, y, qRgb(0, 0, 0));
    image.save(at("fond.png"));
    MapDocument doc;
    doc.setBackgroundFile(at("fond.png"));
    doc.AddFill(5, 35, 0x00FF00); // (35, 5) would fill the right half
    doc.AddPictoItem(1, 45, 20);
    ASSERT_TRUE(SaveAll(doc, at("map.car")).ok);
    QByteArray old = serializeMapFile(MapDocument{});
    old[0] = 16;
    grivendale::testing::writeFileBytes(at("old.car"), old);
    grivendale::testing::writeFileBytes(at("bad.car"), old.replace(0, 1, "\x11").left(9));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo.car")).constData(), 0600), 0);

    // Words after the command name files of the folder; OUT is a fresh picture, o0.png first.
    const std::tuple<const char*, int, const char*, QSize> cases[] = {
        {"render map.car OUT --picto-dir picto", 0, "", {60, 40}},
        {"render map.car --background autre.png OUT --picto-dir picto", 0, "", {30, 20}},
        {"render map.car OUT --background x.png --allow-missing", 0, "image missing", {800, 600}},
        // The picture is written, but without what it needs it is no success.
        {"render map.car OUT --background x.png --picto-dir picto", 5, "image missing", {800, 600}},
        {"render map.car OUT --picto-dir none", 5, "pictogram folder missing", {60, 40}},
        {"render map.car", 2, "usage", {}},
        {"render map.car OUT --picto-dir", 2, "usage", {}},
        {"render map.car OUT --bogus", 2, "usage", {}},
        {"render map.car OUT map.car", 2, "usage", {}},
        {"render bad.car OUT", 3, "corrupt", {}},
        {"render map.car no/such/o.png", 4, "cannot write", {}},
        {"", 2, "usage", {}},
        {"dump", 2, "usage", {}},
        {"dump old.car old.car", 2, "usage", {}},
        {"frobnicate old.car", 2, "usage", {}},
        {"dump none.car", 3, "none.car: missing or unreadable", {}},
        {"dump old.car", 3, "version 16 instead of 17", {}},
        {"dump bad.car", 3, "corrupt (Fichier carte endommag", {}},
        // None is read: /dev/zero would never end, a FIFO would wait for a writer.
        {"dump /dev/zero", 3, "pas un fichier ordinaire", {}},
        {"dump fifo.car", 3, "pas un fichier ordinaire", {}},
    };
    int n = 0;
    for (const auto& [line, exitCode, says, written] : cases) {
        SCOPED_TRACE(line);
        const QString picture = dir.filePath(QStringLiteral("o%1.png").arg(n++));
        QStringList args;
        for (const QString& word : QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts)) {
            const bool file = !args.isEmpty() && !word.startsWith(u'-') && !word.startsWith(u'/');
            args << (word == QLatin1String("OUT") ? picture : file ? dir.filePath(word) : word);
        }
        QProcess cli;
        cli.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"), args);
        ASSERT_TRUE(cli.waitForFinished(60000));
        const QByteArray err = cli.readAllStandardError();
        EXPECT_EQ(cli.exitCode(), exitCode);
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
        EXPECT_TRUE(err.contains(says) && (exitCode != 3 || err.count("grivendale-cli:") == 1))
            << err.toStdString();
        EXPECT_EQ(QFile::exists(picture) ? QImage(picture).size() : QSize(), written);
    }
    // The fill stops at the column; the pictogram is centred on (45, 20).
    const QImage map(at("o0.png"));
    EXPECT_EQ((std::vector<QRgb>{map.pixel(5, 5), map.pixel(35, 5), map.pixel(45, 20),
                                 map.pixel(39, 20)}),
              (std::vector<QRgb>{0xFF00FF00, 0xFFFFFFFF, 0xFF0000FF, 0xFFFFFFFF}));
}
