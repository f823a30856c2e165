#include "app/upload_options_window.h"

#include "document/settings_store.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace grivendale {

namespace {

const QString kServerKey = QStringLiteral("Server");
const QString kLoginKey = QStringLiteral("Login");

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

UploadOptionsWindow::UploadOptionsWindow(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(named(
        new QLabel(QStringLiteral("Choisir un mode de serveur FTP et remplir les champs :"), this),
        "Label1"));
    option1_ = named(new QRadioButton(QStringLiteral("Mon serveur FTP"), this), "Option1");
    option2_ =
        named(new QRadioButton(QStringLiteral("Le serveur FTP de Tessaval"), this), "Option2");
    option3_ =
        named(new QRadioButton(QStringLiteral("Le service d'image de Tessaval (recommandé)"), this),
              "Option3");
    auto* group = new QButtonGroup(this);
    for (QRadioButton* option : {option1_, option2_, option3_}) {
        group->addButton(option);
        layout->addWidget(option);
    }

    frame1_ = named(new QGroupBox(QStringLiteral("Transfert sur FTP"), this), "Frame1");
    auto* fields = new QGridLayout(frame1_);
    text6_ = named(new QLineEdit(frame1_), "Text6");
    text5_ = named(new QLineEdit(frame1_), "Text5");
    text4_ = named(new QLineEdit(frame1_), "Text4");
    text4_->setEchoMode(QLineEdit::Password);
    fields->addWidget(named(new QLabel(QStringLiteral("Serveur :"), frame1_), "Label8"), 0, 0);
    fields->addWidget(text6_, 0, 1);
    fields->addWidget(named(new QLabel(QStringLiteral("Login :"), frame1_), "Label7"), 1, 0);
    fields->addWidget(text5_, 1, 1);
    fields->addWidget(named(new QLabel(QStringLiteral("Mot de passe :"), frame1_), "Label5"), 2, 0);
    fields->addWidget(text4_, 2, 1);
    keyringLabel_ = named(new QLabel(QStringLiteral("Le trousseau de clés n'a pas pu être joint : "
                                                    "le mot de passe enregistré n'a pas pu être "
                                                    "lu."),
                                     frame1_),
                          "LabelTrousseau");
    keyringLabel_->setWordWrap(true);
    keyringLabel_->hide();
    fields->addWidget(keyringLabel_, 4, 1);
    // For the own server only: the publisher's servers are reached as they always were.
    check1_ = named(new QCheckBox(QStringLiteral("Connexion chiffrée (TLS)"), frame1_), "Check1");
    fields->addWidget(check1_, 3, 1);
    layout->addWidget(frame1_);

    auto* buttons = new QHBoxLayout;
    auto* ok = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto* cancel = named(new QPushButton(QStringLiteral("Annuler"), this), "Command2");
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Only the first two choices touch the frame; the third leaves it as it was.
    connect(option1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            frame1_->setEnabled(true);
    });
    connect(option2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            frame1_->setEnabled(false);
    });
    connect(ok, &QPushButton::clicked, this, &UploadOptionsWindow::confirm);
    // "Annuler", Escape and the window's close button hide it; nothing is stored.
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void UploadOptionsWindow::showEvent(QShowEvent* event) {
    if (!loaded_) {
        loaded_ = true;
        load();
    }
    QDialog::showEvent(event);
}

void UploadOptionsWindow::load() {
    const auto setting = [this](const QString& key) {
        return settings_.GetSetting(kMorvessinApp, kMorvessinApp, key, QString());
    };
    text6_->setText(setting(kServerKey));
    text5_->setText(setting(kLoginKey));
    const std::optional<QString> password = readReachableUploadPassword(settings_);
    passwordUnread_ = !password;
    text4_->setText(password.value_or(QString()));
    keyringLabel_->setVisible(passwordUnread_);
    check1_->setChecked(readServerTls(settings_));
    const std::int32_t mode = readServerMode(settings_, settingDefaults().OptionsServerMode);
    if (mode == 0)
        option1_->setChecked(true);
    else if (mode == 1)
        option2_->setChecked(true);
    else
        option3_->setChecked(true);
}

void UploadOptionsWindow::confirm() {
    UploadServerSettings chosen;
    chosen.ServerFTP = text6_->text();
    chosen.ServerLogin = text5_->text();
    chosen.ServerMode = option1_->isChecked() ? 0 : option2_->isChecked() ? 1 : 2;
    chosen.ServerPass = text4_->text();
    chosen.ServerTLS = check1_->isChecked();
    Q_EMIT confirmed(chosen);
    settings_.SaveSetting(kMorvessinApp, kMorvessinApp, kServerKey, chosen.ServerFTP);
    settings_.SaveSetting(kMorvessinApp, kMorvessinApp, kLoginKey, chosen.ServerLogin);
    // Into the keyring where one answers, else into the owner-only settings file.
    // An empty field over a password the keyring did not give is no new password: the keyring
    // keeps its own.
    if (!passwordUnread_ || !chosen.ServerPass.isEmpty())
        saveUploadPassword(settings_, chosen.ServerPass);
    saveServerMode(settings_, chosen.ServerMode);
    saveServerTls(settings_, chosen.ServerTLS);
    accept();
}

} // namespace grivendale
