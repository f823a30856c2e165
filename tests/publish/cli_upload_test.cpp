// grivendale-cli upload, run as a process against servers on loopback.

#include "support/event_wait.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

using namespace grivendale::testing;
using namespace std::chrono_literals;

namespace {

struct CliRun {
    int exitCode = -1;
    QStringList lines; // standard output
    QByteArray err;
};

// Runs the command with the event loop turning, so servers in this process keep answering.
// The password variable is set only when `envPassword` is given.
CliRun runUpload(const QStringList& args, const QString& envPassword = {}) {
    const QString cli = QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli");
    EXPECT_TRUE(QFileInfo::exists(cli)) << "build grivendale-cli first";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("GRIVENDALE_FTP_PASSWORD"));
    if (!envPassword.isEmpty())
        env.insert(QStringLiteral("GRIVENDALE_FTP_PASSWORD"), envPassword);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(cli, QStringList{QStringLiteral("upload")} + args);
    EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30s));
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
    CliRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.lines = QString::fromLocal8Bit(process.readAllStandardOutput())
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = process.readAllStandardError();
    return run;
}

QStringList serverArgs(std::uint16_t port, const QString& user, const QString& password) {
    return {QStringLiteral("--host"),     QStringLiteral("127.0.0.1"),
            QStringLiteral("--port"),     QString::number(port),
            QStringLiteral("--user"),     user,
            QStringLiteral("--password"), password};
}

TEST(CliUpload, UploadsToARealServer) {
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("u"), QStringLiteral("p"), &error))
        << error.toStdString();
    ASSERT_TRUE(server.makeFolder(QStringLiteral("surveillance")));
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("carte.png"));
    const QByteArray bytes(2 * 1024 * 1024 + 3, 'g');
    writeFileBytes(local, bytes);
    const QString passwordFile = dir.filePath(QStringLiteral("pw"));
    writeFileBytes(passwordFile, "p\r\nnot the password\n");
    const QStringList args =
        QStringList{local, QStringLiteral("surveillance\\suivi.png")} +
        serverArgs(server.port(), QStringLiteral("u"), QStringLiteral("p")).mid(0, 6);
    // The password from the command line, a file, the environment.
    const CliRun runs[] = {
        runUpload(args + QStringList{QStringLiteral("--password"), QStringLiteral("p")}),
        runUpload(args + QStringList{QStringLiteral("--password-file"), passwordFile}),
        runUpload(args, QStringLiteral("p")),
    };
    for (const CliRun& run : runs) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        ASSERT_FALSE(run.lines.isEmpty());
        EXPECT_EQ(run.lines.first(), QStringLiteral("Envoie ") + local);
        EXPECT_TRUE(run.lines.contains(QStringLiteral("Tentative 1 sur 5")));
        EXPECT_TRUE(run.lines.contains(QStringLiteral("Progression : 100 %")));
        EXPECT_EQ(run.lines.last(), QStringLiteral("Envoyé"));
    }
    EXPECT_EQ(readFileBytes(server.path(QStringLiteral("surveillance/suivi.png"))), bytes);
    EXPECT_EQ(server.files(), QStringList{QStringLiteral("surveillance/suivi.png")});
}

TEST(CliUpload, OnlyAnAcknowledgedRenameCountsAsSuccessAndTheSessionEndsWithQuit) {
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("a.png"));
    writeFileBytes(local, "abc");
    const struct {
        QByteArray rntoReply;
        int exitCode;
        QString last;
    } cases[] = {
        {"250 Renamed.\r\n", 0, QStringLiteral("Envoyé")},
        {"553 Name not allowed.\r\n", 1,
         QStringLiteral("Échec de l'envoi : 553 Name not allowed.")},
    };
    for (const auto& c : cases) {
        ScriptedFtpServer server;
        server.replies[QStringLiteral("RNTO")] = c.rntoReply;
        ASSERT_TRUE(server.listen());
        const CliRun run =
            runUpload(QStringList{local, QStringLiteral("a.png")} +
                      serverArgs(server.port(), QStringLiteral("u"), QStringLiteral("p")));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.lines.last(), c.last);
        EXPECT_EQ(server.data, QByteArray("abc"));
        if (c.exitCode == 0) {
            EXPECT_TRUE(waitUntil([&] { return server.sawCommand(QStringLiteral("QUIT")); }, 2s));
        }
    }
}

TEST(CliUpload, FailuresExitWithOne) {
    const std::uint16_t closedPort = closedLocalPort();
    ASSERT_NE(closedPort, 0);
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("a.png"));
    writeFileBytes(local, "abc");

    CliRun run = runUpload(QStringList{local, QStringLiteral("a.png"), QStringLiteral("--attempts"),
                                       QStringLiteral("1")} +
                           serverArgs(closedPort, QStringLiteral("u"), QStringLiteral("p")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.lines.last().startsWith(QStringLiteral("Échec de l'envoi : connexion impossible")))
        << run.lines.join(QLatin1Char('|')).toStdString();

    run =
        runUpload(QStringList{dir.filePath(QStringLiteral("absent.png")), QStringLiteral("a.png")} +
                  serverArgs(closedPort, QStringLiteral("u"), QStringLiteral("p")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.lines.contains(
        QStringLiteral("problème chargement fichier : 1 Fichier introuvable 53")));
}

TEST(CliUpload, UsageErrorsExitWithTwo) {
    const QStringList good = {QStringLiteral("l.png"),      QStringLiteral("r.png"),
                              QStringLiteral("--host"),     QStringLiteral("127.0.0.1"),
                              QStringLiteral("--user"),     QStringLiteral("u"),
                              QStringLiteral("--password"), QStringLiteral("p")};
    const QStringList cases[] = {
        {},
        good.mid(0, 6), // no password
        good.mid(0, 6) + QStringList{QStringLiteral("--password-file"), QStringLiteral("/no/pw")},
        good + QStringList{QStringLiteral("--password-file"), QStringLiteral("/no/pw")}, // both
        good.mid(1),                                 // one name only
        good + QStringList{QStringLiteral("extra")}, // three names
        good + QStringList{QStringLiteral("--port"), QStringLiteral("0")},
        good + QStringList{QStringLiteral("--port"), QStringLiteral("70000")},
        good + QStringList{QStringLiteral("--attempts"), QStringLiteral("0")},
        good + QStringList{QStringLiteral("--attempts")},
        good + QStringList{QStringLiteral("--verbose"), QStringLiteral("1")},
        good + QStringList{QStringLiteral("--accept-fingerprint"),
                           QStringLiteral("AB:").repeated(31) + QStringLiteral("AB")}, // no --tls
        good + QStringList{QStringLiteral("--tls"), QStringLiteral("--accept-fingerprint"),
                           QStringLiteral("AB:CD")},
        QStringList{QStringLiteral("l.png"), QStringLiteral("r.png\r\nDELE x")} + good.mid(2),
    };
    for (const QStringList& args : cases) {
        const CliRun run = runUpload(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.lines.isEmpty());
        EXPECT_TRUE(run.err.contains("usage:"));
    }
}

TEST(CliUpload, TlsRefusesAnUnknownCertificateAndPrintsItsFingerprint) {
    QTemporaryDir dir;
    const TestCertificate certificate =
        makeCertificate(dir.path(), QStringLiteral("127.0.0.1"), QStringLiteral("IP:127.0.0.1"));
    LocalFtpServer server;
    server.tlsCertificate = certificate.pemPath;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("u"), QStringLiteral("p"), &error))
        << error.toStdString();
    const QString local = dir.filePath(QStringLiteral("a.png"));
    const QByteArray bytes(300000, 'q');
    writeFileBytes(local, bytes);
    const QStringList args = QStringList{local, QStringLiteral("a.png"), QStringLiteral("--tls")} +
                             serverArgs(server.port(), QStringLiteral("u"), QStringLiteral("p"));

    CliRun run = runUpload(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(("--accept-fingerprint " + certificate.fingerprint).toLatin1()))
        << run.err.toStdString();
    EXPECT_TRUE(run.lines.last().contains(certificate.fingerprint));
    EXPECT_TRUE(server.files().isEmpty());

    run = runUpload(args +
                    QStringList{QStringLiteral("--accept-fingerprint"), certificate.fingerprint});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines.last(), QStringLiteral("Envoyé"));
    EXPECT_EQ(readFileBytes(server.path(QStringLiteral("a.png"))), bytes);
}

} // namespace
