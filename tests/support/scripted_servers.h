#pragma once

#include <QHash>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <cstdint>

namespace grivendale::testing {

// A loopback port on which nothing listens: one the system gave out and took back at once.
inline std::uint16_t closedLocalPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// Hands out sockets that stay in clear until told to encrypt.
class SslCapableServer final : public QTcpServer {
    void incomingConnection(qintptr fd) override {
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(fd);
        addPendingConnection(socket);
    }
};

// A line server on 127.0.0.1 that the tests script: an FTP server that behaves unless told
// otherwise, or, with OneReply, an HTTP server. `replies` holds the answer to each verb (the
// greeting under "", what follows the data under "DATA"), less its line end; an empty one is
// never sent. The 227 names its own passive listener. With a certificate, the 234 to AUTH
// encrypts the control connection and, after PROT P, every data connection is encrypted too.
class ScriptedFtpServer {
public:
    // Quirks, or-ed into `quirks`.
    static constexpr int ForeignPassive = 2; // the 227 names 127.0.0.2, where nothing listens
    static constexpr int DropControl = 4;    // the control connection closes at the first data byte
    static constexpr int HoldData = 8;       // data connections are taken and never read from
    static constexpr int HangUp = 16; // once: the data connection closes at once, then 421, goodbye
    static constexpr int PlainData = 32;   // says yes to PROT P, then serves data in clear
    static constexpr int NoHandshake = 64; // a 234 to AUTH, then nothing
    static constexpr int OneReply = 128;   // no greeting; the connection closes after one answer
    static constexpr int CutData = 256;    // data connections close at their first bytes
    // clang-format off
    QHash<QString, QByteArray> replies = {
        {"", "220 Scripted server ready."}, {"USER", "331 Password required."},
        {"PASS", "230 Logged in."}, {"TYPE", "200 Type set to I."}, {"STOR", "150 Ready."},
        {"DATA", "226 Transfer complete."}, {"RNFR", "350 Ready for RNTO."}, {"RNTO", "250 Renamed."},
        {"QUIT", "221 Bye."}, {"DELE", "250 Deleted."}, {"AUTH", "234 Proceed."}, {"PBSZ", "200 PBSZ=0"}, {"PROT", "200 PROT."}};
    // clang-format on
    int quirks = 0;
    QSslCertificate certificate;
    QSslKey key;

    QStringList commands, clearCommands; // every command line; those that came unencrypted
    QByteArray data;                     // every byte received on data connections
    int controlConnections = 0;

    ScriptedFtpServer() {
        QObject::connect(&control_, &QTcpServer::newConnection, &control_, [this] {
            startSession(static_cast<QSslSocket*>(control_.nextPendingConnection()));
        });
        QObject::connect(&passive_, &QTcpServer::newConnection, &passive_, [this] {
            startData(static_cast<QSslSocket*>(passive_.nextPendingConnection()));
        });
    }

    bool listen() {
        return control_.listen(QHostAddress::LocalHost) && passive_.listen(QHostAddress::LocalHost);
    }
    std::uint16_t port() const { return control_.serverPort(); }

private:
    void startSession(QSslSocket* socket) {
        ++controlConnections;
        session_ = socket;
        buffer_ = QByteArray();
        request_ = QString();
        protectData_ = silent_ = false;
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            buffer_ += socket->readAll();
            if (silent_)
                return buffer_.clear(); // the client's handshake is not a command
            for (qsizetype end; socket->state() == QAbstractSocket::ConnectedState &&
                                (end = buffer_.indexOf("\r\n")) >= 0;) {
                const QString line = QString::fromUtf8(buffer_.left(end));
                buffer_.remove(0, end + 2);
                // An HTTP request is answered once whole: closing on unread headers would reset
                // the connection, and the client would send the request again.
                if (quirks & OneReply && (request_.isNull() || !line.isEmpty())) {
                    request_ = request_.isNull() ? line : request_;
                    continue;
                }
                const QString command = quirks & OneReply ? request_ : line;
                commands.append(command);
                if (!socket->isEncrypted())
                    clearCommands.append(command);
                answer(command);
                if (quirks & OneReply)
                    socket->disconnectFromHost();
            }
        });
        send(quirks & OneReply ? QByteArray() : replies.value(QString()));
    }

    void answer(const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0).toUpper();
        if (verb == QLatin1String("PASV") && !replies.contains(verb)) {
            const std::uint16_t p = passive_.serverPort();
            return send("227 Entering Passive Mode (" +
                        QByteArray(quirks & ForeignPassive ? "127,0,0,2," : "127,0,0,1,") +
                        QByteArray::number(p / 256) + "," + QByteArray::number(p % 256) + ").");
        }
        protectData_ = protectData_ || line == QLatin1String("PROT P");
        send(replies.value(verb, "502 Not implemented."));
        if (verb == QLatin1String("AUTH") && replies.value(verb).startsWith("234")) {
            silent_ = quirks & NoHandshake;
            if (!silent_)
                encrypt(session_);
        }
    }

    void encrypt(QSslSocket* socket) {
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->startServerEncryption();
    }

    void startData(QSslSocket* socket) {
        if (quirks & HoldData) // reads nothing, so the kernel buffers fill up
            return socket->setReadBufferSize(1);
        if (quirks & HangUp) {
            quirks &= ~HangUp;
            socket->disconnectFromHost();
            return QTimer::singleShot(
                300, session_, [this] { send("421 Timeout."), session_->disconnectFromHost(); });
        }
        if (protectData_ && !(quirks & PlainData))
            encrypt(socket);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, of = session_] {
            if (quirks & DropControl && of)
                return of->abort();
            data += socket->readAll();
            if (quirks & CutData)
                socket->disconnectFromHost();
            if (protectData_ && quirks & PlainData) // what a TLS client hears from a plain end
                socket->write("Not TLS.\r\n");
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, of = session_] {
            const QByteArray text = replies.value(QStringLiteral("DATA"));
            if (of && of->state() == QAbstractSocket::ConnectedState && !text.isEmpty())
                of->write(text + "\r\n");
        });
    }

    void send(const QByteArray& reply) {
        if (session_ && !reply.isEmpty())
            session_->write(reply + "\r\n");
    }

    SslCapableServer control_, passive_;
    QPointer<QSslSocket> session_;
    bool protectData_ = false, silent_ = false;
    QByteArray buffer_;
    QString request_; // the first line of an HTTP request, until its headers end
};

} // namespace grivendale::testing
