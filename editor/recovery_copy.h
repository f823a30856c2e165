#pragma once

#include "document/map_document.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

// A copy of the map written while the user works, so that a crash, a power cut or a killed
// session loses at most the last seconds. Changes are gathered: one write at most per
// interval, never while `busy` says a drag is under way, and none when the map is what was
// last written. Each write replaces the file whole or not at all.

namespace grivendale {

class RecoveryCopy final : public QObject {
    Q_OBJECT
public:
    using Busy = std::function<bool()>;

    RecoveryCopy(const MapDocument& doc, Busy busy,
                 std::chrono::milliseconds interval = std::chrono::seconds(2),
                 QObject* parent = nullptr);

    // Starts keeping the copy at `path`, taking the map as it is now as already safe (it came
    // from a file). An empty path keeps nothing.
    void start(const QString& path);
    // The map may have changed; cheap enough for every redraw.
    void documentChanged();
    enum class Kept {
        Written,   // the copy holds the map as it is now
        Unchanged, // the map is as the file it came from holds it: nothing to write
        Failed,    // the copy could not be written (or is not kept at all)
    };
    // Writes now what a pending write would have written, and says where the map stands.
    Kept flush();
    // After a normal end: the copy is no longer needed.
    void discard();

    const QString& path() const { return path_; }
    int writes() const { return writes_; }

Q_SIGNALS:
    // A write did not go through (errno); said once until a write succeeds again, so that
    // steady editing on a full disk does not bring a box every interval.
    void writeFailed(int error);

private:
    void onTimer();
    bool write();

    const MapDocument& doc_;
    Busy busy_;
    std::chrono::milliseconds interval_;
    QTimer timer_;
    QString path_;
    QByteArray lastWritten_; // the map as the copy (or the file it came from) holds it
    int writes_ = 0;
    bool failureSaid_ = false;
};

// The name of a recovery file set aside because it could not be read: beside it, with the
// time of day, so that it is neither read again nor lost.
QString setAsideName(const QString& path);

} // namespace grivendale
