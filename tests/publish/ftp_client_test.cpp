#include "publish/ftp_client.h"
#include "publish/publish_rules.h"
#include "support/event_wait.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const QString kUser = QStringLiteral("carto");
const QString kPassword = QStringLiteral("s3cret-pw");

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(1234);
    for (char& b : bytes)
        b = static_cast<char>(generator.bounded(256));
    return bytes;
}

// What one upload reported.
struct UploadRun {
    std::optional<FtpOutcome> outcome;
    QString detail, status, firstFailure;
    QStringList commands, fileErrors;
    std::optional<std::pair<QString, bool>> refused; // the certificate's fingerprint, changed
    int attempts = 0;
    qint64 sent = -1, fullAfterMs = -1; // when progress first reached the whole file
};

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // Short limits, so that servers that never answer end a case in a second or two.
        FtpTimeouts t;
        t.connect = t.reply = 2s;
        t.storReply = t.transferEnd = 1s;
        t.dataIdle = 500ms;
        t.pauseAfterNoConnection = t.pauseAfterRefusal = t.pauseAfterDataTimeout = 20ms;
        client_.setTimeouts(t);
        client_.setMaxAttempts(2);
        FtpClient* c = &client_;
        QObject::connect(c, &FtpClient::finished, [this](FtpOutcome o, const QString& d) {
            run_.outcome = o;
            run_.detail = d;
        });
        QObject::connect(c, &FtpClient::statusChanged,
                         [this](const QString& s) { run_.status = s; });
        QObject::connect(c, &FtpClient::commandSent,
                         [this](const QString& l) { run_.commands << l; });
        QObject::connect(c, &FtpClient::attemptStarted, [this](int a) { run_.attempts = a; });
        QObject::connect(c, &FtpClient::localFileError,
                         [this](const QString& e) { run_.fileErrors << e; });
        QObject::connect(c, &FtpClient::attemptFailed, [this](int, const QString& why) {
            if (run_.firstFailure.isEmpty())
                run_.firstFailure = why;
        });
        QObject::connect(c, &FtpClient::certificateRefused, [this](const QString& f, bool changed) {
            run_.refused = {f, changed};
        });
        QObject::connect(c, &FtpClient::progress, [this](qint64 sent, qint64 total) {
            run_.sent = sent;
            if (sent == total && run_.fullAfterMs < 0)
                run_.fullAfterMs = clock_.elapsed();
        });
    }

    FtpUploadRequest request(std::uint16_t port, const QByteArray& bytes, const QString& remote) {
        const QString local = dir_.filePath(u"temp.png"_s);
        writeFileBytes(local, bytes);
        return {u"127.0.0.1"_s, port, kUser, kPassword, local, remote};
    }

    // Uploads and waits for the end; the wait is bounded whatever the server does.
    UploadRun upload(const FtpUploadRequest& request, const FtpSecurity& security = {}) {
        run_ = {};
        clock_.start();
        EXPECT_TRUE(client_.TransfertFTP2(request, security));
        EXPECT_FALSE(client_.TransfertFTP2(request)); // one at a time
        EXPECT_TRUE(waitUntil([this] { return run_.outcome.has_value(); }, 60s)) << "no end";
        return run_;
    }

    QTemporaryDir dir_;
    FtpClient client_;
    UploadRun run_;
    QElapsedTimer clock_;
};

TEST_F(FtpClientTest, RealServerTakesTheFileUnderATemporaryNameThenRenames) {
    FtpTimeouts t; // the usual limits: pyftpdlib answers a wrong password after a delay
    t.pauseAfterRefusal = 20ms;
    client_.setTimeouts(t);
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(kUser, kPassword, &error)) << error.toStdString();
    ASSERT_TRUE(server.makeFolder(u"images/news"_s));
    const struct {
        QString remote, stored, password;
        qsizetype size;
        QString detail; // how a failure begins; empty for a success
    } cases[] = {
        {u"carte.png"_s, u"carte.png"_s, kPassword, 300 * 1024 + 17, {}},
        {u"images\\news\\suivi250312.png"_s, u"images/news/suivi250312.png"_s, kPassword, 5, {}},
        {u"vide.png"_s, u"vide.png"_s, kPassword, 0, {}},
        {u"a.png"_s, {}, u"wrong"_s, 1, u"530"_s},
        {u"absent/a.png"_s, {}, kPassword, 1, u"550"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.remote.toStdString());
        const QByteArray bytes = randomBytes(c.size);
        FtpUploadRequest r = request(server.port(), bytes, c.remote);
        r.password = c.password;
        const UploadRun run = upload(r);
        if (!c.detail.isEmpty()) {
            EXPECT_EQ(run.outcome, FtpOutcome::Failed);
            EXPECT_EQ(run.attempts, 1); // 5xx: no use trying again
            EXPECT_TRUE(run.detail.startsWith(c.detail)) << run.detail.toStdString();
            continue;
        }
        ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
        EXPECT_EQ(readFileBytes(server.path(c.stored)), bytes);
        EXPECT_EQ(run.sent, c.size);
        const QString temporary = run.commands.value(4).mid(5);
        const QString folder = c.stored.section(u'/', 0, -2);
        EXPECT_TRUE(
            QRegularExpression(u"^/%1/temp\\d+\\.dat$"_s.arg(folder)).match(temporary).hasMatch())
            << temporary.toStdString();
        EXPECT_EQ(run.commands,
                  QStringList({u"USER carto"_s, u"PASS ****"_s, u"TYPE I"_s, u"PASV"_s,
                               u"STOR "_s + temporary, u"RNFR "_s + temporary,
                               u"RNTO /"_s + c.stored, u"QUIT"_s}));
    }
    EXPECT_EQ(server.files(),
              QStringList({u"carte.png"_s, u"images/news/suivi250312.png"_s, u"vide.png"_s}));
}

TEST_F(FtpClientTest, ASlowServerIsGivenTheTimeItTakes) {
    LocalFtpServer server;
    server.readLimit = 300 * 1024;
    QString error;
    ASSERT_TRUE(server.start(kUser, kPassword, &error)) << error.toStdString();
    FtpTimeouts t;
    t.dataIdle = 5s; // the server reads in bursts two seconds apart
    client_.setTimeouts(t);
    const QByteArray bytes = randomBytes(1536 * 1024); // five seconds at that rate
    const UploadRun run = upload(request(server.port(), bytes, u"lent.png"_s));
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    EXPECT_EQ(readFileBytes(server.path(u"lent.png"_s)), bytes);
    // Progress follows what the server has taken, not what the local kernel has queued.
    EXPECT_GE(run.fullAfterMs, 2500);
}

TEST_F(FtpClientTest, ARealTlsServerIsTakenOnlyWithTheAcceptedFingerprint) {
    // pyftpdlib wants every data connection to resume the control connection's TLS session.
    const TestCertificate mine = makeCertificate(dir_.path(), u"moi"_s, u"IP:127.0.0.1"_s);
    const TestCertificate other = makeCertificate(dir_.path(), u"autre"_s, u"IP:127.0.0.1"_s);
    LocalFtpServer server;
    server.tlsCertificate = mine.pemPath;
    QString error;
    ASSERT_TRUE(server.start(kUser, kPassword, &error)) << error.toStdString();
    client_.setTimeouts({});
    // A success first: what was let through once must not be let through again unchecked.
    const std::pair<QString, QString> cases[] = {
        {mine.fingerprint.toLower().remove(u':'), {}},
        {other.fingerprint, u"l'empreinte du certificat du serveur a changé : "_s},
        {QString(), u"certificat du serveur non reconnu ("_s},
    };
    const QByteArray bytes = randomBytes(1024 * 1024 + 5);
    for (const auto& [accepted, detail] : cases) {
        SCOPED_TRACE(accepted.toStdString());
        const UploadRun run =
            upload(request(server.port(), bytes, u"carte.png"_s), {true, accepted});
        if (detail.isEmpty()) {
            ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
            EXPECT_EQ(run.commands.mid(0, 4),
                      QStringList({u"AUTH TLS"_s, u"PBSZ 0"_s, u"PROT P"_s, u"USER carto"_s}));
            EXPECT_EQ(readFileBytes(server.path(u"carte.png"_s)), bytes);
            ASSERT_TRUE(QFile::remove(server.path(u"carte.png"_s)));
            continue;
        }
        EXPECT_EQ(run.outcome, FtpOutcome::Failed);
        EXPECT_EQ(run.attempts, 1);
        EXPECT_TRUE(run.detail.startsWith(detail)) << run.detail.toStdString();
        EXPECT_TRUE(run.detail.contains(mine.fingerprint));
        EXPECT_EQ(run.refused, std::make_pair(mine.fingerprint, !accepted.isEmpty()));
        EXPECT_EQ(run.commands, QStringList{u"AUTH TLS"_s});
    }
    EXPECT_TRUE(server.files().isEmpty());
}

TEST_F(FtpClientTest, HostileServers) {
    const TestCertificate authority = makeCertificate(dir_.path(), u"Autorite"_s, {});
    const TestCertificate right =
        makeCertificate(dir_.path(), u"serveur"_s, u"IP:127.0.0.1"_s, &authority);
    const TestCertificate wrongName =
        makeCertificate(dir_.path(), u"ailleurs"_s, u"DNS:autre.test"_s, &authority);
    client_.setExtraCaCertificates({authority.certificate});
    using S = ScriptedFtpServer;
    // What the test does besides the server's quirks.
    constexpr int Tls = 1 << 8, Verify = 1 << 9, WrongName = 1 << 10, Closed = 1 << 11,
                  Cancel = 1 << 12;
    const auto ok = FtpOutcome::Succeeded, failed = FtpOutcome::Failed;
    const struct {
        const char* name;
        // Replaces the server's answer to a verb ("" the greeting, "DATA" the end of the data),
        // or, in lower case, a field of the request.
        const char *key, *value;
        int flags;
        qsizetype size;
        FtpOutcome outcome;
        int attempts;
        int sends; // how often the whole file reached the server
        // How the failure's detail begins ("$" at the end: the whole of it), or the first failed
        // attempt's reason before a success.
        QString detail;
    } cases[] = {
        {"no greeting", "", "", 0, 1, failed, 2, 0, u"pas de réponse du serveur$"_s},
        {"password refused", "PASS", "530 Login incorrect.\r\n", 0, 1, failed, 1, 0,
         u"530 Login incorrect.$"_s},
        {"multi-line replies byte by byte", "PASS", "230-Hi.\r\n230-Behave.\r\n230 logged\r\n",
         S::ByteByByte, 70000, ok, 1, 1, QString()},
        {"passive reply naming a foreign host", "", nullptr, S::ForeignPassive, 2000, ok, 1, 1,
         QString()},
        {"transfer not acknowledged (451)", "DATA", "451 Local error.\r\n", 0, 2000, failed, 2, 2,
         u"451 Local error.$"_s},
        {"permanent refusal after the data (552)", "DATA", "552 Exceeded storage.\r\n", 0, 2000,
         failed, 1, 1, u"552 Exceeded storage.$"_s},
        {"no acknowledgement", "DATA", "", 0, 2000, failed, 2, 2, u"pas de réponse du serveur"_s},
        {"no answer to STOR", "STOR", "", 0, 1, failed, 2, 0,
         u"pas de réponse du serveur (dernière réponse du serveur : 227 Entering Passive Mode"_s},
        {"rename refused (553)", "RNTO", "553 Name not allowed.\r\n", 0, 9, failed, 1, 1,
         u"553 Name not allowed.$"_s},
        {"control connection dropped mid-transfer", "", nullptr, S::DropControl, 3 << 20, failed, 2,
         0, QString()},
        {"data connection that never drains", "", nullptr, S::HoldData, 24 << 20, failed, 2, 0,
         u"la connexion de données ne prend plus rien (dernière réponse du serveur : 150 "
         "Ready.)$"_s},
        {"hangs up with a 421", "", nullptr, S::HangUp, 200000, ok, 2, 1,
         u"421 Timeout: closing control connection.$"_s},
        {"unreadable 227", "PASV", "227 Entering Passive Mode (sometime).\r\n", 0, 1, failed, 2, 0,
         u"réponse 227 illisible : 227 Entering Passive Mode (sometime).$"_s},
        {"nothing listens", "", nullptr, Closed, 1, failed, 2, 0, u"connexion impossible"_s},
        {"cancelled while waiting", "", "", Cancel, 1, FtpOutcome::Cancelled, 1, 0, QString()},
        {"local file missing", "local", "/nonexistent/absent.png", 0, 1, failed, 1, 0,
         u"problème chargement fichier : 1 Fichier introuvable 53$"_s},
        {"CR LF in the remote name", "remote", "a\r\nDELE b.png", 0, 1, failed, 0, 0,
         kControlCharacterMessage + u'$'},
        {"tab in the password", "password", "a\tb", 0, 1, failed, 0, 0,
         u"Le mot de passe ne doit pas contenir de caractères de contrôle !$"_s},
        {"LF in the user name", "user", "a\nPASS x", 0, 1, failed, 0, 0,
         u"Le nom d'utilisateur ne doit pas contenir"_s},
        {"LF in the host name", "host", "127.0.0.1\n", 0, 1, failed, 0, 0,
         u"Le nom du serveur ne doit pas contenir"_s},
        // Explicit FTPS: neither the user name nor the password may ever leave in clear.
        {"TLS: AUTH refused", "AUTH", "502 Not implemented.\r\n", Tls, 1, failed, 1, 0,
         u"le serveur refuse la connexion chiffrée (502 Not implemented.)$"_s},
        {"TLS: 234 but no handshake", "", nullptr, Tls | S::NoHandshake, 1, failed, 2, 0,
         u"la négociation TLS n'aboutit pas"_s},
        {"TLS: PROT P refused", "PROT", "534 Not supported.\r\n", Tls, 1, failed, 1, 0,
         u"le serveur refuse de chiffrer les données (534 Not supported.)$"_s},
        {"TLS: data in clear after PROT P", "", nullptr, Tls | S::PlainData, 200000, failed, 2, 0,
         u"connexion de données non chiffrée ou refusée ("_s},
        {"TLS: no handshake on the data connection", "", nullptr, Tls | S::HoldData, 1, failed, 2,
         0, u"pas de connexion de données"_s},
        {"TLS: certificate verified for the host", "", nullptr, Tls | Verify, 300000, ok, 1, 1,
         QString()},
        {"TLS: certificate for another host", "", nullptr, Tls | Verify | WrongName, 1, failed, 1,
         0, u"certificat du serveur non reconnu ("_s},
    };
    // Every attempt sends the bytes the file had when the upload began.
    QObject::connect(&client_, &FtpClient::attemptFailed, [this] {
        QFile::remove(dir_.filePath(u"temp.png"_s));
        writeFileBytes(dir_.filePath(u"temp.png"_s), "other");
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFtpServer server;
        server.quirks = c.flags & 0xff;
        server.certificate = (c.flags & WrongName ? wrongName : right).certificate;
        server.key = (c.flags & WrongName ? wrongName : right).key;
        ASSERT_TRUE(server.listen());
        const QByteArray bytes = randomBytes(c.size);
        FtpUploadRequest r =
            request(c.flags & Closed ? closedLocalPort() : server.port(), bytes, u"c.png"_s);
        QHash<QString, QString*> fields = {{u"host"_s, &r.host},
                                           {u"user"_s, &r.user},
                                           {u"password"_s, &r.password},
                                           {u"remote"_s, &r.remoteName},
                                           {u"local"_s, &r.localFile}};
        if (QString* field = fields.value(QString::fromUtf8(c.key)))
            *field = QString::fromUtf8(c.value);
        else if (c.value)
            server.replies[QString::fromUtf8(c.key)] = c.value;
        if (c.flags & Cancel)
            QTimer::singleShot(300ms, &client_, [this] { client_.cancel(); });
        const UploadRun run =
            upload(r, {(c.flags & Tls) != 0, c.flags & Verify ? QString() : right.fingerprint});
        runEventsFor(50ms);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(run.attempts, c.attempts);
        const bool fileError = c.detail.startsWith(u"problème");
        EXPECT_EQ(server.controlConnections, c.flags & Closed || fileError ? 0 : c.attempts);
        EXPECT_TRUE(c.sends ? server.data == bytes.repeated(c.sends) : !server.data.contains(bytes))
            << server.data.size() << " bytes";
        EXPECT_EQ(server.sawCommand(u"RNFR"_s), c.outcome == ok || c.detail.startsWith(u"553"));
        EXPECT_LE(server.commands.count(u"TYPE I"_s), c.attempts);
        const QString reason = c.outcome == ok ? run.firstFailure : run.detail;
        EXPECT_TRUE(c.detail.endsWith(u'$') ? reason == c.detail.chopped(1)
                                            : reason.startsWith(c.detail))
            << reason.toStdString();
        const QString statuses[] = {u"Envoyé"_s, u"Échec de l'envoi : "_s + run.detail,
                                    u"Envoi annulé"_s};
        EXPECT_EQ(run.status, statuses[static_cast<int>(c.outcome)]);
        EXPECT_EQ(run.fileErrors, fileError ? QStringList{run.detail} : QStringList());
        EXPECT_EQ(run.refused.has_value(), c.detail.startsWith(u"certificat"));
        const QStringList clearLogin =
            server.clearCommands.filter(QRegularExpression(u"^(USER|PASS)"_s));
        EXPECT_TRUE(!(c.flags & Tls) || clearLogin.isEmpty())
            << clearLogin.join(u'|').toStdString();
    }
}

} // namespace
