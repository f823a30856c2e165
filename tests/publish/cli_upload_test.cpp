// grivendale-cli upload, run as a process against servers on loopback.

#include "support/event_wait.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QProcess>
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
    LocalFtpServer real, tls;
    tls.tlsCertificate = certificate.pemPath;
    QString error;
    ASSERT_TRUE(real.start(u"u"_s, u"p"_s, &error)) << error.toStdString();
    ASSERT_TRUE(tls.start(u"u"_s, u"p"_s, &error)) << error.toStdString();
    ASSERT_TRUE(real.makeFolder(u"surveillance"_s));
    ScriptedFtpServer scripted, refusing;
    refusing.replies[u"RNTO"_s] = "553 Name not allowed.\r\n";
    ASSERT_TRUE(scripted.listen() && refusing.listen());
    const auto to = [&](std::uint16_t port, const QString& remote = u"a.png"_s) {
        return QStringList{local,          remote,      u"--host"_s,
                           u"127.0.0.1"_s, u"--port"_s, QString::number(port),
                           u"--user"_s,    u"u"_s};
    };
    const QStringList pw = {u"--password"_s, u"p"_s};
    const QStringList good = to(scripted.port()) + pw;
    const QString failure = u"Échec de l'envoi : "_s;
    const struct {
        QStringList args;
        int exitCode;
        QString last; // how the last line of the output begins; for 2, "usage:" goes to stderr
        QString err;  // a part of the error output
    } cases[] = {
        {to(real.port(), u"surveillance\\suivi.png"_s) + pw, 0, u"Envoyé"_s, {}},
        {to(real.port()) + QStringList{u"--password-file"_s, dir.filePath(u"pw"_s)},
         0,
         u"Envoyé"_s,
         {}},
        {to(real.port(), u"b.png"_s), 0, u"Envoyé"_s, {}}, // from GRIVENDALE_FTP_PASSWORD
        {good, 0, u"Envoyé"_s, {}},
        {to(refusing.port()) + pw, 1, failure + u"553 Name not allowed."_s, {}},
        {to(closedLocalPort()) + pw + QStringList{u"--attempts"_s, u"1"_s},
         1,
         failure + u"connexion impossible"_s,
         {}},
        {QStringList{dir.filePath(u"absent.png"_s)} + good.mid(1),
         1,
         failure + u"problème chargement fichier : 1 Fichier introuvable 53"_s,
         {}},
        {to(tls.port()) + pw + QStringList{u"--tls"_s}, 1,
         failure + u"certificat du serveur non reconnu"_s,
         u"--accept-fingerprint "_s + certificate.fingerprint},
        {to(tls.port()) + pw +
             QStringList{u"--tls"_s, u"--accept-fingerprint"_s, certificate.fingerprint.toLower()},
         0,
         u"Envoyé"_s,
         {}},
        {{}, 2, {}, {}},
        {to(scripted.port(), u"r.png\r\nDELE x"_s) + pw, 2, {}, {}},
        {good.mid(1), 2, {}, {}}, // one name only
        {good + QStringList{u"--password-file"_s, u"/no/pw"_s}, 2, {}, {}},
        {good + QStringList{u"--port"_s, u"70000"_s}, 2, {}, {}},
        {good + QStringList{u"--attempts"_s, u"0"_s}, 2, {}, {}},
        {good + QStringList{u"--accept-fingerprint"_s, certificate.fingerprint}, 2, {}, {}},
        {good + QStringList{u"--tls"_s, u"--accept-fingerprint"_s, u"AB:CD"_s}, 2, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The right password only for the one case that gives none otherwise.
        env.insert(u"GRIVENDALE_FTP_PASSWORD"_s, c.args.size() == 8 ? u"p"_s : u"wrong"_s);
        QProcess cli;
        cli.setProcessEnvironment(env);
        // The event loop turns meanwhile, so the servers of this process keep answering.
        cli.start(QStringLiteral(GRIVENDALE_BINARY_DIR "/grivendale-cli"),
                  QStringList{u"upload"_s} + c.args);
        ASSERT_TRUE(waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30s));
        const QStringList lines =
            QString::fromLocal8Bit(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        EXPECT_EQ(cli.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_TRUE(err.contains(c.exitCode == 2 ? u"usage:"_s : c.err)) << err.toStdString();
        EXPECT_EQ(lines.isEmpty(), c.exitCode == 2);
        EXPECT_TRUE(lines.value(lines.size() - 1).startsWith(c.last));
        if (c.exitCode == 0) {
            EXPECT_EQ(lines.first(), u"Envoie "_s + local);
            EXPECT_TRUE(lines.contains(u"Tentative 1 sur 5"_s));
            EXPECT_TRUE(lines.contains(u"Progression : 100 %"_s));
        }
    }
    EXPECT_EQ(real.files(), QStringList({u"a.png"_s, u"b.png"_s, u"surveillance/suivi.png"_s}));
    EXPECT_EQ(readFileBytes(real.path(u"surveillance/suivi.png"_s)), bytes);
    EXPECT_EQ(readFileBytes(tls.path(u"a.png"_s)), bytes);
    EXPECT_EQ(scripted.data, bytes);
    // The session ends with QUIT even though the program ends right after the upload.
    EXPECT_TRUE(waitUntil([&] { return scripted.sawCommand(u"QUIT"_s); }, 2s));
}

} // namespace
