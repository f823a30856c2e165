// grivendale-cli upload, run as a process against servers on loopback.

#include "support/event_wait.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

TEST(CliUpload, ExitStatusesAndWhatItPrints) {
    QTemporaryDir dir;
    const QString local = dir.filePath(u"carte.png"_s);
    const QByteArray bytes(300000, 'g');
    writeFileBytes(local, bytes);
    writeFileBytes(dir.filePath(u"pw"_s), "p\r\nnot the password\n");
    const TestCertificate certificate = makeCertificate(dir.path(), u"c"_s, u"IP:127.0.0.1"_s);
    ScriptedFtpServer server; // encrypts once asked to, with a certificate nobody vouches for
    server.certificate = certificate.certificate;
    server.key = certificate.key;
    ASSERT_TRUE(server.listen());
    const QString fp = certificate.fingerprint;
    // What arguments stand for; every command also gets --host 127.0.0.1 --user u.
    // clang-format off
    const QHash<QString, QString> words = {
        {u"LOCAL"_s, local}, {u"PWFILE"_s, dir.filePath(u"pw"_s)}, {u"FP"_s, fp},
        {u"fp"_s, fp.toLower()}, {u"PORT"_s, QString::number(server.port())},
        {u"CLOSED"_s, QString::number(closedLocalPort())}};
    // clang-format on
    const struct {
        const char* args;
        int exitCode;
        const char* detail = ""; // with 1: the failure the last line reports
    } cases[] = {
        {"LOCAL surveillance\\suivi.png --port PORT --password p", 0},
        {"LOCAL a.png --port PORT --password-file PWFILE", 0},
        {"LOCAL b.png --port PORT", 0}, // from GRIVENDALE_FTP_PASSWORD
        {"LOCAL a.png --port CLOSED --password p --attempts 1", 1, "connexion impossible"},
        // The error output tells how to accept the certificate.
        {"LOCAL a.png --port PORT --password p --tls", 1,
         "certificat du serveur non reconnu (Le certificat est auto-signé"},
        {"LOCAL c.png --port PORT --password p --tls --accept-fingerprint fp", 0},
        {"", 2},
        {"a.png --port PORT --password p", 2}, // one name only
        {"LOCAL a.png --port PORT --password p --password-file /no/pw", 2},
        {"LOCAL a.png --port 70000 --password p", 2},
        {"LOCAL a.png --port PORT --password p --attempts 0", 2},
        {"LOCAL a.png --port PORT --password p --accept-fingerprint FP", 2},
        {"LOCAL a.png --port PORT --password p --tls --accept-fingerprint AB:CD", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        QStringList args = (u"upload --host 127.0.0.1 --user u "_s + QString::fromUtf8(c.args))
                               .split(u' ', Qt::SkipEmptyParts);
        for (QString& arg : args)
            arg = words.value(arg, arg);
        // The right password only for a command that gives none.
        qputenv("GRIVENDALE_FTP_PASSWORD", args.filter(u"--password"_s).isEmpty() ? "p" : "wrong");
        QProcess cli; // the event loop turns meanwhile, so the server keeps answering
        cli.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"), args);
        ASSERT_TRUE(waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30s));
        const QStringList lines =
            QString::fromLocal8Bit(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        EXPECT_EQ(cli.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_EQ(err.contains(u"usage:"_s), c.exitCode == 2);
        EXPECT_EQ(err.contains(u"--accept-fingerprint "_s + fp),
                  QByteArray(c.detail).startsWith("cert"));
        const QString last[] = {u"Envoyé"_s, u"Échec de l'envoi : "_s + c.detail, {}};
        EXPECT_TRUE(lines.value(lines.size() - 1).startsWith(last[c.exitCode]));
        EXPECT_EQ(lines.isEmpty(), c.exitCode == 2);
        if (c.exitCode == 0) { // one attempt, carried to the end
            EXPECT_EQ(lines.filter(QRegularExpression(u"^(Envoie|Tentative|Progression : 100)"_s)),
                      QStringList({u"Envoie "_s + local, u"Tentative 1 sur 5"_s,
                                   u"Progression : 100 %"_s}));
        }
    }
    qunsetenv("GRIVENDALE_FTP_PASSWORD");
    // The session ends with QUIT even though the program ends right after the upload.
    EXPECT_TRUE(waitUntil([&] { return server.commands.count(u"QUIT"_s) == 4; }, 2s));
    EXPECT_EQ(server.data, bytes.repeated(4));
    EXPECT_EQ(
        server.commands.filter(QRegularExpression(u"^(PASS|RNTO)"_s)),
        QStringList({u"PASS p"_s, u"RNTO /surveillance/suivi.png"_s, u"PASS p"_s, u"RNTO /a.png"_s,
                     u"PASS p"_s, u"RNTO /b.png"_s, u"PASS p"_s, u"RNTO /c.png"_s}));
}

} // namespace
