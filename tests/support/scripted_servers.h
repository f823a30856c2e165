#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <unistd.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Servers on 127.0.0.1 that the tests script: an FTP server that misbehaves on demand, and an
// HTTP stub standing in for the image service.

namespace grivendale::testing {

// A loopback port on which nothing listens: one the system gave out and took back at once.
// 0 when there was none to be had.
inline std::uint16_t closedLocalPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// Takes connections and never reads from them: their data piles up in the kernel until the
// peer can send no more.
class HoldingServer final : public QTcpServer {
public:
    ~HoldingServer() override {
        for (const qintptr fd : held_)
            ::close(static_cast<int>(fd));
    }
    int heldCount() const { return static_cast<int>(held_.size()); }

protected:
    void incomingConnection(qintptr fd) override { held_.push_back(fd); }

private:
    std::vector<qintptr> held_;
};

// Hands out sockets that stay in clear until told to encrypt.
class SslCapableServer final : public QTcpServer {
protected:
    void incomingConnection(qintptr fd) override {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(fd))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

// An FTP server whose every answer can be replaced. By default it behaves: 220, 331, 230,
// 200, 227 naming its own passive listener, 150, 226 once the data connection closes, 350,
// 250, 221; with a certificate, also 234 to AUTH TLS, then 200 to PBSZ and PROT.
class ScriptedFtpServer {
public:
    QByteArray greeting = "220 Scripted server ready.\r\n"; // empty: never greets
    // Replaces the answer to a command, by its verb ("USER", "PASS", ...).
    QHash<QString, QByteArray> replies;
    bool byteByByte = false;              // every reply goes out one byte per millisecond
    QByteArray passiveHost = "127,0,0,1"; // the address the 227 names
    QByteArray endOfData = "226 Transfer complete.\r\n";
    bool dropControlOnData = false; // close the control connection at the first data byte
    // Once, on the first data connection: close it at once, then send this and hang up.
    QByteArray farewellOnData;
    bool holdData = false; // take the data connection and never read it
    // With a certificate, AUTH TLS encrypts the control connection, and after PROT P every
    // data connection is encrypted too.
    QSslCertificate certificate;
    QSslKey key;
    QByteArray afterAuth;              // sent in clear right behind the 234
    bool plainDataDespiteProt = false; // says yes to PROT P, then serves data in clear

    QStringList clearCommands; // the commands that arrived before the encryption

    QStringList commands; // every command line received, in order
    QByteArray data;      // every byte received on data connections
    int controlConnections = 0;
    int dataConnections = 0;

    ScriptedFtpServer() {
        QObject::connect(&control_, &QTcpServer::newConnection, &control_, [this] {
            while (QTcpSocket* s = control_.nextPendingConnection())
                startSession(static_cast<QSslSocket*>(s));
        });
        QObject::connect(&passive_, &QTcpServer::newConnection, &passive_, [this] {
            while (QTcpSocket* s = passive_.nextPendingConnection())
                startData(static_cast<QSslSocket*>(s));
        });
        QObject::connect(&tick_, &QTimer::timeout, &tick_, [this] { sendOneByte(); });
    }
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    bool listen() {
        return control_.listen(QHostAddress::LocalHost) &&
               passive_.listen(QHostAddress::LocalHost) && holding_.listen(QHostAddress::LocalHost);
    }
    std::uint16_t port() const { return control_.serverPort(); }
    int heldDataConnections() const { return holding_.heldCount(); }
    bool sawCommand(const QString& verb) const {
        for (const QString& c : commands) {
            if (c.startsWith(verb))
                return true;
        }
        return false;
    }

private:
    void startSession(QSslSocket* socket) {
        ++controlConnections;
        session_ = socket;
        pending_.clear();
        buffer_.clear();
        protectData_ = false;
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            buffer_ += socket->readAll();
            qsizetype end;
            while ((end = buffer_.indexOf("\r\n")) >= 0) {
                const QString line = QString::fromUtf8(buffer_.left(end));
                buffer_.remove(0, end + 2);
                commands.append(line);
                if (!socket->isEncrypted())
                    clearCommands.append(line);
                answer(line);
            }
        });
        if (!greeting.isEmpty())
            send(greeting);
    }

    void answer(const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0).toUpper();
        if (replies.contains(verb)) {
            send(replies.value(verb));
            return;
        }
        const bool tls = !certificate.isNull();
        if (verb == QLatin1String("AUTH") && tls && session_) {
            send("234 Proceed with negotiation.\r\n" + afterAuth);
            encrypt(session_);
        } else if (verb == QLatin1String("PBSZ") && tls)
            send("200 PBSZ=0\r\n");
        else if (verb == QLatin1String("PROT") && tls) {
            protectData_ = line.endsWith(QLatin1Char('P'));
            send("200 Protection level set.\r\n");
        } else if (verb == QLatin1String("USER"))
            send("331 Password required.\r\n");
        else if (verb == QLatin1String("PASS"))
            send("230 Logged in.\r\n");
        else if (verb == QLatin1String("TYPE"))
            send("200 Type set to I.\r\n");
        else if (verb == QLatin1String("PASV")) {
            const std::uint16_t p = holdData ? holding_.serverPort() : passive_.serverPort();
            send("227 Entering Passive Mode (" + passiveHost + "," + QByteArray::number(p / 256) +
                 "," + QByteArray::number(p % 256) + ").\r\n");
        } else if (verb == QLatin1String("STOR"))
            send("150 Ready.\r\n");
        else if (verb == QLatin1String("RNFR"))
            send("350 Ready for RNTO.\r\n");
        else if (verb == QLatin1String("RNTO"))
            send("250 Renamed.\r\n");
        else if (verb == QLatin1String("QUIT"))
            send("221 Bye.\r\n");
        else
            send("502 Not implemented.\r\n");
    }

    void encrypt(QSslSocket* socket) {
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->startServerEncryption();
    }

    void startData(QSslSocket* socket) {
        ++dataConnections;
        if (protectData_ && !plainDataDespiteProt)
            encrypt(socket);
        if (!farewellOnData.isEmpty() && session_) {
            socket->disconnectFromHost();
            QTimer::singleShot(300, session_, [this, farewell = farewellOnData] {
                if (session_) {
                    session_->write(farewell);
                    session_->disconnectFromHost();
                }
            });
            farewellOnData.clear();
            return;
        }
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray bytes = socket->readAll();
            if (dropControlOnData && !bytes.isEmpty() && session_) {
                session_->abort();
                socket->abort();
                return;
            }
            data += bytes;
            // What a client expecting TLS hears from a server that does not speak it.
            if (protectData_ && plainDataDespiteProt)
                socket->write("Not TLS.\r\n");
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] {
            if (session_ && session_->state() == QAbstractSocket::ConnectedState)
                send(endOfData);
        });
    }

    void send(const QByteArray& bytes) {
        if (!session_)
            return;
        if (!byteByByte) {
            session_->write(bytes);
            return;
        }
        for (const char c : bytes)
            pending_.push_back(c);
        if (!tick_.isActive())
            tick_.start(1);
    }

    void sendOneByte() {
        if (pending_.empty() || !session_) {
            tick_.stop();
            return;
        }
        session_->write(QByteArray(1, pending_.front()));
        session_->flush();
        pending_.pop_front();
    }

    SslCapableServer control_;
    SslCapableServer passive_;
    HoldingServer holding_;
    QTimer tick_;
    QPointer<QSslSocket> session_;
    bool protectData_ = false;
    QByteArray buffer_;
    std::deque<char> pending_;
};

// The image service: answers every GET with `body`, or never answers.
class HttpStub {
public:
    QByteArray body;
    bool answer = true;
    int status = 200;
    QStringList requestLines; // "GET /image_envoi.php?... HTTP/1.1"

    HttpStub() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                serve(s);
        });
    }
    HttpStub(const HttpStub&) = delete;
    HttpStub& operator=(const HttpStub&) = delete;

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

private:
    void serve(QTcpSocket* socket) {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            requestLines.append(QString::fromLatin1(request->left(request->indexOf("\r\n"))));
            request->clear();
            if (!answer)
                return;
            socket->write("HTTP/1.1 " + QByteArray::number(status) +
                          " Stub\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
};

} // namespace grivendale::testing
