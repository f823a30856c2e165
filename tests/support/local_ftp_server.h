#pragma once

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdint>

namespace grivendale::testing {

// tests/support/ftp_server.py (pyftpdlib) on 127.0.0.1 serving a fresh temporary root to one
// user; explicit FTPS only when given a certificate. Stopped when the object goes.
class LocalFtpServer {
public:
    qint64 readLimit = 0;   // bytes per second a data connection takes; 0: no limit
    QString tlsCertificate; // a PEM file with the certificate and its key

    ~LocalFtpServer() {
        process_.closeWriteChannel(); // the script ends when its input closes
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }

    // False, with the server's words in `error`, when it did not come up.
    bool start(const QString& user, const QString& password, QString* error) {
        // A wide spread, so that parallel test programs rarely share passive ports.
        const int first = 30000 + QRandomGenerator::global()->bounded(3000) * 10;
        process_.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral(GRIVENDALE_SOURCE_DIR "/tests/support/ftp_server.py"),
                        root_.path(), user, password,
                        QStringLiteral("%1-%2").arg(first).arg(first + 9),
                        QString::number(readLimit), tlsCertificate});
        QByteArray out;
        while (!out.contains('\n') && process_.waitForReadyRead(10000))
            out += process_.readAllStandardOutput();
        port_ =
            out.startsWith("PORT ") ? static_cast<std::uint16_t>(out.mid(5).trimmed().toUInt()) : 0;
        *error = QString::fromUtf8(out + process_.readAllStandardError());
        return port_ != 0;
    }

    std::uint16_t port() const { return port_; }
    QString path(const QString& name) const { return root_.filePath(name); }
    bool makeFolder(const QString& name) const { return QDir(root_.path()).mkpath(name); }
    // Every file under the root, relative to it, sorted.
    QStringList files() const {
        QStringList names;
        QDirIterator it(root_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            names.append(QDir(root_.path()).relativeFilePath(it.next()));
        names.sort();
        return names;
    }

private:
    QTemporaryDir root_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace grivendale::testing
