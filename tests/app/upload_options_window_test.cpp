#include "app/upload_options_window.h"
#include "document/settings_store.h"
#include "support/event_wait.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

class OptionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root_.isValid()); }

    UploadOptionsWindow& window() {
        if (!window_) {
            window_ = std::make_unique<UploadOptionsWindow>(settings_);
            QObject::connect(window_.get(), &UploadOptionsWindow::confirmed, window_.get(),
                             [this](const UploadServerSettings& s) { confirmed_ = s; });
        }
        return *window_;
    }
    template <typename W> W* child(const char* name) {
        W* w = window().findChild<W*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QString stored(const char* key) const {
        return settings_.GetSetting(kMorvessinApp, kMorvessinApp, QLatin1String(key),
                                    QStringLiteral("<absent>"));
    }
    void store(const char* key, const QString& value) {
        settings_.SaveSetting(kMorvessinApp, kMorvessinApp, QLatin1String(key), value);
    }
    bool frameEnabled() { return child<QGroupBox>("Frame1")->isEnabled(); }
    void click(const char* button) { child<QPushButton>(button)->click(); }

    QTemporaryDir root_;
    SettingsStore settings_{root_.path()};
    std::unique_ptr<UploadOptionsWindow> window_;
    std::optional<UploadServerSettings> confirmed_;
};

TEST_F(OptionsWindowTest, ControlsAndTheirTexts) {
    const std::pair<const char*, const char*> labels[] = {
        {"Label1", "Choisir un mode de serveur FTP et remplir les champs :"},
        {"Label8", "Serveur :"},
        {"Label7", "Login :"},
        {"Label5", "Mot de passe :"},
    };
    for (const auto& [name, text] : labels)
        EXPECT_EQ(child<QLabel>(name)->text(), QString::fromUtf8(text));
    EXPECT_EQ(child<QRadioButton>("Option1")->text(), QStringLiteral("Mon serveur FTP"));
    EXPECT_EQ(child<QRadioButton>("Option2")->text(), QStringLiteral("Le serveur FTP de Tessaval"));
    EXPECT_EQ(child<QRadioButton>("Option3")->text(),
              QStringLiteral("Le service d'image de Tessaval (recommandé)"));
    EXPECT_EQ(child<QGroupBox>("Frame1")->title(), QStringLiteral("Transfert sur FTP"));
    EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(child<QPushButton>("Command2")->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(window().objectName(), QStringLiteral("Form4"));
    // The fields sit in the frame, so disabling it disables them.
    for (const char* field : {"Text6", "Text5", "Text4"})
        EXPECT_EQ(child<QLineEdit>(field)->parentWidget(), child<QGroupBox>("Frame1"));
    EXPECT_EQ(child<QCheckBox>("Check1")->text(), QStringLiteral("Connexion chiffrée (TLS)"));
    EXPECT_EQ(child<QCheckBox>("Check1")->parentWidget(), child<QGroupBox>("Frame1"));
}

TEST_F(OptionsWindowTest, AnEmptyStoreOpensOnTheImageService) {
    window().show();
    EXPECT_TRUE(child<QRadioButton>("Option3")->isChecked());
    EXPECT_TRUE(frameEnabled());
    for (const char* field : {"Text6", "Text5", "Text4"})
        EXPECT_TRUE(child<QLineEdit>(field)->text().isEmpty());
    EXPECT_FALSE(child<QCheckBox>("Check1")->isChecked());
    click("Command1");
    EXPECT_FALSE(window().isVisible());
    ASSERT_TRUE(confirmed_);
    EXPECT_EQ(confirmed_->ServerMode, 2);
    EXPECT_EQ(stored("ServerMode"), QStringLiteral("2"));
    EXPECT_EQ(stored("Server"), QString());
    EXPECT_EQ(stored("Login"), QString());
    EXPECT_EQ(stored("Pass"), QString());
    EXPECT_EQ(stored("TLS"), QStringLiteral("0"));
}

TEST_F(OptionsWindowTest, StoredModeSelectsItsChoice) {
    struct Case {
        const char* mode;
        const char* option;
        bool frame;
    };
    const Case cases[] = {
        {"0", "Option1", true},
        {"1", "Option2", false},
        {"2", "Option3", true},
        {"7", "Option3", true},
    };
    for (const Case& c : cases) {
        window_.reset();
        store("ServerMode", QString::fromLatin1(c.mode));
        store("Server", QStringLiteral("ftp.moi.test"));
        store("Login", QStringLiteral("moi"));
        store("Pass", QStringLiteral("mot de passe"));
        store("TLS", QString::fromLatin1(c.mode));
        window().show();
        EXPECT_EQ(child<QCheckBox>("Check1")->isChecked(), c.mode[0] != '0') << c.mode;
        EXPECT_TRUE(child<QRadioButton>(c.option)->isChecked()) << c.mode;
        EXPECT_EQ(frameEnabled(), c.frame) << c.mode;
        EXPECT_EQ(child<QLineEdit>("Text6")->text(), QStringLiteral("ftp.moi.test"));
        EXPECT_EQ(child<QLineEdit>("Text5")->text(), QStringLiteral("moi"));
        EXPECT_EQ(child<QLineEdit>("Text4")->text(), QStringLiteral("mot de passe"));
    }
}

TEST_F(OptionsWindowTest, OnlyTheFirstTwoChoicesTouchTheFrame) {
    window().show();
    struct Step {
        const char* option;
        bool frame;
    };
    const Step steps[] = {{"Option2", false}, {"Option3", false}, {"Option1", true},
                          {"Option3", true},  {"Option2", false}, {"Option1", true}};
    for (const Step& s : steps) {
        child<QRadioButton>(s.option)->click();
        EXPECT_EQ(frameEnabled(), s.frame) << s.option;
    }
}

TEST_F(OptionsWindowTest, OkStoresAndHandsOverTheChoices) {
    window().show();
    child<QRadioButton>("Option1")->click();
    child<QLineEdit>("Text6")->setText(QStringLiteral("ftp.moi.test"));
    child<QLineEdit>("Text5")->setText(QStringLiteral("moi"));
    child<QLineEdit>("Text4")->setText(QStringLiteral(" secret é "));
    child<QCheckBox>("Check1")->click();
    EXPECT_EQ(child<QLineEdit>("Text4")->echoMode(), QLineEdit::Password);
    click("Command1");
    ASSERT_TRUE(confirmed_);
    EXPECT_EQ(confirmed_->ServerFTP, QStringLiteral("ftp.moi.test"));
    EXPECT_EQ(confirmed_->ServerLogin, QStringLiteral("moi"));
    EXPECT_EQ(confirmed_->ServerPass, QStringLiteral(" secret é "));
    EXPECT_EQ(confirmed_->ServerMode, 0);
    EXPECT_TRUE(confirmed_->ServerTLS);
    EXPECT_EQ(stored("TLS"), QStringLiteral("1"));
    EXPECT_EQ(stored("Server"), QStringLiteral("ftp.moi.test"));
    EXPECT_EQ(stored("Login"), QStringLiteral("moi"));
    EXPECT_EQ(stored("Pass"), QStringLiteral(" secret é "));
    EXPECT_EQ(stored("ServerMode"), QStringLiteral("0"));
    EXPECT_EQ(readStartupSettings(settings_, root_.path()).ServerPass,
              QStringLiteral(" secret é "));

    // The password is in the file: nobody but its owner may read that.
    const QFileInfo file(root_.filePath(QStringLiteral("Morvessin.ini")));
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::Permissions());
}

TEST_F(OptionsWindowTest, AnnulerStoresNothingAndTheWindowKeepsItsState) {
    store("Server", QStringLiteral("ftp.avant.test"));
    store("ServerMode", QStringLiteral("1"));
    window().show();
    child<QLineEdit>("Text6")->setText(QStringLiteral("ftp.apres.test"));
    child<QRadioButton>("Option1")->click();
    click("Command2");
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(confirmed_);
    EXPECT_EQ(stored("Server"), QStringLiteral("ftp.avant.test"));
    EXPECT_EQ(stored("ServerMode"), QStringLiteral("1"));

    // Shown again in the same run, it is not filled again from the store.
    store("Server", QStringLiteral("ftp.autre.test"));
    window().show();
    EXPECT_EQ(child<QLineEdit>("Text6")->text(), QStringLiteral("ftp.apres.test"));
    EXPECT_TRUE(child<QRadioButton>("Option1")->isChecked());
    EXPECT_TRUE(frameEnabled());
    window().close();
    EXPECT_FALSE(confirmed_);
    EXPECT_EQ(stored("Server"), QStringLiteral("ftp.autre.test"));
}

} // namespace
