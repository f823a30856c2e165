#pragma once

#include "app/upload_options_window.h"
#include "document/settings_store.h"
#include "publish/ftp_client.h"
#include "publish/image_service.h"

#include <QDate>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace grivendale {

class UiPort;

// The main window's publishing controls, which the window builds and the panel drives. All are
// required; the options window is parented to Command10's window.
struct PublishPanelWidgets {
    QLineEdit* Text1 = nullptr;       // remote file name
    QLabel* Label6 = nullptr;         // status, then the link; a click copies a link
    QLabel* Label12 = nullptr;        // "OK" beside a fresh link
    QPushButton* Command2 = nullptr;  // "Envoyer"; "Annuler" while a publish runs
    QPushButton* Command10 = nullptr; // "Options"
    QPushButton* CommNews = nullptr;  // "News"
    QPushButton* CommSuivi = nullptr; // "Suivi"
};

// Publishing: checks the name, captures the map into a private temp.png, uploads it to the
// destination of the server mode and shows the outcome or the link. Adds a progress bar and a label
// for local-file errors ("LabelErreurEnvoi") to the panel that holds Label6, in Label12's place
// (the three are never shown together).
//
// With TLS on for the own server, a certificate that does not verify is refused; the panel then
// shows its fingerprint in a question, and the fingerprint accepted there is kept for that
// server ("host:port") and lets the upload through, now and later. A certificate that no longer
// has the accepted fingerprint is refused too, with a warning that says so.
class PublishPanel final : public QObject {
    Q_OBJECT
public:
    // `captureMap` recomposes the map without selection marks and returns the picture. A
    // password still in the settings file moves into the keyring, where the store has one.
    PublishPanel(const PublishPanelWidgets& widgets, UiPort& ui, SettingsStore& settings,
                 QString programFolder, const StartupSettings& startup,
                 std::function<QImage()> captureMap, QObject* parent = nullptr);
    ~PublishPanel() override;

    // "Envoyer"; while a publish runs, the same button cancels it.
    void publish();
    void cancel();
    bool isPublishing() const { return publishing_; }
    // "News": images/news/suivi + YYMMDD + .png into Text1.
    void fillNewsName(const QDate& date = QDate::currentDate());
    // "Suivi": surveillance/suivi.png into Text1.
    void fillFollowName();
    // "Options": the options window, window-modal, created on first use.
    void openOptions();

    UploadServerSettings serverSettings() const;
    void setServerSettings(const UploadServerSettings& settings);
    const QString& serverFile() const { return ServerFile; }

    FtpClient& client() { return client_; }
    ImageService& imageService() { return imageService_; }
    UploadOptionsWindow* optionsWindow() const { return optionsWindow_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QLabel* errorLabel() const { return errorLabel_; }

Q_SIGNALS:
    // A publish has ended: uploaded (and, in mode 2, the service asked), failed or cancelled.
    void publishFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addStatusWidgets();
    void setStatus(const QString& text);
    void showLink(const QString& link);
    void setBusy(bool busy);
    void onUploadFinished(FtpOutcome outcome);
    void askAboutCertificate();
    void onServiceFinished(bool hasLink, const QString& link);
    void endPublish();

    QPointer<QLineEdit> Text1;
    QPointer<QLabel> Label6;
    QPointer<QLabel> Label12;
    QPointer<QPushButton> Command2;
    QPointer<QPushButton> Command10;
    QPointer<QPushButton> CommNews;
    QPointer<QPushButton> CommSuivi;
    QPointer<QProgressBar> progressBar_;
    QPointer<QLabel> errorLabel_;
    QPointer<UploadOptionsWindow> optionsWindow_;

    UiPort& ui_;
    SettingsStore& settings_;
    QString programFolder_;
    std::function<QImage()> captureMap_;

    QString ServerFTP;
    QString ServerLogin;
    QString ServerPass;
    QString ServerFile;
    std::int32_t ServerMode = 0;
    bool ServerTLS = false;

    struct RefusedCertificate {
        QString fingerprint;
        bool changed = false;
        QString problems;
    };

    FtpClient client_;
    ImageService imageService_;
    bool publishing_ = false;
    // Kept from the start of a publish: later edits do not change where its link points.
    QString publishedName_;
    std::int32_t publishedMode_ = 0;
    QString webUrl_;
    // Of the running publish, for a second try with a fingerprint.
    FtpUploadRequest request_;
    FtpSecurity security_;
    std::optional<RefusedCertificate> refused_;
    std::unique_ptr<QTemporaryDir> pictureFolder_; // holds temp.png while a publish runs
};

} // namespace grivendale
