#include "cli/upload_command.h"

#include "cli/exit_codes.h"
#include "publish/ftp_client.h"
#include "publish/publish_rules.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <optional>

namespace grivendale::cli {

namespace {

constexpr int kExitUploadFailed = 1;
// Where the password is taken from when no option gives it.
constexpr char kPasswordVariable[] = "GRIVENDALE_FTP_PASSWORD";

void printLine(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::optional<int> numberIn(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

// The password on the first line of the file, without its line ending; nothing, and why in
// `error`, when the file cannot be read.
std::optional<QString> passwordIn(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    QByteArray line = file.readLine();
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

struct UploadArguments {
    FtpUploadRequest request;
    FtpSecurity security;
    int attempts = FtpClient::kDefaultMaxAttempts;
};

// Nothing when the arguments do not make a command; the reason is printed.
std::optional<UploadArguments> parse(const QStringList& args) {
    UploadArguments parsed;
    QStringList positional;
    bool hasHost = false, hasUser = false, hasPassword = false;
    std::optional<QString> passwordFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            positional.append(arg);
            continue;
        }
        if (arg == QLatin1String("--tls")) {
            parsed.security.tls = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            printError(arg + QStringLiteral(" needs a value"));
            return std::nullopt;
        }
        const QString value = args[++i];
        if (arg == QLatin1String("--host")) {
            parsed.request.host = value;
            hasHost = true;
        } else if (arg == QLatin1String("--user")) {
            parsed.request.user = value;
            hasUser = true;
        } else if (arg == QLatin1String("--password")) {
            parsed.request.password = value;
            hasPassword = true;
        } else if (arg == QLatin1String("--password-file")) {
            passwordFile = value;
        } else if (arg == QLatin1String("--accept-fingerprint")) {
            const std::optional<QString> fingerprint = normalizedFingerprint(value);
            if (!fingerprint) {
                printError(QStringLiteral("--accept-fingerprint: not a SHA-256 fingerprint "
                                          "(32 hex pairs): ") +
                           value);
                return std::nullopt;
            }
            parsed.security.acceptedFingerprint = *fingerprint;
        } else if (arg == QLatin1String("--port")) {
            const auto port = numberIn(value, 1, 65535);
            if (!port) {
                printError(QStringLiteral("--port: not a port number: ") + value);
                return std::nullopt;
            }
            parsed.request.port = static_cast<std::uint16_t>(*port);
        } else if (arg == QLatin1String("--attempts")) {
            const auto attempts = numberIn(value, 1, 1000);
            if (!attempts) {
                printError(QStringLiteral("--attempts: 1 to 1000, not ") + value);
                return std::nullopt;
            }
            parsed.attempts = *attempts;
        } else {
            printError(QStringLiteral("unknown option ") + arg);
            return std::nullopt;
        }
    }
    if (!parsed.security.acceptedFingerprint.isEmpty() && !parsed.security.tls) {
        printError(QStringLiteral("--accept-fingerprint goes with --tls"));
        return std::nullopt;
    }
    if (hasPassword && passwordFile) {
        printError(QStringLiteral("give either --password or --password-file, not both"));
        return std::nullopt;
    }
    if (passwordFile) {
        QString why;
        const std::optional<QString> password = passwordIn(*passwordFile, why);
        if (!password) {
            printError(QStringLiteral("--password-file: cannot read ") + *passwordFile +
                       QStringLiteral(" (") + why + QLatin1Char(')'));
            return std::nullopt;
        }
        parsed.request.password = *password;
        hasPassword = true;
    } else if (!hasPassword && qEnvironmentVariableIsSet(kPasswordVariable)) {
        parsed.request.password = qEnvironmentVariable(kPasswordVariable);
        hasPassword = true;
    }
    if (positional.size() != 2 || !hasHost || !hasUser || !hasPassword) {
        printError(QStringLiteral("upload needs LOCAL, REMOTE, --host, --user and a password "
                                  "(--password-file, GRIVENDALE_FTP_PASSWORD or --password)"));
        return std::nullopt;
    }
    parsed.request.localFile = positional[0];
    parsed.request.remoteName = positional[1];
    if (parsed.request.remoteName.trimmed().isEmpty() ||
        hasControlCharacter(parsed.request.remoteName)) {
        printError(QStringLiteral("REMOTE must be a name without control characters"));
        return std::nullopt;
    }
    return parsed;
}

} // namespace

int runUpload(const QStringList& args) {
    const std::optional<UploadArguments> parsed = parse(args);
    if (!parsed) {
        return usage(QStringLiteral("upload"));
    }

    FtpClient client;
    client.setMaxAttempts(parsed->attempts);
    int exitCode = kExitUploadFailed;
    int lastTenth = -1;
    QObject::connect(&client, &FtpClient::statusChanged, &client, &printLine);
    QObject::connect(&client, &FtpClient::localFileError, &client, &printLine);
    QObject::connect(&client, &FtpClient::attemptStarted, &client, [&](int attempt, int most) {
        lastTenth = -1;
        printLine(QStringLiteral("Tentative %1 sur %2").arg(attempt).arg(most));
    });
    QObject::connect(
        &client, &FtpClient::attemptFailed, &client, [](int attempt, const QString& why) {
            printLine(QStringLiteral("Tentative %1 échouée : %2").arg(attempt).arg(why));
        });
    QObject::connect(&client, &FtpClient::progress, &client, [&](qint64 sent, qint64 total) {
        const int tenth = total > 0 ? static_cast<int>(sent * 10 / total) : 10;
        if (tenth != lastTenth) {
            lastTenth = tenth;
            printLine(QStringLiteral("Progression : %1 %").arg(tenth * 10));
        }
    });
    QObject::connect(
        &client, &FtpClient::certificateRefused, &client,
        [](const QString& fingerprint, bool changed, const QString&) {
            if (changed) {
                printError(QStringLiteral("the server's certificate has changed: its SHA-256 "
                                          "fingerprint is ") +
                           fingerprint +
                           QStringLiteral(", not the one given to --accept-fingerprint; refused"));
            } else {
                printError(QStringLiteral("the server's certificate is not trusted; its SHA-256 "
                                          "fingerprint is ") +
                           fingerprint +
                           QStringLiteral("; if that is your server's, run again with "
                                          "--accept-fingerprint ") +
                           fingerprint);
            }
        });
    QObject::connect(&client, &FtpClient::finished, &client,
                     [&](FtpOutcome outcome, const QString&) {
                         // Success means the server acknowledged the rename with 250.
                         exitCode = outcome == FtpOutcome::Succeeded ? kExitOk : kExitUploadFailed;
                         QCoreApplication::exit(exitCode);
                     });
    client.TransfertFTP2(parsed->request, parsed->security);
    QCoreApplication::exec();
    client.waitForQuitSent(std::chrono::seconds(2));
    return exitCode;
}

} // namespace grivendale::cli
