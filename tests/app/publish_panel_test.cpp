#include "app/publish_panel.h"
#include "publish/publish_rules.h"
#include "publish/publisher.h"
#include "support/event_wait.h"
#include "support/fake_ui_port.h"
#include "support/local_ftp_server.h"
#include "support/scripted_servers.h"
#include "support/test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

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
        auto* grid = new QGridLayout(&host_);
        w_ = {new QLineEdit(&host_),   new QLabel(&host_),      new QLabel(&host_),
              new QPushButton(&host_), new QPushButton(&host_), new QPushButton(&host_),
              new QPushButton(&host_)};
        grid->addWidget(w_.Text1, 0, 0);
        grid->addWidget(w_.Label6, 1, 0);
        grid->addWidget(w_.Label12, 1, 1);
        picture_.fill(qRgb(10, 120, 200));
    }
    void TearDown() override {
        panel_.reset();
        for (const char* name : {"TMPDIR", "GRIVENDALE_PUBLISHER_FTP_HOST",
                                 "GRIVENDALE_PUBLISHER_FTP_PORT", "GRIVENDALE_IMAGE_SERVICE_URL"})
            qunsetenv(name);
    }

    void makePanel(std::int32_t mode, const QString& file, std::uint16_t port, bool tls = false) {
        StartupSettings s;
        s.ServerMode = mode;
        s.ServerFile = file;
        s.ServerFTP = u"127.0.0.1:%1"_s.arg(port);
        s.ServerLogin = u"moi"_s;
        s.ServerPass = u"mon-mot"_s;
        s.ServerTLS = tls;
        qputenv("GRIVENDALE_PUBLISHER_FTP_HOST", "127.0.0.1");
        qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", QByteArray::number(port));
        qputenv("GRIVENDALE_PUBLISHER_WEB_URL", "http://127.0.0.1:9/site");
        panel_ = std::make_unique<PublishPanel>(w_, ui_, settings_, root_.path(), s, [this] {
            ++captures_;
            return picture_;
        });
        FtpTimeouts t;
        t.pauseAfterRefusal = 20ms;
        panel_->client().setTimeouts(t);
        panel_->imageService().setTimeout(500ms);
        QObject::connect(panel_.get(), &PublishPanel::publishFinished, [this] { ++finished_; });
    }

    // Clicks "Envoyer" and waits for the publish to end.
    void publishAndWait() {
        const int before = finished_;
        w_.Command2->click();
        ASSERT_TRUE(waitUntil([&] { return finished_ > before; }, 30s)) << "publish did not end";
    }

    QTemporaryDir root_;
    QWidget host_;
    PublishPanelWidgets w_;
    FakeUiPort ui_;
    SettingsStore settings_{root_.filePath(u"settings"_s)};
    QImage picture_{6, 4, QImage::Format_RGB32};
    int captures_ = 0, finished_ = 0;
    std::unique_ptr<PublishPanel> panel_;
};

TEST_F(PanelTest, NameBoxButtonsAndTheStatusClick) {
    makePanel(0, u"ma-carte.png"_s, 9);
    EXPECT_EQ(w_.Text1->text(), u"ma-carte.png"_s);
    w_.CommSuivi->click();
    EXPECT_EQ(panel_->serverFile(), u"surveillance/suivi.png"_s);
    panel_->fillNewsName(QDate(2026, 1, 5));
    EXPECT_EQ(panel_->serverFile(), u"images/news/suivi260105.png"_s);
    w_.Text1->setText(u"mon essai.png"_s);
    w_.Command2->click(); // refused before anything is captured
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kBlanksMessage);
    EXPECT_EQ(ui_.messages[0].buttons, UiPort::Buttons::Ok);
    EXPECT_EQ(captures_, 0);
    EXPECT_FALSE(panel_->isPublishing());
    // A click on the status copies it only when it is a link.
    for (const QString& status : {u"http://img.test/a.png"_s, u"Envoyé"_s}) {
        w_.Label6->setText(status);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w_.Label6, &release);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"http://img.test/a.png"_s);
}

TEST_F(PanelTest, OwnServerGetsTheCapturedMapThroughAPrivateFolder) {
    LocalFtpServer server;
    QString error;
    ASSERT_TRUE(server.start(u"moi"_s, u"mon-mot"_s, &error)) << error.toStdString();
    makePanel(0, u"  carte.png"_s, server.port());
    // Another local user's trap: the old fixed name as a link to a file of the user's.
    const QString secret = root_.filePath(u"secret.ini"_s);
    writeFileBytes(secret, "Pass=mon-mot");
    ASSERT_TRUE(QFile::link(secret, root_.filePath(u"tmp/temp.png"_s)));
    int largest = -1;
    QObject::connect(panel_->progressBar(), &QProgressBar::valueChanged,
                     [&](int v) { largest = std::max(largest, v); });
    w_.Command2->click();
    EXPECT_EQ(w_.Command2->text(), u"Annuler"_s);
    const QString sent = w_.Label6->text().mid(7); // after "Envoie "
    EXPECT_TRUE(sent.startsWith(root_.filePath(u"tmp/grivendale-"_s))) << sent.toStdString();
    EXPECT_EQ(QFileInfo(QFileInfo(sent).path()).permissions() & 0x00FF, 0); // the user's only
    ASSERT_TRUE(waitUntil([&] { return finished_ == 1; }, 30s));
    EXPECT_EQ(w_.Label6->text(), u"Envoyé"_s);
    EXPECT_EQ(w_.Command2->text(), u"Envoyer"_s);
    EXPECT_EQ(largest, 100);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(sent).path())); // removed once sent
    EXPECT_EQ(readFileBytes(secret), QByteArray("Pass=mon-mot"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(readFileBytes(server.path(u"carte.png"_s)), "PNG"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture_);
}

TEST_F(PanelTest, WhatEachDestinationShows) {
    LocalFtpServer first, second;
    QString error;
    ASSERT_TRUE(first.start(u"grivendale"_s, builtInPassword(1), &error)) << error.toStdString();
    ASSERT_TRUE(second.start(u"grivendale"_s, builtInPassword(2), &error)) << error.toStdString();
    ASSERT_TRUE(first.makeFolder(u"images/news"_s));
    HttpStub stub;
    ASSERT_TRUE(stub.listen());
    qputenv("GRIVENDALE_IMAGE_SERVICE_URL", stub.url().toUtf8());
    const struct {
        std::int32_t mode;
        std::uint16_t port;
        QByteArray body; // the image service's answer
        QString status;
        bool ok; // Label12 beside a fresh link
    } cases[] = {
        {1, first.port(), QByteArray(),
         u"http://127.0.0.1:9/site/images/grivendale/images/news/s.png"_s, true},
        {2, second.port(), "[URL=http://img.test/k.png][IMG]t[/IMG][/URL]",
         u"http://img.test/k.png"_s, true},
        {2, second.port(), "<html>rien</html>", u"Envoyé"_s, false},
        {2, first.port(), "[URL=http://img.test/k.png][", u"Échec de l'envoi : 530"_s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        makePanel(c.mode, c.mode == 1 ? u" images\\news\\s.png"_s : u"carte.png"_s, c.port, true);
        stub.body = c.body;
        publishAndWait();
        EXPECT_TRUE(w_.Label6->text().startsWith(c.status)) << w_.Label6->text().toStdString();
        EXPECT_EQ(!w_.Label12->isHidden(), c.ok);
    }
    // Asked for the published picture, and not after a failed upload.
    const QString request = u"GET /image_envoi.php?source=grivendale&imageurl=http%3A%2F%2F127."
                            "0.0.1%3A9%2Fsite%2Fimages%2Fgrivendale%2Fcarte.png HTTP/1.1"_s;
    EXPECT_EQ(stub.requestLines, QStringList({request, request}));
}

TEST_F(PanelTest, CancelAFailedCaptureAndLocalFileErrors) {
    ScriptedFtpServer server;
    server.replies[QString()].clear(); // never greets
    ASSERT_TRUE(server.listen());
    makePanel(0, u"carte.png"_s, server.port());
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
}

TEST_F(PanelTest, ConfirmedOptionsChangeTheDestination) {
    makePanel(0, u"carte.png"_s, 9);
    w_.Command10->click();
    UploadOptionsWindow* window = panel_->optionsWindow();
    ASSERT_TRUE(window && window->isVisible() && window->isModal());
    window->findChild<QRadioButton*>(u"Option2"_s)->setChecked(true);
    window->findChild<QPushButton*>(u"Command1"_s)->click();
    EXPECT_EQ(panel_->serverSettings().ServerMode, 1);
    EXPECT_EQ(readServerMode(settings_, 0), 1);
}

TEST_F(PanelTest, AnUnverifiedCertificatePassesOnlyOnceTheUserAcceptsItsFingerprint) {
    const TestCertificate mine = makeCertificate(root_.path(), u"moi"_s, u"IP:127.0.0.1"_s);
    LocalFtpServer server;
    server.tlsCertificate = mine.pemPath;
    QString error;
    ASSERT_TRUE(server.start(u"moi"_s, u"mon-mot"_s, &error)) << error.toStdString();
    makePanel(0, u"carte.png"_s, server.port(), true);
    const QString other = u"AB:"_s.repeated(31) + u"AB"_s;
    // "Non" keeps nothing; "Oui" keeps it for this server and the publish goes on; the next
    // publish asks nothing; another certificate than the accepted one is refused with a warning.
    const struct {
        std::optional<UiPort::Answer> answer; // none: no question
        UiPort::Icon icon;
        QString accepted; // before, then after
        bool sent;
    } cases[] = {
        {UiPort::Answer::No, UiPort::Icon::Question, {}, false},
        {UiPort::Answer::Yes, UiPort::Icon::Question, mine.fingerprint, true},
        {std::nullopt, UiPort::Icon::Question, mine.fingerprint, true},
        {UiPort::Answer::No, UiPort::Icon::Warning, other, false},
    };
    for (const auto& c : cases) {
        if (c.icon == UiPort::Icon::Warning)
            saveAcceptedFingerprint(settings_, u"127.0.0.1"_s, server.port(), other);
        QFile::remove(server.path(u"carte.png"_s));
        ui_.messages.clear();
        ui_.answers = {c.answer.value_or(UiPort::Answer::No)};
        publishAndWait();
        ASSERT_EQ(ui_.messages.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(ui_.messages[0].icon, c.icon);
            EXPECT_TRUE(ui_.messages[0].text.contains(mine.fingerprint));
            EXPECT_TRUE(ui_.messages[0].text.contains(u"127.0.0.1:%1"_s.arg(server.port())));
        }
        EXPECT_EQ(readAcceptedFingerprint(settings_, u"127.0.0.1"_s, server.port()), c.accepted);
        EXPECT_EQ(server.files().size(), c.sent ? 1 : 0);
    }
}

} // namespace
