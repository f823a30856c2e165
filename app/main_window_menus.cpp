// The main window's menu bar and status bar: every entry calls the command of its button or
// key, and the status bar says which map this is, whether it changed, the zoom and where the
// pointer is on the map.
#include "app/canvas_widget.h"
#include "app/main_window.h"
#include "document/rounding.h"
#include "editor/key_commands.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

namespace grivendale {

namespace {

const QString kRecentKey = QStringLiteral("CartesRecentes");
constexpr int kRecentMaps = 10;

// An entry whose shortcut the window's key handling already owns (the commands act on the
// key's release): the menu only shows it.
QAction* shownShortcut(QMenu* menu, const QString& text, const QString& keys) {
    return menu->addAction(text + QLatin1Char('\t') + keys);
}

QStringList recentMaps(const SettingsStore& settings) {
    return settings.GetSetting(kGrivendaleApp, kGrivendaleApp, kRecentKey, QString())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

void MainWindow::buildMenuBar() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    file->addAction(QStringLiteral("&Ouvrir..."), QKeySequence::Open, this,
                    &MainWindow::loadMapCommand);
    recentMenu_ = file->addMenu(QStringLiteral("Cartes &récentes"));
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] {
        recentMenu_->clear();
        for (const QString& path : recentMaps(settings_)) {
            QAction* entry = recentMenu_->addAction(QFileInfo(path).fileName());
            entry->setToolTip(path);
            connect(entry, &QAction::triggered, this, [this, path] { openMapFile(path); });
        }
        if (recentMenu_->isEmpty())
            recentMenu_->addAction(QStringLiteral("(aucune)"))->setEnabled(false);
    });
    file->addAction(QStringLiteral("&Enregistrer"), QKeySequence::Save, this,
                    &MainWindow::saveToOwnFile);
    file->addAction(QStringLiteral("Enregistrer &sous..."),
                    QKeySequence(QStringLiteral("Ctrl+Shift+S")), this,
                    &MainWindow::saveMapCommand);
    file->addAction(QStringLiteral("E&xporter l'image..."), QKeySequence(QStringLiteral("Ctrl+E")),
                    this, &MainWindow::exportImage);
    file->addAction(QStringLiteral("E&nvoyer"), this, [this] {
        bottomPanel_->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    });
    file->addSeparator();
    file->addAction(QStringLiteral("Effacer &tout"), this, &MainWindow::clearAll);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quitter"), QKeySequence(QStringLiteral("Ctrl+Q")), this,
                    &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("É&dition"));
    connect(shownShortcut(edit, QStringLiteral("&Annuler"), QStringLiteral("Ctrl+Z")),
            &QAction::triggered, this, [this] { stepCommand(*ctx_, false); });
    connect(shownShortcut(edit, QStringLiteral("&Rétablir"), QStringLiteral("Ctrl+Y")),
            &QAction::triggered, this, [this] { stepCommand(*ctx_, true); });
    edit->addSeparator();
    const std::tuple<const char*, const char*, int, Qt::KeyboardModifiers> keys[] = {
        {"&Copier", "Ctrl+C", Qt::Key_C, Qt::ControlModifier},
        {"C&oller", "Ctrl+V", Qt::Key_V, Qt::ControlModifier},
        {"&Supprimer", "Suppr", Qt::Key_Delete, Qt::NoModifier},
    };
    for (const auto& [text, shown, key, modifiers] : keys) {
        connect(shownShortcut(edit, QString::fromUtf8(text), QString::fromUtf8(shown)),
                &QAction::triggered, this,
                [this, key = key, modifiers = modifiers] { keyRelease(*ctx_, key, modifiers); });
    }

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Affichage"));
    view->addAction(QStringLiteral("Zoom &avant"), this, &MainWindow::zoomIn)
        ->setShortcuts({QKeySequence::ZoomIn, QKeySequence(QStringLiteral("Ctrl+="))});
    view->addAction(QStringLiteral("Zoom a&rrière"), QKeySequence::ZoomOut, this,
                    &MainWindow::zoomOut);
    view->addAction(QStringLiteral("&Taille réelle"), QKeySequence(QStringLiteral("Ctrl+0")), this,
                    &MainWindow::actualSize);
    view->addAction(QStringLiteral("A&juster à la fenêtre"), this, &MainWindow::fitToWindow);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Ai&de"));
    help->addAction(QStringLiteral("&Mode d'emploi"), QKeySequence::HelpContents, this,
                    &MainWindow::showReadme);
    help->addAction(QStringLiteral("À &propos de Grivendale"), this, [this] {
        ui_->messageBox(
            QStringLiteral("Grivendale, version %1\nÉditeur de cartes météo "
                           "annotées, de Tessaval.\n\nLicence : logiciel propriétaire "
                           "de Tessaval, tous droits réservés.\nUtilise Qt %2, sous "
                           "licence LGPL version 3.")
                .arg(QStringLiteral(GRIVENDALE_VERSION), QString::fromLatin1(qVersion())),
            QStringLiteral("À propos de Grivendale"), UiPort::Icon::Information,
            UiPort::Buttons::Ok);
    });
}

void MainWindow::buildStatusBar() {
    fileStatus_ = new QLabel(this);
    zoomStatus_ = new QLabel(this);
    pointerStatus_ = new QLabel(this);
    statusBar()->addWidget(fileStatus_, 1);
    statusBar()->addPermanentWidget(zoomStatus_);
    statusBar()->addPermanentWidget(pointerStatus_);
    connect(
        canvas_, &CanvasWidget::moved, this,
        [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPointF at) {
            pointerStatus_->setText(
                QStringLiteral("x %1, y %2").arg(roundHalfEven(at.x())).arg(roundHalfEven(at.y())));
        });
    connect(this, &MainWindow::zoomChanged, this, &MainWindow::updateStatusBar);
    updateStatusBar();
}

void MainWindow::updateStatusBar() {
    const QString name = ownMapFile_.isEmpty() ? QStringLiteral("Sauvegarde automatique")
                                               : QFileInfo(ownMapFile_).fileName();
    fileStatus_->setText(history_.modified() ? name + QStringLiteral(" – modifiée") : name);
    fileStatus_->setToolTip(ownMapFile_);
    zoomStatus_->setText(QStringLiteral("%1 %").arg(qRound(zoom() * 100)));
}

void MainWindow::updateRecentMaps(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList maps = recentMaps(settings_);
    maps.removeAll(absolute);
    maps.prepend(absolute);
    settings_.SaveSetting(kGrivendaleApp, kGrivendaleApp, kRecentKey,
                          maps.mid(0, kRecentMaps).join(QLatin1Char('\n')));
}

void MainWindow::saveToOwnFile() {
    if (ownMapFile_.isEmpty()) {
        saveMapCommand();
        return;
    }
    if (confirmStorableMap() && SaveAll(ownMapFile_))
        mapFileSaved(ownMapFile_);
    DrawScene(true);
    DrawSelect();
    RefreshForm();
}

void MainWindow::mapFileSaved(const QString& path) {
    ownMapFile_ = path;
    history_.record(doc_);
    history_.markClean();
    updateRecentMaps(path);
    updateStatusBar();
}

} // namespace grivendale
