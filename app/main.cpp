#include "app/command_line.h"
#include "app/french_translations.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/termination_signal.h"
#include "imaging/folders.h"
#include "imaging/program_folder.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cstdlib>

namespace {

// How long a second start waits for the running editor, which may be starting itself.
constexpr std::chrono::seconds kHandOverPatience{10};

// The toolkit ends the process with exit() when the X connection breaks, past the window's
// close: the recovery copy is written on that way out too. The program's one hook.
grivendale::RecoveryCopy* copyAtExit = nullptr;
void writeCopyAtExit() {
    if (copyAtExit)
        copyAtExit->flush();
}

// A second start touches no file: the editor already running does what was asked.
int handToRunningEditor(const grivendale::SingleInstance& instance, const QString& map) {
    const QString path = map.isEmpty() ? QString() : QFileInfo(map).absoluteFilePath();
    if (instance.handOver(path, kHandOverPatience))
        return 0;
    const QString what =
        path.isEmpty()
            ? QStringLiteral("Grivendale est déjà ouvert, mais il ne répond pas.")
            : QStringLiteral("Grivendale est déjà ouvert, mais il ne répond pas : la carte « %1 » "
                             "n'a pas pu y être ouverte.")
                  .arg(path);
    QMessageBox::warning(nullptr, grivendale::kAppTitle,
                         what + QStringLiteral("\nAttendez qu'il réponde, ou fermez-le, puis "
                                               "réessayez. Aucun fichier n'a été modifié."));
    return 1;
}

void bringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

int main(int argc, char* argv[]) {
    if (const auto status = grivendale::answerHelpOrVersion(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grivendale"));
    const auto translations = grivendale::installFrenchTranslations();
    // Numbers, dates and the descriptions of file types in French, whatever the system's.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    // The user's data folder: neither the auto-save nor the documents the user sees.
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // A map given as the only argument (a file manager's "open with") replaces the auto-save.
    const QStringList args = QApplication::arguments();
    const QString mapToOpen = args.size() == 2 ? args[1] : QString();

    grivendale::SingleInstance instance(dataFolder);
    if (!instance.acquire())
        return handToRunningEditor(instance, mapToOpen);

    grivendale::AppEnvironment environment;
    environment.programFolder = grivendale::programFolder();
    environment.documentsFolder = grivendale::GetDocumentsFolder();
    environment.recoveryFolder = dataFolder;
    environment.mapToOpen = mapToOpen;

    grivendale::MainWindow window(std::move(environment));
    const grivendale::TerminationSignal termination([&window] { window.endNow(); });
    copyAtExit = &window.recoveryCopy();
    std::atexit(writeCopyAtExit);
    const auto noCopyAtExit = qScopeGuard([] { copyAtExit = nullptr; });
    window.startUp();
    // Later starts' requests, taken while this one was starting, are handled from here on.
    instance.setHandler([&window](const QString& path) {
        bringToFront(window);
        if (!path.isEmpty())
            window.openMapFile(path);
    });
    return app.exec();
}
