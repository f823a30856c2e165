#include "document/regular_file.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace grivendale {

namespace {

RegularFileRead failure(const QString& text) {
    return {std::nullopt, text};
}

QString notRegularText(const QString& path) {
    return QStringLiteral("« %1 » n'est pas un fichier ordinaire.").arg(path);
}

} // namespace

RegularFileRead readRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
#ifdef Q_OS_UNIX
    // Opened without blocking, then judged on the open handle itself, so the path cannot be
    // swapped for a FIFO between the check and the read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        file.setFileName(path);
        file.open(QIODevice::ReadOnly); // only for the system's own wording of the failure
        return failure(
            QStringLiteral("Impossible d'ouvrir « %1 » : %2").arg(path, file.errorString()));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return failure(notRegularText(path));
    }
    const qint64 size = status.st_size;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(
            QStringLiteral("Impossible d'ouvrir « %1 » : %2").arg(path, file.errorString()));
    }
#else
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return failure(notRegularText(path));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(
            QStringLiteral("Impossible d'ouvrir « %1 » : %2").arg(path, file.errorString()));
    const qint64 size = file.size();
#endif
    if (size > maxBytes)
        return failure(
            QStringLiteral("« %1 » est trop volumineux (%2 octets).").arg(path).arg(size));
    // A file that grows while it is read is cut at the size it had.
    QByteArray bytes = file.read(size);
    if (file.error() != QFileDevice::NoError)
        return failure(
            QStringLiteral("Impossible de lire « %1 » : %2").arg(path, file.errorString()));
    return {std::move(bytes), {}};
}

} // namespace grivendale
