#include "imaging/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace grivendale {

namespace {

bool holdsShippedFiles(const QDir& dir) {
    return dir.exists(QStringLiteral("picto")) || dir.exists(QStringLiteral("prev.gif")) ||
           dir.exists(QStringLiteral("readme.txt"));
}

} // namespace

QString programFolderFor(const QString& executableFolder) {
    const QDir own(executableFolder);
    if (holdsShippedFiles(own))
        return own.absolutePath();
    const QDir shared(own.absoluteFilePath(QStringLiteral("../share/grivendale")));
    if (holdsShippedFiles(shared))
        return QDir::cleanPath(shared.absolutePath());
    return own.absolutePath();
}

QString programFolder() {
    return programFolderFor(QCoreApplication::applicationDirPath());
}

} // namespace grivendale
