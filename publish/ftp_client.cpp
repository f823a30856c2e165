#include "publish/ftp_client.h"

#include "publish/publish_rules.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

#ifdef __linux__
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

namespace grivendale {

namespace {

using std::chrono::milliseconds;

// The file goes out in pieces of this size, and at most a burst of them per turn of the event
// loop, so a large file neither sits whole in memory nor keeps the window from answering.
constexpr qint64 kChunkBytes = 256 * 1024;
constexpr qint64 kBurstBytes = 8 * 1024 * 1024;

// How often what the server has taken is looked at while the data goes out. Once the whole file
// is in the socket, the look comes sooner at first, so a fast server is not kept waiting.
constexpr milliseconds kWatchInterval{150};
constexpr milliseconds kFirstDrainWatch{1};
// Where the kernel does not tell how much it still holds, its send buffer is kept this small,
// so what is counted as taken is never far ahead of the server.
constexpr int kBoundedSendBuffer = 64 * 1024;

const QString kNoAnswer = QStringLiteral("pas de réponse du serveur");
const QString kDataInterrupted = QStringLiteral("connexion de données interrompue");

// The local file's error in the words of the classic runtime: description, then number.
QString localFileErrorText(const QFile& file) {
    QString description;
    int number = 0;
    if (!QFileInfo::exists(file.fileName())) {
        description = QStringLiteral("Fichier introuvable");
        number = 53;
    } else if (file.error() == QFileDevice::PermissionsError) {
        description = QStringLiteral("Permission refusée");
        number = 70;
    } else {
        description = QStringLiteral("Erreur d'accès au chemin/fichier");
        number = 75;
    }
    return QStringLiteral("problème chargement fichier : 1 ") + description + QLatin1Char(' ') +
           QString::number(number);
}

// Bytes the kernel still holds for the socket, not sent or not acknowledged yet; nothing where
// the system does not tell.
std::optional<qint64> kernelQueue(const QTcpSocket& socket) {
#ifdef __linux__
    int bytes = 0;
    const qintptr fd = socket.socketDescriptor();
    if (fd >= 0 && ::ioctl(static_cast<int>(fd), SIOCOUTQ, &bytes) == 0)
        return bytes;
#else
    Q_UNUSED(socket);
#endif
    return std::nullopt;
}

// A CR or LF in any field would end its command early and pass the rest as a command of its
// own; the message names the field, so the user knows which one to mend.
std::optional<QString> controlCharacterRefusal(const FtpUploadRequest& r) {
    const auto refusal = [](const char* field) {
        return QString::fromUtf8(field) +
               QStringLiteral(" ne doit pas contenir de caractères de contrôle !");
    };
    if (hasControlCharacter(r.host))
        return refusal("Le nom du serveur");
    if (hasControlCharacter(r.user))
        return refusal("Le nom d'utilisateur");
    if (hasControlCharacter(r.password))
        return refusal("Le mot de passe");
    if (hasControlCharacter(r.remoteName))
        return kControlCharacterMessage;
    return std::nullopt;
}

// After the server drops the data connection on its own, this long is left for the reply that
// says why (a 421 before it closes, say), so the user reads the server's words.
constexpr milliseconds kDataLossGrace{2000};

} // namespace

FtpClient::FtpClient(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &FtpClient::onTimeout);
    pump_.setSingleShot(true);
    connect(&pump_, &QTimer::timeout, this, [this] {
        if (step_ == Step::Sending)
            fillDataSocket();
    });
    watch_.setSingleShot(true);
    connect(&watch_, &QTimer::timeout, this, [this] {
        if (step_ == Step::Sending)
            watchData();
    });
    chunk_.resize(kChunkBytes);
    connect(&control_, &QTcpSocket::connected, this, &FtpClient::onControlConnected);
    connect(&control_, &QTcpSocket::readyRead, this, &FtpClient::onControlReadyRead);
    connect(&control_, &QTcpSocket::disconnected, this, &FtpClient::onControlClosed);
    connect(&control_, &QTcpSocket::errorOccurred, this, &FtpClient::onControlClosed);
    connect(&data_, &QTcpSocket::connected, this, &FtpClient::onDataConnected);
    connect(&data_, &QTcpSocket::bytesWritten, this, &FtpClient::onDataBytesWritten);
    connect(&data_, &QTcpSocket::disconnected, this, &FtpClient::onDataClosed);
    connect(&data_, &QTcpSocket::errorOccurred, this, &FtpClient::onDataClosed);
    // Nothing comes back on the data connection of an upload; drop whatever does.
    connect(&data_, &QTcpSocket::readyRead, this, [this] { data_.readAll(); });
}

FtpClient::~FtpClient() {
    // The sockets go before the QObject part of this object, and closing them signals.
    control_.disconnect(this);
    data_.disconnect(this);
    timer_.disconnect(this);
    pump_.disconnect(this);
    watch_.disconnect(this);
}

void FtpClient::setMaxAttempts(int attempts) {
    maxAttempts_ = std::max(1, attempts);
}

bool FtpClient::TransfertFTP2(const FtpUploadRequest& request) {
    if (isRunning())
        return false;
    request_ = request;
    remotePath_ = toRemotePath(request.remoteName);
    attempt_ = 0;
    lastReply_.clear();
    refusal_ = controlCharacterRefusal(request);
    // Opened once for all the attempts: each sends these bytes, even if the path is given to
    // another file meanwhile.
    file_.close();
    file_.setFileName(request.localFile);
    fileError_.reset();
    if (!file_.open(QIODevice::ReadOnly))
        fileError_ = localFileErrorText(file_);
    Q_EMIT statusChanged(kSendingPrefix + request.localFile);
    // The first attempt starts from the event loop, so every ending reaches the caller after
    // this call has returned.
    step_ = Step::Pausing;
    timer_.start(0);
    return true;
}

void FtpClient::cancel() {
    if (isRunning())
        finish(FtpOutcome::Cancelled, {});
}

void FtpClient::beginAttempt() {
    if (refusal_) {
        finish(FtpOutcome::Failed, *refusal_);
        return;
    }
    ++attempt_;
    ++uploadCounter_;
    temporaryName_ = temporaryRemoteName(remoteFolder(remotePath_),
                                         std::int64_t{QRandomGenerator::global()->bounded(1000)} +
                                             uploadCounter_);
    Q_EMIT attemptStarted(attempt_, maxAttempts_);

    if (fileError_ || !file_.seek(0)) {
        // Nothing could be sent from it however often the server is asked.
        const QString text = fileError_ ? *fileError_ : localFileErrorText(file_);
        Q_EMIT localFileError(text);
        Q_EMIT attemptFailed(attempt_, text);
        finish(FtpOutcome::Failed, text);
        return;
    }
    total_ = file_.size();

    closeSockets();
    step_ = Step::Connecting;
    arm(timeouts_.connect);
    control_.connectToHost(request_.host, request_.port);
}

void FtpClient::closeSockets() {
    ++generation_;
    control_.abort();
    data_.abort();
    parser_.reset();
    storAccepted_ = false;
    dataConnected_ = false;
    dataQueued_ = false;
    dataClosing_ = false;
    endReply_.reset();
    pump_.stop();
    watch_.stop();
    queued_ = 0;
    sent_ = 0;
}

void FtpClient::failAttempt(const QString& reason, milliseconds pause, bool permanent) {
    if (step_ == Step::Idle || step_ == Step::Pausing)
        return;
    step_ = Step::Pausing;
    timer_.stop();
    closeSockets();
    Q_EMIT attemptFailed(attempt_, reason);
    if (permanent || attempt_ >= maxAttempts_) {
        QString detail = reason;
        if (!lastReply_.isEmpty() && !reason.contains(lastReply_))
            detail +=
                QStringLiteral(" (dernière réponse du serveur : ") + lastReply_ + QLatin1Char(')');
        finish(FtpOutcome::Failed, detail);
        return;
    }
    timer_.start(pause);
}

void FtpClient::failOnReply(const FtpReply& reply, milliseconds pause) {
    failAttempt(reply.text(), pause, reply.isPermanentFailure());
}

void FtpClient::finish(FtpOutcome outcome, const QString& detail) {
    step_ = Step::Idle;
    timer_.stop();
    pump_.stop();
    watch_.stop();
    file_.close();
    if (outcome == FtpOutcome::Succeeded) {
        ++generation_;
        sendCommand(QStringLiteral("QUIT"));
        control_.disconnectFromHost();
        data_.abort();
    } else {
        closeSockets();
    }
    switch (outcome) {
    case FtpOutcome::Succeeded:
        Q_EMIT statusChanged(kSentText);
        break;
    case FtpOutcome::Failed:
        Q_EMIT statusChanged(kFailurePrefix + detail);
        break;
    case FtpOutcome::Cancelled:
        Q_EMIT statusChanged(kCancelledText);
        break;
    }
    Q_EMIT finished(outcome, detail);
}

void FtpClient::waitForQuitSent(milliseconds limit) {
    if (control_.state() != QAbstractSocket::UnconnectedState)
        control_.waitForDisconnected(static_cast<int>(limit.count()));
}

void FtpClient::arm(milliseconds limit) {
    deadline_ = QDeadlineTimer(limit);
    timer_.start(limit);
}

void FtpClient::armUntilDeadline() {
    timer_.start(milliseconds{std::max<qint64>(0, deadline_.remainingTime())});
}

void FtpClient::sendCommand(const QString& command) {
    Q_EMIT commandSent(command.startsWith(QLatin1String("PASS ")) ? QStringLiteral("PASS ****")
                                                                  : command);
    control_.write(command.toUtf8() + "\r\n");
}

void FtpClient::onTimeout() {
    const milliseconds none{0};
    switch (step_) {
    case Step::Idle:
        return;
    case Step::Pausing:
        beginAttempt();
        return;
    case Step::Connecting:
        failAttempt(QStringLiteral("pas de connexion au serveur"),
                    timeouts_.pauseAfterNoConnection);
        return;
    case Step::Greeting:
    case Step::User:
    case Step::Pass:
    case Step::Type:
        failAttempt(kNoAnswer, none);
        return;
    case Step::Stor:
        failAttempt(storAccepted_ ? QStringLiteral("pas de connexion de données") : kNoAnswer,
                    timeouts_.pauseAfterRefusal);
        return;
    case Step::Pasv:
    case Step::TransferEnd:
    case Step::Rnfr:
    case Step::Rnto:
        failAttempt(kNoAnswer, timeouts_.pauseAfterRefusal);
        return;
    case Step::Sending:
        failAttempt(QStringLiteral("la connexion de données ne prend plus rien"),
                    timeouts_.pauseAfterDataTimeout);
        return;
    case Step::DataLost:
        failAttempt(kDataInterrupted, timeouts_.pauseAfterRefusal);
        return;
    }
}

void FtpClient::onControlConnected() {
    if (step_ != Step::Connecting)
        return;
    step_ = Step::Greeting;
    arm(timeouts_.reply);
}

void FtpClient::onControlReadyRead() {
    const QByteArray bytes = control_.readAll();
    if (step_ == Step::Idle || step_ == Step::Pausing)
        return;
    parser_.feed(bytes);
    if (parser_.overflowed()) {
        failAttempt(QStringLiteral("réponse du serveur trop longue"), timeouts_.pauseAfterRefusal);
        return;
    }
    const std::uint64_t generation = generation_;
    while (generation == generation_ && step_ != Step::Idle && step_ != Step::Pausing) {
        std::optional<FtpReply> reply = parser_.take();
        if (!reply)
            break;
        onReply(*reply);
    }
}

void FtpClient::onControlClosed() {
    // A server that says goodbye and closes (421) is read first, so its words are what the
    // user sees.
    if (control_.bytesAvailable() > 0)
        onControlReadyRead();
    switch (step_) {
    case Step::Idle:
    case Step::Pausing:
        return;
    case Step::Connecting:
        failAttempt(QStringLiteral("connexion impossible (") + control_.errorString() +
                        QLatin1Char(')'),
                    timeouts_.pauseAfterNoConnection);
        return;
    case Step::DataLost:
        failAttempt(kDataInterrupted, timeouts_.pauseAfterRefusal);
        return;
    default:
        failAttempt(QStringLiteral("connexion fermée par le serveur"), timeouts_.pauseAfterRefusal);
        return;
    }
}

void FtpClient::onReply(const FtpReply& reply) {
    lastReply_ = reply.text();
    Q_EMIT replyReceived(reply);
    const milliseconds refusalPause = timeouts_.pauseAfterRefusal;
    switch (step_) {
    case Step::Idle:
    case Step::Pausing:
    case Step::Connecting:
        return;
    case Step::Greeting:
        if (reply.isPreliminary()) // 120: ready in a moment; the 220 follows
            return;
        if (reply.code / 100 != 2)
            return failOnReply(reply, refusalPause);
        step_ = Step::User;
        sendCommand(QStringLiteral("USER ") + request_.user);
        arm(timeouts_.reply);
        return;
    case Step::User:
        if (reply.code == 230) // no password needed
            break;
        if (reply.code / 100 != 3)
            return failOnReply(reply, refusalPause);
        step_ = Step::Pass;
        sendCommand(QStringLiteral("PASS ") + request_.password);
        arm(timeouts_.reply);
        return;
    case Step::Pass:
        // A multi-line welcome arrives whole, so its closing "230 " line is already here.
        if (reply.code != 230 && reply.code != 202)
            return failOnReply(reply, refusalPause);
        break;
    case Step::Type:
        if (reply.code / 100 != 2)
            return failOnReply(reply, refusalPause);
        step_ = Step::Pasv;
        sendCommand(QStringLiteral("PASV"));
        armUntilDeadline();
        return;
    case Step::Pasv: {
        if (reply.code != 227)
            return failOnReply(reply, refusalPause);
        const std::optional<std::uint16_t> port = passivePort(reply.text());
        if (!port) {
            failAttempt(QStringLiteral("réponse 227 illisible : ") + reply.text(), refusalPause);
            return;
        }
        // Only the port is taken: the data goes where the control connection goes, whatever
        // address the server names (a hostile one, or one behind NAT that names its inside).
        step_ = Step::Stor;
        data_.connectToHost(control_.peerAddress(), *port,
                            QIODevice::ReadWrite | QIODevice::Unbuffered);
        sendCommand(QStringLiteral("STOR ") + temporaryName_);
        arm(timeouts_.storReply);
        return;
    }
    case Step::Stor:
        if (!reply.isPreliminary())
            return failOnReply(reply, refusalPause);
        storAccepted_ = true;
        if (dataConnected_)
            startSending();
        return;
    case Step::DataLost:
        if (reply.isPreliminary())
            return;
        // Whatever the server says now is why it dropped the data: a 226 cannot be trusted
        // for a file it did not wait for.
        if (reply.code / 100 == 2)
            return failAttempt(kDataInterrupted + QStringLiteral(" (") + reply.text() +
                                   QLatin1Char(')'),
                               refusalPause);
        return failOnReply(reply, refusalPause);
    case Step::Sending:
        if (reply.isPreliminary())
            return;
        // The end of the transfer may be acknowledged before this side has seen its data
        // connection close; it is judged once it has.
        if (reply.code == 226 && dataQueued_) {
            endReply_ = reply;
            return;
        }
        return failOnReply(reply, refusalPause);
    case Step::TransferEnd:
        if (reply.isPreliminary())
            return;
        if (reply.code != 226)
            return failOnReply(reply, refusalPause);
        step_ = Step::Rnfr;
        sendCommand(QStringLiteral("RNFR ") + temporaryName_);
        armUntilDeadline();
        return;
    case Step::Rnfr:
        if (reply.isPreliminary())
            return;
        if (reply.code != 350)
            return failOnReply(reply, refusalPause);
        step_ = Step::Rnto;
        sendCommand(QStringLiteral("RNTO /") + remotePath_);
        armUntilDeadline();
        return;
    case Step::Rnto:
        if (reply.isPreliminary())
            return;
        if (reply.code != 250)
            return failOnReply(reply, refusalPause);
        finish(FtpOutcome::Succeeded, {});
        return;
    }
    // Logged in, after USER or PASS.
    step_ = Step::Type;
    sendCommand(QStringLiteral("TYPE I"));
    arm(timeouts_.reply);
}

void FtpClient::onDataConnected() {
    if (step_ != Step::Stor)
        return;
    dataConnected_ = true;
    if (!kernelQueue(data_))
        data_.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kBoundedSendBuffer);
    if (storAccepted_)
        startSending();
}

void FtpClient::startSending() {
    step_ = Step::Sending;
    arm(timeouts_.dataIdle);
    Q_EMIT progress(0, total_);
    watchInterval_ = kWatchInterval;
    watch_.start(watchInterval_);
    fillDataSocket();
}

void FtpClient::fillDataSocket() {
    // The data socket is unbuffered: a write goes to the kernel at once, and only what the
    // kernel cannot take yet is kept by the socket, to go out (with bytesWritten()) once it
    // can. Reading stops as soon as the socket keeps anything, so the file passes through one
    // reused buffer and never sits whole in memory.
    qint64 budget = kBurstBytes;
    while (!dataQueued_ && data_.bytesToWrite() == 0) {
        if (budget <= 0) {
            // A fast reader could take a large file in one go; let other events run between.
            pump_.start(0);
            break;
        }
        const qint64 n = file_.read(chunk_.data(), chunk_.size());
        if (n < 0) {
            const QString text = localFileErrorText(file_);
            Q_EMIT localFileError(text);
            failAttempt(text, milliseconds{0}, true);
            return;
        }
        if (n == 0) {
            dataQueued_ = true;
            watchInterval_ = kFirstDrainWatch;
            watchData();
            return;
        }
        if (data_.write(chunk_.constData(), n) != n) {
            dataLost();
            return;
        }
        queued_ += n;
        budget -= n;
    }
    reportProgress();
}

void FtpClient::watchData() {
    reportProgress();
    if (!dataQueued_) {
        watch_.start(watchInterval_);
        return;
    }
    if (unsentBytes() > 0) {
        watchInterval_ = std::min(watchInterval_ * 2, kWatchInterval);
        watch_.start(watchInterval_);
        return;
    }
    // Closing once the server has every byte is how it learns the file is complete, and only
    // from then on is its 226 awaited. Nothing is left to send, so the socket closes, and
    // signals, right here.
    watch_.stop();
    dataClosing_ = true;
    data_.disconnectFromHost();
}

qint64 FtpClient::unsentBytes() const {
    return data_.bytesToWrite() + kernelQueue(data_).value_or(0);
}

void FtpClient::reportProgress() {
    const qint64 sent = queued_ - unsentBytes();
    if (sent <= sent_)
        return;
    sent_ = sent;
    Q_EMIT progress(sent_, total_);
    // The limit is on silence, not on the whole transfer: a large file on a slow line is
    // not cut off while it moves.
    arm(timeouts_.dataIdle);
}

void FtpClient::onDataBytesWritten() {
    if (step_ == Step::Sending)
        fillDataSocket();
}

void FtpClient::onDataClosed() {
    switch (step_) {
    case Step::Stor:
        failAttempt(QStringLiteral("connexion de données impossible (") + data_.errorString() +
                        QLatin1Char(')'),
                    timeouts_.pauseAfterRefusal);
        return;
    case Step::Sending:
        if (dataClosing_) {
            transferEnded();
            return;
        }
        // Closed by the server before it was told the file is complete.
        dataLost();
        return;
    default:
        return;
    }
}

void FtpClient::dataLost() {
    // A failure whatever follows, but the server may still say why on the control connection.
    step_ = Step::DataLost;
    watch_.stop();
    pump_.stop();
    arm(std::min(kDataLossGrace, timeouts_.reply));
}

void FtpClient::transferEnded() {
    step_ = Step::TransferEnd;
    watch_.stop();
    arm(timeouts_.transferEnd);
    if (sent_ < total_)
        Q_EMIT progress(total_, total_);
    if (endReply_)
        onReply(*std::exchange(endReply_, std::nullopt));
}

} // namespace grivendale
