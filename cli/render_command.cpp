#include "cli/render_command.h"

#include "cli/exit_codes.h"
#include "document/map_file.h"
#include "document/picto_library.h"
#include "imaging/image_io.h"
#include "imaging/program_folder.h"
#include "render/scene.h"

#include <QCoreApplication>

namespace grivendale::cli {

int runRender(const QStringList& args) {
    QString mapPath;
    QString outPath;
    QString pictoDir = programFolder() + QStringLiteral("/picto");
    QString backgroundPath;
    bool backgroundGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--picto-dir") || arg == QLatin1String("--background")) {
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
    scene.setBackground(backgroundPath.isEmpty() ? QImage() : LoadPictureEx(backgroundPath));
    scene.DrawScene(doc, library, true);
    if (!SavePicturePng(scene.canvas(), outPath)) {
        printError(QStringLiteral("cannot write %1").arg(outPath));
        return kExitCannotWrite;
    }
    return kExitOk;
}

} // namespace grivendale::cli
