#include "cli/render_command.h"

#include "cli/exit_codes.h"
#include "document/map_file.h"
#include "document/picto_library.h"
#include "imaging/image_io.h"
#include "imaging/program_folder.h"
#include "render/scene.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstring>

namespace grivendale::cli {

int runRender(const QStringList& args) {
    QString mapPath;
    QString outPath;
    QString pictoDir = programFolder() + QStringLiteral("/picto");
    QString backgroundPath;
    bool backgroundGiven = false;
    bool allowMissing = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--allow-missing")) {
            allowMissing = true;
        } else if (arg == QLatin1String("--picto-dir") || arg == QLatin1String("--background")) {
            if (i + 1 >= args.size())
                return usage();
            if (arg == QLatin1String("--picto-dir")) {
                pictoDir = args[++i];
            } else {
                backgroundPath = args[++i];
                backgroundGiven = true;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usage();
        } else if (mapPath.isEmpty()) {
            mapPath = arg;
        } else if (outPath.isEmpty()) {
            outPath = arg;
        } else {
            return usage();
        }
    }
    if (mapPath.isEmpty() || outPath.isEmpty())
        return usage();

    MapDocument doc;
    const MapLoadResult loaded = LoadMap(doc, mapPath);
    if (!loaded.ok()) {
        printError(loadErrorMessage(mapPath, loaded));
        return kExitBadMap;
    }
    const PictoLibrary library = PictoLibrary::build(pictoDir);
    Scene scene;
    if (!backgroundGiven)
        backgroundPath = doc.backgroundFile();
    const QImage background = backgroundPath.isEmpty() ? QImage() : LoadPictureEx(backgroundPath);
    scene.setBackground(background);
    scene.DrawScene(doc, library, true);
    if (const FileWriteResult written = SavePicturePng(scene.canvas(), outPath); !written.ok()) {
        // The previous file, if any, is left as it was.
        printError(QStringLiteral("cannot write %1: %2")
                       .arg(outPath, QString::fromLocal8Bit(std::strerror(written.error))));
        return kExitCannotWrite;
    }

    // The picture is written all the same, but a grey or incomplete map must not pass for
    // the real one.
    bool missing = false;
    if (!backgroundPath.isEmpty() && background.isNull()) {
        printError(
            QStringLiteral("background image missing or unreadable: %1").arg(backgroundPath));
        missing = true;
    }
    std::int32_t absentPictos = 0;
    for (std::int32_t i = 1; i <= doc.ItemCount; ++i) {
        const MapItem* item = doc.item(i);
        if (item && item->isLive() && item->isPicto() && !library.entry(item->RefIndex))
            ++absentPictos;
    }
    if (absentPictos > 0) {
        printError(QFileInfo(pictoDir).isDir()
                       ? QStringLiteral("%1 pictogram(s) of the map not in %2")
                             .arg(absentPictos)
                             .arg(pictoDir)
                       : QStringLiteral("pictogram folder missing: %1 (%2 pictogram(s) not drawn)")
                             .arg(pictoDir)
                             .arg(absentPictos));
        missing = true;
    }
    return missing && !allowMissing ? kExitMissingInput : kExitOk;
}

} // namespace grivendale::cli
