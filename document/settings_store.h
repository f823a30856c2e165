#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// Per-user preferences: text values addressed by application, section and key. Each
// application name is its own INI file, and the section becomes the group inside it.

namespace grivendale {

class SettingsStore {
public:
    // With a root folder, application X lives in <root>/X.ini; without one, in the user's
    // configuration folder (XDG_CONFIG_HOME/Grivendale/X.ini).
    explicit SettingsStore(const QString& rootFolder = QString());

    // The stored text, or defaultValue when the key is absent. Reading never writes.
    QString GetSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // Stores the value and flushes it to disk at once.
    void SaveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value);

    const QString& rootFolder() const { return m_rootFolder; }

private:
    QString m_rootFolder;
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

// "AfficheReadme" and "Logout" of "Grivendale"; unreadable text counts as off.
bool readShowReadme(const SettingsStore& store);
void saveShowReadme(SettingsStore& store, bool show);
bool readLogout(const SettingsStore& store);
void saveLogout(SettingsStore& store, bool logout);

} // namespace grivendale
