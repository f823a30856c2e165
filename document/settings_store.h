#pragma once

#include <QString>

class QSettings;

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// Per-user preferences: text values addressed by application, section and key. Each
// application name is its own INI file, and the section becomes the group inside it.

namespace grivendale {

// Where secrets go when a keyring is there: text values under a key. Every call returns
// within a bounded time; a keyring that does not answer counts as absent.
class SecretStore {
public:
    enum class Status { Found, NotFound, Unavailable };
    struct Secret {
        Status status = Status::Unavailable;
        QString value;
    };
    virtual ~SecretStore() = default;
    virtual Secret readSecret(const QString& key) = 0;
    // True once the keyring holds the value.
    virtual bool writeSecret(const QString& key, const QString& value) = 0;
    // True once the keyring holds nothing under the key.
    virtual bool deleteSecret(const QString& key) = 0;
};

// The desktop's keyring (Secret Service, KWallet) through QtKeychain; each call waits at most
// a couple of seconds for it. Needs a QCoreApplication: without one it is unavailable.
std::shared_ptr<SecretStore> systemKeyring();

class SettingsStore {
public:
    // With a root folder, application X lives in <root>/X.ini; without one, in the user's
    // configuration folder (XDG_CONFIG_HOME/Grivendale/X.ini). Only the user's own store
    // (no root folder) keeps its secrets in the system keyring, and not when the environment
    // variable GRIVENDALE_NO_KEYRING is set (to anything but "0"); a store with a root folder
    // keeps everything in its folder.
    explicit SettingsStore(const QString& rootFolder = QString());

    // The stored text, or defaultValue when the key is absent. Reading never writes.
    QString GetSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // Stores the value and puts it on the disk at once. The file is replaced whole or not at
    // all: false (and the failure handler told) when it could not be written.
    bool SaveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value);
    // Removes the key the same way; nothing happens when it is absent.
    bool RemoveSetting(const QString& application, const QString& section, const QString& key);

    const QString& rootFolder() const { return m_rootFolder; }
    // The file that holds an application's settings.
    QString filePath(const QString& application) const;

    // Called with the file and the errno of each write that did not go through.
    using WriteFailureHandler = std::function<void(const QString& path, int error)>;
    void setWriteFailureHandler(WriteFailureHandler handler) { m_writeFailed = std::move(handler); }

    // The keyring, or nothing when secrets stay in the settings files.
    SecretStore* secrets() const { return m_secrets.get(); }
    void setSecretStore(std::shared_ptr<SecretStore> secrets) { m_secrets = std::move(secrets); }

private:
    bool rewrite(const QString& application, const std::function<void(QSettings&)>& change);

    QString m_rootFolder;
    std::shared_ptr<SecretStore> m_secrets;
    WriteFailureHandler m_writeFailed;
};

// Application names; in each, the section name is the application name too.
inline constexpr QLatin1String kSorbApp{"Sorb"};
inline constexpr QLatin1String kMorvessinApp{"Morvessin"};
inline constexpr QLatin1String kGrivendaleApp{"Grivendale"};

// Settings are text; numbers are decimal integers with an optional sign. A fractional part
// rounds half to even (2.5 gives 2, 3.5 gives 4). Anything else, or out of range, fails.
std::optional<std::int32_t> toInt32Setting(const QString& text);
std::optional<std::int16_t> toInt16Setting(const QString& text);

// The forms values are written in: plain decimal numbers, "0"/"1" flags.
QString numberSetting(std::int64_t value);
QString flagSetting(bool value);

// What a key reads as when the store does not hold it.
struct SettingDefaults {
    // Color0..Color4 of "Sorb", 0x00BBGGRR: green, black, orange, red, white.
    std::array<std::uint32_t, 5> Colors{65280, 0, 33023, 255, 16777215};
    QString Server;
    QString Login;
    QString Pass;
    std::int32_t ServerMode = 0;
    // The options window reads the server mode with its own default.
    std::int32_t OptionsServerMode = 2;
    QString File = QStringLiteral("carte.png");
    // Relative to the program folder.
    QString BackgroundFileName = QStringLiteral("prev.gif");
    bool ShowReadme = true;
    bool Logout = false;
};

const SettingDefaults& settingDefaults();

// The shipped background: <programFolder>/prev.gif.
QString defaultBackgroundPath(const QString& programFolder);

// What the main window reads when it opens.
struct StartupSettings {
    std::array<std::uint32_t, 5> Colors{};
    QString ServerFTP, ServerLogin, ServerPass, ServerFile;
    std::int32_t ServerMode = 0;
    bool ServerTLS = false; // explicit FTPS to the own server
    // As stored: padded with blanks to the fixed background length.
    QString BackgroundPath;
};

// A stored number that does not convert leaves its field at 0, not at the default.
StartupSettings readStartupSettings(const SettingsStore& store, const QString& programFolder);

// Colour slot 0..4 of "Sorb".
void saveColorSetting(SettingsStore& store, int slot, std::uint32_t color);
// Writes the path padded with blanks to the fixed background length.
void saveBackgroundSetting(SettingsStore& store, const QString& path);

// "ServerMode" of "Morvessin"; the caller says which default applies.
std::int32_t readServerMode(const SettingsStore& store, std::int32_t defaultMode);
void saveServerMode(SettingsStore& store, std::int32_t mode);

// The own server's password. It lives in the keyring when the store has one that answers
// ("PassTrousseau" = "1" says so), else in the settings file under "Pass", readable by its owner
// only. A password still in the file is the one read, whatever the keyring holds.
QString readUploadPassword(const SettingsStore& store);
// The same, but nothing when the password is in the keyring and the keyring does not answer.
std::optional<QString> readReachableUploadPassword(const SettingsStore& store);
// Into the keyring when it takes it (and then out of the file), else into the file.
void saveUploadPassword(SettingsStore& store, const QString& password);
// Moves a password found in the file into the keyring; false when it stays in the file.
bool moveUploadPasswordToKeyring(SettingsStore& store);
// Whether the stored password is in the keyring rather than in the file.
bool uploadPasswordInKeyring(const SettingsStore& store);

// "TLS" of "Morvessin": explicit FTPS to the own server; off when absent.
bool readServerTls(const SettingsStore& store);
void saveServerTls(SettingsStore& store, bool on);

// Certificate fingerprints (SHA-256, "AB:CD:...") the user accepted, one per server, keyed by
// "host:port" (host in lower case, an IPv6 address in brackets), under "Empreintes" of
// "Morvessin". Empty when none was accepted.
QString serverKey(const QString& host, std::uint16_t port);
QString readAcceptedFingerprint(const SettingsStore& store, const QString& host,
                                std::uint16_t port);
void saveAcceptedFingerprint(SettingsStore& store, const QString& host, std::uint16_t port,
                             const QString& fingerprint);

// "AfficheReadme" and "Logout" of "Grivendale"; unreadable text counts as off.
bool readShowReadme(const SettingsStore& store);
void saveShowReadme(SettingsStore& store, bool show);
bool readLogout(const SettingsStore& store);
void saveLogout(SettingsStore& store, bool logout);

} // namespace grivendale
