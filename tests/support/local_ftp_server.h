#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace grivendale::testing {

// tests/support/ftp_server.py (pyftpdlib) on 127.0.0.1 serving a fresh temporary root to one
// user; explicit FTPS only when given a certificate. Killed when the object goes.
class LocalFtpServer {
public:
    qint64 readLimit = 0;   // bytes per second a data connection takes; 0: no limit
    QString tlsCertificate; // a PEM file with the certificate and its key

    // Empty once the server listens; else what it said.
    std::string start(const QString& user, const QString& password) {
        process_.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral(GRIVENDALE_SOURCE_DIR "/tests/support/ftp_server.py"),
                        root_.path(), user, password, QString::number(readLimit), tlsCertificate});
        QByteArray out;
        while (!out.contains('\n') && process_.waitForReadyRead(10000))
            out += process_.readAllStandardOutput();
        port_ =
            out.startsWith("PORT ") ? static_cast<std::uint16_t>(out.mid(5).trimmed().toUInt()) : 0;
        return port_ ? std::string() : (out + process_.readAllStandardError() + " ").toStdString();
    }

    std::uint16_t port() const { return port_; }
    QString path(const QString& name) const { return root_.filePath(name); }
    bool makeFolder(const QString& name) const { return QDir(root_.path()).mkpath(name); }
    // The files in a folder of the root, hidden ones too, sorted.
    QStringList files(const QString& folder = {}) const {
        return QDir(path(folder)).entryList(QDir::Files | QDir::Hidden);
    }

private:
    QTemporaryDir root_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace grivendale::testing
