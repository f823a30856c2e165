#pragma once

#include "app/publish_panel.h"
#include "document/map_document.h"
#include "document/picto_library.h"
#include "document/settings_store.h"
#include "document/text_style.h"
#include "editor/editor_context.h"
#include "editor/editor_state.h"
#include "editor/editor_view.h"
#include "editor/recovery_copy.h"
#include "editor/ui_port.h"
#include "render/scene.h"

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QSize>

#include <memory>
#include <set>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace grivendale {

class CanvasWidget;
class FontChooserWindow;
class QtUiPort;
class ReadmeWindow;

// Where the main window finds and keeps its files. Tests point every folder at a temporary one.
struct AppEnvironment {
    QString programFolder;   // picto/, prev.gif, readme.txt
    QString documentsFolder; // the auto-save file and the dialogs' starting folder
    QString settingsFolder;  // empty: the user's own settings store
    QString mapToOpen;       // a ".car" given on the command line, instead of the auto-save
    QString recoveryFolder;  // the copy kept against crashes; empty: none
};

inline const QString kMainWindowTitle = QStringLiteral("Tessaval - Grivendale v1.8");
inline const QString kAppTitle = QStringLiteral("Grivendale");
inline const QString kAutoSaveName = QStringLiteral("GrivendaleSauvegarde.car");
inline const QString kRecoveryName = QStringLiteral("recuperation.car");
inline const QString kRecoveryTitle = QStringLiteral("Grivendale - Récupération");

// The main window: owns the map, the editor state, the pictogram library and the scene, and
// forwards the canvas, the keys and the panels to the editor.
class MainWindow final : public QMainWindow, public EditorView {
    Q_OBJECT
public:
    // `ui` replaces the real dialogs (tests); null means the window's own.
    explicit MainWindow(AppEnvironment environment, std::unique_ptr<UiPort> ui = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; each failing step is skipped.
    void startUp();

    // Commands of the buttons, callable directly.
    void clearAll();         // "Effacer tout"
    void loadMapCommand();   // "Charger Carte"
    void saveMapCommand();   // "Sauver Carte"
    void changeBackground(); // "Changer fond"
    void exportImage();      // "Exporter image"
    void showReadme();       // "Voir le mode d'emploi"
    // "Charger Carte" once a file is chosen; also a map handed over by a later start.
    void openMapFile(const QString& path);
    // The session is ending: write what a normal close writes without asking anything, then
    // end the process at once.
    [[noreturn]] void endNow();

    // The canvas's zoom: only how the map is shown (the composition, the files and the publish
    // keep the map's own size). Each keeps the middle of the visible map in place.
    double zoom() const;
    void setZoom(double zoom); // limited to 25 % .. 400 %, whole from 100 % up
    void zoomIn();             // the next level: 25, 33, 50, 67, 100, 200, 300, 400 %
    void zoomOut();
    void actualSize();  // 100 %
    void fitToWindow(); // the largest factor, at most 100 %, showing the whole map

    // Loads a map file; `silent` suppresses the version message. True on success.
    bool LoadMap(const QString& path, bool silent);
    // Writes the map and stores the upload file name; false (after saying so) on failure.
    bool SaveAll(const QString& path);
    void DrawScene(bool rebuildBackground);
    void Flip();
    void DrawSelect();
    void RefreshForm();
    void ResizeFromPic();

    // The window size ResizeFromPic asked for, in twips (before any limit to the screen).
    QSize windowTwips() const { return windowTwips_; }
    QString autoSavePath() const;
    QString recoveryPath() const;
    RecoveryCopy& recoveryCopy() { return recovery_; }
    const AppEnvironment& environment() const { return environment_; }

    MapDocument& document() { return doc_; }
    EditorState& editorState() { return editor_; }
    const PictoLibrary& library() const { return library_; }
    Scene& scene() { return scene_; }
    SettingsStore& settings() { return settings_; }
    UiPort& ui() { return *ui_; }
    ReadmeWindow* readmeWindow() const { return readme_.get(); }
    PublishPanel* publishPanel() const { return publishPanel_.get(); }
    EditorContext& editor() { return *ctx_; }
    PanelState& panel() { return panel_; }
    FontChooserWindow* fontChooser() const;
    // The font chooser's calling protocol: shown modally, read back only after "OK".
    std::optional<TextStyle> runFontChooser(const TextStyle& initial);

    // What the editor asks of the window.
    void present() override;
    void letEventsRun() override;
    void setMoveCursor(bool move) override;
    std::optional<MenuCommand> openMenu(Menu menu, bool smoothTicked) override;
    void toolChanged(Tool tool) override;
    void paletteChanged(int slot) override;
    void textStyleChanged() override;
    void backgroundChanged() override;
    SessionHistory& history() { return history_; }

Q_SIGNALS:
    void zoomChanged(double zoom);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildToolPanel();
    QWidget* buildBottomPanel();
    void placeControls(QSize client);
    // Sizes the window, frame included, to what it wants within the screen's available area.
    void fitToScreen();
    QScrollArea* panelScrollArea(QWidget* panel, Qt::Orientation scrolling);
    void buildMenuBar();
    void buildStatusBar();
    void updateStatusBar();
    void updateRecentMaps(const QString& path);
    void saveToOwnFile(); // "Enregistrer"
    // A map file now holds the map: it is the map's own, and the map is unchanged.
    void mapFileSaved(const QString& path);
    // The canvas's scroll area: as large as the shown map, within the room the panels leave.
    void placeCanvasArea();
    QSize canvasRoom() const;
    void connectZoom();
    // Zooms keeping the map point at `anchor` (scroll area viewport pixels) where it is.
    void zoomAround(double zoom, QPointF anchor);
    void setBackgroundPicture(const QString& path);
    void presentCanvas();
    void connectEditor();
    void buildMenus();
    void updateLinePreview();
    void pictoChosen(QListWidgetItem* item);
    void previewClicked(QPoint at);
    // The writes of a normal close; `mayAsk` lets it offer another place for the map when the
    // auto-save cannot be written (never on a signal).
    void shutDown(bool mayAsk);
    void offerSaveElsewhere(const QString& failure, RecoveryCopy::Kept kept);
    // A save dialog's answer with the extension of its filter, once replacing an existing
    // file is agreed; nothing when cancelled.
    std::optional<QString> askSavePath(UiPort::FileDialog dialog);
    void sayWriteFailure(const QString& text);
    // Loads a map kept by the program itself; a background it names that no longer exists
    // gives way to the one of the settings.
    bool loadKeptMap(const QString& path, bool silent);
    void offerRecovery();
    // Tells what a map file would lose; true when the user still wants it saved.
    bool confirmStorableMap();
    void repaintPanel(QWidget* panel);
    UiPort::FileDialog mapDialog(const QString& title) const;

    AppEnvironment environment_;
    SettingsStore settings_;
    std::unique_ptr<UiPort> ui_;
    MapDocument doc_;
    EditorState editor_;
    PictoLibrary library_;
    Scene scene_;
    PanelState panel_;
    std::unique_ptr<EditorContext> ctx_;
    QImage previewImage_;       // the chosen pictogram as the preview shows it
    QMenu* lineMenu_ = nullptr; // popupm
    QMenu* textMenu_ = nullptr; // pop2
    QAction* smoothAction_ = nullptr;
    QAction* widthMenuAction_ = nullptr;
    QAction* lineSeparator_ = nullptr;
    QPointer<FontChooserWindow> fontChooser_;
    QPushButton* changeColourButtons_[3] = {};
    QPushButton* changeFontButton_ = nullptr;
    // Each dialog starts from a name of its own kind, never from a file of another kind.
    QString lastMapFile_;
    QString lastExportFile_;
    QString lastBackgroundFile_;
    std::set<QString> settingsFailuresSaid_; // each settings file that failed, said once
    QSize windowTwips_;
    QSize wantedClient_;   // the client area the map asks for, before the screen limits it
    QMargins fittedFrame_; // the frame the last fit counted with
    int fitsByMove_ = 0;
    QScrollArea* toolScroll_ = nullptr;
    QScrollArea* bottomScroll_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QLabel* fileStatus_ = nullptr;
    QLabel* zoomStatus_ = nullptr;
    QLabel* pointerStatus_ = nullptr;
    QString ownMapFile_; // the file the map was last opened from or saved to, "Enregistrer"'s
    bool shutDownDone_ = false;
    bool ending_ = false;    // on a signal: nothing may wait for an answer
    bool startedUp_ = false; // until then the map in memory is not yet the session's
    // Keys pressed with Ctrl held: their release counts as Ctrl+key even when Ctrl went first.
    std::set<int> pressedWithCtrl_;
    QString settingBackground_; // the "Background" setting read at start-up, trimmed
    RecoveryCopy recovery_;
    SessionHistory history_;

    QWidget* client_ = nullptr;
    QScrollArea* canvasArea_ = nullptr;
    CanvasWidget* canvas_ = nullptr;
    QWidget* toolPanel_ = nullptr;   // FF
    QWidget* bottomPanel_ = nullptr; // Picture4
    QListWidget* pictoList_ = nullptr;
    QLabel* pictoPreview_ = nullptr;
    QPushButton* removeKeyButton_ = nullptr;
    QComboBox* widthBox_ = nullptr;
    QCheckBox* smoothBox_ = nullptr;
    QCheckBox* backgroundLineBox_ = nullptr;
    QLabel* linePreview_ = nullptr;
    QLabel* textPreview_ = nullptr;
    QLabel* swatches_[5] = {};
    QWidget* textFieldPanel_ = nullptr;
    QRadioButton* fillTool_ = nullptr;
    QRadioButton* lineTool_ = nullptr;
    QRadioButton* selectTool_ = nullptr;
    QRadioButton* pictoTool_ = nullptr;
    QRadioButton* textTool_ = nullptr;
    QLineEdit* fileNameBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QPushButton* newsButton_ = nullptr;
    QPushButton* followButton_ = nullptr;
    std::unique_ptr<ReadmeWindow> readme_;
    std::unique_ptr<PublishPanel> publishPanel_; // made at start-up, from the settings
};

} // namespace grivendale
