#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace grivendale {

class SettingsStore;

// What the options window hands to the publishing panel on "OK".
struct UploadServerSettings {
    QString ServerFTP;
    QString ServerLogin;
    QString ServerPass;
    std::int32_t ServerMode = 0;
    bool ServerTLS = false; // explicit FTPS to the own server
};

// The upload options window (Form4): the destination, and the user's own FTP server. Created
// once and hidden, not destroyed, by its buttons; it fills itself from the settings the first
// time it is shown only, so later showings keep what the user left, even after "Annuler".
class UploadOptionsWindow final : public QDialog {
    Q_OBJECT
public:
    explicit UploadOptionsWindow(SettingsStore& settings, QWidget* parent = nullptr);

Q_SIGNALS:
    // "OK": the choices, already stored in the settings.
    void confirmed(const grivendale::UploadServerSettings& settings);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void confirm();

    SettingsStore& settings_;
    bool loaded_ = false;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QRadioButton* option3_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QLineEdit* text6_ = nullptr;     // host
    QLineEdit* text5_ = nullptr;     // login
    QLineEdit* text4_ = nullptr;     // password
    QCheckBox* check1_ = nullptr;    // "Connexion chiffrée (TLS)"
    QLabel* keyringLabel_ = nullptr; // shown when the keyring holding the password is silent
    bool passwordUnread_ = false;
};

} // namespace grivendale
