#include "cli/dump_command.h"
#include "document/map_file.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace grivendale;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitBadMap = 3;

void printError(const QString& message) {
    std::fprintf(stderr, "grivendale-cli: %s\n", message.toLocal8Bit().constData());
}

int usage() {
    std::fputs("usage: grivendale-cli dump MAP.car\n", stderr);
    return kExitUsage;
}

int runDump(const QStringList& args) {
    if (args.size() != 1)
        return usage();
    MapDocument doc;
    const MapLoadResult result = LoadMap(doc, args[0]);
    if (!result.ok()) {
        QString message = result.message;
        if (result.status == MapLoadStatus::WrongVersion)
            message = QStringLiteral("%1: version %2 instead of %3").arg(args[0]).arg(result.version).arg(kMapFileVersion);
        printError(message);
        return kExitBadMap;
    }
    const QByteArray json = cli::dumpMapJson(doc, result.version);
    std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
    std::fputc('\n', stdout);
    return kExitOk;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("dump"))
        return runDump(args);
    return usage();
}
