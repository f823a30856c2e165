#include "app/publish_panel.h"
#include "app/upload_options_window.h"
#include "document/settings_store.h"
#include "publish/publish_rules.h"
#include "publish/publisher.h"
#include "support/event_wait.h"
#include "support/fake_ui_port.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;

namespace {

const char* const kPublisherVariables[] = {
    "GRIVENDALE_PUBLISHER_FTP_HOST", "GRIVENDALE_PUBLISHER_FTP_PORT",
    "GRIVENDALE_PUBLISHER_WEB_URL", "GRIVENDALE_IMAGE_SERVICE_URL"};

// The bottom panel of the main window, as the window lays it out.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        // temp.png goes to the temporary folder: one of this test's own.
        ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("tmp")));
        savedTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(root_.filePath(QStringLiteral("tmp"))));

        auto* grid = new QGridLayout(&host_);
        w_.Text1 = new QLineEdit(&host_);
        w_.Label6 = new QLabel(&host_);
        w_.Label12 = new QLabel(&host_);
        w_.Command2 = new QPushButton(QStringLiteral("Envoyer"), &host_);
        w_.Command10 = new QPushButton(QStringLiteral("Options"), &host_);
        w_.CommNews = new QPushButton(QStringLiteral("News"), &host_);
        w_.CommSuivi = new QPushButton(QStringLiteral("Suivi"), &host_);
        grid->addWidget(new QLabel(QStringLiteral("Espace FTP/Hebergement :"), &host_), 0, 0, 1, 2);
        grid->addWidget(w_.Text1, 1, 1);
        grid->addWidget(w_.Command2, 1, 2);
        grid->addWidget(w_.Command10, 0, 2);
        grid->addWidget(w_.CommNews, 0, 3);
        grid->addWidget(w_.CommSuivi, 1, 3);
        grid->addWidget(w_.Label6, 2, 0, 1, 3);
        grid->addWidget(w_.Label12, 2, 3);
        picture_ = QImage(6, 4, QImage::Format_RGB32);
        picture_.fill(qRgb(10, 120, 200));
    }

    void TearDown() override {
        panel_.reset();
        for (const char* name : kPublisherVariables)
            qunsetenv(name);
        if (savedTmp_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmp_);
    }

    PublishPanel& makePanel(const StartupSettings& startup) {
        panel_ = std::make_unique<PublishPanel>(w_, ui_, settings_, root_.path(), startup, [this] {
            ++captures_;
            return picture_;
        });
        FtpTimeouts t;
        t.reply = 5s;
        t.pauseAfterNoConnection = t.pauseAfterRefusal = t.pauseAfterDataTimeout = 20ms;
        panel_->client().setTimeouts(t);
        panel_->client().setMaxAttempts(2);
        QObject::connect(panel_.get(), &PublishPanel::publishFinished, panel_.get(),
                         [this] { ++finished_; });
        return *panel_;
    }

    static StartupSettings startup(std::int32_t mode,
                                   const QString& file = QStringLiteral("carte.png"),
                                   const QString& server = {}) {
        StartupSettings s;
        s.ServerMode = mode;
        s.ServerFile = file;
        s.ServerFTP = server;
        s.ServerLogin = QStringLiteral("moi");
        s.ServerPass = QStringLiteral("mon-mot");
        return s;
    }

    // Clicks "Envoyer" and waits for the publish to end.
    void publishAndWait() {
        const int before = finished_;
        w_.Command2->click();
        ASSERT_TRUE(waitUntil([&] { return finished_ > before; }, 20s)) << "publish did not end";
    }

    void usePublisher(const LocalFtpServer& server) {
        qputenv("GRIVENDALE_PUBLISHER_FTP_HOST", "127.0.0.1");
        qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", QByteArray::number(server.port()));
        qputenv("GRIVENDALE_PUBLISHER_WEB_URL", "http://127.0.0.1:9/site");
    }

    QString temporaryPicture() const { return root_.filePath(QStringLiteral("tmp/temp.png")); }

    QTemporaryDir root_;
    QByteArray savedTmp_;
    QWidget host_;
    PublishPanelWidgets w_;
    FakeUiPort ui_;
    SettingsStore settings_{root_.filePath(QStringLiteral("settings"))};
    QImage picture_;
    int captures_ = 0;
    int finished_ = 0;
    std::unique_ptr<PublishPanel> panel_;
};

TEST_F(PanelTest, StartsWithTheStoredNameAndNoLink) {
    makePanel(startup(0, QStringLiteral("ma-carte.png")));
    EXPECT_EQ(w_.Text1->text(), QStringLiteral("ma-carte.png"));
    EXPECT_TRUE(w_.Label12->isHidden());
    EXPECT_EQ(w_.Label12->text(), QStringLiteral("OK"));
    ASSERT_TRUE(panel_->progressBar());
    EXPECT_TRUE(panel_->progressBar()->isHidden());
    ASSERT_TRUE(panel_->errorLabel());
    EXPECT_EQ(panel_->errorLabel()->objectName(), QStringLiteral("LabelErreurEnvoi"));
    EXPECT_TRUE(panel_->errorLabel()->isHidden());
}

TEST_F(PanelTest, NameChecksStopThePublishWithTheirMessage) {
    struct Case {
        QString name;
        QString message;
    };
    const Case cases[] = {
        {QString(), kEmptyOrNotPngMessage},
        {QStringLiteral("   "), kEmptyOrNotPngMessage},
        {QStringLiteral("essai.jpg"), kEmptyOrNotPngMessage},
        {QStringLiteral("mon essai.png"), kBlanksMessage},
        {QStringLiteral("essai.png "), kEmptyOrNotPngMessage},
        {QStringLiteral("essai\t.png"), kControlCharacterMessage},
    };
    makePanel(startup(0));
    w_.Label6->setText(QStringLiteral("avant"));
    for (const Case& c : cases) {
        ui_.messages.clear();
        w_.Text1->setText(c.name);
        w_.Command2->click();
        ASSERT_EQ(ui_.messages.size(), 1u) << c.name.toStdString();
        EXPECT_EQ(ui_.messages[0].text, c.message);
        EXPECT_EQ(ui_.messages[0].title, QStringLiteral("Grivendale"));
        EXPECT_EQ(ui_.messages[0].buttons, UiPort::Buttons::Ok);
    }
    EXPECT_EQ(captures_, 0);
    EXPECT_EQ(w_.Label6->text(), QStringLiteral("avant"));
    EXPECT_FALSE(panel_->isPublishing());
    EXPECT_FALSE(QFileInfo::exists(temporaryPicture()));
}

TEST_F(PanelTest, PresetNamesGoThroughTheNameBox) {
    makePanel(startup(0));
    w_.Text1->setText(QStringLiteral("autre.png"));
    EXPECT_EQ(panel_->serverFile(), QStringLiteral("autre.png"));
    panel_->fillNewsName(QDate(2026, 1, 5));
    EXPECT_EQ(w_.Text1->text(), QStringLiteral("images/news/suivi260105.png"));
    EXPECT_EQ(panel_->serverFile(), QStringLiteral("images/news/suivi260105.png"));
    w_.CommSuivi->click();
    EXPECT_EQ(panel_->serverFile(), QStringLiteral("surveillance/suivi.png"));
    w_.CommNews->click();
    EXPECT_EQ(panel_->serverFile(), newsFileName(QDate::currentDate()));
}

TEST_F(PanelTest, AClickOnTheStatusCopiesOnlyALink) {
    makePanel(startup(0));
    const auto click = [this] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w_.Label6, &press);
        QCoreApplication::sendEvent(w_.Label6, &release);
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("avant"));
    w_.Label6->setText(QStringLiteral("Envoyé"));
    click();
    EXPECT_EQ(clipboard->text(), QStringLiteral("avant"));
    w_.Label6->setText(QStringLiteral("http://img.test/a.png"));
    click();
    EXPECT_EQ(clipboard->text(), QStringLiteral("http://img.test/a.png"));
}

TEST_F(PanelTest, OwnServerGetsTheCapturedMap) {
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("moi"), QStringLiteral("mon-mot"), &error))
        << error.toStdString();
    makePanel(startup(0, QStringLiteral("  carte.png"),
                      QStringLiteral("127.0.0.1:%1").arg(server.port())));
    int largest = -1;
    bool barShown = false;
    QObject::connect(panel_->progressBar(), &QProgressBar::valueChanged, &host_, [&](int v) {
        largest = std::max(largest, v);
        barShown = barShown || !panel_->progressBar()->isHidden();
    });
    // Another local user's trap: the old fixed name as a link to a file of the user's.
    const QString secret = root_.filePath(QStringLiteral("secret.ini"));
    writeFileBytes(secret, "Pass=mon-mot");
    ASSERT_TRUE(QFile::link(secret, temporaryPicture()));
    w_.Label12->show();
    w_.Command2->click();
    EXPECT_TRUE(panel_->isPublishing());
    EXPECT_EQ(w_.Command2->text(), QStringLiteral("Annuler"));
    EXPECT_TRUE(w_.Label12->isHidden());
    const QString sent = w_.Label6->text().mid(QStringLiteral("Envoie ").size());
    EXPECT_TRUE(sent.startsWith(root_.filePath(QStringLiteral("tmp/grivendale-"))))
        << sent.toStdString();
    EXPECT_TRUE(sent.endsWith(QStringLiteral("/temp.png")));
    // Nobody but the user can reach the picture.
    EXPECT_EQ(QFileInfo(QFileInfo(sent).path()).permissions() & 0x00FF, 0);
    ASSERT_TRUE(waitUntil([&] { return finished_ == 1; }, 20s));

    EXPECT_EQ(w_.Label6->text(), QStringLiteral("Envoyé"));
    EXPECT_TRUE(w_.Label12->isHidden());
    EXPECT_EQ(w_.Command2->text(), QStringLiteral("Envoyer"));
    EXPECT_EQ(captures_, 1);
    EXPECT_EQ(largest, 100);
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(panel_->progressBar()->isHidden());
    EXPECT_EQ(server.files(), QStringList{QStringLiteral("carte.png")});
    const QByteArray uploaded = readFileBytes(server.path(QStringLiteral("carte.png")));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(sent).path())); // removed once sent
    EXPECT_EQ(readFileBytes(secret), QByteArray("Pass=mon-mot"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(uploaded, "PNG"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture_);
}

TEST_F(PanelTest, PublisherServerGivesThePublicLink) {
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("grivendale"), builtInPassword(1), &error))
        << error.toStdString();
    ASSERT_TRUE(server.makeFolder(QStringLiteral("images/news")));
    usePublisher(server);
    StartupSettings settings = startup(1, QStringLiteral("images\\news\\suivi250312.png"));
    settings.ServerTLS = true; // for the own server only
    makePanel(settings);
    publishAndWait();
    EXPECT_EQ(
        w_.Label6->text(),
        QStringLiteral("http://127.0.0.1:9/site/images/grivendale/images/news/suivi250312.png"));
    EXPECT_FALSE(w_.Label12->isHidden());
    EXPECT_EQ(server.files(), QStringList{QStringLiteral("images/news/suivi250312.png")});
}

TEST_F(PanelTest, ImageServiceLinkReplacesTheStatus) {
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("grivendale"), builtInPassword(2), &error))
        << error.toStdString();
    usePublisher(server);
    HttpStub stub;
    ASSERT_TRUE(stub.listen());
    qputenv("GRIVENDALE_IMAGE_SERVICE_URL", stub.url().toUtf8());
    makePanel(startup(2));
    panel_->imageService().setTimeout(500ms);

    struct Case {
        QByteArray body;
        bool answer;
        QString label6;
        bool label12;
    };
    const Case cases[] = {
        {"[URL=http://img.test/k.png][IMG]http://img.test/t.png[/IMG][/URL]", true,
         QStringLiteral("http://img.test/k.png"), true},
        {"[URL=http://img.test/1.png][IMG]a[/IMG][/URL][URL=http://img.test/2.png][IMG]b[/IMG]",
         true, QStringLiteral("http://img.test/1.png"), true},
        {"[URL=][IMG][/IMG][/URL]", true, QString(), true},
        {"<html>rien</html>", true, QStringLiteral("Envoyé"), false},
        {"", false, QStringLiteral("Envoyé"), false},
    };
    for (const Case& c : cases) {
        stub.body = c.body;
        stub.answer = c.answer;
        publishAndWait();
        EXPECT_EQ(w_.Label6->text(), c.label6) << c.body.toStdString();
        EXPECT_EQ(!w_.Label12->isHidden(), c.label12) << c.body.toStdString();
    }
    ASSERT_EQ(stub.requestLines.size(), 5);
    EXPECT_EQ(stub.requestLines[0],
              QStringLiteral("GET /image_envoi.php?source=grivendale&imageurl=http%3A%2F%2F127.0.0."
                             "1%3A9%2Fsite%2Fimages%2Fgrivendale%2Fcarte.png HTTP/1.1"));
    EXPECT_EQ(server.files(), QStringList{QStringLiteral("carte.png")});
}

TEST_F(PanelTest, AFailedUploadSkipsTheImageService) {
    ScriptedFtpServer server;
    server.replies[QStringLiteral("PASS")] = "530 Login incorrect.\r\n";
    ASSERT_TRUE(server.listen());
    qputenv("GRIVENDALE_PUBLISHER_FTP_HOST", "127.0.0.1");
    qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", QByteArray::number(server.port()));
    HttpStub stub;
    ASSERT_TRUE(stub.listen());
    qputenv("GRIVENDALE_IMAGE_SERVICE_URL", stub.url().toUtf8());
    makePanel(startup(2));
    publishAndWait();
    EXPECT_EQ(w_.Label6->text(), QStringLiteral("Échec de l'envoi : 530 Login incorrect."));
    EXPECT_TRUE(w_.Label12->isHidden());
    runEventsFor(100ms);
    EXPECT_TRUE(stub.requestLines.isEmpty());
}

TEST_F(PanelTest, EnvoyerCancelsARunningPublish) {
    ScriptedFtpServer server;
    server.greeting.clear();
    ASSERT_TRUE(server.listen());
    makePanel(
        startup(0, QStringLiteral("carte.png"), QStringLiteral("127.0.0.1:%1").arg(server.port())));
    w_.Command2->click();
    ASSERT_TRUE(waitUntil([&] { return server.controlConnections == 1; }, 5s));
    EXPECT_EQ(w_.Command2->text(), QStringLiteral("Annuler"));
    w_.Command2->click();
    EXPECT_EQ(finished_, 1);
    EXPECT_FALSE(panel_->isPublishing());
    EXPECT_EQ(w_.Label6->text(), QStringLiteral("Envoi annulé"));
    EXPECT_EQ(w_.Command2->text(), QStringLiteral("Envoyer"));
    // The editing controls stay usable throughout.
    EXPECT_TRUE(w_.Text1->isEnabled());
}

TEST_F(PanelTest, AnUnwritablePictureIsNotReplacedByAnOldOne) {
    makePanel(startup(0, QStringLiteral("carte.png"), QStringLiteral("127.0.0.1:9")));
    picture_ = QImage();
    publishAndWait();
    EXPECT_TRUE(
        w_.Label6->text().startsWith(QStringLiteral("Échec de l'envoi : impossible d'écrire")))
        << w_.Label6->text().toStdString();
    EXPECT_FALSE(panel_->isPublishing());
}

TEST_F(PanelTest, LocalFileErrorsHaveTheirOwnLabel) {
    makePanel(startup(0));
    const QString missing = root_.filePath(QStringLiteral("absent.png"));
    ASSERT_TRUE(panel_->client().TransfertFTP2(
        {QStringLiteral("127.0.0.1"), 9, {}, {}, missing, QStringLiteral("carte.png")}));
    ASSERT_TRUE(waitUntil([&] { return !panel_->client().isRunning(); }, 5s));
    const QString text = QStringLiteral("problème chargement fichier : 1 Fichier introuvable 53");
    EXPECT_EQ(panel_->errorLabel()->text(), text);
    EXPECT_FALSE(panel_->errorLabel()->isHidden());
    EXPECT_EQ(w_.Label6->text(), QStringLiteral("Échec de l'envoi : ") + text);
}

TEST_F(PanelTest, ConfirmedOptionsChangeTheDestination) {
    makePanel(startup(0));
    panel_->openOptions();
    UploadOptionsWindow* window = panel_->optionsWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isModal());
    window->findChild<QRadioButton*>(QStringLiteral("Option2"))->setChecked(true);
    window->findChild<QLineEdit*>(QStringLiteral("Text6"))->setText(QStringLiteral("ftp.moi.test"));
    window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    EXPECT_FALSE(window->isVisible());
    const UploadServerSettings s = panel_->serverSettings();
    EXPECT_EQ(s.ServerMode, 1);
    EXPECT_EQ(s.ServerFTP, QStringLiteral("ftp.moi.test"));
    EXPECT_EQ(readServerMode(settings_, 0), 1);

    // The same window comes back.
    w_.Command10->click();
    EXPECT_EQ(panel_->optionsWindow(), window);
    window->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    EXPECT_EQ(panel_->serverSettings().ServerMode, 1);
}

TEST_F(PanelTest, AnUnverifiedCertificatePassesOnlyOnceTheUserAcceptsItsFingerprint) {
    const TestCertificate certificate =
        makeCertificate(root_.path(), QStringLiteral("127.0.0.1"), QStringLiteral("IP:127.0.0.1"));
    LocalFtpServer server;
    server.tlsCertificate = certificate.pemPath;
    QString error;
    ASSERT_TRUE(server.start(QStringLiteral("moi"), QStringLiteral("mon-mot"), &error))
        << error.toStdString();
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.port());
    StartupSettings settings = startup(0, QStringLiteral("carte.png"), address);
    settings.ServerTLS = true;
    makePanel(settings);
    const auto accepted = [&] {
        return readAcceptedFingerprint(settings_, QStringLiteral("127.0.0.1"), server.port());
    };

    // "Non": nothing sent, nothing kept.
    ui_.answers = {UiPort::Answer::No};
    publishAndWait();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].icon, UiPort::Icon::Question);
    EXPECT_EQ(ui_.messages[0].buttons, UiPort::Buttons::YesNo);
    EXPECT_TRUE(ui_.messages[0].text.contains(certificate.fingerprint));
    EXPECT_TRUE(ui_.messages[0].text.contains(address));
    EXPECT_TRUE(w_.Label6->text().startsWith(
        QStringLiteral("Échec de l'envoi : certificat du serveur non reconnu")))
        << w_.Label6->text().toStdString();
    EXPECT_TRUE(accepted().isEmpty());
    EXPECT_TRUE(server.files().isEmpty());

    // "Oui": kept for this server, and the publish goes on; the next one asks nothing.
    for (int publish = 0; publish < 2; ++publish) {
        ui_.answers = {UiPort::Answer::Yes};
        publishAndWait();
        EXPECT_EQ(ui_.messages.size(), 2u);
        EXPECT_EQ(w_.Label6->text(), QStringLiteral("Envoyé"));
        EXPECT_EQ(accepted(), certificate.fingerprint);
        EXPECT_EQ(server.files(), QStringList{QStringLiteral("carte.png")});
    }

    // A certificate other than the accepted one is refused with a warning that says so; "Non"
    // keeps the accepted fingerprint.
    const QString other =
        makeCertificate(root_.path(), QStringLiteral("autre"), QStringLiteral("IP:127.0.0.1"))
            .fingerprint;
    saveAcceptedFingerprint(settings_, QStringLiteral("127.0.0.1"), server.port(), other);
    ASSERT_TRUE(QFile::remove(server.path(QStringLiteral("carte.png"))));
    ui_.answers = {UiPort::Answer::No};
    publishAndWait();
    ASSERT_EQ(ui_.messages.size(), 3u);
    EXPECT_EQ(ui_.messages[2].icon, UiPort::Icon::Warning);
    EXPECT_TRUE(ui_.messages[2].text.contains(QStringLiteral("a changé")));
    EXPECT_TRUE(ui_.messages[2].text.contains(other));
    EXPECT_TRUE(ui_.messages[2].text.contains(certificate.fingerprint));
    EXPECT_EQ(accepted(), other);
    EXPECT_TRUE(server.files().isEmpty());
    EXPECT_FALSE(panel_->isPublishing());
}

} // namespace
