#include "document/settings_store.h"

#include "document/atomic_file.h"
#include "document/map_document.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <qt6keychain/keychain.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
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

// How long a keyring call may take: a keyring that is locked, asks for a password or hangs
// does not hold up the window longer than this, and counts as absent.
constexpr int kKeyringWaitMs = 2000;
const QString kKeyringService = QStringLiteral("Grivendale");

// The jobs run in a thread of their own: reaching the session bus can block for half a minute
// before any job answers (a bus that takes the connection and says nothing), and only a wait
// in another thread can give up on that.
QThread* gKeyringThread = nullptr;
QObject* gKeyringAnchor = nullptr; // lives in that thread; jobs are started through it

void stopKeyringThread() {
    gKeyringThread->quit();
    // A thread stuck on the bus is left to the end of the process.
    gKeyringThread->wait(1000);
}

QObject* keyringAnchor() {
    static const bool started = [] {
        gKeyringThread = new QThread;
        gKeyringThread->setObjectName(QStringLiteral("keyring"));
        gKeyringAnchor = new QObject;
        gKeyringAnchor->moveToThread(gKeyringThread);
        QObject::connect(gKeyringThread, &QThread::finished, gKeyringAnchor, &QObject::deleteLater);
        gKeyringThread->start();
        qAddPostRoutine(stopKeyringThread);
        return true;
    }();
    Q_UNUSED(started);
    return gKeyringAnchor;
}

struct KeyringCall {
    std::atomic<bool> done{false};
    // Written by the keyring thread before `done`, read only after it.
    QKeychain::Error error = QKeychain::OtherError;
    QString text;
};

// Makes and starts the job in the keyring thread and waits for its end or the limit, letting
// events other than user input run meanwhile. A job that outlives the wait finishes on its
// own later and deletes itself.
std::shared_ptr<KeyringCall> runKeychainJob(std::function<QKeychain::Job*()> makeJob) {
    auto call = std::make_shared<KeyringCall>();
    if (!QCoreApplication::instance())
        return call;
    QMetaObject::invokeMethod(
        keyringAnchor(),
        [call, makeJob] {
            QKeychain::Job* job = makeJob();
            job->setAutoDelete(true);
            // Never the plain-text file QtKeychain can fall back on: that is what the settings
            // file already is, and it is the caller that chooses it.
            job->setInsecureFallback(false);
            QObject::connect(job, &QKeychain::Job::finished, job, [call](QKeychain::Job* j) {
                call->error = j->error();
                if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j))
                    call->text = read->textData();
                call->done.store(true, std::memory_order_release);
            });
            job->start();
        },
        Qt::QueuedConnection);
    const QDeadlineTimer deadline(kKeyringWaitMs);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (call->done.load(std::memory_order_acquire) || deadline.hasExpired())
            loop.quit();
    });
    tick.start(2);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return call;
}

bool succeeded(const KeyringCall& call, bool notFoundIsFine = false) {
    if (!call.done.load(std::memory_order_acquire))
        return false;
    return call.error == QKeychain::NoError ||
           (notFoundIsFine && call.error == QKeychain::EntryNotFound);
}

class KeychainStore final : public SecretStore {
public:
    Secret readSecret(const QString& key) override {
        const auto call = runKeychainJob([key] {
            auto* job = new QKeychain::ReadPasswordJob(kKeyringService);
            job->setKey(key);
            return job;
        });
        if (succeeded(*call))
            return {Status::Found, call->text};
        if (succeeded(*call, true))
            return {Status::NotFound, {}};
        return {};
    }
    bool writeSecret(const QString& key, const QString& value) override {
        return succeeded(*runKeychainJob([key, value] {
            auto* job = new QKeychain::WritePasswordJob(kKeyringService);
            job->setKey(key);
            job->setTextData(value);
            return job;
        }));
    }
    bool deleteSecret(const QString& key) override {
        return succeeded(*runKeychainJob([key] {
            auto* job = new QKeychain::DeletePasswordJob(kKeyringService);
            job->setKey(key);
            return job;
        }),
                         true);
    }
};

bool keyringDisabled() {
    const QByteArray value = qgetenv("GRIVENDALE_NO_KEYRING");
    return !value.isEmpty() && value != "0";
}

} // namespace

std::shared_ptr<SecretStore> systemKeyring() {
    return std::make_shared<KeychainStore>();
}

SettingsStore::SettingsStore(const QString& rootFolder) : m_rootFolder(rootFolder) {
    if (m_rootFolder.isEmpty() && !keyringDisabled())
        m_secrets = systemKeyring();
}

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

QString SettingsStore::filePath(const QString& application) const {
    return openSettings(m_rootFolder, application)->fileName();
}

bool SettingsStore::rewrite(const QString& application,
                            const std::function<void(QSettings&)>& change) {
    const QString path = filePath(application);
    const auto failed = [&](int error) {
        if (m_writeFailed)
            m_writeFailed(path, error);
        return false;
    };
    // The reader keeps files it has read in memory, and would not see a file changed behind
    // it within the same millisecond and size: the new file never keeps the old time.
    const QDateTime before = QFileInfo(path).lastModified();
    QByteArray current;
    if (QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(EACCES);
        current = file.readAll();
    }
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        return failed(EIO);
    const QString draft = scratch.filePath(QStringLiteral("draft.ini"));
    if (const FileWriteResult copied = writeFileAtomically(draft, current); !copied.ok())
        return failed(copied.error);
    QHash<QString, QVariant> expected;
    {
        QSettings settings(draft, QSettings::IniFormat);
        change(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return failed(EIO);
        for (const QString& key : settings.allKeys())
            expected.insert(key, settings.value(key));
    }
    QFile draftFile(draft);
    if (!draftFile.open(QIODevice::ReadOnly))
        return failed(EIO);
    const QByteArray bytes = draftFile.readAll();
    // Read back under a name no reader has seen: what goes in place must hold every key.
    const QString check = scratch.filePath(QStringLiteral("check.ini"));
    if (const FileWriteResult copied = writeFileAtomically(check, bytes); !copied.ok())
        return failed(copied.error);
    {
        const QSettings settings(check, QSettings::IniFormat);
        const QStringList keys = settings.allKeys();
        if (keys.size() != expected.size() ||
            !std::all_of(keys.begin(), keys.end(), [&](const QString& key) {
                return expected.value(key) == settings.value(key);
            }))
            return failed(EIO);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The store holds the upload password in clear where no keyring takes it: only its owner
    // may read the file.
    if (const FileWriteResult written =
            writeFileAtomically(path, bytes, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        !written.ok())
        return failed(written.error);
    if (before.isValid() && QFileInfo(path).lastModified() == before) {
        QFile file(path);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
    }
    return true;
}

bool SettingsStore::SaveSetting(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    return rewrite(application, [&](QSettings& settings) {
        settings.beginGroup(section);
        settings.setValue(key, value);
        settings.endGroup();
    });
}

bool SettingsStore::RemoveSetting(const QString& application, const QString& section,
                                  const QString& key) {
    {
        const auto settings = openSettings(m_rootFolder, application);
        settings->beginGroup(section);
        if (!settings->contains(key))
            return true;
    }
    return rewrite(application, [&](QSettings& settings) {
        settings.beginGroup(section);
        settings.remove(key);
        settings.endGroup();
    });
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
    result.ServerPass = readUploadPassword(store);
    result.ServerFile = morvessin(store, QStringLiteral("Fichier"), defaults.File);
    result.ServerMode = readServerMode(store, defaults.ServerMode);
    result.ServerTLS = readServerTls(store);
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

namespace {

const QString kPassKey = QStringLiteral("Pass");
const QString kPassInKeyringKey = QStringLiteral("PassTrousseau");
const QString kPasswordSecret = QStringLiteral("Morvessin/Pass");
const QString kFingerprintSection = QStringLiteral("Empreintes");

// The keyring takes the password; the file then says so, and loses its copy.
bool passwordIntoKeyring(SettingsStore& store, const QString& password) {
    SecretStore* secrets = store.secrets();
    if (!secrets || password.isEmpty() || !secrets->writeSecret(kPasswordSecret, password))
        return false;
    store.SaveSetting(kMorvessinApp, kMorvessinApp, kPassInKeyringKey, flagSetting(true));
    store.RemoveSetting(kMorvessinApp, kMorvessinApp, kPassKey);
    return true;
}

} // namespace

bool uploadPasswordInKeyring(const SettingsStore& store) {
    return toInt32Setting(morvessin(store, kPassInKeyringKey, flagSetting(false))).value_or(0) != 0;
}

QString readUploadPassword(const SettingsStore& store) {
    return readReachableUploadPassword(store).value_or(QString());
}

std::optional<QString> readReachableUploadPassword(const SettingsStore& store) {
    const QString inFile = morvessin(store, kPassKey, settingDefaults().Pass);
    SecretStore* secrets = store.secrets();
    if (!inFile.isEmpty() || !uploadPasswordInKeyring(store))
        return inFile;
    const SecretStore::Secret secret =
        secrets ? secrets->readSecret(kPasswordSecret) : SecretStore::Secret{};
    switch (secret.status) {
    case SecretStore::Status::Found:
        return secret.value;
    case SecretStore::Status::NotFound:
        return QString();
    case SecretStore::Status::Unavailable:
        break;
    }
    return std::nullopt;
}

void saveUploadPassword(SettingsStore& store, const QString& password) {
    if (passwordIntoKeyring(store, password))
        return;
    store.SaveSetting(kMorvessinApp, kMorvessinApp, kPassKey, password);
    if (uploadPasswordInKeyring(store)) {
        // The keyring's copy is out of date: the file no longer points to it, and it goes if
        // the keyring answers.
        store.RemoveSetting(kMorvessinApp, kMorvessinApp, kPassInKeyringKey);
        if (SecretStore* secrets = store.secrets())
            secrets->deleteSecret(kPasswordSecret);
    }
}

bool moveUploadPasswordToKeyring(SettingsStore& store) {
    return passwordIntoKeyring(store, morvessin(store, kPassKey, QString()));
}

bool readServerTls(const SettingsStore& store) {
    return toInt32Setting(morvessin(store, QStringLiteral("TLS"), flagSetting(false)))
               .value_or(0) != 0;
}

void saveServerTls(SettingsStore& store, bool on) {
    store.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("TLS"), flagSetting(on));
}

QString serverKey(const QString& host, std::uint16_t port) {
    const QString h = host.trimmed().toLower();
    const QString shown =
        h.contains(QLatin1Char(':')) ? QLatin1Char('[') + h + QLatin1Char(']') : h;
    return shown + QLatin1Char(':') + QString::number(port);
}

QString readAcceptedFingerprint(const SettingsStore& store, const QString& host,
                                std::uint16_t port) {
    return store.GetSetting(kMorvessinApp, kFingerprintSection, serverKey(host, port), QString());
}

void saveAcceptedFingerprint(SettingsStore& store, const QString& host, std::uint16_t port,
                             const QString& fingerprint) {
    store.SaveSetting(kMorvessinApp, kFingerprintSection, serverKey(host, port), fingerprint);
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
