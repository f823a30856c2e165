#include "app/publish_panel.h"
#include "app/qt_ui_port.h"
#include "publish/publish_rules.h"
#include "publish/publisher.h"
#include "support/event_wait.h"
#include "support/fake_ui_port.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// The bottom panel of the main window, on the offscreen platform.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid() && QDir(root_.path()).mkpath(u"tmp"_s));
        qputenv("TMPDIR", QFile::encodeName(root_.filePath(u"tmp"_s))); // temp.png goes there
        qputenv("GRIVENDALE_PUBLISHER_FTP_HOST", "127.0.0.1"); // the publisher's, on loopback
        qputenv("GRIVENDALE_PUBLISHER_WEB_URL", "http://127.0.0.1:9/site");
        QWidget* h = &host_;
        w_ = {new QLineEdit(h),   new QLabel(h),      new QLabel(h),     new QPushButton(h),
              new QPushButton(h), new QPushButton(h), new QPushButton(h)};
        picture_.fill(qRgb(10, 120, 200));
    }
    void TearDown() override {
        qputenv("TMPDIR", tmpdir_);
        for (const char* name : {"GRIVENDALE_PUBLISHER_FTP_HOST", "GRIVENDALE_PUBLISHER_FTP_PORT",
                                 "GRIVENDALE_PUBLISHER_WEB_URL", "GRIVENDALE_IMAGE_SERVICE_URL"})
            qunsetenv(name);
    }

    void makePanel(std::int32_t mode, const QString& file, std::uint16_t port, bool tls = false,
                   const QString& user = u"moi"_s) {
        qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", QByteArray::number(port));
        // No colours; the own server's address, user and password; the name, the mode, TLS.
        const StartupSettings s{
            {}, u"127.0.0.1:%1"_s.arg(port), user, u"mon-mot"_s, file, mode, tls, {}};
        panel_ = std::make_unique<PublishPanel>(w_, ui_, settings_, root_.path(), s,
                                                [this] { return ++captures_, picture_; });
        QObject::connect(panel_.get(), &PublishPanel::publishFinished, [this] { ++finished_; });
    }

    void publishAndWait() {
        const int before = finished_;
        w_.Command2->click();
        ASSERT_TRUE(waitUntil([&] { return finished_ > before; }, 30s)) << "publish did not end";
    }

    const QByteArray tmpdir_ = qgetenv("TMPDIR");
    QTemporaryDir root_;
    QWidget host_;
    PublishPanelWidgets w_;
    FakeUiPort ui_;
    SettingsStore settings_{root_.filePath(u"settings"_s)};
    QImage picture_{6, 4, QImage::Format_RGB32};
    int captures_ = 0, finished_ = 0;
    std::unique_ptr<PublishPanel> panel_;
};

TEST_F(PanelTest, ButtonsRefusalsCancelAndLocalFailures) {
    ScriptedFtpServer server;
    server.replies[QString()].clear(); // never greets
    ASSERT_TRUE(server.listen());
    makePanel(0, u"ma-carte.png"_s, server.port());
    EXPECT_EQ(w_.Text1->text(), u"ma-carte.png"_s);
    w_.Command2->click();
    ASSERT_TRUE(waitUntil([&] { return server.controlConnections == 1; }));
    w_.Command2->click(); // now "Annuler"
    EXPECT_EQ(finished_, 1);
    EXPECT_EQ(w_.Label6->text(), u"Envoi annulé"_s);
    picture_ = QImage(); // an unwritable picture is not replaced by an old one
    publishAndWait();
    EXPECT_TRUE(w_.Label6->text().startsWith(u"Échec de l'envoi : impossible d'écrire"_s));
    EXPECT_EQ(server.controlConnections, 1);
    ASSERT_TRUE(panel_->client().TransfertFTP2({u"127.0.0.1"_s, 9, {}, {}, u"/absent.png"_s, {}}));
    ASSERT_TRUE(waitUntil([&] { return !panel_->client().isRunning(); }));
    EXPECT_EQ(panel_->errorLabel()->text(),
              u"problème chargement fichier : 1 Fichier introuvable 53"_s);
    EXPECT_FALSE(panel_->errorLabel()->isHidden());
    w_.CommSuivi->click();
    EXPECT_EQ(panel_->serverFile(), u"surveillance/suivi.png"_s);
    w_.CommNews->click();
    EXPECT_EQ(panel_->serverFile(), newsFileName(QDate::currentDate()));
    w_.Text1->setText(u"mon essai.png"_s);
    w_.Command2->click(); // refused before anything is captured
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kBlanksMessage);
    EXPECT_EQ(captures_, 2); // the cancelled publish and the unwritable picture
    // A click on the status copies it only when it is a link.
    for (const QString& status : {u"http://img.test/a.png"_s, u"Envoyé"_s}) {
        w_.Label6->setText(status);
        QTest::mouseClick(w_.Label6, Qt::LeftButton);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"http://img.test/a.png"_s);
    // The password is in a keyring that does not answer: the window says so, and keeps it.
    settings_.setSecretStore(std::make_shared<FakeKeyring>(false));
    settings_.SaveSetting(kMorvessinApp, kMorvessinApp, u"PassTrousseau"_s, u"1"_s);
    w_.Command10->click();
    UploadOptionsWindow* window = panel_->optionsWindow();
    ASSERT_TRUE(window && window->isVisible() && window->isModal());
    EXPECT_TRUE(window->findChild<QLabel*>(u"LabelTrousseau"_s)->isVisible());
    window->findChild<QRadioButton*>(u"Option2"_s)->setChecked(true);
    window->findChild<QPushButton*>(u"Command1"_s)->click();
    EXPECT_EQ(panel_->serverSettings().ServerMode, 1);
    EXPECT_EQ(readServerMode(settings_, 0), 1);
    EXPECT_TRUE(uploadPasswordInKeyring(settings_));
}

TEST_F(PanelTest, WhatEachDestinationShows) {
    LocalFtpServer first, second;
    ASSERT_EQ(first.start(u"grivendale"_s, builtInPassword(1)), "");
    ASSERT_EQ(second.start(u"grivendale"_s, builtInPassword(2)), "");
    ASSERT_TRUE(first.makeFolder(u"images/news"_s));
    ScriptedFtpServer service; // the image service, answering one GET a connection
    service.quirks = ScriptedFtpServer::OneReply;
    ASSERT_TRUE(service.listen());
    qputenv("GRIVENDALE_IMAGE_SERVICE_URL",
            "http://127.0.0.1:" + QByteArray::number(service.port()));
    // The mode, the server, what the image service answers, how the status begins.
    const std::tuple<std::int32_t, std::uint16_t, QByteArray, QString> cases[] = {
        {1, first.port(), {}, u"http://127.0.0.1:9/site/images/grivendale/images/news/s.png"_s},
        {2, second.port(), "[URL=http://img.test/k.png][IMG]t[/IMG][/URL]",
         u"http://img.test/k.png"_s},
        {2, second.port(), "<html>rien</html>", u"Envoyé"_s},
        {2, first.port(), "[URL=http://img.test/k.png][", u"Échec de l'envoi : 530"_s},
    };
    // The service is asked for the published picture, and not after a failed upload. (Under load
    // the network layer may send a request again on a new connection; the user never sees it.)
    const QString request = u"GET /image_envoi.php?source=grivendale&imageurl=http%3A%2F%2F127."
                            "0.0.1%3A9%2Fsite%2Fimages%2Fgrivendale%2Fcarte.png HTTP/1.1"_s;
    for (const auto& [mode, port, body, status] : cases) {
        SCOPED_TRACE(status.toStdString());
        makePanel(mode, mode == 1 ? u" images\\news\\s.png"_s : u"carte.png"_s, port, true);
        service.replies[u"GET"_s] = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body;
        service.commands.clear();
        publishAndWait();
        EXPECT_TRUE(w_.Label6->text().startsWith(status)) << w_.Label6->text().toStdString();
        EXPECT_EQ(!w_.Label12->isHidden(), status.startsWith(u"http")); // "OK" beside a fresh link
        EXPECT_EQ(service.commands.value(0),
                  mode == 2 && !status.startsWith(u"Échec") ? request : QString());
        EXPECT_EQ(service.commands.filter(request).size(), service.commands.size());
    }
}

TEST_F(PanelTest, OwnTlsServerTakesTheMapThroughAPrivateFolderOnceTheFingerprintIsAccepted) {
    const TestCertificate mine = makeCertificate(root_.path(), u"moi"_s, u"IP:127.0.0.1"_s);
    LocalFtpServer server;
    server.tlsCertificate = mine.pemPath;
    ASSERT_EQ(server.start(u"moi"_s, u"mon-mot"_s), "");
    makePanel(0, u"carte.png"_s, server.port(), true);
    // Another local user's trap: the old fixed name as a link to a file of the user's.
    const QString secret = root_.filePath(u"secret.ini"_s);
    writeFileBytes(secret, "Pass=mon-mot");
    ASSERT_TRUE(QFile::link(secret, root_.filePath(u"tmp/temp.png"_s)));
    const QString other = u"AB:"_s.repeated(31) + u"AB"_s, fp = mine.fingerprint;
    using enum UiPort::Icon;
    using enum UiPort::Answer;
    // "Non" keeps nothing; "Oui" keeps it for this server and the publish goes on; then it is
    // asked about no more; another certificate than the accepted one is refused with a warning.
    // Asked (None: not asked), answered, the fingerprint accepted after.
    const std::tuple<UiPort::Icon, UiPort::Answer, QString> cases[] = {
        {Question, No, {}}, {Question, Yes, fp}, {None, No, fp}, {Warning, No, other}};
    for (const auto& [question, answer, accepted] : cases) {
        if (question == Warning)
            saveAcceptedFingerprint(settings_, u"127.0.0.1"_s, server.port(), other);
        ui_.messages.clear();
        ui_.answers = {answer};
        w_.Command2->click();
        const QString folder = QFileInfo(w_.Label6->text().mid(7)).path(); // after "Envoie "
        EXPECT_TRUE(folder.startsWith(root_.filePath(u"tmp/grivendale-"_s)));
        EXPECT_EQ(QFileInfo(folder).permissions() & 0x00FF, 0); // the user's only
        ASSERT_TRUE(waitUntil([&] { return !panel_->isPublishing(); }, 30s));
        EXPECT_FALSE(QFileInfo::exists(folder)); // removed once done
        ASSERT_EQ(ui_.messages.size(), question == None ? 0u : 1u);
        for (const FakeUiPort::Message& m : ui_.messages) {
            EXPECT_EQ(m.icon, question);
            EXPECT_EQ(m.buttons, UiPort::Buttons::YesNoSafe); // Return answers "Non"
            EXPECT_TRUE(m.text.contains(mine.fingerprint));
            EXPECT_TRUE(m.text.contains(u"127.0.0.1:%1"_s.arg(server.port())));
        }
        EXPECT_EQ(readAcceptedFingerprint(settings_, u"127.0.0.1"_s, server.port()), accepted);
        const bool sent = question == None || answer == Yes;
        EXPECT_EQ(w_.Label6->text() == u"Envoyé"_s, sent);
        EXPECT_EQ(panel_->progressBar()->value() == 100, sent);
        EXPECT_EQ(QImage(server.path(u"carte.png"_s)).convertToFormat(picture_.format()) ==
                      picture_,
                  sent);
        QFile::remove(server.path(u"carte.png"_s));
    }
    EXPECT_EQ(readFileBytes(secret), QByteArray("Pass=mon-mot"));
}

TEST(QtUiPortTest, ReturnAnswersNonWhereTheSafeAnswerIsTheDefault) {
    QtUiPort ui(nullptr);
    QTimer::singleShot(0,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    EXPECT_EQ(ui.messageBox(u"?"_s, u"t"_s, UiPort::Icon::Warning, UiPort::Buttons::YesNoSafe),
              UiPort::Answer::No);
}

TEST_F(PanelTest, EveryPublishOfASessionReachesAStrictServerAndAFailedOneLeavesNoLitter) {
    const TestCertificate mine = makeCertificate(root_.path(), u"moi"_s, u"IP:127.0.0.1"_s);
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "TLS" : "plain");
        VsftpdServer server;
        if (const std::string why = server.start(tls ? mine.certificatePath : u""_s, mine.keyPath);
            !why.empty())
            GTEST_SKIP() << why;
        saveAcceptedFingerprint(settings_, u"127.0.0.1"_s, server.port(), mine.fingerprint);
        makePanel(0, u"cartes/carte.png"_s, server.port(), tls, u"ftp"_s);
        for (int run = 0; run < 2; ++run) {
            picture_.fill(qRgb(10, run, 200));
            publishAndWait();
            EXPECT_EQ(w_.Label6->text().toStdString(), "Envoyé");
            EXPECT_EQ(QImage(server.path(u"cartes/carte.png"_s)).convertToFormat(picture_.format()),
                      picture_);
        }
        ASSERT_TRUE(QDir().mkpath(server.path(u"cartes/dossier.png"_s)));
        w_.Text1->setText(u"cartes/dossier.png"_s);
        publishAndWait();
        EXPECT_TRUE(w_.Label6->text().startsWith(u"Échec de l'envoi : 550"_s));
        EXPECT_TRUE(waitUntil([&] {
            return QDir(server.path(u"cartes"_s)).entryList(QDir::Files) ==
                   QStringList{u"carte.png"_s};
        }));
    }
}

} // namespace
