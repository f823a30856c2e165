#include "document/settings_store.h"

#include "document/map_document.h"
#include "support/test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::FakeKeyring;
using namespace Qt::StringLiterals;

namespace {

QByteArray morvessinFile(const QString& folder) {
    QFile file(folder + u"/Morvessin.ini"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SettingsStore, DefaultsWithoutWritingThenWhatWasSaved) {
    QTemporaryDir root;
    SettingsStore store(root.path());
    StartupSettings s = readStartupSettings(store, u"/opt/g"_s);
    EXPECT_EQ(s.Colors, (std::array<std::uint32_t, 5>{65280, 0, 33023, 255, 16777215}));
    EXPECT_EQ(s.ServerFile, u"carte.png"_s);
    EXPECT_EQ(s.ServerMode, 0);
    EXPECT_FALSE(s.ServerTLS);
    EXPECT_EQ(s.BackgroundPath, u"/opt/g/prev.gif"_s);
    EXPECT_EQ(readServerMode(store, settingDefaults().OptionsServerMode), 2);
    EXPECT_TRUE(QDir(root.path()).isEmpty()); // reading writes nothing

    saveColorSetting(store, 2, 0x123456);
    store.SaveSetting(kSorbApp, kSorbApp, u"Color3"_s, u"rouge"_s); // unreadable: 0, not default
    saveBackgroundSetting(store, u"/home/m/europe.gif"_s);
    saveServerMode(store, 1);
    saveServerTls(store, true);
    store.SaveSetting(kMorvessinApp, kMorvessinApp, u"Fichier"_s, u" a,b;@x é\\"_s); // verbatim
    const SettingsStore fresh(root.path());
    s = readStartupSettings(fresh, u"/opt/g"_s);
    EXPECT_EQ(s.Colors, (std::array<std::uint32_t, 5>{65280, 0, 0x123456, 0, 16777215}));
    EXPECT_EQ(s.BackgroundPath, u"/home/m/europe.gif"_s.leftJustified(kBackgroundPathLength));
    EXPECT_EQ(s.ServerMode, 1);
    EXPECT_TRUE(s.ServerTLS);
    EXPECT_EQ(s.ServerFile, u" a,b;@x é\\"_s);
}

TEST(SettingsStore, NumbersRoundHalfToEven) {
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {" 42 ", 42},       {"+5", 5},     {"2.5", 2},  {"3.5", 4},  {"-2.5", -2},
        {"-3.5", -4},       {"2.51", 3},   {"0.5", 0},  {"abc", {}}, {"", {}},
        {"-", {}},          {"12abc", {}}, {"1e3", {}}, {"1 2", {}}, {"2147483647", 2147483647},
        {"2147483648", {}},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(toInt32Setting(QString::fromLatin1(text)), value) << text;
}

TEST(SettingsStore, FilesAreTheOwnersOnly) {
    QTemporaryDir root;
    const QString path = root.filePath(u"Morvessin.ini"_s);
    SettingsStore(root.path()).SaveSetting(kMorvessinApp, kMorvessinApp, u"Pass"_s, u"mot"_s);
    EXPECT_EQ(QFileInfo(path).permissions() & 0x0FFF, 0x0600);
    // A file left readable by an older version is closed at the next write.
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions(0x6644)));
    SettingsStore(root.path()).SaveSetting(kMorvessinApp, kMorvessinApp, u"Login"_s, u"moi"_s);
    EXPECT_EQ(QFileInfo(path).permissions() & 0x0FFF, 0x0600);
    EXPECT_EQ(readUploadPassword(SettingsStore(root.path())), u"mot"_s);
}

TEST(SettingsStore, ThePasswordGoesToTheKeyringWhereOneAnswers) {
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        QTemporaryDir root;
        SettingsStore store(root.path());
        auto keyring = std::make_shared<FakeKeyring>();
        keyring->answers = answers;
        store.setSecretStore(keyring);
        saveUploadPassword(store, u"s3cret-pw"_s);
        EXPECT_EQ(uploadPasswordInKeyring(store), answers);
        EXPECT_EQ(keyring->secrets.contains(u"Morvessin/Pass"_s), answers);
        EXPECT_EQ(morvessinFile(root.path()).contains("s3cret-pw"), !answers);
        EXPECT_EQ(readStartupSettings(store, {}).ServerPass, u"s3cret-pw"_s);
    }
    // One left in the file by an older version moves once the keyring answers.
    QTemporaryDir root;
    SettingsStore store(root.path());
    store.SaveSetting(kMorvessinApp, kMorvessinApp, u"Pass"_s, u"ancien"_s);
    auto keyring = std::make_shared<FakeKeyring>();
    store.setSecretStore(keyring);
    keyring->answers = false;
    EXPECT_FALSE(moveUploadPasswordToKeyring(store));
    EXPECT_TRUE(morvessinFile(root.path()).contains("ancien"));
    keyring->answers = true;
    EXPECT_TRUE(moveUploadPasswordToKeyring(store));
    EXPECT_FALSE(morvessinFile(root.path()).contains("ancien"));
    EXPECT_EQ(readUploadPassword(store), u"ancien"_s);
    // Every test program keeps away from the system keyring (support/program_environment.cpp).
    EXPECT_EQ(SettingsStore().secrets(), nullptr);
}

TEST(SettingsStore, AcceptedFingerprintsAreKeptPerServer) {
    QTemporaryDir root;
    SettingsStore store(root.path());
    saveAcceptedFingerprint(store, u"FTP.Example.org"_s, 21, u"AA:01"_s);
    saveAcceptedFingerprint(store, u"::1"_s, 2121, u"BB:02"_s);
    const SettingsStore fresh(root.path());
    EXPECT_EQ(readAcceptedFingerprint(fresh, u"ftp.example.org"_s, 21), u"AA:01"_s);
    EXPECT_EQ(readAcceptedFingerprint(fresh, u"ftp.example.org"_s, 990), QString());
    EXPECT_EQ(readAcceptedFingerprint(fresh, u"::1"_s, 2121), u"BB:02"_s);
}

} // namespace
