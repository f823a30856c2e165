#include "app/french_translations.h"
#include "cli/dump_command.h"
#include "cli/exit_codes.h"
#include "cli/render_command.h"
#include "cli/upload_command.h"
#include "document/map_file.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

namespace grivendale::cli {

void printError(const QString& message) {
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "grivendale-cli: %s\n", line.toLocal8Bit().constData());
}

namespace {

constexpr char kDumpUsage[] = "usage: grivendale-cli dump MAP.car\n";
constexpr char kRenderUsage[] = "usage: grivendale-cli render MAP.car OUT.png [--picto-dir DIR] "
                                "[--background IMAGE] [--allow-missing]\n";
constexpr char kUploadUsage[] =
    "usage: grivendale-cli upload LOCAL REMOTE --host HOST [--port PORT] --user USER\n"
    "           [--password-file FILE | --password PASS] [--attempts N]\n"
    "           [--tls [--accept-fingerprint SHA256]]\n"
    "         The password is the first line of FILE, else $GRIVENDALE_FTP_PASSWORD.\n"
    "         --password PASS is visible to other local users in the process list:\n"
    "         use --password-file or GRIVENDALE_FTP_PASSWORD instead.\n";
constexpr char kTlsUsage[] =
    "upload --tls: explicit FTPS (AUTH TLS); nothing, not even the user name, is sent before\n"
    "  the connection is encrypted, and the data goes encrypted too. The certificate must\n"
    "  verify against the system's authorities for HOST; else the upload fails and prints\n"
    "  its SHA-256 fingerprint, which --accept-fingerprint AB:CD:... then accepts.\n";
constexpr char kExitStatuses[] =
    "exit status: 0 done, 1 upload failed, 2 usage, 3 map missing, unreadable or\n"
    "corrupt, 4 PNG not written, 5 render wrote the picture but its background or\n"
    "some pictograms were missing (0 with --allow-missing)\n"
    "grivendale-cli --help, grivendale-cli COMMAND --help: this text; --version: the version\n";

// The usage of one command, or of all for any other word.
void printUsage(const QString& command, std::FILE* to) {
    if (command == QLatin1String("dump"))
        std::fputs(kDumpUsage, to);
    else if (command == QLatin1String("render"))
        std::fputs(kRenderUsage, to);
    else if (command == QLatin1String("upload"))
        std::fputs(kUploadUsage, to), std::fputs(kTlsUsage, to);
    else
        std::fprintf(to, "%s%s%s", kDumpUsage, kRenderUsage, kUploadUsage);
    std::fputs(kExitStatuses, to);
}

} // namespace

int usage(const QString& command) {
    printUsage(command, stderr);
    return kExitUsage;
}

QString loadErrorMessage(const QString& path, const MapLoadResult& result) {
    switch (result.status) {
    case MapLoadStatus::WrongVersion:
        return QStringLiteral("%1: version %2 instead of %3")
            .arg(path)
            .arg(result.version)
            .arg(kMapFileVersion);
    case MapLoadStatus::Unreadable:
        return QStringLiteral("%1: missing or unreadable (%2)").arg(path, result.message);
    case MapLoadStatus::Corrupt:
        return QStringLiteral("%1: corrupt (%2)").arg(path, result.message);
    case MapLoadStatus::Ok:
        break;
    }
    return path;
}

namespace {

int runDump(const QStringList& args) {
    if (args.size() != 1)
        return usage();
    MapDocument doc;
    const MapLoadResult result = LoadMap(doc, args[0]);
    if (!result.ok()) {
        printError(loadErrorMessage(args[0], result));
        return kExitBadMap;
    }
    const QByteArray json = dumpMapJson(doc, result.version);
    std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
    std::fputc('\n', stdout);
    return kExitOk;
}

} // namespace

} // namespace grivendale::cli

int main(int argc, char* argv[]) {
    using namespace grivendale::cli;
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    // Asked for anywhere on the line, answered at once.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            printUsage(command, stdout);
            return kExitOk;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("grivendale-cli " GRIVENDALE_VERSION);
            return kExitOk;
        }
    }
    // Drawing texts needs the font machinery of a GUI application, but never a display.
    std::unique_ptr<QCoreApplication> app;
    if (command == QLatin1String("render")) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The TLS library's words (a certificate refused) in French, as the editor shows them.
    const auto translations = grivendale::installFrenchTranslations();
    const QStringList args = QCoreApplication::arguments().mid(2);
    if (command == QLatin1String("dump"))
        return runDump(args);
    if (command == QLatin1String("render"))
        return runRender(args);
    if (command == QLatin1String("upload"))
        return runUpload(args);
    return usage();
}
