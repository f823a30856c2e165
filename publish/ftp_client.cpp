#include "publish/ftp_client.h"

#include "publish/publish_rules.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

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

QString withReply(const char* what, const FtpReply& reply) {
    return QString::fromUtf8(what) + QStringLiteral(" (") + reply.text() + QLatin1Char(')');
}

QString errorList(const QList<QSslError>& errors) {
    QStringList texts;
    for (const QSslError& e : errors)
        texts.append(e.errorString());
    texts.removeDuplicates();
    return texts.join(QStringLiteral(" ; "));
}

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
// How long a connection being ended is given for its last words and its close.
constexpr milliseconds kCloseGrace{3000};

} // namespace

QString certificateFingerprint(const QSslCertificate& certificate) {
    if (certificate.isNull())
        return {};
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

std::optional<QString> normalizedFingerprint(const QString& text) {
    QByteArray hex;
    for (const QChar c : text) {
        if (c == QLatin1Char(':') || c.isSpace())
            continue;
        const char16_t u = c.toUpper().unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F')))
            return std::nullopt;
        hex.append(static_cast<char>(u));
    }
    if (hex.size() != 64)
        return std::nullopt;
    return QString::fromLatin1(QByteArray::fromHex(hex).toHex(':').toUpper());
}

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
}

FtpClient::~FtpClient() {
    // The sockets go before the QObject part of this object, and closing them signals.
    if (control_) {
        control_->disconnect(this);
        data_->disconnect(this);
    }
    timer_.disconnect(this);
    pump_.disconnect(this);
    watch_.disconnect(this);
}

void FtpClient::makeSockets(bool tls) {
    // Fresh sockets for every connection: a socket that has served one session (a TLS one
    // above all) does not always close the next one properly, and a strict server refuses
    // a data connection that ends without its TLS shutdown. A TLS socket only when TLS is
    // asked for: the first one loads the TLS library, which a plain upload has no use for.
    retireSockets(false);
    tlsSockets_ = tls;
    if (tls) {
        control_ = std::make_unique<QSslSocket>();
        data_ = std::make_unique<QSslSocket>();
    } else {
        control_ = std::make_unique<QTcpSocket>();
        data_ = std::make_unique<QTcpSocket>();
    }
    QTcpSocket* control = control_.get();
    QTcpSocket* data = data_.get();
    const auto on = [this](void (FtpClient::*handler)()) {
        return [this, handler] { dispatch(handler); };
    };
    connect(control, &QTcpSocket::connected, this, on(&FtpClient::onControlConnected));
    connect(control, &QTcpSocket::readyRead, this, on(&FtpClient::onControlReadyRead));
    connect(control, &QTcpSocket::disconnected, this, on(&FtpClient::onControlClosed));
    connect(control, &QTcpSocket::errorOccurred, this, on(&FtpClient::onControlClosed));
    connect(data, &QTcpSocket::connected, this, on(&FtpClient::onDataConnected));
    connect(data, &QTcpSocket::bytesWritten, this, on(&FtpClient::onDataBytesWritten));
    connect(data, &QTcpSocket::disconnected, this, on(&FtpClient::onDataClosed));
    connect(data, &QTcpSocket::errorOccurred, this, on(&FtpClient::onDataClosed));
    // Nothing comes back on the data connection of an upload; drop whatever does.
    connect(data, &QTcpSocket::readyRead, this, [this] { data_->readAll(); });
    if (!tls)
        return;
    connect(tlsControl(), &QSslSocket::encrypted, this, on(&FtpClient::onControlEncrypted));
    // Errors to ignore are ignored inside the signal, or not at all.
    connect(tlsControl(), &QSslSocket::sslErrors, this, &FtpClient::onControlSslErrors);
    connect(tlsData(), &QSslSocket::encrypted, this, on(&FtpClient::onDataEncrypted));
    connect(tlsData(), &QSslSocket::sslErrors, this, &FtpClient::onDataSslErrors);
    // What leaves the encrypted buffer for the network makes room too.
    connect(tlsData(), &QSslSocket::encryptedBytesWritten, this,
            on(&FtpClient::onDataBytesWritten));
}

QSslSocket* FtpClient::tlsControl() const {
    return static_cast<QSslSocket*>(control_.get());
}

QSslSocket* FtpClient::tlsData() const {
    return static_cast<QSslSocket*>(data_.get());
}

void FtpClient::dispatch(void (FtpClient::*handler)()) {
    if (!security_.tls) {
        (this->*handler)();
        return;
    }
    // An encrypted socket signals from inside its own handshake and decryption code, and
    // frees its TLS state if it is aborted there: its handlers run from the event loop instead,
    // and not at all once the attempt they belong to has ended.
    const std::uint64_t generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, handler] {
            if (generation == generation_)
                (this->*handler)();
        },
        Qt::QueuedConnection);
}

void FtpClient::setMaxAttempts(int attempts) {
    maxAttempts_ = std::max(1, attempts);
}

bool FtpClient::TransfertFTP2(const FtpUploadRequest& request, const FtpSecurity& security) {
    if (isRunning())
        return false;
    request_ = request;
    security_ = security;
    remotePath_ = toRemotePath(request.remoteName);
    attempt_ = 0;
    leftovers_.clear();
    cleaning_ = false;
    finalDetail_.reset();
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
    if (cleaning_) {
        connectControl();
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
    connectControl();
}

void FtpClient::connectControl() {
    resetAttemptState();
    makeSockets(security_.tls);
    step_ = Step::Connecting;
    arm(timeouts_.connect);
    if (security_.tls) {
        tlsControl()->setSslConfiguration(tlsConfiguration());
        // A socket keeps the errors it was told to ignore from one connection to the next:
        // each connection is judged afresh.
        tlsControl()->ignoreSslErrors(QList<QSslError>{});
    }
    control_->connectToHost(request_.host, request_.port);
}

void FtpClient::retireSockets(bool quit) {
    ++generation_;
    if (!control_)
        return;
    const bool usable = controlUsable();
    // What is still to say goes first, then the TLS shutdown and the close, without waiting
    // for the server's words; a server that keeps the connection open is cut after a while.
    if (quit && usable) {
        for (const QString& name : std::as_const(leftovers_))
            sendCommand(QStringLiteral("DELE ") + name);
        sendCommand(QStringLiteral("QUIT"));
    }
    control_->disconnect(this);
    data_->disconnect(this);
    // The data of an attempt that did not end well is cut, so no server takes it as whole.
    data_->abort();
    data_.release()->deleteLater();
    QTcpSocket* control = control_.release();
    control->setParent(this); // goes with the client at the latest
    if (!usable) {
        control->abort();
        control->deleteLater();
        return;
    }
    connect(control, &QTcpSocket::disconnected, control, &QObject::deleteLater);
    QTimer::singleShot(kCloseGrace, control, [control] {
        control->abort();
        control->deleteLater();
    });
    retiring_.append(control);
    retiring_.removeAll(nullptr);
    control->disconnectFromHost();
}

bool FtpClient::controlUsable() const {
    return control_ && control_->state() == QAbstractSocket::ConnectedState &&
           (!tlsSockets_ || tlsControl()->isEncrypted());
}

void FtpClient::resetAttemptState() {
    parser_.reset();
    loggedIn_ = false;
    storAccepted_ = false;
    dataConnected_ = false;
    dataQueued_ = false;
    dataClosing_ = false;
    endReply_.reset();
    certificateRefusal_.reset();
    pump_.stop();
    watch_.stop();
    queued_ = 0;
    sent_ = 0;
}

void FtpClient::failAttempt(const QString& reason, milliseconds pause, bool permanent) {
    if (step_ == Step::Idle || step_ == Step::Pausing || step_ == Step::Goodbye)
        return;
    timer_.stop();
    pump_.stop();
    watch_.stop();
    // A failure while cleaning up changes nothing of how the upload ended.
    if (!cleaning_) {
        Q_EMIT attemptFailed(attempt_, reason);
        if (permanent || attempt_ >= maxAttempts_) {
            QString detail = reason;
            if (!lastReply_.isEmpty() && !reason.contains(lastReply_))
                detail += QStringLiteral(" (dernière réponse du serveur : ") + lastReply_ +
                          QLatin1Char(')');
            finalDetail_ = detail;
        }
    }
    pause_ = pause;
    if (!controlUsable()) {
        afterAttempt();
        return;
    }
    // Cut, so no server takes the data as whole; this attempt hears no more of it.
    data_->disconnect(this);
    data_->abort();
    sayGoodbye();
}

void FtpClient::sayGoodbye() {
    // The server still listens: the temporary files go, and the session ends properly.
    step_ = Step::Goodbye;
    goodbyeDeletes_ = loggedIn_ ? leftovers_ : QStringList();
    for (const QString& name : std::as_const(goodbyeDeletes_))
        sendCommand(QStringLiteral("DELE ") + name);
    sendCommand(QStringLiteral("QUIT"));
    arm(std::min(timeouts_.reply, kCloseGrace));
}

void FtpClient::afterAttempt() {
    retireSockets(false);
    step_ = Step::Pausing;
    if (!finalDetail_) {
        timer_.start(pause_);
        return;
    }
    if (!leftovers_.isEmpty() && !cleaning_) {
        // The last connection could not delete them: a session of its own does.
        cleaning_ = true;
        timer_.start(0);
        return;
    }
    finish(FtpOutcome::Failed, *finalDetail_);
}

void FtpClient::afterLogin() {
    loggedIn_ = true;
    deleteAt_ = 0;
    deleteNextOrGoOn();
}

void FtpClient::deleteNextOrGoOn() {
    if (deleteAt_ < leftovers_.size()) {
        step_ = Step::Dele;
        sendCommand(QStringLiteral("DELE ") + leftovers_.at(deleteAt_));
        arm(timeouts_.reply);
        return;
    }
    if (cleaning_) {
        sayGoodbye();
        return;
    }
    step_ = Step::Type;
    sendCommand(QStringLiteral("TYPE I"));
    arm(timeouts_.reply);
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
    cleaning_ = false;
    // After a success or a cancel, the session ends with QUIT, and what is left goes first.
    retireSockets(true);
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
    const QDeadlineTimer deadline(limit);
    for (const QPointer<QTcpSocket>& socket : std::as_const(retiring_)) {
        if (socket && socket->state() != QAbstractSocket::UnconnectedState)
            socket->waitForDisconnected(
                static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
    }
}

void FtpClient::arm(milliseconds limit) {
    deadline_ = QDeadlineTimer(limit);
    timer_.start(limit);
}

void FtpClient::armUntilDeadline() {
    timer_.start(milliseconds{std::max<qint64>(0, deadline_.remainingTime())});
}

QSslConfiguration FtpClient::tlsConfiguration() const {
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // The session is kept so that the data connections resume it: servers such as vsftpd
    // (require_ssl_reuse) refuse a data connection that starts a session of its own.
    c.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!extraAuthorities_.isEmpty())
        c.setCaCertificates(QSslConfiguration::systemCaCertificates() + extraAuthorities_);
    return c;
}

void FtpClient::sendUser() {
    // The user name and the password go through an encrypted connection or not at all.
    if (security_.tls && !tlsControl()->isEncrypted()) {
        failAttempt(QStringLiteral("connexion de commande non chiffrée"), milliseconds{0}, true);
        return;
    }
    step_ = Step::User;
    sendCommand(QStringLiteral("USER ") + request_.user);
    arm(timeouts_.reply);
}

void FtpClient::sendCommand(const QString& command) {
    Q_EMIT commandSent(command.startsWith(QLatin1String("PASS ")) ? QStringLiteral("PASS ****")
                                                                  : command);
    control_->write(command.toUtf8() + "\r\n");
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
    case Step::AuthTls:
    case Step::Pbsz:
    case Step::Prot:
    case Step::User:
    case Step::Pass:
    case Step::Type:
        failAttempt(kNoAnswer, none);
        return;
    case Step::Handshake:
        failAttempt(QStringLiteral("la négociation TLS n'aboutit pas"),
                    timeouts_.pauseAfterRefusal);
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
    case Step::Dele: // no answer: the rest waits for a later connection
        deleteAt_ = leftovers_.size();
        deleteNextOrGoOn();
        return;
    case Step::Goodbye:
        afterAttempt();
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
    const QByteArray bytes = control_->readAll();
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
    if (control_->bytesAvailable() > 0)
        onControlReadyRead();
    switch (step_) {
    case Step::Idle:
    case Step::Pausing:
        return;
    case Step::Goodbye:
        afterAttempt();
        return;
    case Step::Connecting:
        failAttempt(QStringLiteral("connexion impossible (") + control_->errorString() +
                        QLatin1Char(')'),
                    timeouts_.pauseAfterNoConnection);
        return;
    case Step::DataLost:
        failAttempt(kDataInterrupted, timeouts_.pauseAfterRefusal);
        return;
    case Step::Handshake:
        if (certificateRefusal_) {
            // A copy: failing the attempt clears the original.
            const QString why = *certificateRefusal_;
            failAttempt(why, timeouts_.pauseAfterRefusal, true);
            return;
        }
        failAttempt(QStringLiteral("échec de la négociation TLS (") + control_->errorString() +
                        QLatin1Char(')'),
                    timeouts_.pauseAfterRefusal);
        return;
    default:
        failAttempt(QStringLiteral("connexion fermée par le serveur"), timeouts_.pauseAfterRefusal);
        return;
    }
}

void FtpClient::onControlSslErrors(const QList<QSslError>& errors) {
    if (step_ != Step::Handshake)
        return;
    const QString fingerprint = certificateFingerprint(tlsControl()->peerCertificate());
    const std::optional<QString> accepted = normalizedFingerprint(security_.acceptedFingerprint);
    if (!fingerprint.isEmpty() && accepted == fingerprint) {
        tlsControl()->ignoreSslErrors(errors);
        return;
    }
    // The handshake then fails, and onControlClosed() ends the upload with this.
    if (accepted) {
        certificateRefusal_ = QStringLiteral("l'empreinte du certificat du serveur a changé : ") +
                              fingerprint + QStringLiteral(" au lieu de ") + *accepted +
                              QStringLiteral(" ; connexion refusée");
    } else {
        certificateRefusal_ = QStringLiteral("certificat du serveur non reconnu (") +
                              errorList(errors) + QStringLiteral(") ; empreinte SHA-256 : ") +
                              fingerprint;
    }
    Q_EMIT certificateRefused(fingerprint, accepted.has_value(), errorList(errors));
}

void FtpClient::onControlEncrypted() {
    if (step_ != Step::Handshake)
        return;
    if (certificateRefusal_) { // refused here, whatever the socket made of it
        const QString why = *certificateRefusal_;
        failAttempt(why, timeouts_.pauseAfterRefusal, true);
        return;
    }
    step_ = Step::Pbsz;
    sendCommand(QStringLiteral("PBSZ 0"));
    arm(timeouts_.reply);
}

void FtpClient::onReply(const FtpReply& reply) {
    // What says why an upload failed; the words of a goodbye never do.
    if (step_ != Step::Goodbye)
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
        if (security_.tls) {
            step_ = Step::AuthTls;
            sendCommand(QStringLiteral("AUTH TLS"));
            arm(timeouts_.reply);
            return;
        }
        sendUser();
        return;
    case Step::AuthTls:
        // Anything but 234 leaves the connection in clear: the upload ends there, without
        // the user name or the password.
        if (reply.code != 234)
            return failAttempt(withReply("le serveur refuse la connexion chiffrée", reply),
                               refusalPause, true);
        step_ = Step::Handshake;
        // What came in clear after the 234 is nobody's word: only what arrives through the
        // encrypted connection counts.
        parser_.reset();
        tlsControl()->startClientEncryption();
        arm(timeouts_.reply);
        return;
    case Step::Handshake:
        return;
    case Step::Pbsz:
        if (reply.code / 100 != 2)
            return failAttempt(withReply("le serveur refuse PBSZ", reply), refusalPause, true);
        step_ = Step::Prot;
        sendCommand(QStringLiteral("PROT P"));
        arm(timeouts_.reply);
        return;
    case Step::Prot:
        // No falling back to data in clear.
        if (reply.code / 100 != 2)
            return failAttempt(withReply("le serveur refuse de chiffrer les données", reply),
                               refusalPause, true);
        sendUser();
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
        if (security_.tls) {
            // The control connection's configuration carries its session, which the data
            // connection resumes; the certificate is checked against the host's name, not
            // the address connected to.
            tlsData()->setSslConfiguration(tlsControl()->sslConfiguration());
            tlsData()->setPeerVerifyName(request_.host);
            tlsData()->ignoreSslErrors(QList<QSslError>{});
        }
        data_->connectToHost(control_->peerAddress(), *port,
                             QIODevice::ReadWrite | QIODevice::Unbuffered);
        sendCommand(QStringLiteral("STOR ") + temporaryName_);
        arm(timeouts_.storReply);
        return;
    }
    case Step::Stor:
        if (!reply.isPreliminary())
            return failOnReply(reply, refusalPause);
        storAccepted_ = true;
        // From now on the server may hold a file under the temporary name.
        leftovers_.append(temporaryName_);
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
        leftovers_.removeAll(temporaryName_);
        finish(FtpOutcome::Succeeded, {});
        return;
    case Step::Dele:
        if (reply.isPreliminary())
            return;
        // Deleted, or nothing there to delete; anything else is tried again later. Either
        // way the upload goes on: a delete that fails is no failure of the upload.
        if (reply.code / 100 == 2 || reply.code == 550)
            leftovers_.removeAt(deleteAt_);
        else
            ++deleteAt_;
        deleteNextOrGoOn();
        return;
    case Step::Goodbye:
        if (reply.code == 221)
            return afterAttempt();
        // What answers a DELE; a late word about the transfer is not one.
        if ((reply.code == 250 || reply.code == 550) && !goodbyeDeletes_.isEmpty())
            leftovers_.removeOne(goodbyeDeletes_.takeFirst());
        return;
    }
    // Logged in, after USER or PASS.
    afterLogin();
}

void FtpClient::onDataConnected() {
    if (step_ != Step::Stor)
        return;
    if (security_.tls) {
        // Not a byte of the file before the data connection is encrypted.
        tlsData()->startClientEncryption();
        return;
    }
    onDataEncrypted();
}

void FtpClient::onDataSslErrors(const QList<QSslError>& errors) {
    // The data connection is the server the control connection has accepted, or nobody.
    const QSslCertificate peer = tlsData()->peerCertificate();
    if (step_ == Step::Stor && !peer.isNull() && peer == tlsControl()->peerCertificate())
        tlsData()->ignoreSslErrors(errors);
}

void FtpClient::onDataEncrypted() {
    if (step_ != Step::Stor)
        return;
    if (security_.tls && tlsData()->peerCertificate() != tlsControl()->peerCertificate()) {
        failAttempt(QStringLiteral("certificat de la connexion de données différent de celui du "
                                   "serveur"),
                    timeouts_.pauseAfterRefusal, true);
        return;
    }
    dataConnected_ = true;
    if (!kernelQueue(*data_))
        data_->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kBoundedSendBuffer);
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
    while (!dataQueued_ && heldBySocket() == 0) {
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
        if (data_->write(chunk_.constData(), n) != n) {
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
    data_->disconnectFromHost();
}

qint64 FtpClient::heldBySocket() const {
    // With TLS: the bytes still to encrypt, then what is encrypted but not handed to the
    // kernel yet. Without, the second is always 0.
    return data_->bytesToWrite() + (tlsSockets_ ? tlsData()->encryptedBytesToWrite() : 0);
}

qint64 FtpClient::unsentBytes() const {
    return heldBySocket() + kernelQueue(*data_).value_or(0);
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
        if (security_.tls && data_->error() == QAbstractSocket::SslHandshakeFailedError) {
            failAttempt(QStringLiteral("connexion de données non chiffrée ou refusée (") +
                            data_->errorString() + QLatin1Char(')'),
                        timeouts_.pauseAfterRefusal);
            return;
        }
        failAttempt(QStringLiteral("connexion de données impossible (") + data_->errorString() +
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
