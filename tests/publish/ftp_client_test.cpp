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

#include <chrono>
#include <optional>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;

namespace {

const QString kUser = QStringLiteral("carto");
const QString kPassword = QStringLiteral("s3cret-pw");

// Short limits, so that servers that never answer end a test in a second or two.
FtpTimeouts quickTimeouts() {
    FtpTimeouts t;
    t.connect = 2000ms;
    t.reply = 1500ms;
    t.storReply = 1000ms;
    t.dataIdle = 500ms;
    t.transferEnd = 1000ms;
    t.pauseAfterNoConnection = 20ms;
    t.pauseAfterRefusal = 20ms;
    t.pauseAfterDataTimeout = 20ms;
    return t;
}

// The usual limits, short pauses: for servers that do answer, however loaded the machine.
FtpTimeouts patientTimeouts() {
    FtpTimeouts t;
    t.pauseAfterNoConnection = 20ms;
    t.pauseAfterRefusal = 20ms;
    t.pauseAfterDataTimeout = 20ms;
    return t;
}

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
    QString detail;
    QStringList statuses;
    QStringList commands;
    QStringList failures;
    QStringList fileErrors;
    QStringList replies;
    std::optional<std::pair<QString, bool>> refusedCertificate; // fingerprint, changed
    int attempts = 0;
    qint64 sent = -1;
    qint64 total = -1;
    qint64 fullAfterMs = -1; // when progress first reached the total
};

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        client_.setTimeouts(quickTimeouts());
        QObject::connect(&client_, &FtpClient::finished, &client_,
                         [this](FtpOutcome outcome, const QString& detail) {
                             run_.outcome = outcome;
                             run_.detail = detail;
                         });
        QObject::connect(&client_, &FtpClient::statusChanged, &client_,
                         [this](const QString& s) { run_.statuses.append(s); });
        QObject::connect(&client_, &FtpClient::commandSent, &client_,
                         [this](const QString& c) { run_.commands.append(c); });
        QObject::connect(&client_, &FtpClient::attemptFailed, &client_,
                         [this](int, const QString& why) { run_.failures.append(why); });
        QObject::connect(&client_, &FtpClient::attemptStarted, &client_,
                         [this](int attempt, int) { run_.attempts = attempt; });
        QObject::connect(&client_, &FtpClient::localFileError, &client_,
                         [this](const QString& e) { run_.fileErrors.append(e); });
        QObject::connect(&client_, &FtpClient::replyReceived, &client_,
                         [this](const FtpReply& r) { run_.replies.append(r.text()); });
        QObject::connect(&client_, &FtpClient::certificateRefused, &client_,
                         [this](const QString& fingerprint, bool changed, const QString&) {
                             run_.refusedCertificate = {fingerprint, changed};
                         });
        QObject::connect(&client_, &FtpClient::progress, &client_, [this](qint64 s, qint64 t) {
            run_.sent = s;
            run_.total = t;
            if (s == t && run_.fullAfterMs < 0)
                run_.fullAfterMs = clock_.elapsed();
        });
    }

    QString localFile(const QByteArray& bytes, const QString& name = QStringLiteral("temp.png")) {
        const QString path = dir_.filePath(name);
        writeFileBytes(path, bytes);
        return path;
    }

    // Uploads and waits for the end; the wait is bounded whatever the server does.
    UploadRun upload(std::uint16_t port, const QString& local, const QString& remote,
                     const QString& password = kPassword, std::chrono::milliseconds limit = 20s) {
        run_ = {};
        clock_.start();
        EXPECT_TRUE(client_.TransfertFTP2(
            {QStringLiteral("127.0.0.1"), port, kUser, password, local, remote}, security_));
        EXPECT_TRUE(waitUntil([this] { return run_.outcome.has_value(); }, limit))
            << "the upload did not end";
        return run_;
    }

    QTemporaryDir dir_;
    FtpClient client_;
    FtpSecurity security_; // for every upload() of the test
    UploadRun run_;
    QElapsedTimer clock_;
};

// --- A real server ------------------------------------------------------------------------

class RealServerTest : public FtpClientTest {
protected:
    void SetUp() override {
        FtpClientTest::SetUp();
        client_.setTimeouts(patientTimeouts());
        QString error;
        ASSERT_TRUE(server_.start(kUser, kPassword, &error)) << error.toStdString();
    }
    LocalFtpServer server_;
};

TEST_F(RealServerTest, UploadsUnderATemporaryNameThenRenames) {
    struct Case {
        QString remote;   // as typed
        QString stored;   // where it ends up under the root
        QString tempPath; // the temporary name's pattern
    };
    const Case cases[] = {
        {QStringLiteral("carte.png"), QStringLiteral("carte.png"),
         QStringLiteral("^//temp\\d+\\.dat$")},
        {QStringLiteral("images\\news\\suivi250312.png"),
         QStringLiteral("images/news/suivi250312.png"),
         QStringLiteral("^/images/news/temp\\d+\\.dat$")},
    };
    ASSERT_TRUE(server_.makeFolder(QStringLiteral("images/news")));
    const QByteArray bytes = randomBytes(300 * 1024 + 17);
    const QString local = localFile(bytes);
    for (const Case& c : cases) {
        const UploadRun run = upload(server_.port(), local, c.remote);
        ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
        EXPECT_EQ(run.statuses.first(), QStringLiteral("Envoie ") + local);
        EXPECT_EQ(run.statuses.last(), QStringLiteral("Envoyé"));
        EXPECT_EQ(readFileBytes(server_.path(c.stored)), bytes);
        EXPECT_EQ(run.sent, bytes.size());
        EXPECT_EQ(run.total, bytes.size());

        const QStringList expectedStart = {QStringLiteral("USER carto"),
                                           QStringLiteral("PASS ****"), QStringLiteral("TYPE I"),
                                           QStringLiteral("PASV")};
        ASSERT_EQ(run.commands.size(), 8);
        EXPECT_EQ(run.commands.mid(0, 4), expectedStart);
        const QString temporary = client_.temporaryName();
        EXPECT_TRUE(QRegularExpression(c.tempPath).match(temporary).hasMatch())
            << temporary.toStdString();
        EXPECT_EQ(run.commands[4], QStringLiteral("STOR ") + temporary);
        EXPECT_EQ(run.commands[5], QStringLiteral("RNFR ") + temporary);
        EXPECT_EQ(run.commands[6], QStringLiteral("RNTO /") + c.stored);
        EXPECT_EQ(run.commands[7], QStringLiteral("QUIT"));
    }
    // Nothing left under a temporary name.
    EXPECT_EQ(server_.files(), QStringList({QStringLiteral("carte.png"),
                                            QStringLiteral("images/news/suivi250312.png")}));
}

TEST_F(RealServerTest, TheAttemptCounterRunsOnAcrossUploads) {
    const QString local = localFile(randomBytes(1000));
    EXPECT_EQ(client_.UploadCounter(), 0);
    ASSERT_EQ(upload(server_.port(), local, QStringLiteral("a.png")).outcome,
              FtpOutcome::Succeeded);
    EXPECT_EQ(client_.UploadCounter(), 1);
    ASSERT_EQ(upload(server_.port(), local, QStringLiteral("b.png")).outcome,
              FtpOutcome::Succeeded);
    EXPECT_EQ(client_.UploadCounter(), 2);
    // N = a random 0..999 plus the counter.
    const int n = client_.temporaryName().mid(6).chopped(4).toInt();
    EXPECT_GE(n, 2);
    EXPECT_LE(n, 1001);
    EXPECT_EQ(server_.files(), QStringList({QStringLiteral("a.png"), QStringLiteral("b.png")}));
    // The same name again replaces the file.
    const QByteArray other = randomBytes(10);
    ASSERT_EQ(
        upload(server_.port(), localFile(other, QStringLiteral("o.png")), QStringLiteral("a.png"))
            .outcome,
        FtpOutcome::Succeeded);
    EXPECT_EQ(readFileBytes(server_.path(QStringLiteral("a.png"))), other);
}

TEST_F(RealServerTest, AnEmptyFileIsUploadedToo) {
    ASSERT_EQ(upload(server_.port(), localFile({}), QStringLiteral("vide.png")).outcome,
              FtpOutcome::Succeeded);
    EXPECT_TRUE(QFileInfo::exists(server_.path(QStringLiteral("vide.png"))));
    EXPECT_EQ(QFileInfo(server_.path(QStringLiteral("vide.png"))).size(), 0);
}

TEST_F(RealServerTest, AWrongPasswordEndsAtOnceWithTheServersReply) {
    client_.setMaxAttempts(5);
    // pyftpdlib answers a failed login after a delay of its own (the usual limits allow it).
    const UploadRun run = upload(server_.port(), localFile("x"), QStringLiteral("carte.png"),
                                 QStringLiteral("wrong"));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_TRUE(run.statuses.last().startsWith(QStringLiteral("Échec de l'envoi : 530")))
        << run.statuses.last().toStdString();
    EXPECT_TRUE(server_.files().isEmpty());
}

TEST_F(RealServerTest, AMissingFolderIsAPermanentRefusal) {
    const UploadRun run =
        upload(server_.port(), localFile("x"), QStringLiteral("absent/carte.png"));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_TRUE(run.detail.startsWith(QStringLiteral("550"))) << run.detail.toStdString();
}

TEST_F(FtpClientTest, ASlowServerIsGivenTheTimeItTakes) {
    LocalFtpServer server;
    server.readLimit = 300 * 1024;
    QString error;
    ASSERT_TRUE(server.start(kUser, kPassword, &error)) << error.toStdString();
    FtpTimeouts timeouts = patientTimeouts();
    timeouts.dataIdle = 5s; // the server reads in bursts two seconds apart
    timeouts.transferEnd = 1s;
    client_.setTimeouts(timeouts);
    client_.setMaxAttempts(1);
    const QByteArray bytes = randomBytes(1536 * 1024); // five seconds at that rate
    const UploadRun run =
        upload(server.port(), localFile(bytes), QStringLiteral("lent.png"), kPassword, 30s);
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    EXPECT_EQ(readFileBytes(server.path(QStringLiteral("lent.png"))), bytes);
    // Progress follows what the server has taken, not what the local kernel has queued.
    EXPECT_GE(run.fullAfterMs, 2500);
}

// --- Refusals before anything is sent ------------------------------------------------------

TEST_F(FtpClientTest, AnUnreadableLocalFileIsReportedAndNothingIsSent) {
    ScriptedFtpServer server;
    ASSERT_TRUE(server.listen());
    const UploadRun run = upload(server.port(), dir_.filePath(QStringLiteral("absent.png")),
                                 QStringLiteral("carte.png"));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    ASSERT_EQ(run.fileErrors.size(), 1);
    EXPECT_EQ(run.fileErrors[0], QStringLiteral("problème chargement fichier : 1 Fichier "
                                                "introuvable 53"));
    EXPECT_EQ(run.statuses.last(), QStringLiteral("Échec de l'envoi : ") + run.fileErrors[0]);
    runEventsFor(50ms);
    EXPECT_EQ(server.controlConnections, 0);
}

TEST_F(FtpClientTest, ControlCharactersAreRefusedBeforeConnectingNamingTheField) {
    ScriptedFtpServer server;
    ASSERT_TRUE(server.listen());
    const QString local = localFile("x");
    const QString host = QStringLiteral("127.0.0.1");
    const QString bad = QStringLiteral("a\r\nDELE b.png");
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral(".png");
    const auto ending = QStringLiteral(" ne doit pas contenir de caractères de contrôle !");
    const struct {
        FtpUploadRequest request;
        QString message;
    } cases[] = {
        {{host, server.port(), kUser, kPassword, local, bad}, kControlCharacterMessage},
        {{host, server.port(), kUser, kPassword, local, nul}, kControlCharacterMessage},
        {{host, server.port(), kUser, bad, local, QStringLiteral("a.png")},
         QStringLiteral("Le mot de passe") + ending},
        {{host, server.port(), bad, kPassword, local, QStringLiteral("a.png")},
         QStringLiteral("Le nom d'utilisateur") + ending},
        {{host + QLatin1Char('\n'), server.port(), kUser, kPassword, local,
          QStringLiteral("a.png")},
         QStringLiteral("Le nom du serveur") + ending},
    };
    for (const auto& c : cases) {
        run_ = {};
        ASSERT_TRUE(client_.TransfertFTP2(c.request));
        ASSERT_TRUE(waitUntil([this] { return run_.outcome.has_value(); }, 5s));
        EXPECT_EQ(run_.outcome, FtpOutcome::Failed);
        EXPECT_EQ(run_.detail, c.message);
    }
    runEventsFor(50ms);
    EXPECT_EQ(server.controlConnections, 0);
}

TEST_F(FtpClientTest, AttemptsAreBoundedWhenNothingListens) {
    const std::uint16_t port = closedLocalPort();
    ASSERT_NE(port, 0);
    client_.setMaxAttempts(3);
    const UploadRun run = upload(port, localFile("x"), QStringLiteral("carte.png"));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 3);
    EXPECT_EQ(client_.UploadCounter(), 3);
    EXPECT_TRUE(run.detail.startsWith(QStringLiteral("connexion impossible")))
        << run.detail.toStdString();
}

TEST_F(FtpClientTest, ARunningUploadCanBeCancelled) {
    // Waiting for a greeting; with TLS, for a handshake that the server never begins.
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        ScriptedFtpServer server;
        if (tls)
            server.replies[QStringLiteral("AUTH")] = "234 Go ahead.\r\n";
        else
            server.greeting.clear();
        ASSERT_TRUE(server.listen());
        run_ = {};
        const FtpUploadRequest request{
            QStringLiteral("127.0.0.1"), server.port(), kUser, kPassword, localFile("x"),
            QStringLiteral("a.png")};
        ASSERT_TRUE(client_.TransfertFTP2(request, {tls, {}}));
        EXPECT_FALSE(client_.TransfertFTP2(request));
        ASSERT_TRUE(waitUntil(
            [&] {
                return server.controlConnections == 1 &&
                       (!tls || server.sawCommand(QStringLiteral("AUTH")));
            },
            5s));
        client_.cancel();
        EXPECT_EQ(run_.outcome, FtpOutcome::Cancelled);
        EXPECT_EQ(run_.statuses.last(), QStringLiteral("Envoi annulé"));
        EXPECT_FALSE(client_.isRunning());
        runEventsFor(100ms);
        EXPECT_EQ(server.controlConnections, 1);
        EXPECT_FALSE(server.sawCommand(QStringLiteral("USER")));
    }
}

// --- A hostile server -------------------------------------------------------------------

class HostileServerTest : public FtpClientTest {
protected:
    void SetUp() override {
        FtpClientTest::SetUp();
        ASSERT_TRUE(server_.listen());
        client_.setMaxAttempts(2);
    }
    UploadRun upload(const QByteArray& bytes) {
        bytes_ = bytes;
        QElapsedTimer clock;
        clock.start();
        UploadRun run =
            FtpClientTest::upload(server_.port(), localFile(bytes), QStringLiteral("c.png"));
        elapsedMs_ = clock.elapsed();
        return run;
    }
    ScriptedFtpServer server_;
    QByteArray bytes_;
    qint64 elapsedMs_ = 0;
};

TEST_F(HostileServerTest, NoGreeting) {
    server_.greeting.clear();
    const UploadRun run = upload("x");
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(server_.controlConnections, 2);
    EXPECT_TRUE(server_.commands.isEmpty());
    EXPECT_EQ(run.statuses.last(), QStringLiteral("Échec de l'envoi : pas de réponse du serveur"));
    EXPECT_LT(elapsedMs_, 10000);
}

TEST_F(HostileServerTest, RefusedPassword) {
    server_.replies[QStringLiteral("PASS")] = "530 Login incorrect.\r\n";
    const UploadRun run = upload("x");
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.statuses.last(), QStringLiteral("Échec de l'envoi : 530 Login incorrect."));
    EXPECT_FALSE(server_.sawCommand(QStringLiteral("TYPE")));
}

TEST_F(HostileServerTest, MultiLineWelcomeArrivingByteByByte) {
    client_.setTimeouts(patientTimeouts());
    server_.byteByByte = true;
    server_.replies[QStringLiteral("PASS")] =
        "230-You are welcome here.\r\n230-Please behave.\r\n230 user logged in\r\n";
    const UploadRun run = upload(randomBytes(5000));
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    EXPECT_EQ(server_.data, bytes_);
    // TYPE I went out only after the closing line, and once.
    EXPECT_EQ(server_.commands.count(QStringLiteral("TYPE I")), 1);
    EXPECT_EQ(server_.controlConnections, 1);
}

TEST_F(HostileServerTest, RepliesCutIntoSingleBytes) {
    client_.setTimeouts(patientTimeouts());
    server_.byteByByte = true;
    server_.greeting = "220-Hello\r\n220 Ready\r\n";
    const UploadRun run = upload(randomBytes(70000));
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    EXPECT_EQ(server_.data, bytes_);
    EXPECT_TRUE(waitUntil([this] { return server_.sawCommand(QStringLiteral("QUIT")); }, 5s));
}

TEST_F(HostileServerTest, APassiveReplyNamingAForeignHostIsNotFollowed) {
    client_.setTimeouts(patientTimeouts());
    server_.passiveHost = "203,0,113,9";
    const UploadRun run = upload(randomBytes(2000));
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    EXPECT_EQ(server_.dataConnections, 1);
    EXPECT_EQ(server_.data, bytes_);
}

TEST_F(HostileServerTest, AnUnacknowledgedTransferIsAFailure) {
    server_.endOfData = "451 Local error in processing.\r\n";
    // The path names another file before the second attempt, which still sends the first one.
    QObject::connect(&client_, &FtpClient::attemptFailed, &client_, [this] {
        QFile::remove(dir_.filePath(QStringLiteral("temp.png")));
        writeFileBytes(dir_.filePath(QStringLiteral("temp.png")), "other");
    });
    const UploadRun run = upload(randomBytes(2000));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 2); // 4xx: worth another try
    EXPECT_EQ(server_.data, bytes_ + bytes_);
    EXPECT_EQ(run.statuses.last(),
              QStringLiteral("Échec de l'envoi : 451 Local error in processing."));
    EXPECT_FALSE(run.statuses.contains(QStringLiteral("Envoyé ! ")));
    EXPECT_FALSE(server_.sawCommand(QStringLiteral("RNFR")));
}

TEST_F(HostileServerTest, APermanentRefusalAfterTheDataIsNotRetried) {
    server_.endOfData = "552 Exceeded storage allocation.\r\n";
    const UploadRun run = upload(randomBytes(2000));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_FALSE(server_.sawCommand(QStringLiteral("RNFR")));
}

TEST_F(HostileServerTest, NoAcknowledgementAtAll) {
    server_.endOfData.clear();
    const UploadRun run = upload(randomBytes(2000));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 2);
    EXPECT_FALSE(server_.sawCommand(QStringLiteral("RNFR")));
    EXPECT_LT(elapsedMs_, 10000);
}

TEST_F(HostileServerTest, NoAnswerToStor) {
    server_.replies[QStringLiteral("STOR")] = QByteArray();
    const UploadRun run = upload("x");
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 2);
    EXPECT_TRUE(run.statuses.last().startsWith(
        QStringLiteral("Échec de l'envoi : pas de réponse du serveur (dernière réponse du serveur "
                       ": 227 Entering Passive Mode")))
        << run.statuses.last().toStdString();
    EXPECT_LT(elapsedMs_, 10000);
}

TEST_F(HostileServerTest, AnUnreadablePassiveReplyIsQuotedOnce) {
    server_.replies[QStringLiteral("PASV")] = "227 Entering Passive Mode (sometime).\r\n";
    client_.setMaxAttempts(1);
    const UploadRun run = upload("x");
    EXPECT_EQ(run.detail,
              QStringLiteral("réponse 227 illisible : 227 Entering Passive Mode (sometime)."));
}

TEST_F(HostileServerTest, AServerThatHangsUpSaysWhy) {
    // The data connection closes first, the farewell follows a moment later.
    server_.farewellOnData = "421 Timeout: closing control connection.\r\n";
    const UploadRun run = upload(randomBytes(200000));
    ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
    ASSERT_EQ(run.failures.size(), 1);
    EXPECT_EQ(run.failures[0], QStringLiteral("421 Timeout: closing control connection."));
    EXPECT_EQ(server_.data.right(bytes_.size()), bytes_);
}

TEST_F(HostileServerTest, ControlConnectionDroppedMidTransfer) {
    server_.dropControlOnData = true;
    const UploadRun run = upload(randomBytes(3 * 1024 * 1024));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(server_.controlConnections, 2);
    EXPECT_TRUE(run.statuses.last().startsWith(QStringLiteral("Échec de l'envoi : ")));
    EXPECT_FALSE(server_.sawCommand(QStringLiteral("RNFR")));
    EXPECT_LT(elapsedMs_, 10000);
}

TEST_F(HostileServerTest, ADataConnectionThatNeverDrains) {
    server_.holdData = true;
    client_.setMaxAttempts(1);
    // More than the kernel buffers of both ends hold.
    const UploadRun run = upload(randomBytes(24 * 1024 * 1024));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(server_.heldDataConnections(), 1);
    EXPECT_EQ(run.detail, QStringLiteral("la connexion de données ne prend plus rien (dernière "
                                         "réponse du serveur : 150 Ready.)"));
    EXPECT_GT(run.sent, 0);
    EXPECT_LT(run.sent, run.total);
    EXPECT_LT(elapsedMs_, 15000);
}

// --- Explicit FTPS ------------------------------------------------------------------------

TEST(Fingerprints, AreReadInAnyCaseWithOrWithoutSeparators) {
    const QString canonical =
        QStringLiteral("AB:") + QStringLiteral("01:").repeated(30) + QStringLiteral("EF");
    const struct {
        QString text;
        std::optional<QString> expected;
    } cases[] = {
        {canonical, canonical},
        {canonical.toLower().remove(QLatin1Char(':')), canonical},
        {QStringLiteral(" ab 01") + QStringLiteral(":01").repeated(29) + QStringLiteral(" ef"),
         canonical},
        {canonical.chopped(3), std::nullopt},                        // 31 bytes
        {canonical.chopped(2) + QStringLiteral("EG"), std::nullopt}, // not hex
        {QString(), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalizedFingerprint(c.text), c.expected) << c.text.toStdString();
}

const QStringList kTlsStart = {QStringLiteral("AUTH TLS"),  QStringLiteral("PBSZ 0"),
                               QStringLiteral("PROT P"),    QStringLiteral("USER carto"),
                               QStringLiteral("PASS ****"), QStringLiteral("TYPE I"),
                               QStringLiteral("PASV")};

TEST_F(RealServerTest, APlainServerRefusingAuthHearsNeitherUserNorPassword) {
    security_.tls = true;
    client_.setMaxAttempts(3);
    const UploadRun run = upload(server_.port(), localFile("x"), QStringLiteral("carte.png"));
    EXPECT_EQ(run.outcome, FtpOutcome::Failed);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_TRUE(
        run.detail.startsWith(QStringLiteral("le serveur refuse la connexion chiffrée (500")))
        << run.detail.toStdString();
    EXPECT_EQ(run.commands, QStringList{QStringLiteral("AUTH TLS")});
}

// pyftpdlib in explicit FTPS only, with a self-signed certificate, and requiring that every
// data connection resume the control connection's TLS session, as vsftpd does.
class RealTlsServerTest : public FtpClientTest {
protected:
    void SetUp() override {
        FtpClientTest::SetUp();
        client_.setTimeouts(patientTimeouts());
        certificate_ = makeCertificate(dir_.path(), QStringLiteral("127.0.0.1"),
                                       QStringLiteral("IP:127.0.0.1"));
        ASSERT_FALSE(certificate_.certificate.isNull());
        server_.tlsCertificate = certificate_.pemPath;
        QString error;
        ASSERT_TRUE(server_.start(kUser, kPassword, &error)) << error.toStdString();
        security_.tls = true;
    }
    TestCertificate certificate_;
    LocalFtpServer server_;
};

TEST_F(RealTlsServerTest, ASelfSignedCertificatePassesOnlyWithItsAcceptedFingerprint) {
    const QString other =
        makeCertificate(dir_.path(), QStringLiteral("autre"), QStringLiteral("IP:127.0.0.1"))
            .fingerprint;
    const QByteArray bytes = randomBytes(1024 * 1024 + 5);
    const QString local = localFile(bytes);
    client_.setMaxAttempts(3);
    // A success first: what was let through once must not be let through again unchecked.
    const struct {
        QString accepted;
        QString remote;
        bool succeeds;
        bool changed;
        QString detailStart;
    } cases[] = {
        {certificate_.fingerprint.toLower(), QStringLiteral("carte.png"), true, false, QString()},
        {other, QStringLiteral("b.png"), false, true,
         QStringLiteral("l'empreinte du certificat du serveur a changé : ")},
        {QString(), QStringLiteral("c.png"), false, false,
         QStringLiteral("certificat du serveur non reconnu (")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.accepted.toStdString());
        security_.acceptedFingerprint = c.accepted;
        const UploadRun run = upload(server_.port(), local, c.remote);
        if (!c.succeeds) {
            EXPECT_EQ(run.outcome, FtpOutcome::Failed);
            EXPECT_EQ(run.attempts, 1);
            EXPECT_TRUE(run.detail.startsWith(c.detailStart)) << run.detail.toStdString();
            EXPECT_TRUE(run.detail.contains(certificate_.fingerprint)) << run.detail.toStdString();
            ASSERT_TRUE(run.refusedCertificate);
            EXPECT_EQ(run.refusedCertificate->first, certificate_.fingerprint);
            EXPECT_EQ(run.refusedCertificate->second, c.changed);
            EXPECT_EQ(run.commands, QStringList{QStringLiteral("AUTH TLS")});
            continue;
        }
        ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
        EXPECT_FALSE(run.refusedCertificate);
        ASSERT_EQ(run.commands.size(), 11);
        EXPECT_EQ(run.commands.mid(0, 7), kTlsStart);
        EXPECT_EQ(readFileBytes(server_.path(QStringLiteral("carte.png"))), bytes);
        EXPECT_EQ(run.sent, bytes.size());
    }
    EXPECT_EQ(server_.files(), QStringList{QStringLiteral("carte.png")});
}

class TlsServerTest : public FtpClientTest {
protected:
    void SetUp() override {
        FtpClientTest::SetUp();
        client_.setMaxAttempts(2);
        authority_ = makeCertificate(dir_.path(), QStringLiteral("Autorite"), QString());
        security_.tls = true;
    }
    // Serves with a certificate the tests' authority signed for `altName`.
    void serveAs(ScriptedFtpServer& server, const QString& altName) {
        const TestCertificate c =
            makeCertificate(dir_.path(), QStringLiteral("serveur"), altName, &authority_);
        server.certificate = c.certificate;
        server.key = c.key;
        fingerprint_ = c.fingerprint;
    }
    TestCertificate authority_;
    QString fingerprint_;
};

TEST_F(TlsServerTest, TheCertificateMustVerifyForTheHostItWasAskedFor) {
    client_.setTimeouts(patientTimeouts());
    client_.setExtraCaCertificates({authority_.certificate});
    const QByteArray bytes = randomBytes(300000);
    for (const bool rightName : {true, false}) {
        SCOPED_TRACE(rightName ? "127.0.0.1" : "autre.test");
        ScriptedFtpServer server;
        serveAs(server,
                rightName ? QStringLiteral("IP:127.0.0.1") : QStringLiteral("DNS:autre.test"));
        ASSERT_TRUE(server.listen());
        const UploadRun run = upload(server.port(), localFile(bytes), QStringLiteral("c.png"));
        EXPECT_EQ(server.clearCommands, QStringList{QStringLiteral("AUTH TLS")});
        if (rightName) {
            ASSERT_EQ(run.outcome, FtpOutcome::Succeeded) << run.detail.toStdString();
            EXPECT_EQ(server.data, bytes);
            // Sent, but encrypted: clearCommands holds only AUTH TLS.
            const QStringList login = {QStringLiteral("USER carto"),
                                       QStringLiteral("PASS ") + kPassword};
            EXPECT_EQ(server.commands.mid(3, 2), login);
        } else {
            EXPECT_EQ(run.outcome, FtpOutcome::Failed);
            EXPECT_EQ(run.attempts, 1);
            ASSERT_TRUE(run.refusedCertificate);
            EXPECT_EQ(run.refusedCertificate->first, fingerprint_);
            EXPECT_TRUE(run.detail.contains(fingerprint_)) << run.detail.toStdString();
            EXPECT_EQ(server.commands, QStringList{QStringLiteral("AUTH TLS")});
        }
    }
}

TEST_F(TlsServerTest, HostileServers) {
    const QByteArray bytes = randomBytes(200000);
    // What gets through to the server, encrypted.
    enum class Reach { Nothing, Login, File };
    struct Case {
        const char* name;
        std::function<void(ScriptedFtpServer&)> setUp;
        FtpOutcome outcome;
        int attempts;
        QString detailStart;
        Reach reach;
    };
    const Case cases[] = {
        {"refuses AUTH", [](ScriptedFtpServer&) {}, FtpOutcome::Failed, 1,
         QStringLiteral("le serveur refuse la connexion chiffrée (502 Not implemented.)"),
         Reach::Nothing},
        {"says 234 but never negotiates",
         [](ScriptedFtpServer& s) { s.replies[QStringLiteral("AUTH")] = "234 Go ahead.\r\n"; },
         FtpOutcome::Failed, 2, QStringLiteral("la négociation TLS n'aboutit pas"), Reach::Nothing},
        {"forges a reply in clear after the 234",
         [](ScriptedFtpServer& s) { s.afterAuth = "200 Forged.\r\n"; }, FtpOutcome::Succeeded, 1,
         QString(), Reach::File},
        {"refuses PROT P",
         [](ScriptedFtpServer& s) {
             s.replies[QStringLiteral("PROT")] = "534 Protection level not supported.\r\n";
         },
         FtpOutcome::Failed, 1,
         QStringLiteral("le serveur refuse de chiffrer les données (534 Protection"),
         Reach::Nothing},
        {"serves data in clear after PROT P",
         [](ScriptedFtpServer& s) { s.plainDataDespiteProt = true; }, FtpOutcome::Failed, 2,
         QStringLiteral("connexion de données non chiffrée ou refusée ("), Reach::Login},
        {"never negotiates on the data connection", [](ScriptedFtpServer& s) { s.holdData = true; },
         FtpOutcome::Failed, 2, QStringLiteral("pas de connexion de données"), Reach::Login},
        {"refuses the name for good",
         [](ScriptedFtpServer& s) {
             s.replies[QStringLiteral("RNTO")] = "553 Name not allowed.\r\n";
         },
         FtpOutcome::Failed, 1, QStringLiteral("553 Name not allowed."), Reach::File},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFtpServer server;
        if (c.name != cases[0].name)
            serveAs(server, QStringLiteral("IP:127.0.0.1"));
        c.setUp(server);
        ASSERT_TRUE(server.listen());
        security_.acceptedFingerprint = fingerprint_;
        QElapsedTimer clock;
        clock.start();
        const UploadRun run = upload(server.port(), localFile(bytes), QStringLiteral("c.png"));
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(run.attempts, c.attempts);
        EXPECT_TRUE(run.detail.startsWith(c.detailStart)) << run.detail.toStdString();
        // Neither the user name nor the password in clear, whatever the server does.
        for (const QString& command : server.clearCommands) {
            EXPECT_FALSE(command.startsWith(QLatin1String("USER")) ||
                         command.startsWith(QLatin1String("PASS")));
        }
        EXPECT_FALSE(run.replies.contains(QStringLiteral("200 Forged.")));
        EXPECT_EQ(server.sawCommand(QStringLiteral("USER")), c.reach != Reach::Nothing);
        EXPECT_EQ(server.data.contains(bytes), c.reach == Reach::File);
        if (c.attempts > 1) { // retried, never renamed
            EXPECT_FALSE(server.sawCommand(QStringLiteral("RNFR")));
        }
    }
}

} // namespace
