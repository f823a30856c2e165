#include "editor/recovery_copy.h"

#include "document/map_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

void RecoveryCopy::flush() {
    timer_.stop();
    if (!path_.isEmpty())
        write();
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

void RecoveryCopy::write() {
    QByteArray bytes = serializeMapFile(doc_);
    if (bytes == lastWritten_)
        return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile file(path_);
    // Only the user reads it: it is their map.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || !file.commit())
        return; // tried again at the next change; the editor itself goes on
    lastWritten_ = std::move(bytes);
    ++writes_;
}

QString setAsideName(const QString& path) {
    const QFileInfo info(path);
    return info.dir().filePath(
        info.completeBaseName() + QStringLiteral("-illisible-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        QStringLiteral(".") + info.suffix());
}

} // namespace grivendale
