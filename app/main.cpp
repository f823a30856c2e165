#include "app/command_line.h"
#include "app/french_translations.h"
#include "app/main_window.h"
#include "app/termination_signal.h"
#include "imaging/folders.h"
#include "imaging/program_folder.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    if (const auto status = grivendale::answerHelpOrVersion(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grivendale"));
    const auto translations = grivendale::installFrenchTranslations();

    grivendale::AppEnvironment environment;
    environment.programFolder = grivendale::programFolder();
    environment.documentsFolder = grivendale::GetDocumentsFolder();
    // The user's data folder: neither the auto-save nor the documents the user sees.
    environment.recoveryFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // A map given as the only argument (a file manager's "open with") replaces the auto-save.
    const QStringList args = QApplication::arguments();
    if (args.size() == 2)
        environment.mapToOpen = args[1];

    grivendale::MainWindow window(std::move(environment));
    const grivendale::TerminationSignal termination([&window] { window.close(); });
    window.startUp();
    return app.exec();
}
