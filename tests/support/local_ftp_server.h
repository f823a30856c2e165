#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

#include <unistd.h>

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

// Debian's vsftpd on 127.0.0.1, strict about TLS when given a certificate: logins and data
// must be encrypted, data connections must resume the control connection's session and end
// with a TLS shutdown. Anonymous uploads ("ftp", any password) into the folder "cartes" of a
// fresh root, so no user of the system is needed. Runs as root only, as in CI; killed when the
// object goes.
class VsftpdServer {
public:
    ~VsftpdServer() {
        process_.kill();
        process_.waitForFinished(1000);
    }

    // Empty once the server listens; else why it cannot run.
    std::string start(const QString& certificatePath = {}, const QString& keyPath = {}) {
        if (::geteuid() != 0 || !QFile::exists(QStringLiteral("/usr/sbin/vsftpd")))
            return "vsftpd needs root and /usr/sbin/vsftpd (scripts/install-deps.sh)";
        QDir(dir_.path()).mkpath(QStringLiteral("empty"));
        // The root must not be writable by the session's user; its one folder is.
        QDir(dir_.path()).mkpath(QStringLiteral("root/cartes"));
        QFile::setPermissions(path(QStringLiteral("cartes")), QFileDevice::Permission(0x7777));
        for (int tries = 0; tries < 5 && !port_; ++tries) {
            const std::uint16_t port = freePort(), passive = freePort();
            QString config =
                QStringLiteral(
                    "listen=YES\nlisten_address=127.0.0.1\nlisten_port=%1\nbackground=NO\n"
                    "anonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
                    "anon_upload_enable=YES\nanon_other_write_enable=YES\nanon_umask=022\n"
                    "anon_root=%2/root\nsecure_chroot_dir=%2/empty\n"
                    "pasv_enable=YES\npasv_address=127.0.0.1\npasv_min_port=%3\n"
                    "pasv_max_port=%3\nseccomp_sandbox=NO\nxferlog_enable=YES\n"
                    "vsftpd_log_file=%2/log\nlog_ftp_protocol=YES\n")
                    .arg(port)
                    .arg(dir_.path())
                    .arg(passive);
            if (!certificatePath.isEmpty())
                config +=
                    QStringLiteral("ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                                   "force_anon_data_ssl=YES\nforce_local_logins_ssl=YES\n"
                                   "force_local_data_ssl=YES\nrequire_ssl_reuse=YES\n"
                                   "strict_ssl_read_eof=YES\nrsa_cert_file=%1\n"
                                   "rsa_private_key_file=%2\n")
                        .arg(certificatePath, keyPath);
            QFile file(dir_.filePath(QStringLiteral("vsftpd.conf")));
            if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
                return "cannot write vsftpd.conf";
            file.close();
            process_.kill();
            process_.waitForFinished(1000);
            process_.start(QStringLiteral("/usr/sbin/vsftpd"), {file.fileName()});
            // Listening once a connection is taken; a port someone took meanwhile ends it.
            for (int wait = 0; wait < 50 && process_.state() != QProcess::NotRunning; ++wait) {
                QTcpSocket probe;
                probe.connectToHost(QStringLiteral("127.0.0.1"), port);
                if (probe.waitForConnected(100)) {
                    port_ = port;
                    break;
                }
                process_.waitForFinished(100);
            }
        }
        return port_ ? std::string()
                     : ("vsftpd did not start: " + process_.readAllStandardError()).toStdString();
    }

    std::uint16_t port() const { return port_; }
    QString path(const QString& name) const {
        return dir_.filePath(QStringLiteral("root/") + name);
    }
    // The files of the folder that takes uploads.
    QStringList files() const {
        return QDir(path(QStringLiteral("cartes"))).entryList(QDir::Files | QDir::Hidden);
    }
    QByteArray log() const {
        QFile file(dir_.filePath(QStringLiteral("log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    static std::uint16_t freePort() {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
    }

    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

} // namespace grivendale::testing
