#include "document/settings_store.h"

#include "document/map_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <memory>

namespace grivendale {

namespace {

std::unique_ptr<QSettings> openSettings(const QString& rootFolder, const QString& application) {
    if (rootFolder.isEmpty()) {
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                           QStringLiteral("Grivendale"), application);
    }
    return std::make_unique<QSettings>(
        rootFolder + QLatin1Char('/') + application + QStringLiteral(".ini"), QSettings::IniFormat);
}

// Decimal text with an optional sign and fraction, rounded half to even. Done on the digits
// rather than through a double, so long inputs neither lose precision nor wrap.
std::optional<std::int64_t> parseRounded(const QString& text, std::int64_t low, std::int64_t high) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    const auto isDigit = [&](qsizetype at) {
        return at < t.size() && t[at] >= QLatin1Char('0') && t[at] <= QLatin1Char('9');
    };

    // Magnitudes above this are out of range for every caller; stop before overflowing.
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t magnitude = 0;
    qsizetype intDigits = 0;
    for (; isDigit(i); ++i, ++intDigits) {
        magnitude = magnitude * 10 + (t[i].unicode() - u'0');
        if (magnitude > kCap)
            return std::nullopt;
    }

    qsizetype fracDigits = 0;
    int firstFrac = 0;
    bool restNonZero = false;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        for (; isDigit(i); ++i, ++fracDigits) {
            const int digit = t[i].unicode() - u'0';
            if (fracDigits == 0)
                firstFrac = digit;
            else if (digit != 0)
                restNonZero = true;
        }
    }
    if (i != t.size() || intDigits + fracDigits == 0)
        return std::nullopt;

    const bool roundUp = firstFrac > 5 || (firstFrac == 5 && (restNonZero || magnitude % 2 != 0));
    if (roundUp)
        ++magnitude;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

SettingsStore::SettingsStore(const QString& rootFolder) : m_rootFolder(rootFolder) {}

QString SettingsStore::GetSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& defaultValue) const {
    const auto settings = openSettings(m_rootFolder, application);
    settings->beginGroup(section);
    if (!settings->contains(key))
        return defaultValue;
    const QVariant value = settings->value(key);
    // A hand-edited file may hold unquoted commas, which the INI reader takes as a list.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::SaveSetting(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    const auto settings = openSettings(m_rootFolder, application);
    // The store holds the upload password in clear: only its owner may read it. The file is
    // made owner-only before the first value goes in, and rewriting it keeps its permissions.
    const QString path = settings->fileName();
    constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile(path).open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
    }
    settings->beginGroup(section);
    settings->setValue(key, value);
    settings->endGroup();
    settings->sync();
    QFile::setPermissions(path, kOwnerOnly);
}

std::optional<std::int32_t> toInt32Setting(const QString& text) {
    const auto value = parseRounded(text, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<std::int16_t> toInt16Setting(const QString& text) {
    const auto value = parseRounded(text, std::numeric_limits<std::int16_t>::min(),
                                    std::numeric_limits<std::int16_t>::max());
    if (!value)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

QString numberSetting(std::int64_t value) {
    return QString::number(value);
}

QString flagSetting(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

const SettingDefaults& settingDefaults() {
    static const SettingDefaults defaults;
    return defaults;
}

QString defaultBackgroundPath(const QString& programFolder) {
    return programFolder + QLatin1Char('/') + settingDefaults().BackgroundFileName;
}

namespace {

QString colorKey(int slot) {
    return QStringLiteral("Color") + QString::number(slot);
}

QString morvessin(const SettingsStore& store, const QString& key, const QString& defaultValue) {
    return store.GetSetting(kMorvessinApp, kMorvessinApp, key, defaultValue);
}

bool readFlag(const SettingsStore& store, const QString& key, bool defaultValue) {
    const auto value = toInt32Setting(
        store.GetSetting(kGrivendaleApp, kGrivendaleApp, key, flagSetting(defaultValue)));
    return value.value_or(0) != 0;
}

} // namespace

StartupSettings readStartupSettings(const SettingsStore& store, const QString& programFolder) {
    const SettingDefaults& defaults = settingDefaults();
    StartupSettings result;
    for (int slot = 0; slot < static_cast<int>(result.Colors.size()); ++slot) {
        const auto value = toInt32Setting(
            store.GetSetting(kSorbApp, kSorbApp, colorKey(slot),
                             numberSetting(defaults.Colors[static_cast<std::size_t>(slot)])));
        // Negative values keep their bit pattern, as a 32-bit colour word would.
        if (value)
            result.Colors[static_cast<std::size_t>(slot)] = static_cast<std::uint32_t>(*value);
    }
    result.ServerFTP = morvessin(store, QStringLiteral("Server"), defaults.Server);
    result.ServerLogin = morvessin(store, QStringLiteral("Login"), defaults.Login);
    result.ServerPass = morvessin(store, QStringLiteral("Pass"), defaults.Pass);
    result.ServerFile = morvessin(store, QStringLiteral("Fichier"), defaults.File);
    result.ServerMode = readServerMode(store, defaults.ServerMode);
    result.BackgroundPath =
        morvessin(store, QStringLiteral("Background"), defaultBackgroundPath(programFolder));
    return result;
}

void saveColorSetting(SettingsStore& store, int slot, std::uint32_t color) {
    store.SaveSetting(kSorbApp, kSorbApp, colorKey(slot), numberSetting(color));
}

void saveBackgroundSetting(SettingsStore& store, const QString& path) {
    store.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("Background"),
                      padBackgroundPath(path));
}

std::int32_t readServerMode(const SettingsStore& store, std::int32_t defaultMode) {
    return toInt32Setting(
               morvessin(store, QStringLiteral("ServerMode"), numberSetting(defaultMode)))
        .value_or(0);
}

void saveServerMode(SettingsStore& store, std::int32_t mode) {
    store.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("ServerMode"),
                      numberSetting(mode));
}

bool readShowReadme(const SettingsStore& store) {
    return readFlag(store, QStringLiteral("AfficheReadme"), settingDefaults().ShowReadme);
}

void saveShowReadme(SettingsStore& store, bool show) {
    store.SaveSetting(kGrivendaleApp, kGrivendaleApp, QStringLiteral("AfficheReadme"),
                      flagSetting(show));
}

bool readLogout(const SettingsStore& store) {
    return readFlag(store, QStringLiteral("Logout"), settingDefaults().Logout);
}

void saveLogout(SettingsStore& store, bool logout) {
    store.SaveSetting(kGrivendaleApp, kGrivendaleApp, QStringLiteral("Logout"),
                      flagSetting(logout));
}

} // namespace grivendale
