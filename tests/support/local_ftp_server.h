#pragma once

#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
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

// Debian's vsftpd on 127.0.0.1 (as root, as in CI), strict about TLS when given a certificate:
// encrypted logins and data, data connections resuming the session and ending with a TLS
// shutdown. Anonymous uploads ("ftp", any password) into "cartes" of a fresh root, so no user
// of the system is needed.
class VsftpdServer {
public:
    // Empty once the server listens; else why it cannot run.
    std::string start(const QString& certificatePath = {}, const QString& keyPath = {}) {
        // The root must not be writable by the session's user; its one folder is.
        QDir(dir_.path()).mkpath(QStringLiteral("empty"));
        QDir(dir_.path()).mkpath(QStringLiteral("root/cartes"));
        QFile::setPermissions(path(QStringLiteral("cartes")), QFileDevice::Permission(0x7777));
        const std::uint16_t port = closedLocalPort();
        QString config = QStringLiteral(
            "listen=YES\nlisten_address=127.0.0.1\nlisten_port=%1\nbackground=NO\n"
            "anonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\n"
            "anon_other_write_enable=YES\nanon_root=%2/root\nsecure_chroot_dir=%2/empty\n"
            "pasv_address=127.0.0.1\npasv_min_port=%3\npasv_max_port=%3\nseccomp_sandbox=NO\n");
        config = config.arg(port).arg(dir_.path()).arg(closedLocalPort());
        if (!certificatePath.isEmpty())
            config +=
                QStringLiteral("ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                               "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\n"
                               "strict_ssl_read_eof=YES\nrsa_cert_file=%1\n"
                               "rsa_private_key_file=%2\n")
                    .arg(certificatePath, keyPath);
        const QString file = dir_.filePath(QStringLiteral("vsftpd.conf"));
        writeFileBytes(file, config.toUtf8());
        process_.start(QStringLiteral("/usr/sbin/vsftpd"), {file});
        for (int wait = 0; wait < 50 && process_.state() != QProcess::NotRunning; ++wait) {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (probe.waitForConnected(100))
                return port_ = port, std::string();
            process_.waitForFinished(100);
        }
        return "vsftpd (as root, from scripts/install-deps.sh) did not start: " +
               (process_.errorString() + process_.readAllStandardError()).toStdString();
    }

    std::uint16_t port() const { return port_; }
    QString path(const QString& name) const { return dir_.path() + QLatin1String("/root/") + name; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace grivendale::testing
