#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

namespace grivendale {

namespace {

// The editor greets each connection; only then is the request sent, so that an editor that
// is stopped or hung never finds, once it wakes, a request its sender has given up. A request
// is the path as the file system spells it, ended by a NUL (which no path holds); the editor
// answers with one byte once it has taken it.
constexpr char kHello = '?';
constexpr char kEnd = '\0';
constexpr char kTaken = '+';
// An editor that has greeted is alive: its answer is awaited a little past the patience.
constexpr std::chrono::seconds kAnswerGrace{2};
constexpr qint64 kLongestRequest = 64 * 1024;
constexpr std::chrono::milliseconds kDialogPoll{200};

QString socketNameFor(const QString& dataFolder) {
    // Named after the data folder: editors of two data folders own different files.
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString name = QStringLiteral("grivendale-") + QString::fromLatin1(hash);
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name : runtime + QLatin1Char('/') + name;
}

// The next byte from the socket, or 0 when none came in time.
char readByte(QLocalSocket& socket, const QDeadlineTimer& deadline) {
    while (socket.bytesAvailable() == 0 && !deadline.hasExpired() &&
           socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    char byte = 0;
    return socket.read(&byte, 1) == 1 ? byte : 0;
}

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), lock_(dataFolder + QStringLiteral("/grivendale.lock")),
      socketName_(socketNameFor(dataFolder)) {
    // An editor left open for weeks keeps its lock; only a dead editor's is taken over.
    lock_.setStaleLockTime(std::chrono::milliseconds::zero());
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &SingleInstance::deliver);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    QDir().mkpath(QFileInfo(lock_.fileName()).absolutePath());
    if (!lock_.tryLock()) {
        // A folder where no lock can be written holds no recovery copy either: nothing to share.
        if (lock_.error() != QLockFile::LockFailedError)
            return true;
        // A lock naming this very process was left by an earlier run that got the same number
        // (a sandbox numbers its processes afresh): nobody holds it.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!lock_.getLockInfo(&pid, &host, &application) ||
            pid != QCoreApplication::applicationPid() || host != QSysInfo::machineHostName() ||
            !lock_.removeStaleLockFile() || !lock_.tryLock())
            return false;
    }
    QLocalServer::removeServer(socketName_); // left by an editor that did not end normally
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket] { readRequest(socket); });
            socket->write(&kHello, 1);
        }
    });
    // Should it fail, later starts say that this editor cannot be reached; it still works.
    server_->listen(socketName_);
    return true;
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    const QByteArray buffered = socket->peek(kLongestRequest);
    const qsizetype end = buffered.indexOf(kEnd);
    if (end < 0) {
        if (buffered.size() >= kLongestRequest)
            socket->abort();
        return;
    }
    socket->read(end + 1);
    pending_.append(QFile::decodeName(buffered.left(end)));
    socket->write(&kTaken, 1);
    socket->disconnectFromServer(); // once the answer has left
    retry_.start(std::chrono::milliseconds::zero());
}

bool SingleInstance::handOver(const QString& mapPath, std::chrono::milliseconds patience) const {
    const QDeadlineTimer deadline(patience);
    const QByteArray request = QFile::encodeName(mapPath) + kEnd;
    // The editor may be starting: not listening yet, or busy before it reads its events.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketName_);
        if (socket.waitForConnected(int(deadline.remainingTime())) &&
            readByte(socket, deadline) == kHello && socket.write(request) == request.size() &&
            readByte(socket, QDeadlineTimer(kAnswerGrace)) == kTaken)
            return true;
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::setHandler(Handler handler) {
    handler_ = std::move(handler);
    retry_.start(std::chrono::milliseconds::zero());
}

void SingleInstance::deliver() {
    if (!handler_)
        return;
    // Inside a dialog's loop, code waits for the dialog's answer: the request waits for its end.
    if (!pending_.isEmpty() && QThread::currentThread()->loopLevel() > 1) {
        retry_.start(kDialogPoll);
        return;
    }
    while (!pending_.isEmpty())
        handler_(pending_.takeFirst());
}

} // namespace grivendale
