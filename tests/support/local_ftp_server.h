#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>

// A real FTP server for the tests: tests/support/ftp_server.py (pyftpdlib) on 127.0.0.1, on a
// free port, serving a fresh temporary root to one user with write rights, with a passive
// port range; explicit FTPS only when given a certificate. Stopped when the object goes.

namespace grivendale::testing {

class LocalFtpServer {
public:
    LocalFtpServer() = default;
    LocalFtpServer(const LocalFtpServer&) = delete;
    LocalFtpServer& operator=(const LocalFtpServer&) = delete;
    ~LocalFtpServer() { stop(); }

    qint64 readLimit = 0; // bytes per second a data connection takes; 0: no limit
    // A PEM file with a certificate and its key: the server then speaks explicit FTPS only,
    // and wants every data connection to resume the control connection's TLS session.
    QString tlsCertificate;

    // False, with the reason in `error`, when the server did not come up within ten seconds.
    bool start(const QString& user, const QString& password, QString* error = nullptr) {
        if (!root_.isValid())
            return fail(error, QStringLiteral("no temporary root"));
        // Spread over a wide range, so parallel test programs rarely share passive ports
        // (pyftpdlib falls back to any free port when its range is taken).
        const int first = 30000 + static_cast<int>(QRandomGenerator::global()->bounded(3000)) * 10;
        process_.setProgram(python());
        process_.setArguments(
            {QStringLiteral(GRIVENDALE_SOURCE_DIR "/tests/support/ftp_server.py"),
             QStringLiteral("--root"), root_.path(), QStringLiteral("--user"), user,
             QStringLiteral("--password"), password, QStringLiteral("--passive-ports"),
             QStringLiteral("%1-%2").arg(first).arg(first + 9), QStringLiteral("--read-limit"),
             QString::number(readLimit), QStringLiteral("--tls-cert"), tlsCertificate});
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(10000))
            return fail(error, QStringLiteral("cannot run ") + python());
        const QDeadlineTimer deadline(10000);
        QByteArray out;
        while (!deadline.hasExpired()) {
            if (!process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                break;
            out += process_.readAllStandardOutput();
            const qsizetype at = out.indexOf("PORT ");
            const qsizetype end = out.indexOf('\n', at);
            if (at >= 0 && end > at) {
                port_ =
                    static_cast<std::uint16_t>(out.mid(at + 5, end - at - 5).trimmed().toUInt());
                return port_ != 0 || fail(error, QString::fromUtf8(out));
            }
        }
        const QString err = QString::fromUtf8(process_.readAllStandardError());
        stop();
        return fail(error, QStringLiteral("pyftpdlib did not start: ") + err);
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.closeWriteChannel(); // the script ends when its input closes
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    std::uint16_t port() const { return port_; }
    QString root() const { return root_.path(); }
    QString path(const QString& name) const { return root_.filePath(name); }
    bool makeFolder(const QString& name) const { return QDir(root_.path()).mkpath(name); }
    // Every file under the root, relative to it, sorted.
    QStringList files() const {
        QStringList names;
        collect(QDir(root_.path()), QString(), names);
        names.sort();
        return names;
    }

    // The interpreter that has pyftpdlib: GRIVENDALE_PYTHON, else the system one.
    static QString python() {
        const QString chosen = qEnvironmentVariable("GRIVENDALE_PYTHON");
        if (!chosen.isEmpty())
            return chosen;
        if (QFileInfo::exists(QStringLiteral("/usr/bin/python3")))
            return QStringLiteral("/usr/bin/python3");
        return QStringLiteral("python3");
    }

private:
    static bool fail(QString* error, const QString& why) {
        if (error)
            *error = why;
        return false;
    }
    static void collect(const QDir& dir, const QString& prefix, QStringList& names) {
        for (const QFileInfo& info :
             dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (info.isDir())
                collect(QDir(info.filePath()), prefix + info.fileName() + QLatin1Char('/'), names);
            else
                names.append(prefix + info.fileName());
        }
    }

    QTemporaryDir root_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace grivendale::testing
