#include "document/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace grivendale {

namespace {

// Open descriptors are closed on every way out; a close that fails is checked where it
// matters (the new file) and ignored elsewhere.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // The close of a written file can be where a deferred write error shows.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int fd_;
};

int writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

mode_t unixMode(QFileDevice::Permissions p) {
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR},  {QFileDevice::WriteOwner, S_IWUSR},
        {QFileDevice::ExeOwner, S_IXUSR},   {QFileDevice::ReadGroup, S_IRGRP},
        {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH},  {QFileDevice::WriteOther, S_IWOTH},
        {QFileDevice::ExeOther, S_IXOTH}};
    for (const auto& [qt, unix] : bits) {
        if (p.testFlag(qt))
            mode |= unix;
    }
    return mode;
}

} // namespace

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& bytes,
                                    std::optional<QFileDevice::Permissions> permissions) {
    // A link is followed, so that the file it names is the one replaced.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    const QByteArray targetName = QFile::encodeName(target);
    const QFileInfo targetInfo(target);

    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = QFile::encodeName(targetInfo.absolutePath() + QStringLiteral("/.") +
                                     targetInfo.fileName() + QStringLiteral(".") +
                                     QString::number(QRandomGenerator::global()->generate(), 36) +
                                     QStringLiteral(".tmp"));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {errno};
    }
    if (fd < 0)
        return {EEXIST};
    Descriptor file(fd);
    const auto fail = [&](int error) {
        ::unlink(tempName.constData());
        return FileWriteResult{error};
    };

    struct stat existing = {};
    if (permissions) {
        if (::fchmod(fd, unixMode(*permissions)) != 0)
            return fail(errno);
    } else if (::stat(targetName.constData(), &existing) == 0) {
        if (::fchmod(fd, existing.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (const int error = writeAll(fd, bytes.constData(), bytes.size()))
        return fail(error);
    if (::fsync(fd) != 0)
        return fail(errno);
    if (const int error = file.close())
        return fail(error);
    if (::rename(tempName.constData(), targetName.constData()) != 0)
        return fail(errno);
    // The new name itself reaches the disk with the folder; a folder that cannot be synced
    // (some network file systems) still holds the file whole.
    if (const int dir = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

QString writeFailureReason(int error) {
    switch (error) {
    case 0:
        return QString();
    case ENOSPC:
        return QStringLiteral("disque plein");
    case EDQUOT:
        return QStringLiteral("quota du disque dépassé");
    case EFBIG:
        return QStringLiteral("fichier trop grand pour ce disque");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("disque en lecture seule");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("dossier introuvable");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie du disque");
    case ENAMETOOLONG:
        return QStringLiteral("nom trop long");
    case EINVAL:
        return QStringLiteral("données invalides");
    default:
        return QStringLiteral("erreur système %1 (%2)")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString FileWriteResult::reason() const {
    return writeFailureReason(error);
}

} // namespace grivendale
