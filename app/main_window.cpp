#include "app/main_window.h"

#include "app/font_chooser_window.h"

#include "app/canvas_widget.h"
#include "app/qt_ui_port.h"
#include "app/readme_window.h"
#include "document/map_file.h"
#include "document/map_storage_check.h"
#include "editor/save_path.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"
#include "render/line_draw.h"
#include "render/selection_draw.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <utility>

// Resources of a static library are registered by hand.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace grivendale {

namespace {

const QString kMapFilter = QStringLiteral("Fichier cartes (*.car)|*.car");
const QString kImageFilter = QStringLiteral(
    "Images (*.png,*.gif,*.jpg,*.bmp,*.tga)|*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.tga|Tous les "
    "fichiers|*.*");
const QString kExportFilter = QStringLiteral("Image PNG (*.png)|*.png|Tous fichiers|*.*");

QLabel* captionLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QRadioButton* option(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QRadioButton(text, parent);
    b->setObjectName(name);
    return b;
}

void paintSwatch(QLabel* swatch, std::uint32_t bgr) {
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                              .arg(QColor(bgrToRgb(bgr)).name()));
}

} // namespace

MainWindow::MainWindow(AppEnvironment environment, std::unique_ptr<UiPort> ui, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(environment)),
      settings_(environment_.settingsFolder), ui_(std::move(ui)),
      // A button held on the canvas is a drag (or a line point) under way.
      recovery_(doc_, [] { return QGuiApplication::mouseButtons() != Qt::NoButton; }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kMainWindowTitle);
    registerIcons();
    QIcon icon;
    for (const int size : {48, 256})
        icon.addFile(QStringLiteral(":/icons/grivendale-%1.png").arg(size));
    setWindowIcon(icon);
    if (!ui_)
        ui_ = std::make_unique<QtUiPort>(this);
    buildControls();
    readme_ = std::make_unique<ReadmeWindow>(settings_, environment_.programFolder, this);
    settings_.setWriteFailureHandler([this](const QString& path, int error) {
        if (settingsFailuresSaid_.insert(path).second)
            sayWriteFailure(QStringLiteral("Les réglages n'ont pas pu être enregistrés dans « %1 » "
                                           ": %2.\nLe fichier précédent est intact, mais ce "
                                           "réglage ne sera pas retrouvé au prochain démarrage.")
                                .arg(QDir::toNativeSeparators(path), writeFailureReason(error)));
    });
    connect(&recovery_, &RecoveryCopy::writeFailed, this, [this](int error) {
        sayWriteFailure(
            QStringLiteral("La copie de récupération « %1 » n'a pas pu être écrite : "
                           "%2.\nSi l'éditeur s'arrêtait brutalement, les dernières "
                           "modifications seraient perdues : enregistrez la carte "
                           "avec « Sauver Carte ».")
                .arg(QDir::toNativeSeparators(recovery_.path()), writeFailureReason(error)));
    });
    ctx_ = std::unique_ptr<EditorContext>(
        new EditorContext{doc_, editor_, scene_, library_, settings_, *ui_, *this, panel_,
                          environment_.programFolder + QStringLiteral("/picto"), &history_});
    if (auto* qtUi = dynamic_cast<QtUiPort*>(ui_.get()))
        qtUi->setFontChooser([this](const TextStyle& initial) { return runFontChooser(initial); });
    connectEditor();
    connectZoom();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    client_ = new QWidget(this);
    setCentralWidget(client_);

    canvasArea_ = new QScrollArea(client_);
    canvasArea_->setFrameShape(QFrame::NoFrame);
    canvasArea_->setWidgetResizable(false);
    canvasArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    canvas_ = new CanvasWidget;
    canvasArea_->setWidget(canvas_);

    toolPanel_ = buildToolPanel();
    bottomPanel_ = buildBottomPanel();
    // On a small screen the panels scroll rather than leave controls out of reach.
    toolScroll_ = panelScrollArea(toolPanel_, Qt::Vertical);
    bottomScroll_ = panelScrollArea(bottomPanel_, Qt::Horizontal);
    buildMenuBar();
    buildStatusBar();
}

QWidget* MainWindow::buildToolPanel() {
    auto* panel = new QWidget(client_);
    panel->setObjectName(QStringLiteral("FF"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);

    layout->addWidget(captionLabel(QStringLiteral("Label1"), QStringLiteral("Couleurs :"), panel));
    auto* colours = new QGridLayout;
    colours->setHorizontalSpacing(2);
    for (int i = 0; i < 5; ++i) {
        swatches_[i] = captionLabel(QStringLiteral("Col%1").arg(i), QString(), panel);
        swatches_[i]->setFixedSize(28, 20);
        colours->addWidget(swatches_[i], 0, i, Qt::AlignHCenter);
    }
    // Slot 0 (fill), slot 1 (line) and slot 4 (text) each have their own button, under the
    // swatch it changes.
    changeColourButtons_[0] = button(QStringLiteral("Command7"), QStringLiteral("Changer"), panel);
    changeColourButtons_[1] = button(QStringLiteral("Command11"), QStringLiteral("Changer"), panel);
    changeColourButtons_[2] = button(QStringLiteral("Command8"), QStringLiteral("Changer"), panel);
    const int buttonColumns[3] = {0, 1, 4};
    for (int b = 0; b < 3; ++b) {
        changeColourButtons_[b]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        colours->addWidget(changeColourButtons_[b], 1, buttonColumns[b]);
    }
    for (int i = 0; i < 5; ++i)
        colours->setColumnStretch(i, 1);
    layout->addLayout(colours);

    fillTool_ = option(QStringLiteral("Option1"), QStringLiteral("Remplir"), panel);
    lineTool_ = option(QStringLiteral("Option2"), QStringLiteral("Ajouter lignes"), panel);
    selectTool_ = option(QStringLiteral("Option5"), QStringLiteral("Selectionner / bouger"), panel);
    pictoTool_ = option(QStringLiteral("Option6"), QStringLiteral("Ajouter :"), panel);
    textTool_ = option(QStringLiteral("Option7"), QStringLiteral("Ajouter texte"), panel);
    auto* tools = new QGridLayout;
    tools->addWidget(selectTool_, 0, 0, 1, 2);
    tools->addWidget(fillTool_, 1, 0);
    tools->addWidget(lineTool_, 1, 1);
    tools->addWidget(textTool_, 2, 0);
    tools->addWidget(pictoTool_, 2, 1);
    layout->addLayout(tools);

    layout->addWidget(
        captionLabel(QStringLiteral("Label2"), QStringLiteral("Pictos / Texte :"), panel));
    auto* pictoRow = new QHBoxLayout;
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(
        captionLabel(QStringLiteral("Label3"), QStringLiteral("Disponibles :"), panel));
    pictoList_ = new QListWidget(panel);
    pictoList_->setObjectName(QStringLiteral("List1"));
    pictoList_->setMinimumHeight(90);
    listColumn->addWidget(pictoList_, 1);
    pictoRow->addLayout(listColumn, 1);
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(
        captionLabel(QStringLiteral("Label10"), QStringLiteral("Prévisualisation :"), panel));
    pictoPreview_ = captionLabel(QStringLiteral("PictoTemp"), QString(), panel);
    pictoPreview_->setFixedSize(96, 64);
    pictoPreview_->setAlignment(Qt::AlignCenter);
    previewColumn->addWidget(pictoPreview_);
    removeKeyButton_ =
        button(QStringLiteral("Trans"), QStringLiteral("Retirer transparence"), panel);
    removeKeyButton_->hide();
    previewColumn->addWidget(removeKeyButton_);
    previewColumn->addStretch(1);
    pictoRow->addLayout(previewColumn);
    layout->addLayout(pictoRow, 1);

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(captionLabel(QStringLiteral("Label8"), QStringLiteral("Taille :"), panel));
    widthBox_ = new QComboBox(panel);
    widthBox_->setObjectName(QStringLiteral("Combo1"));
    widthBox_->addItems(
        {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5"), QStringLiteral("7")});
    lineRow->addWidget(widthBox_);
    lineRow->addWidget(
        captionLabel(QStringLiteral("Label7"), QStringLiteral("Prévisualisation ligne :"), panel));
    linePreview_ = captionLabel(QStringLiteral("Line1"), QString(), panel);
    linePreview_->setFixedSize(40, 16);
    lineRow->addWidget(linePreview_);
    lineRow->addStretch(1);
    layout->addLayout(lineRow);
    smoothBox_ = new QCheckBox(QStringLiteral("Lisser en courbe"), panel);
    smoothBox_->setObjectName(QStringLiteral("Check1"));
    backgroundLineBox_ = new QCheckBox(QStringLiteral("Inclure dans le fond"), panel);
    backgroundLineBox_->setObjectName(QStringLiteral("Check2"));
    auto* checks = new QHBoxLayout;
    checks->addWidget(smoothBox_);
    checks->addWidget(backgroundLineBox_);
    layout->addLayout(checks);

    layout->addWidget(
        captionLabel(QStringLiteral("Label11"), QStringLiteral("Prévisualisation texte :"), panel));
    auto* textRow = new QHBoxLayout;
    textPreview_ = captionLabel(QStringLiteral("Label9"), QStringLiteral("AaBbCc"), panel);
    textRow->addWidget(textPreview_, 1);
    changeFontButton_ = button(QStringLiteral("Command9"), QStringLiteral("Changer police"), panel);
    textRow->addWidget(changeFontButton_);
    layout->addLayout(textRow);

    auto* commands = new QGridLayout;
    auto* clear = button(QStringLiteral("Command1"), QStringLiteral("Effacer tout"), panel);
    auto* background = button(QStringLiteral("Command3"), QStringLiteral("Changer fond"), panel);
    auto* load = button(QStringLiteral("Command4"), QStringLiteral("Charger Carte"), panel);
    auto* save = button(QStringLiteral("Command5"), QStringLiteral("Sauver Carte"), panel);
    auto* exportImg = button(QStringLiteral("Command6"), QStringLiteral("Exporter image"), panel);
    auto* guide =
        button(QStringLiteral("Command12"), QStringLiteral("Voir le mode d'emploi"), panel);
    commands->addWidget(load, 0, 0);
    commands->addWidget(save, 0, 1);
    commands->addWidget(background, 1, 0);
    commands->addWidget(exportImg, 1, 1);
    commands->addWidget(clear, 2, 0);
    commands->addWidget(guide, 2, 1);
    layout->addLayout(commands);

    connect(clear, &QPushButton::clicked, this, &MainWindow::clearAll);
    connect(background, &QPushButton::clicked, this, &MainWindow::changeBackground);
    connect(load, &QPushButton::clicked, this, &MainWindow::loadMapCommand);
    connect(save, &QPushButton::clicked, this, &MainWindow::saveMapCommand);
    connect(exportImg, &QPushButton::clicked, this, &MainWindow::exportImage);
    connect(guide, &QPushButton::clicked, this, &MainWindow::showReadme);
    return panel;
}

QWidget* MainWindow::buildBottomPanel() {
    auto* panel = new QWidget(client_);
    panel->setObjectName(QStringLiteral("Picture4"));
    auto* layout = new QGridLayout(panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    layout->addWidget(
        captionLabel(QStringLiteral("Label5"), QStringLiteral("Espace FTP/Hebergement :"), panel),
        0, 0, 1, 2);
    layout->addWidget(captionLabel(QStringLiteral("Label4"), QStringLiteral("Fichier :"), panel), 1,
                      0);
    fileNameBox_ = new QLineEdit(panel);
    fileNameBox_->setObjectName(QStringLiteral("Text1"));
    layout->addWidget(fileNameBox_, 1, 1);
    layout->addWidget(button(QStringLiteral("Command2"), QStringLiteral("Envoyer"), panel), 1, 2);
    layout->addWidget(button(QStringLiteral("Command10"), QStringLiteral("Options"), panel), 0, 2);
    newsButton_ = button(QStringLiteral("CommNews"), QStringLiteral("News"), panel);
    followButton_ = button(QStringLiteral("CommSuivi"), QStringLiteral("Suivi"), panel);
    layout->addWidget(newsButton_, 0, 3);
    layout->addWidget(followButton_, 1, 3);
    statusLabel_ = captionLabel(QStringLiteral("Label6"), QString(), panel);
    statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    linkLabel_ = captionLabel(QStringLiteral("Label12"), QString(), panel);
    layout->addWidget(statusLabel_, 2, 0, 1, 3);
    layout->addWidget(linkLabel_, 2, 3);
    layout->setColumnStretch(1, 1);
    return panel;
}

QString MainWindow::recoveryPath() const {
    return environment_.recoveryFolder + QLatin1Char('/') + kRecoveryName;
}

QString MainWindow::autoSavePath() const {
    const QString folder = environment_.documentsFolder.isEmpty() ? environment_.programFolder
                                                                  : environment_.documentsFolder;
    return folder + QLatin1Char('/') + kAutoSaveName;
}

void MainWindow::startUp() {
    editor_.FillMode = false;
    editor_.SelectMode = true;
    editor_.SelectedItem = -1;
    selectTool_->setChecked(true);

    newsButton_->hide();
    followButton_->hide();

    const QString pictoFolder = environment_.programFolder + QStringLiteral("/picto");

    const StartupSettings startup = readStartupSettings(settings_, environment_.programFolder);
    editor_.Colors = startup.Colors;
    fileNameBox_->setText(startup.ServerFile);
    PublishPanelWidgets publishWidgets;
    publishWidgets.Text1 = fileNameBox_;
    publishWidgets.Label6 = statusLabel_;
    publishWidgets.Label12 = linkLabel_;
    publishWidgets.Command2 = bottomPanel_->findChild<QPushButton*>(QStringLiteral("Command2"));
    publishWidgets.Command10 = bottomPanel_->findChild<QPushButton*>(QStringLiteral("Command10"));
    publishWidgets.CommNews = newsButton_;
    publishWidgets.CommSuivi = followButton_;
    publishPanel_ = std::make_unique<PublishPanel>(publishWidgets, *ui_, settings_,
                                                   environment_.programFolder, startup, [this] {
                                                       // The whole map without the marks; the marks
                                                       // come back on screen afterwards.
                                                       DrawScene(true);
                                                       const QImage map = scene_.surface();
                                                       DrawSelect();
                                                       return map;
                                                   });
    widthBox_->setCurrentIndex(0);
    for (int i = 0; i < 5; ++i)
        paintSwatch(swatches_[i], editor_.Colors[static_cast<std::size_t>(i)]);
    updateLinePreview();
    textStyleChanged();

    library_ = PictoLibrary::build(pictoFolder);
    pictoList_->clear();
    for (std::int32_t n = 1; n <= library_.PictoCount(); ++n) {
        const QString base = library_.baseName(n);
        pictoList_->addItem(base);
        // Rows of the same name all lead to the pictogram added last.
        for (int row = 0; row < pictoList_->count(); ++row) {
            if (pictoList_->item(row)->text() == base)
                pictoList_->item(row)->setData(Qt::UserRole, n);
        }
    }

    buildMenus();

    doc_.BackgroundPath = padBackgroundPath(startup.BackgroundPath);
    setBackgroundPicture(doc_.backgroundFile());
    ResizeFromPic();

    // A map given as argument that cannot be opened (a double-click on a bad file) must not
    // cost the last session: the start goes on from the auto-save, as a plain start does.
    settingBackground_ = startup.BackgroundPath.trimmed();
    if (!environment_.mapToOpen.isEmpty() && LoadMap(environment_.mapToOpen, false)) {
        lastMapFile_ = ownMapFile_ = environment_.mapToOpen;
        updateRecentMaps(environment_.mapToOpen);
    } else
        loadKeptMap(autoSavePath(), true);

    show();
    RefreshForm();
    offerRecovery();
    recovery_.start(environment_.recoveryFolder.isEmpty() ? QString() : recoveryPath());
    history_.reset(doc_); // the map as the start left it: nothing to undo yet
    updateStatusBar();
    readme_->showAtStartUp();
    startedUp_ = true;
}

bool MainWindow::loadKeptMap(const QString& path, bool silent) {
    if (!LoadMap(path, silent))
        return false;
    // The file may name a path it could not store whole (characters outside its code page
    // became '?'); the setting keeps the real one.
    const QString saved = doc_.backgroundFile();
    if (!saved.isEmpty() && !QFileInfo(saved).isFile() && !settingBackground_.isEmpty() &&
        QFileInfo(settingBackground_).isFile()) {
        doc_.setBackgroundFile(settingBackground_);
        setBackgroundPicture(settingBackground_);
        ResizeFromPic();
        DrawScene(true);
    }
    return true;
}

void MainWindow::offerRecovery() {
    if (environment_.recoveryFolder.isEmpty())
        return;
    const QString path = recoveryPath();
    const QFileInfo copy(path);
    if (!copy.exists())
        return;
    // A copy that holds the auto-save's very bytes keeps nothing more. Any other is offered,
    // whatever the dates say: an auto-save written since (a start ended by a signal while this
    // very question was open) holds no newer map.
    QFile copyFile(path), autoSave(autoSavePath());
    if (copyFile.open(QIODevice::ReadOnly) && autoSave.open(QIODevice::ReadOnly) &&
        copyFile.readAll() == autoSave.readAll()) {
        QFile::remove(path);
        return;
    }
    MapDocument probe;
    if (const MapLoadResult readable = grivendale::LoadMap(probe, path); !readable.ok()) {
        // Never read again, never lost, never in the way of the start.
        const QString aside = setAsideName(path);
        if (!QFile::rename(path, aside))
            QFile::remove(path);
        ui_->messageBox(QStringLiteral("La copie de récupération de la carte n'a pas pu être "
                                       "relue ; elle a été mise de côté dans « %1 ».\n%2")
                            .arg(aside, readable.message),
                        kRecoveryTitle, UiPort::Icon::Warning, UiPort::Buttons::Ok);
        return;
    }
    const UiPort::Answer answer = ui_->messageBox(
        QStringLiteral("Grivendale ne s'est pas fermé normalement la dernière fois.\n"
                       "Voulez-vous rouvrir la carte telle qu'elle était au moment de l'arrêt ?"),
        kRecoveryTitle, UiPort::Icon::Question, UiPort::Buttons::YesNo);
    if (answer == UiPort::Answer::Yes) {
        loadKeptMap(path, false);
        editor_.SelectedItem = -1;
        RefreshForm();
    } else {
        QFile::remove(path);
    }
}
void MainWindow::setBackgroundPicture(const QString& path) {
    const QImage picture = path.isEmpty() ? QImage() : LoadPictureEx(path);
    // An unreadable picture leaves a plain canvas of the current size.
    scene_.setBackground(picture, scene_.size());
    presentCanvas();
}

void MainWindow::presentCanvas() {
    // Read only: the canvas keeps sharing the surface's pixels until marks are drawn on it.
    canvas_->showImage(&std::as_const(scene_).canvas(), scene_.takeCanvasChanges());
    // Every change of the map ends in a redraw; a drag is one change, once it is let go.
    recovery_.documentChanged();
    if (QGuiApplication::mouseButtons() == Qt::NoButton)
        history_.record(doc_);
    updateStatusBar();
}

void MainWindow::backgroundChanged() {
    if (doc_.backgroundFile().isEmpty())
        return; // a map that names no background keeps the one on screen
    setBackgroundPicture(doc_.backgroundFile());
    ResizeFromPic();
}

void MainWindow::updateLinePreview() {
    QPixmap line(linePreview_->size());
    line.fill(Qt::transparent);
    {
        QPainter painter(&line);
        const int width = std::clamp(widthFromText(panel_.widthText), 1, line.height());
        painter.setPen(QPen(QColor(bgrToRgb(editor_.Colors[kLineColorSlot])), width, Qt::SolidLine,
                            Qt::FlatCap));
        painter.drawLine(0, line.height() / 2, line.width(), line.height() / 2);
    }
    linePreview_->setPixmap(line);
}

void MainWindow::repaintPanel(QWidget* panel) {
    panel->update();
}

void MainWindow::RefreshForm() {
    repaintPanel(bottomPanel_);
    repaintPanel(toolPanel_);
}

void MainWindow::DrawScene(bool rebuildBackground) {
    scene_.DrawScene(doc_, library_, rebuildBackground);
    presentCanvas();
}

void MainWindow::Flip() {
    scene_.Flip();
    presentCanvas();
}

void MainWindow::DrawSelect() {
    ctx_->drawSelect();
}

bool MainWindow::LoadMap(const QString& path, bool silent) {
    const MapLoadResult result = grivendale::LoadMap(doc_, path);
    if (!result.ok()) {
        if (!silent) {
            if (result.status == MapLoadStatus::WrongVersion)
                ui_->messageBox(kWrongVersionMessage, kWrongVersionTitle, UiPort::Icon::Stop,
                                UiPort::Buttons::Ok);
            else
                ui_->messageBox(
                    QStringLiteral("Cette carte ne peut pas être chargée.\n%1").arg(result.message),
                    kAppTitle, UiPort::Icon::Stop, UiPort::Buttons::Ok);
        }
        return false;
    }
    // A map that names no background keeps the one on screen.
    if (!doc_.backgroundFile().isEmpty()) {
        setBackgroundPicture(doc_.backgroundFile());
        ResizeFromPic();
    }
    DrawScene(true);
    history_.reset(doc_); // another map: the steps of the last one no longer apply
    updateStatusBar();
    return true;
}

bool MainWindow::SaveAll(const QString& path) {
    const MapSaveResult result = grivendale::SaveAll(doc_, path);
    settings_.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("Fichier"),
                          fileNameBox_->text());
    if (!result.ok) {
        ui_->messageBox(QStringLiteral("La carte n'a pas pu être enregistrée.\n%1\nAucun fichier "
                                       "n'a été remplacé.")
                            .arg(result.message),
                        kAppTitle, UiPort::Icon::Stop, UiPort::Buttons::Ok);
        return false;
    }
    return true;
}

void MainWindow::sayWriteFailure(const QString& text) {
    // Ending on a signal, nobody may be asked to press OK: the error output still has it.
    if (ending_) {
        std::fprintf(stderr, "grivendale: %s\n", qUtf8Printable(text));
        return;
    }
    ui_->messageBox(text, kAppTitle, UiPort::Icon::Warning, UiPort::Buttons::Ok);
}

std::optional<QString> MainWindow::askSavePath(UiPort::FileDialog dialog) {
    for (;;) {
        const std::optional<UiPort::ChosenFile> chosen = ui_->saveFile(dialog);
        if (!chosen || chosen->path.isEmpty())
            return std::nullopt;
        const QString path = savePathWithExtension(chosen->path, dialog.filter, chosen->filter);
        if (!QFileInfo::exists(path) ||
            ui_->messageBox(QStringLiteral("Le fichier « %1 » existe déjà.\nVoulez-vous le "
                                           "remplacer ?")
                                .arg(QDir::toNativeSeparators(path)),
                            kAppTitle, UiPort::Icon::Warning,
                            UiPort::Buttons::YesNo) == UiPort::Answer::Yes)
            return path;
        dialog.fileName = path; // the dialog again, for another name
    }
}

bool MainWindow::confirmStorableMap() {
    const std::vector<StorageProblem> problems = storageProblems(doc_);
    if (problems.empty())
        return true;
    const QString text =
        QStringLiteral("Un fichier carte ne peut pas garder tout ce que contient cette carte :\n") +
        describeStorageProblems(problems) + QStringLiteral("\n\nEnregistrer quand même ?");
    return ui_->messageBox(text, kAppTitle, UiPort::Icon::Warning, UiPort::Buttons::YesNo) ==
           UiPort::Answer::Yes;
}

UiPort::FileDialog MainWindow::mapDialog(const QString& title) const {
    return {title, environment_.documentsFolder, lastMapFile_, kMapFilter};
}

void MainWindow::clearAll() {
    const UiPort::Answer answer =
        ui_->messageBox(QStringLiteral(" Etes-vous sûr de vouloir tout effacer ?"), kAppTitle,
                        UiPort::Icon::Question, UiPort::Buttons::YesNo);
    if (answer == UiPort::Answer::Yes) {
        doc_.clearAll();
        editor_.SelectedItem = -1; // its slot is no longer counted
        const QString background = doc_.backgroundFile();
        if (!background.isEmpty() && QFileInfo(background).isFile())
            setBackgroundPicture(background);
        DrawScene(true);
        RefreshForm();
    }
    RefreshForm();
}

void MainWindow::loadMapCommand() {
    const std::optional<QString> path =
        ui_->openFile(mapDialog(QStringLiteral("Charger un fichier carte...")));
    if (!path || path->isEmpty()) {
        RefreshForm();
        return;
    }
    openMapFile(*path);
}

void MainWindow::openMapFile(const QString& path) {
    if (LoadMap(path, false)) {
        lastMapFile_ = ownMapFile_ = path;
        updateRecentMaps(path);
        updateStatusBar();
    }
    DrawScene(true);
    editor_.SelectedItem = -1;
    RefreshForm();
}

void MainWindow::saveMapCommand() {
    const std::optional<QString> path =
        askSavePath(mapDialog(QStringLiteral("Sauvegarder un fichier carte...")));
    if (!path) {
        RefreshForm();
        return;
    }
    lastMapFile_ = *path;
    if (!confirmStorableMap()) {
        RefreshForm();
        return;
    }
    if (SaveAll(*path))
        mapFileSaved(*path);
    DrawScene(true);
    DrawSelect();
    RefreshForm();
}

void MainWindow::changeBackground() {
    const std::optional<QString> path =
        ui_->openFile({QStringLiteral("Charger une nouvelle image..."),
                       environment_.documentsFolder, lastBackgroundFile_, kImageFilter});
    if (!path || path->isEmpty()) {
        repaintPanel(toolPanel_);
        return;
    }
    lastBackgroundFile_ = *path;
    setBackgroundPicture(*path);
    doc_.setBackgroundFile(*path);
    saveBackgroundSetting(settings_, *path);
    ResizeFromPic();
    if (const std::vector<StorageProblem> problems = backgroundPathProblems(*path);
        !problems.empty()) {
        // The editor keeps the path in its settings, but a saved map would lose its background.
        ui_->messageBox(QStringLiteral("Ce fond est bien chargé, mais un fichier carte ne pourra "
                                       "pas retrouver son chemin :\n") +
                            describeStorageProblems(problems) +
                            QStringLiteral("\n\nPour que vos cartes gardent ce fond, placez "
                                           "l'image dans un dossier dont le chemin n'a aucun de "
                                           "ces caractères, puis choisissez-la à nouveau."),
                        kAppTitle, UiPort::Icon::Warning, UiPort::Buttons::Ok);
    }
    repaintPanel(toolPanel_);
}

void MainWindow::exportImage() {
    // The last picture's name, or else the map's own with ".png": never a map file, which one
    // Enter would replace with a picture.
    QString start = lastExportFile_;
    if (start.isEmpty() && !lastMapFile_.isEmpty()) {
        const QFileInfo map(lastMapFile_);
        start = map.dir().filePath(map.completeBaseName() + QStringLiteral(".png"));
    }
    const std::optional<QString> path =
        askSavePath({QStringLiteral("Exporter l'image de la carte"), environment_.documentsFolder,
                     start, kExportFilter});
    if (!path)
        return;
    lastExportFile_ = *path;
    // The file is rendered from the composition, so neither the marks nor the line under way
    // nor another window over the canvas can end up in it.
    DrawScene(true);
    if (const FileWriteResult written = SavePicturePng(scene_.surface(), *path); !written.ok())
        ui_->messageBox(QStringLiteral("L'image n'a pas pu être enregistrée dans « %1 » : %2.\n"
                                       "Aucun fichier n'a été remplacé.")
                            .arg(QDir::toNativeSeparators(*path), written.reason()),
                        kAppTitle, UiPort::Icon::Stop, UiPort::Buttons::Ok);
    DrawSelect();
    RefreshForm();
}

void MainWindow::showReadme() {
    readme_->showOnDemand();
}

void MainWindow::shutDown(bool mayAsk) {
    if (shutDownDone_)
        return;
    shutDownDone_ = true;
    const MapSaveResult saved = grivendale::SaveAll(doc_, autoSavePath());
    if (saved.ok) {
        recovery_.discard();
    } else {
        // The copy is now the only place that may hold the last changes: it stays, and the
        // next start offers it.
        const RecoveryCopy::Kept kept = recovery_.flush();
        if (mayAsk)
            offerSaveElsewhere(saved.message, kept);
        else
            sayWriteFailure(QStringLiteral("La sauvegarde automatique de la carte n'a pas pu être "
                                           "écrite.\n%1")
                                .arg(saved.message));
    }
    settings_.SaveSetting(kMorvessinApp, kMorvessinApp, QStringLiteral("Fichier"),
                          fileNameBox_->text());
    saveLogout(settings_, false);
}

void MainWindow::offerSaveElsewhere(const QString& failure, RecoveryCopy::Kept kept) {
    const QString text =
        QStringLiteral("La sauvegarde automatique de la carte n'a pas pu être écrite.\n%1\n\n")
            .arg(failure);
    if (kept == RecoveryCopy::Kept::Unchanged) {
        ui_->messageBox(text + QStringLiteral("Rien n'est perdu : la carte n'a pas changé depuis "
                                              "son ouverture."),
                        kAppTitle, UiPort::Icon::Warning, UiPort::Buttons::Ok);
        return;
    }
    const QString otherwise =
        kept == RecoveryCopy::Kept::Written
            ? QStringLiteral("Sinon, la carte vous sera proposée au prochain démarrage, depuis sa "
                             "copie de récupération « %1 ».")
                  .arg(QDir::toNativeSeparators(recovery_.path()))
            : QStringLiteral("Sinon, la carte et toutes ses modifications depuis son dernier "
                             "enregistrement seront perdues.");
    for (;;) {
        if (ui_->messageBox(text +
                                QStringLiteral("Voulez-vous l'enregistrer ailleurs avant de "
                                               "quitter ?\n") +
                                otherwise,
                            kAppTitle, UiPort::Icon::Warning,
                            UiPort::Buttons::YesNo) != UiPort::Answer::Yes)
            return;
        const std::optional<QString> path =
            askSavePath(mapDialog(QStringLiteral("Sauvegarder un fichier carte...")));
        if (path && SaveAll(*path)) // a failure is said, and the question comes again
            return;
    }
}

void MainWindow::endNow() {
    ending_ = true;
    // Before start-up has finished the files hold more than the memory: nothing is written.
    if (startedUp_)
        shutDown(false);
    // No code waiting on an open dialog may go on with a made-up answer.
    std::fflush(nullptr);
    std::_Exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown(true);
    event->accept();
    readme_->hide();
    QCoreApplication::quit(); // other windows are not asked
}

} // namespace grivendale
