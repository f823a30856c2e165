#include "app/publish_panel.h"

#include "editor/ui_port.h"
#include "imaging/folders.h"
#include "imaging/image_io.h"
#include "publish/publish_rules.h"
#include "publish/publisher.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include <cerrno>
#include <utility>

namespace grivendale {

PublishPanel::PublishPanel(const PublishPanelWidgets& widgets, UiPort& ui, SettingsStore& settings,
                           QString programFolder, const StartupSettings& startup,
                           std::function<QImage()> captureMap, QObject* parent)
    : QObject(parent), Text1(widgets.Text1), Label6(widgets.Label6), Label12(widgets.Label12),
      Command2(widgets.Command2), Command10(widgets.Command10), CommNews(widgets.CommNews),
      CommSuivi(widgets.CommSuivi), ui_(ui), settings_(settings),
      programFolder_(std::move(programFolder)), captureMap_(std::move(captureMap)),
      ServerFTP(startup.ServerFTP), ServerLogin(startup.ServerLogin),
      ServerPass(startup.ServerPass), ServerFile(startup.ServerFile),
      ServerMode(startup.ServerMode), ServerTLS(startup.ServerTLS) {
    moveUploadPasswordToKeyring(settings_);
    // Server replies end up in the status box: never let them be read as markup.
    Label6->setTextFormat(Qt::PlainText);
    Label6->installEventFilter(this);
    if (Label12->text().isEmpty())
        Label12->setText(QStringLiteral("OK"));
    Label12->hide();
    addStatusWidgets();

    if (Text1->text() != ServerFile)
        Text1->setText(ServerFile);
    connect(Text1, &QLineEdit::textChanged, this,
            [this](const QString& text) { ServerFile = text; });
    connect(Command2, &QPushButton::clicked, this, &PublishPanel::publish);
    connect(Command10, &QPushButton::clicked, this, &PublishPanel::openOptions);
    connect(CommNews, &QPushButton::clicked, this, [this] { fillNewsName(); });
    connect(CommSuivi, &QPushButton::clicked, this, &PublishPanel::fillFollowName);

    connect(&client_, &FtpClient::statusChanged, this, &PublishPanel::setStatus);
    connect(&client_, &FtpClient::progress, this, [this](qint64 sent, qint64 total) {
        if (!progressBar_)
            return;
        progressBar_->setValue(total > 0 ? static_cast<int>(sent * 100 / total) : 100);
        progressBar_->show();
    });
    connect(&client_, &FtpClient::localFileError, this, [this](const QString& text) {
        if (!errorLabel_)
            return;
        errorLabel_->setText(text);
        errorLabel_->setToolTip(text);
        errorLabel_->show();
    });
    connect(&client_, &FtpClient::certificateRefused, this,
            [this](const QString& fingerprint, bool changed, const QString& problems) {
                refused_ = RefusedCertificate{fingerprint, changed, problems};
            });
    connect(&client_, &FtpClient::finished, this,
            [this](FtpOutcome outcome, const QString&) { onUploadFinished(outcome); });
    connect(&imageService_, &ImageService::finished, this, &PublishPanel::onServiceFinished);
}

PublishPanel::~PublishPanel() = default;

void PublishPanel::addStatusWidgets() {
    QWidget* holder = Label6->parentWidget();
    auto* bar = new QProgressBar(holder);
    bar->setObjectName(QStringLiteral("ProgressEnvoi"));
    bar->setRange(0, 100);
    bar->setMaximumHeight(Label6->sizeHint().height() + 4);
    bar->hide();
    auto* error = new QLabel(holder);
    error->setObjectName(QStringLiteral("LabelErreurEnvoi"));
    error->setTextFormat(Qt::PlainText);
    // Long texts are cut rather than widening the panel; the tooltip holds them whole.
    error->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    error->hide();
    progressBar_ = bar;
    errorLabel_ = error;

    QLayout* layout = holder ? holder->layout() : nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
        const int at = grid->indexOf(Label12.data());
        if (at >= 0) {
            grid->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
        } else {
            row = grid->rowCount();
            columnSpan = grid->columnCount();
        }
        grid->addWidget(bar, row, column, rowSpan, columnSpan);
        grid->addWidget(error, row, column, rowSpan, columnSpan);
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        const int at = box->indexOf(Label6.data());
        box->insertWidget(at + 1, bar);
        box->insertWidget(at + 2, error);
    }
}

void PublishPanel::publish() {
    if (publishing_) {
        cancel();
        return;
    }
    if (const std::optional<QString> message = checkRemoteName(ServerFile)) {
        ui_.messageBox(*message, kPublishTitle, UiPort::Icon::None, UiPort::Buttons::Ok);
        return;
    }
    publishedName_ = publishedName(ServerFile);
    publishedMode_ = ServerMode;

    const QImage picture = captureMap_ ? captureMap_() : QImage();
    Label12->hide();
    if (errorLabel_)
        errorLabel_->hide();
    // The temporary folder is shared with every local user: the picture goes into a new
    // folder of this user's own (made exclusively, mode 0700), so nobody can plant a link in
    // its place, read it, or swap it between attempts. It goes when the publish ends.
    const QString base = GetTempFolder().isEmpty() ? programFolder_ : GetTempFolder();
    pictureFolder_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/grivendale-XXXXXX"));
    const QString path = pictureFolder_->filePath(QStringLiteral("temp.png"));
    const FileWriteResult written =
        pictureFolder_->isValid() ? SavePicturePng(picture, path) : FileWriteResult{ENOENT};
    if (!written.ok()) {
        setStatus(kFailurePrefix +
                  QStringLiteral("impossible d'écrire %1 (%2)").arg(path, written.reason()));
        pictureFolder_.reset();
        Q_EMIT publishFinished();
        return;
    }

    const PublisherAddresses publisher = publisherAddresses();
    webUrl_ = publisher.webUrl;
    // A keyring that did not answer at start-up may answer now (unlocked meanwhile).
    if (publishedMode_ == 0 && ServerPass.isEmpty() && uploadPasswordInKeyring(settings_))
        ServerPass = readUploadPassword(settings_);
    const FtpDestination d =
        destinationFor(publishedMode_, ServerFTP, ServerLogin, ServerPass, publisher);
    request_ = {d.host, d.port, d.user, d.password, path, publishedName_};
    // The publisher's own servers are reached as they always were.
    security_ = {};
    security_.tls = ServerTLS && publishedMode_ == 0;
    if (security_.tls)
        security_.acceptedFingerprint = readAcceptedFingerprint(settings_, d.host, d.port);
    refused_.reset();
    setBusy(true);
    if (progressBar_)
        progressBar_->setValue(0);
    client_.TransfertFTP2(request_, security_);
}

void PublishPanel::cancel() {
    if (!publishing_)
        return;
    if (imageService_.isRunning()) {
        imageService_.cancel();
        endPublish();
        return;
    }
    if (client_.isRunning()) {
        client_.cancel(); // its finished() ends the publish
        return;
    }
    endPublish(); // waiting for the answer about a certificate
}

void PublishPanel::onUploadFinished(FtpOutcome outcome) {
    if (outcome == FtpOutcome::Failed && refused_) {
        // Asked from the event loop, not from inside the client's signal.
        QMetaObject::invokeMethod(this, &PublishPanel::askAboutCertificate, Qt::QueuedConnection);
        return;
    }
    if (outcome != FtpOutcome::Succeeded) {
        // A failed upload has nothing for the image service to find.
        endPublish();
        return;
    }
    const QString pictureUrl = publicPictureUrl(webUrl_, publishedName_);
    if (publishedMode_ == 1) {
        showLink(pictureUrl);
        endPublish();
        return;
    }
    if (publishedMode_ >= 2) {
        if (progressBar_)
            progressBar_->hide();
        imageService_.request(publisherAddresses().imageServiceUrl, pictureUrl);
        return;
    }
    endPublish();
}

void PublishPanel::askAboutCertificate() {
    if (!publishing_ || !refused_ || client_.isRunning())
        return;
    const RefusedCertificate refused = *std::exchange(refused_, std::nullopt);
    const QString server = serverKey(request_.host, request_.port);
    QString question;
    UiPort::Icon icon = UiPort::Icon::Question;
    if (refused.changed) {
        icon = UiPort::Icon::Warning;
        question =
            QStringLiteral("Attention : le certificat du serveur %1 a changé depuis que vous "
                           "l'avez accepté, et l'envoi a été refusé.\n\n"
                           "Empreinte SHA-256 acceptée :\n%2\n\n"
                           "Empreinte SHA-256 présentée maintenant :\n%3\n\n"
                           "Un certificat renouvelé change d'empreinte, mais un tiers qui se "
                           "fait passer pour le serveur aussi. Ne remplacez l'empreinte "
                           "que si l'administrateur du serveur vous confirme la nouvelle.\n\n"
                           "Remplacer l'empreinte acceptée par la nouvelle et envoyer ?")
                .arg(server, security_.acceptedFingerprint, refused.fingerprint);
    } else {
        question = QStringLiteral("Le certificat du serveur %1 n'a pas pu être vérifié (%2), et "
                                  "l'envoi a été refusé.\n\n"
                                  "Empreinte SHA-256 du certificat :\n%3\n\n"
                                  "Si l'administrateur du serveur vous confirme cette empreinte, "
                                  "vous pouvez faire confiance à ce certificat : elle sera "
                                  "retenue pour ce serveur, et un certificat différent sera "
                                  "refusé.\n\n"
                                  "Faire confiance à ce certificat et envoyer ?")
                       .arg(server, refused.problems, refused.fingerprint);
    }
    const UiPort::Answer answer =
        ui_.messageBox(question, kPublishTitle, icon, UiPort::Buttons::YesNoSafe);
    if (!publishing_) // cancelled meanwhile
        return;
    if (answer != UiPort::Answer::Yes) {
        endPublish();
        return;
    }
    saveAcceptedFingerprint(settings_, request_.host, request_.port, refused.fingerprint);
    security_.acceptedFingerprint = refused.fingerprint;
    client_.TransfertFTP2(request_, security_);
}

void PublishPanel::onServiceFinished(bool hasLink, const QString& link) {
    if (hasLink)
        showLink(link);
    endPublish();
}

void PublishPanel::endPublish() {
    pictureFolder_.reset();
    setBusy(false);
    Q_EMIT publishFinished();
}

void PublishPanel::setBusy(bool busy) {
    publishing_ = busy;
    if (Command2)
        Command2->setText(busy ? QStringLiteral("Annuler") : QStringLiteral("Envoyer"));
    if (progressBar_ && !busy)
        progressBar_->hide();
}

void PublishPanel::setStatus(const QString& text) {
    if (!Label6)
        return;
    Label6->setText(text);
    if (isCopyableLink(text))
        Label6->setCursor(Qt::PointingHandCursor);
    else
        Label6->unsetCursor();
}

void PublishPanel::showLink(const QString& link) {
    setStatus(link);
    if (Label12)
        Label12->show();
}

void PublishPanel::fillNewsName(const QDate& date) {
    Text1->setText(newsFileName(date));
}

void PublishPanel::fillFollowName() {
    Text1->setText(kFollowFileName);
}

void PublishPanel::openOptions() {
    if (!optionsWindow_) {
        QWidget* owner = Command10 ? Command10->window() : nullptr;
        optionsWindow_ = new UploadOptionsWindow(settings_, owner); // owned by the main window
        connect(optionsWindow_, &UploadOptionsWindow::confirmed, this,
                &PublishPanel::setServerSettings);
    }
    optionsWindow_->open();
}

UploadServerSettings PublishPanel::serverSettings() const {
    return {ServerFTP, ServerLogin, ServerPass, ServerMode, ServerTLS};
}

void PublishPanel::setServerSettings(const UploadServerSettings& settings) {
    ServerFTP = settings.ServerFTP;
    ServerLogin = settings.ServerLogin;
    ServerPass = settings.ServerPass;
    ServerMode = settings.ServerMode;
    ServerTLS = settings.ServerTLS;
}

bool PublishPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label6.data() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QString text = Label6->text();
        if (isCopyableLink(text))
            QGuiApplication::clipboard()->setText(text);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace grivendale
