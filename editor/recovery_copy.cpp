#include "editor/recovery_copy.h"

#include "document/atomic_file.h"
#include "document/map_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace grivendale {

namespace {

// How soon a write put off by a drag is tried again.
constexpr std::chrono::milliseconds kRetryAfterBusy{250};

} // namespace

RecoveryCopy::RecoveryCopy(const MapDocument& doc, Busy busy, std::chrono::milliseconds interval,
                           QObject* parent)
    : QObject(parent), doc_(doc), busy_(std::move(busy)), interval_(interval) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &RecoveryCopy::onTimer);
}

void RecoveryCopy::start(const QString& path) {
    path_ = path;
    lastWritten_ = serializeMapFile(doc_);
}

void RecoveryCopy::documentChanged() {
    // Not restarted by further changes: steady editing still gets a copy every interval.
    if (!path_.isEmpty() && !timer_.isActive())
        timer_.start(interval_);
}

RecoveryCopy::Kept RecoveryCopy::flush() {
    timer_.stop();
    if (path_.isEmpty())
        return Kept::Failed;
    if (serializeMapFile(doc_) == lastWritten_)
        return writes_ > 0 ? Kept::Written : Kept::Unchanged;
    return write() ? Kept::Written : Kept::Failed;
}

void RecoveryCopy::discard() {
    timer_.stop();
    if (!path_.isEmpty())
        QFile::remove(path_);
    path_.clear();
}

void RecoveryCopy::onTimer() {
    if (busy_ && busy_()) {
        timer_.start(kRetryAfterBusy);
        return;
    }
    write();
}

bool RecoveryCopy::write() {
    QByteArray bytes = serializeMapFile(doc_);
    if (bytes == lastWritten_)
        return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // Only the user reads it: it is their map.
    const FileWriteResult written =
        writeFileAtomically(path_, bytes, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!written.ok()) {
        // Tried again at the next change; the editor itself goes on.
        if (!std::exchange(failureSaid_, true))
            Q_EMIT writeFailed(written.error);
        return false;
    }
    failureSaid_ = false;
    lastWritten_ = std::move(bytes);
    ++writes_;
    return true;
}

QString setAsideName(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(
        info.completeBaseName() + QStringLiteral("-illisible-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        QStringLiteral(".") + info.suffix());
}

} // namespace grivendale
