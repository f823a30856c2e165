#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace grivendale {

// One editor per user owns the auto-save and the recovery copy. The first start takes a lock
// in the user's data folder and listens on a local socket; a later start hands its request
// (a map to open, or only "come to the front") to that editor and touches no file.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& mapPath)>;

    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now owns the user's files and listens for later starts.
    bool acquire();
    // From a later start: hands the absolute `mapPath` (empty: only come to the front) to the
    // editor that owns the files; false when it did not take it within `patience`.
    bool handOver(const QString& mapPath, std::chrono::milliseconds patience) const;
    // Requests wait until a handler is set, and for the end of any dialog (a nested loop).
    void setHandler(Handler handler);

private:
    void readRequest(QLocalSocket* socket);
    void deliver();

    QLockFile lock_;
    QString socketName_;
    QLocalServer* server_ = nullptr;
    QStringList pending_;
    Handler handler_;
    QTimer retry_;
};

} // namespace grivendale
