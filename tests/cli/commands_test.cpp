#include "document/map_file.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace grivendale;

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};

// `fileSizeLimit`: writes past it fail (EFBIG), as on a full disk.
CliRun runCli(const QStringList& args, const QString& program = QStringLiteral("grivendale-cli"),
              rlim_t fileSizeLimit = RLIM_INFINITY) {
    QProcess cli;
    cli.setChildProcessModifier([fileSizeLimit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    cli.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/") + program, args);
    EXPECT_TRUE(cli.waitForFinished(60000));
    return {cli.exitCode(), cli.readAllStandardOutput(), cli.readAllStandardError()};
}

} // namespace

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
        // Anywhere on the line, the usage of what was asked or the version, on standard output.
        {"--help", 0, "usage: grivendale-cli dump", {}},
        {"upload a.png --help", 0, "usage: grivendale-cli upload", {}},
        {"dump --version", 0, "grivendale-cli 1.8\n", {}},
        {"grivendale --help", 0, "usage: grivendale [MAP.car]", {}},
        {"grivendale map.car --version", 0, "grivendale 1.8\n", {}},
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
        const bool editor = args.value(0) == QLatin1String("grivendale");
        const bool help = std::strstr(line, "--help") || std::strstr(line, "--version");
        const auto [status, out, err] =
            runCli(args.mid(editor), editor ? args[0] : QStringLiteral("grivendale-cli"));
        EXPECT_EQ(status, exitCode);
        EXPECT_EQ(!out.isEmpty() && out.startsWith(says), help) << out.toStdString();
        EXPECT_TRUE(help ||
                    (err.contains(says) && (exitCode != 3 || err.count("grivendale-cli:") == 1)))
            << err.toStdString();
        EXPECT_EQ(QFile::exists(picture) ? QImage(picture).size() : QSize(), written);
    }
    // Onto a full disk: the previous picture stays whole, and the status says so.
    const QByteArray previous = grivendale::testing::readFileBytes(at("o0.png"));
    const auto [status, out, err] = runCli({QStringLiteral("render"), at("map.car"), at("o0.png"),
                                            QStringLiteral("--background"), at("autre.png")},
                                           QStringLiteral("grivendale-cli"), 100);
    EXPECT_EQ(std::tuple(status, grivendale::testing::readFileBytes(at("o0.png"))),
              std::tuple(4, previous));
    EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
    // The fill stops at the column; the pictogram is centred on (45, 20).
    const QImage map(at("o0.png"));
    EXPECT_EQ((std::vector<QRgb>{map.pixel(5, 5), map.pixel(35, 5), map.pixel(45, 20),
                                 map.pixel(39, 20)}),
              (std::vector<QRgb>{0xFF00FF00, 0xFFFFFFFF, 0xFF0000FF, 0xFFFFFFFF}));
}

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

    const QByteArray json =
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
        R"("smooth":1,"inBackground":0}]})";
    const CliRun run = runCli({QStringLiteral("dump"), dir.filePath(QStringLiteral("map.car"))});
    EXPECT_EQ(std::pair(run.exitCode, run.out), std::pair(0, json + '\n')) << run.err.toStdString();
}
