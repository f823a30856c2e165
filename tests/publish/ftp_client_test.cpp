#include "publish/ftp_client.h"
#include "publish/ftp_reply.h"
#include "support/event_wait.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const QString kUser = u"carto"_s, kPassword = u"s3cret-pw"_s;

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes;
    for (QRandomGenerator generator(1234); bytes.size() < size;)
        bytes.append(static_cast<char>(generator.bounded(256)));
    return bytes;
}

struct UploadRun {
    std::optional<FtpOutcome> outcome;
    QString detail;
    QStringList commands, fileErrors, failures;      // failures: why each failed attempt failed
    std::optional<std::pair<QString, bool>> refused; // the certificate's fingerprint, changed
    int attempts = 0;
    qint64 sent = -1, fullAfterMs = -1; // when progress first reached the whole file
};

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        client_.setMaxAttempts(2);
    }

    FtpUploadRequest request(std::uint16_t port, const QByteArray& bytes, const QString& remote) {
        writeFileBytes(dir_.filePath(u"temp.png"_s), bytes);
        return {u"127.0.0.1"_s, port, kUser, kPassword, dir_.filePath(u"temp.png"_s), remote};
    }

    // Uploads and waits for the end; the wait is bounded whatever the server does.
    UploadRun upload(const FtpUploadRequest& request, const FtpSecurity& security = {}) {
        UploadRun r;
        QElapsedTimer clock;
        QObject context; // the connections go with it
        const auto on = [&](auto signal, auto slot) {
            QObject::connect(&client_, signal, &context, slot);
        };
        on(&FtpClient::finished,
           [&](FtpOutcome o, const QString& d) { r.outcome = o, r.detail = d; });
        on(&FtpClient::commandSent, [&](const QString& l) { r.commands << l; });
        on(&FtpClient::attemptStarted, [&](int a) { r.attempts = a; });
        on(&FtpClient::localFileError, [&](const QString& e) { r.fileErrors << e; });
        on(&FtpClient::attemptFailed, [&](int, const QString& w) { r.failures << w; });
        on(&FtpClient::certificateRefused, [&](const QString& f, bool c) { r.refused = {f, c}; });
        on(&FtpClient::progress, [&](qint64 sent, qint64 total) {
            if ((r.sent = sent) == total && r.fullAfterMs < 0)
                r.fullAfterMs = clock.elapsed();
        });
        clock.start();
        EXPECT_TRUE(client_.TransfertFTP2(request, security));
        EXPECT_FALSE(client_.TransfertFTP2(request)); // one at a time
        EXPECT_TRUE(waitUntil([&] { return r.outcome.has_value(); }, 60s)) << "no end";
        return r;
    }

    QTemporaryDir dir_;
    FtpClient client_;
};

TEST_F(FtpClientTest, RealServersTakeTheFileUnderATemporaryNameThenRename) {
    const TestCertificate mine = makeCertificate(dir_.path(), u"moi"_s, u"IP:127.0.0.1"_s);
    enum { Plain, Slow, Tls };
    LocalFtpServer servers[3];
    servers[Slow].readLimit = 300 * 1024; // in bursts two seconds apart
    servers[Tls].tlsCertificate = mine.pemPath;
    for (LocalFtpServer& server : servers)
        ASSERT_EQ(server.start(kUser, kPassword), "");
    ASSERT_TRUE(servers[Plain].makeFolder(u"images/news"_s));
    client_.setTimeouts({.dataIdle = 3s}); // a limit on silence: the slow server reads every 2 s
    // The server, the remote name, the size.
    const std::tuple<int, QString, qsizetype> cases[] = {
        {Plain, u"carte.png"_s, 300 * 1024 + 17},
        {Plain, u"images\\news\\suivi250312.png"_s, 5},
        {Plain, u"vide.png"_s, 0},
        // Five seconds at that rate: the client must neither give up nor count what only the
        // local kernel holds as sent.
        {Slow, u"lent.png"_s, 1536 * 1024},
        {Tls, u"carte.png"_s, 1024 * 1024 + 5},
    };
    for (const auto& [server, remote, size] : cases) {
        SCOPED_TRACE(remote.toStdString());
        const QByteArray bytes = randomBytes(size);
        const QStringList tls =
            server == Tls ? QStringList{u"AUTH TLS"_s, u"PBSZ 0"_s, u"PROT P"_s} : QStringList();
        // The fingerprint as a user may type it.
        const UploadRun run = upload(request(servers[server].port(), bytes, remote),
                                     {!tls.isEmpty(), mine.fingerprint.toLower().remove(u':')});
        ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
        const QString stored = QString(remote).replace(u'\\', u'/');
        EXPECT_EQ(readFileBytes(servers[server].path(stored)), bytes);
        EXPECT_EQ(run.sent, size);
        EXPECT_GE(run.fullAfterMs, server == Slow ? 2500 : 0);
        const QString temporary = run.commands.value(tls.size() + 4).mid(5);
        EXPECT_TRUE(temporary.contains(
            QRegularExpression(u"^/%1/temp\\d+\\.dat$"_s.arg(stored.section(u'/', 0, -2)))))
            << temporary.toStdString();
        EXPECT_EQ(run.commands,
                  tls + QStringList({u"USER carto"_s, u"PASS ****"_s, u"TYPE I"_s, u"PASV"_s,
                                     u"STOR "_s + temporary, u"RNFR "_s + temporary,
                                     u"RNTO /"_s + stored, u"QUIT"_s}));
    }
    // No temporary file left behind.
    EXPECT_EQ(servers[Plain].files(), QStringList({u"carte.png"_s, u"vide.png"_s}));
    EXPECT_EQ(servers[Plain].files(u"images/news"_s), QStringList{u"suivi250312.png"_s});
    EXPECT_EQ(servers[Tls].files(), QStringList{u"carte.png"_s});
}

TEST_F(FtpClientTest, HostileServers) {
    // Short limits, so that servers that never answer end a case in a second or two: connect,
    // reply, STOR, data idle, transfer end; the pauses after no connection, a refusal, a timeout.
    client_.setTimeouts({2s, 2s, 1s, 500ms, 1s, 20ms, 20ms, 20ms});
    const TestCertificate authority = makeCertificate(dir_.path(), u"Autorite"_s, {});
    const TestCertificate right =
        makeCertificate(dir_.path(), u"serveur"_s, u"IP:127.0.0.1"_s, &authority);
    const TestCertificate wrongName =
        makeCertificate(dir_.path(), u"ailleurs"_s, u"DNS:autre.test"_s, &authority);
    client_.setExtraCaCertificates({authority.certificate});
    using S = ScriptedFtpServer;
    // What the test does besides the server's quirks.
    constexpr int Tls = 1 << 9, Verify = 1 << 10, WrongName = 1 << 11, Closed = 1 << 12,
                  Cancel = 1 << 13;
    const auto ok = FtpOutcome::Succeeded, no = FtpOutcome::Failed;
    const struct {
        const char* name;
        int flags;
        qsizetype size;
        FtpOutcome outcome;
        int attempts, sends; // sends: how often the whole file reached the server
        // How the failure's detail begins ("$" at the end: the whole of it), or the first failed
        // attempt's reason before a success.
        const char* detail = "";
        // Replaces the server's answer to a verb ("" the greeting, "DATA" the end of the data),
        // or, in lower case, a field of the request.
        const char *key = "", *value = nullptr;
    } cases[] = {
        {"no greeting", 0, 1, no, 2, 0, "pas de réponse du serveur$", "", ""},
        {"password refused", 0, 1, no, 1, 0, "530 No.$", "PASS", "530 No."},
        {"multi-line reply", 0, 70000, ok, 1, 1, "", "PASS", "230-A\r\n230-B\r\n230 C"},
        {"227 naming a foreign host", S::ForeignPassive, 2000, ok, 1, 1},
        {"451 after the data", 0, 2000, no, 2, 2, "451 Local error.$", "DATA", "451 Local error."},
        {"no 226", 0, 2000, no, 2, 2, "pas de réponse du serveur", "DATA", ""},
        {"no answer to STOR", 0, 1, no, 2, 0,
         "pas de réponse du serveur (dernière réponse du serveur : 227 Entering Passive Mode",
         "STOR", ""},
        {"STOR refused", 0, 1, no, 1, 0, "550 No.$", "STOR", "550 No."},
        {"rename answered 200", 0, 9, no, 2, 2, "200 Fine.$", "RNTO", "200 Fine."},
        {"250 after the data", 0, 2000, no, 2, 2, "250 Fine.$", "DATA", "250 Fine."},
        {"data cut short, then 226", S::CutData, 3 << 20, no, 2, 0},
        {"control dropped mid-transfer", S::DropControl, 3 << 20, no, 2, 0},
        {"data never drains", S::HoldData, 24 << 20, no, 2, 0,
         "la connexion de données ne prend plus rien (dernière réponse du serveur : 150 Ready.)$"},
        {"hangs up with a 421", S::HangUp, 200000, ok, 2, 1, "421 Timeout.$"},
        {"unreadable 227", 0, 1, no, 2, 0, "réponse 227 illisible : 227 (x).$", "PASV", "227 (x)."},
        {"nothing listens", Closed, 1, no, 2, 0, "connexion impossible"},
        {"cancelled while waiting", Cancel, 1, FtpOutcome::Cancelled, 1, 0, "", "", ""},
        {"local file missing", 0, 1, no, 1, 0,
         "problème chargement fichier : 1 Fichier introuvable 53$", "local",
         "/nonexistent/absent.png"},
        {"CR LF in the remote name", 0, 1, no, 0, 0, "Le nom de fichier ne doit pas contenir de c",
         "remote", "a\r\nDELE b.png"},
        {"tab in the password", 0, 1, no, 0, 0, "Le mot de passe ne doit pas", "password", "a\tb"},
        {"LF in the user", 0, 1, no, 0, 0, "Le nom d'utilisateur ne doit pas", "user", "a\nPASS x"},
        {"LF in the host", 0, 1, no, 0, 0, "Le nom du serveur ne doit pas", "host", "127.0.0.1\n"},
        {"TLS: AUTH refused", Tls, 1, no, 1, 0,
         "le serveur refuse la connexion chiffrée (502 No.)$", "AUTH", "502 No."},
        {"TLS: half a reply in clear behind the 234", Tls, 1, ok, 1, 1, "", "AUTH",
         "234 Proceed.\r\n530-Not you"},
        {"TLS: 234 but no handshake", Tls | S::NoHandshake, 1, no, 2, 0,
         "la négociation TLS n'aboutit pas"},
        {"TLS: PROT P refused", Tls, 1, no, 1, 0,
         "le serveur refuse de chiffrer les données (534 No.)$", "PROT", "534 No."},
        {"TLS: data in clear after PROT P", Tls | S::PlainData, 200000, no, 2, 0,
         "connexion de données non chiffrée ou refusée ("},
        {"TLS: no data handshake", Tls | S::HoldData, 1, no, 2, 0, "pas de connexion de données"},
        {"TLS: verified for the host", Tls | Verify, 300000, ok, 1, 1},
        {"TLS: for another host", Tls | Verify | WrongName, 1, no, 1, 0,
         "certificat du serveur non reconnu ("},
    };
    // Every attempt sends the bytes the file had when the upload began.
    QObject::connect(&client_, &FtpClient::attemptFailed, [this] {
        QFile::remove(dir_.filePath(u"temp.png"_s));
        writeFileBytes(dir_.filePath(u"temp.png"_s), "other");
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString detail = QString::fromUtf8(c.detail);
        ScriptedFtpServer server;
        server.quirks = c.flags & 0x1ff;
        server.certificate = (c.flags & WrongName ? wrongName : right).certificate;
        server.key = (c.flags & WrongName ? wrongName : right).key;
        ASSERT_TRUE(server.listen());
        const QByteArray bytes = randomBytes(c.size);
        FtpUploadRequest r =
            request(c.flags & Closed ? closedLocalPort() : server.port(), bytes, u"c.png"_s);
        QString* fields[] = {&r.host, &r.user, &r.password, &r.remoteName, &r.localFile};
        const qsizetype field =
            QStringList{u"host"_s, u"user"_s, u"password"_s, u"remote"_s, u"local"_s}.indexOf(
                QString::fromUtf8(c.key));
        if (field >= 0)
            *fields[field] = QString::fromUtf8(c.value);
        else if (c.value)
            server.replies[QString::fromUtf8(c.key)] = c.value;
        if (c.flags & Cancel)
            QTimer::singleShot(300ms, &client_, [this] { client_.cancel(); });
        const UploadRun run =
            upload(r, {(c.flags & Tls) != 0, c.flags & Verify ? QString() : right.fingerprint});
        runEventsFor(50ms);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(run.attempts, c.attempts);
        const bool fileError = detail.startsWith(u"problème");
        EXPECT_EQ(server.controlConnections, c.flags & Closed || fileError
                                                 ? 0
                                                 : c.attempts + (c.flags & S::DropControl ? 1 : 0));
        EXPECT_TRUE(c.sends ? server.data == bytes.repeated(c.sends) : !server.data.contains(bytes))
            << server.data.size() << " bytes";
        EXPECT_EQ(!server.commands.filter(u"RNFR"_s).isEmpty(),
                  c.outcome == ok || QByteArray(c.key) == "RNTO");
        // Every temporary file taken and not renamed is deleted; a refused session ends with QUIT.
        QStringList left =
            server.commands.filter(u"STOR "_s).replaceInStrings(u"STOR"_s, u"DELE"_s);
        left.resize(server.replies[u"STOR"_s].startsWith('1') ? left.size() - (c.outcome == ok)
                                                              : 0);
        EXPECT_EQ(server.commands.filter(u"DELE "_s), left);
        EXPECT_TRUE(c.outcome == ok || !QByteArray("45").contains(c.detail[0]) ||
                    server.commands.count(u"QUIT"_s) == c.attempts);
        const QString reason = c.outcome == ok ? run.failures.value(0) : run.detail;
        EXPECT_TRUE(detail.endsWith(u'$') ? reason == detail.chopped(1)
                                          : detail.isEmpty() || reason.startsWith(detail))
            << reason.toStdString();
        EXPECT_EQ(run.fileErrors, fileError ? QStringList{run.detail} : QStringList());
        EXPECT_EQ(run.refused.has_value(), detail.startsWith(u"certificat"));
        // Explicit FTPS: neither the user name nor the password may ever leave in clear.
        EXPECT_TRUE(!(c.flags & Tls) ||
                    server.clearCommands.filter(QRegularExpression(u"^(USER|PASS)"_s)).isEmpty());
    }
}

TEST(FtpReplyParser, AnyCuttingGivesTheSameWholeRepliesAndEndlessTextIsRefused) {
    // A bare LF ends a line too; a line without a code outside a reply means nothing; inside a
    // multi-line reply, neither a line without a code nor its code with a '-' closes it.
    const QByteArray stream = "hello\r\n220-Hello\r\n220-\r\n  no code\r\n220 Ready\r\n331 Pass\n"
                              "150-a\r\n150-b\r\n150 c\r\n230\r\n227 (127,0,0,1,19,137)\r\n230 x";
    for (const qsizetype piece : {1, 2, 3, 7, 1000}) {
        FtpReplyParser parser;
        QList<std::pair<int, qsizetype>> replies,
            expected = {{220, 4}, {331, 1}, {150, 3}, {230, 1}, {227, 1}}; // code, lines
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            parser.feed(stream.mid(at, piece));
            while (const auto reply = parser.take())
                replies.append({reply->code, reply->lines.size()});
        }
        EXPECT_EQ(replies, expected) << piece;
    }
    // Endless text is refused, a line or a multi-line reply; a reset starts afresh.
    FtpReplyParser line;
    line.feed(QByteArray(FtpReplyParser::kMaxReplyBytes + 1, 'x'));
    EXPECT_TRUE(line.overflowed());
    FtpReplyParser multi;
    multi.feed("220-start\r\n");
    for (int i = 0; i < 10000 && !multi.overflowed(); ++i)
        multi.feed("220-more and more text to fill the reply\r\n");
    EXPECT_TRUE(multi.overflowed());
    multi.reset();
    multi.feed("200 ok\r\n");
    EXPECT_TRUE(multi.hasReply());
}

} // namespace
