#include "document/settings_store.h"

#include "document/map_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>
#include <optional>

using namespace grivendale;

namespace {

const QString kProgramFolder = QStringLiteral("/opt/grivendale");

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_root.isValid()); }

    QString root() const { return m_root.path(); }
    QStringList filesInRoot() const { return QDir(root()).entryList(QDir::Files); }

    QTemporaryDir m_root;
};

// A keyring in memory, which answers or does not.
class FakeKeyring final : public SecretStore {
public:
    bool answers = true;
    QHash<QString, QString> secrets;

    Secret readSecret(const QString& key) override {
        if (!answers)
            return {};
        if (!secrets.contains(key))
            return {Status::NotFound, {}};
        return {Status::Found, secrets.value(key)};
    }
    bool writeSecret(const QString& key, const QString& value) override {
        if (answers)
            secrets.insert(key, value);
        return answers;
    }
    bool deleteSecret(const QString& key) override {
        if (answers)
            secrets.remove(key);
        return answers;
    }
};

} // namespace

TEST_F(SettingsStoreTest, EmptyStoreGivesTheDefaults) {
    const SettingsStore store(root());
    const StartupSettings settings = readStartupSettings(store, kProgramFolder);

    const std::array<std::uint32_t, 5> colors{65280, 0, 33023, 255, 16777215};
    EXPECT_EQ(settings.Colors, colors);
    EXPECT_EQ(settings.ServerFTP, QString());
    EXPECT_EQ(settings.ServerLogin, QString());
    EXPECT_EQ(settings.ServerPass, QString());
    EXPECT_EQ(settings.ServerFile, QStringLiteral("carte.png"));
    EXPECT_EQ(settings.ServerMode, 0);
    EXPECT_EQ(settings.BackgroundPath, kProgramFolder + QStringLiteral("/prev.gif"));

    EXPECT_EQ(readServerMode(store, settingDefaults().OptionsServerMode), 2);
    EXPECT_TRUE(readShowReadme(store));
    EXPECT_FALSE(readLogout(store));
}

TEST_F(SettingsStoreTest, ReadingWritesNothing) {
    const SettingsStore store(root());
    EXPECT_EQ(store.GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                               QStringLiteral("Color0"), QStringLiteral("fallback")),
              QStringLiteral("fallback"));
    readStartupSettings(store, kProgramFolder);
    readShowReadme(store);
    EXPECT_TRUE(filesInRoot().isEmpty()) << filesInRoot().join(u' ').toStdString();
}

TEST_F(SettingsStoreTest, ChangedColourIsReadBackByAFreshStore) {
    {
        SettingsStore store(root());
        saveColorSetting(store, 2, 0x123456);
    }
    const SettingsStore fresh(root());
    EXPECT_EQ(fresh.GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                               QStringLiteral("Color2"), QString()),
              QStringLiteral("1193046"));
    const StartupSettings settings = readStartupSettings(fresh, kProgramFolder);
    const std::array<std::uint32_t, 5> colors{65280, 0, 0x123456, 255, 16777215};
    EXPECT_EQ(settings.Colors, colors);
}

TEST_F(SettingsStoreTest, BackgroundIsStoredPaddedToTheFixedLength) {
    const QString path = QStringLiteral("/home/meteo/fonds/europe.gif");
    SettingsStore store(root());
    saveBackgroundSetting(store, path);

    const SettingsStore fresh(root());
    const QString stored =
        fresh.GetSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                         QStringLiteral("Background"), QString());
    EXPECT_EQ(stored.size(), kBackgroundPathLength);
    EXPECT_EQ(stored.trimmed(), path);

    const StartupSettings settings = readStartupSettings(fresh, kProgramFolder);
    EXPECT_EQ(settings.BackgroundPath, stored);
}

TEST_F(SettingsStoreTest, UnconvertibleNumbersLeaveZeroNotTheDefault) {
    SettingsStore store(root());
    store.SaveSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"), QStringLiteral("Color3"),
                      QStringLiteral("rouge"));
    store.SaveSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"), QStringLiteral("Color4"),
                      QString());
    store.SaveSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                      QStringLiteral("ServerMode"), QStringLiteral("ftp"));

    const StartupSettings settings = readStartupSettings(store, kProgramFolder);
    const std::array<std::uint32_t, 5> colors{65280, 0, 33023, 0, 0};
    EXPECT_EQ(settings.Colors, colors);
    EXPECT_EQ(settings.ServerMode, 0);
    EXPECT_EQ(readServerMode(store, 2), 0);
}

TEST_F(SettingsStoreTest, StartupReadsEveryServerKey) {
    SettingsStore store(root());
    const auto save = [&](const char* key, const char* value) {
        store.SaveSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                          QString::fromLatin1(key), QString::fromLatin1(value));
    };
    save("Server", "ftp.example.org");
    save("Login", "meteo");
    save("Pass", "secret");
    save("Fichier", "europe.png");
    saveServerMode(store, 1);

    const StartupSettings settings = readStartupSettings(store, kProgramFolder);
    EXPECT_EQ(settings.ServerFTP, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(settings.ServerLogin, QStringLiteral("meteo"));
    EXPECT_EQ(settings.ServerPass, QStringLiteral("secret"));
    EXPECT_EQ(settings.ServerFile, QStringLiteral("europe.png"));
    EXPECT_EQ(settings.ServerMode, 1);
}

TEST_F(SettingsStoreTest, ApplicationsAreSeparateNamespaces) {
    SettingsStore store(root());
    for (const char* app : {"Sorb", "Morvessin", "Grivendale"}) {
        const QString name = QString::fromLatin1(app);
        store.SaveSetting(name, name, QStringLiteral("Color0"), name + QStringLiteral("-value"));
    }
    for (const char* app : {"Sorb", "Morvessin", "Grivendale"}) {
        const QString name = QString::fromLatin1(app);
        EXPECT_EQ(store.GetSetting(name, name, QStringLiteral("Color0"), QString()),
                  name + QStringLiteral("-value"));
        EXPECT_TRUE(QFileInfo::exists(root() + u'/' + name + QStringLiteral(".ini"))) << app;
    }
}

TEST_F(SettingsStoreTest, KeysAreCaseSensitive) {
    SettingsStore store(root());
    store.SaveSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"), QStringLiteral("Color0"),
                      QStringLiteral("1"));
    store.SaveSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"), QStringLiteral("color0"),
                      QStringLiteral("2"));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                               QStringLiteral("Color0"), QString()),
              QStringLiteral("1"));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                               QStringLiteral("COLOR0"), QStringLiteral("absent")),
              QStringLiteral("absent"));
}

TEST_F(SettingsStoreTest, TextComesBackVerbatim) {
    const QString values[] = {
        QString(),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("a,b,c"),
        QStringLiteral("@Variant(x)"),
        QStringLiteral("key=value; comment"),
        QStringLiteral("C:\\Cartes\\fond.gif"),
        QStringLiteral("Météo à l'été"),
        QStringLiteral("\"quoted\""),
    };
    SettingsStore store(root());
    for (const QString& value : values) {
        store.SaveSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                          QStringLiteral("Value"), value);
        const SettingsStore fresh(root());
        EXPECT_EQ(fresh.GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                                   QStringLiteral("Value"), QStringLiteral("absent")),
                  value)
            << value.toStdString();
    }
}

TEST_F(SettingsStoreTest, FlagsAreWrittenAsZeroOrOne) {
    SettingsStore store(root());
    saveShowReadme(store, false);
    saveLogout(store, true);
    EXPECT_EQ(store.GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                               QStringLiteral("AfficheReadme"), QString()),
              QStringLiteral("0"));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                               QStringLiteral("Logout"), QString()),
              QStringLiteral("1"));
    EXPECT_FALSE(readShowReadme(store));
    EXPECT_TRUE(readLogout(store));
}

// Every test program points XDG_CONFIG_HOME at a scratch folder (support/program_environment.cpp).
TEST(SettingsStoreDefaultLocation, LivesInTheUserConfigurationFolder) {
    SettingsStore store;
    store.SaveSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"), QStringLiteral("Color1"),
                      QStringLiteral("42"));
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(configHome.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(configHome + QStringLiteral("/Grivendale/Sorb.ini")));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                               QStringLiteral("Color1"), QString()),
              QStringLiteral("42"));
}

TEST(SettingWriteForms, NumbersAndFlags) {
    EXPECT_EQ(numberSetting(65280), QStringLiteral("65280"));
    EXPECT_EQ(numberSetting(-3), QStringLiteral("-3"));
    EXPECT_EQ(flagSetting(true), QStringLiteral("1"));
    EXPECT_EQ(flagSetting(false), QStringLiteral("0"));
    EXPECT_EQ(defaultBackgroundPath(QStringLiteral("/opt/g")), QStringLiteral("/opt/g/prev.gif"));
}

TEST(SettingConversion, Table) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> int32;
        std::optional<std::int16_t> int16;
    };
    const Case cases[] = {
        {" 42 ", 42, 42},
        {"-7", -7, -7},
        {"+5", 5, 5},
        {"2.5", 2, 2},
        {"3.5", 4, 4},
        {"-2.5", -2, -2},
        {"-3.5", -4, -4},
        {"2.51", 3, 3},
        {"2.49", 2, 2},
        {"0.5", 0, 0},
        {"abc", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"   ", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {".", std::nullopt, std::nullopt},
        {"12abc", std::nullopt, std::nullopt},
        {"1 2", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"99999999999", std::nullopt, std::nullopt},
        {"2147483647", 2147483647, std::nullopt},
        {"2147483648", std::nullopt, std::nullopt},
        {"-2147483648", std::numeric_limits<std::int32_t>::min(), std::nullopt},
        {"40000", 40000, std::nullopt},
        {"32767", 32767, 32767},
        {"32767.5", 32768, std::nullopt},
        {"-32768", -32768, -32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(toInt32Setting(text), c.int32);
        EXPECT_EQ(toInt16Setting(text), c.int16);
    }
}

TEST_F(SettingsStoreTest, FilesAreReadableByTheirOwnerOnly) {
    const QString path = root() + QStringLiteral("/Morvessin.ini");
    constexpr auto kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                             QFileDevice::WriteOther | QFileDevice::ExeOther;
    {
        SettingsStore store(root());
        store.SaveSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                          QStringLiteral("Pass"), QStringLiteral("motdepasse"));
    }
    QFileInfo info(path);
    ASSERT_TRUE(info.exists());
    EXPECT_EQ(info.permissions() & kOthers, QFileDevice::Permissions());
    EXPECT_TRUE(info.permissions().testFlag(QFileDevice::ReadOwner));

    // A file left readable by an older version is closed at the next write.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    SettingsStore(root()).SaveSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                                      QStringLiteral("Login"), QStringLiteral("moi"));
    info.refresh();
    EXPECT_EQ(info.permissions() & kOthers, QFileDevice::Permissions());
    EXPECT_EQ(SettingsStore(root()).GetSetting(QStringLiteral("Morvessin"),
                                               QStringLiteral("Morvessin"), QStringLiteral("Pass"),
                                               QString()),
              QStringLiteral("motdepasse"));
}

TEST_F(SettingsStoreTest, ThePasswordGoesToTheKeyringWhereOneAnswers) {
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "keyring" : "no keyring");
        const QString folder = root() + (answers ? QStringLiteral("/a") : QStringLiteral("/b"));
        SettingsStore store(folder);
        auto keyring = std::make_shared<FakeKeyring>();
        keyring->answers = answers;
        store.setSecretStore(keyring);
        saveUploadPassword(store, QStringLiteral("s3cret-pw"));
        EXPECT_EQ(uploadPasswordInKeyring(store), answers);
        EXPECT_EQ(keyring->secrets.contains(QStringLiteral("Morvessin/Pass")), answers);
        // The file holds the password only when no keyring took it.
        QFile file(folder + QStringLiteral("/Morvessin.ini"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().contains("s3cret-pw"), !answers);
        EXPECT_EQ(readStartupSettings(store, kProgramFolder).ServerPass,
                  QStringLiteral("s3cret-pw"));
    }
}

TEST_F(SettingsStoreTest, APasswordInTheFileMovesToTheKeyringAndLeavesTheFile) {
    SettingsStore store(root());
    // As an older version left it.
    store.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("Pass"),
                      QStringLiteral("ancien-mot"));
    auto keyring = std::make_shared<FakeKeyring>();
    store.setSecretStore(keyring);
    const auto fileHolds = [this](const QByteArray& text) {
        QFile file(root() + QStringLiteral("/Morvessin.ini"));
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
    };

    keyring->answers = false;
    EXPECT_FALSE(moveUploadPasswordToKeyring(store));
    EXPECT_TRUE(fileHolds("ancien-mot"));
    keyring->answers = true;
    EXPECT_TRUE(moveUploadPasswordToKeyring(store));
    EXPECT_FALSE(fileHolds("ancien-mot"));
    EXPECT_EQ(readUploadPassword(store), QStringLiteral("ancien-mot"));

    // A keyring that stops answering gives no password, and nothing is written meanwhile.
    keyring->answers = false;
    EXPECT_EQ(readUploadPassword(store), QString());
    // A password saved then goes into the file, and the keyring's copy is not read any more.
    saveUploadPassword(store, QStringLiteral("nouveau-mot"));
    keyring->answers = true;
    EXPECT_FALSE(uploadPasswordInKeyring(store));
    EXPECT_EQ(readUploadPassword(store), QStringLiteral("nouveau-mot"));
}

// Every test program sets GRIVENDALE_NO_KEYRING (support/program_environment.cpp).
TEST(SettingsStoreKeyring, NoStoreOfTheTestsReachesTheSystemKeyring) {
    EXPECT_EQ(SettingsStore().secrets(), nullptr);
    EXPECT_EQ(SettingsStore(QStringLiteral("/tmp/x")).secrets(), nullptr);
}

TEST_F(SettingsStoreTest, TlsIsOffUntilStoredAndFingerprintsAreKeptPerServer) {
    SettingsStore store(root());
    EXPECT_FALSE(readStartupSettings(store, kProgramFolder).ServerTLS);
    saveServerTls(store, true);
    EXPECT_TRUE(readStartupSettings(store, kProgramFolder).ServerTLS);

    saveAcceptedFingerprint(store, QStringLiteral("FTP.Example.org"), 21, QStringLiteral("AA:01"));
    saveAcceptedFingerprint(store, QStringLiteral("::1"), 2121, QStringLiteral("BB:02"));
    const SettingsStore fresh(root());
    EXPECT_EQ(readAcceptedFingerprint(fresh, QStringLiteral("ftp.example.org"), 21),
              QStringLiteral("AA:01"));
    EXPECT_EQ(readAcceptedFingerprint(fresh, QStringLiteral("ftp.example.org"), 990), QString());
    EXPECT_EQ(readAcceptedFingerprint(fresh, QStringLiteral("::1"), 2121), QStringLiteral("BB:02"));
    EXPECT_EQ(serverKey(QStringLiteral("::1"), 2121), QStringLiteral("[::1]:2121"));
}
