#include "imaging/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace grivendale {

namespace {

// Permission bits lie (root, ACLs, read-only mounts): only a real file proves a folder usable.
bool canCreateFileIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.grivendale-probe-XXXXXX"));
    return probe.open(); // removed again when probe goes out of scope
}

} // namespace

QString trimTrailingSeparator(const QString& path) {
    if (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        return path.chopped(1);
    return path;
}

QString GetTempFolder() {
    return trimTrailingSeparator(QDir::tempPath());
}

QString GetDocumentsFolder() {
    QStringList candidates;
    candidates << QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath();
    candidates << QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return firstWritableFolder(candidates);
}

QString firstWritableFolder(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        if (!QFileInfo(candidate).isDir() && !QDir().mkpath(candidate))
            continue;
        if (QFileInfo(candidate).isDir() && canCreateFileIn(candidate))
            return trimTrailingSeparator(candidate);
    }
    return {};
}

} // namespace grivendale
