// Writes the big map of the benchmarks as a map file with its background picture, for timing
// the editor's start on it: write_big_map FOLDER gives FOLDER/grande-carte.car and
// FOLDER/grand-fond.png.

#include "document/map_file.h"
#include "reference_map.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

using namespace grivendale;

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_big_map FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    BigMap map;
    const QString background = folder.absoluteFilePath(QStringLiteral("grand-fond.png"));
    if (!map.scene.background().save(background)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(background));
        return 1;
    }
    map.doc.setBackgroundFile(background);
    const MapSaveResult saved =
        SaveAll(map.doc, folder.absoluteFilePath(QStringLiteral("grande-carte.car")));
    if (!saved.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(saved.message));
        return 1;
    }
    return 0;
}
