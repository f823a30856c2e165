#include "app/canvas_widget.h"
#include "app/font_chooser_window.h"
#include "app/french_translations.h"
#include "app/main_window.h"
#include "app/qt_ui_port.h"
#include "app/readme_window.h"
#include "document/map_file.h"
#include "support/fake_ui_port.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;
using namespace Qt::StringLiterals;

namespace {

QImage solidImage(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// One run of the program: its own program, documents, settings and recovery ("data") folders.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QString& folder : {u"program/picto"_s, u"documents"_s, u"settings"_s})
            ASSERT_TRUE(QDir().mkpath(file(folder)));
        solidImage(20, 20, qRgb(0, 0, 255)).save(file(u"program/picto/bleu.png"_s));
    }

    QString file(const QString& name) const { return root_.filePath(name); }
    QString autoSave() const { return file(u"documents/GrivendaleSauvegarde.car"_s); }
    SettingsStore settings() const { return SettingsStore(file(u"settings"_s)); }
    QString setting(const char* application, const char* key) const {
        const QString app = QLatin1String(application);
        return settings().GetSetting(app, app, QLatin1String(key), QString());
    }

    // Starts a run; `ui_` answers its boxes and dialogs, `answers` those of the start itself.
    std::unique_ptr<MainWindow> start(QString documentsFolder = {}, QString mapToOpen = {},
                                      std::deque<UiPort::Answer> answers = {}) {
        auto fake = std::make_unique<FakeUiPort>();
        fake->answers = std::move(answers);
        ui_ = fake.get();
        AppEnvironment env{file(u"program"_s),
                           documentsFolder.isNull() ? file(u"documents"_s) : documentsFolder,
                           file(u"settings"_s), mapToOpen, file(u"data"_s)};
        auto window = std::make_unique<MainWindow>(env, std::move(fake));
        window->startUp();
        return window;
    }

    QTemporaryDir root_;
    FakeUiPort* ui_ = nullptr; // the last run's, owned by its window
};

// The window as the user has it: real mouse and key events through the offscreen platform.
class EditingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        solidImage(200, 150, qRgb(255, 255, 255)).save(file(u"fond.png"_s));
        SettingsStore store = settings();
        saveBackgroundSetting(store, file(u"fond.png"_s));
        saveShowReadme(store, false); // the readme would take the keyboard
        window_ = start();
        canvas_ = window_->findChild<CanvasWidget*>();
        ASSERT_TRUE(canvas_ && QTest::qWaitForWindowExposed(window_.get()));
    }
    // What the window shows at that canvas point once it has painted, as a screen grab would.
    QRgb shown(QPoint at) {
        QCoreApplication::processEvents();
        const QPoint p = canvas_->mapTo(window_.get(), at);
        const QPixmap grab = window_->screen()->grabWindow(window_->winId(), p.x(), p.y(), 1, 1);
        return grab.toImage().pixel(0, 0);
    }
    std::unique_ptr<MainWindow> window_;
    CanvasWidget* canvas_ = nullptr;
};

QByteArray mapOf(std::initializer_list<std::int32_t> pictos, char version = 17) {
    MapDocument map;
    for (const std::int32_t picto : pictos)
        map.AddPictoItem(picto, 5, 5);
    QByteArray bytes = serializeMapFile(map);
    bytes[0] = version;
    return bytes;
}

} // namespace

TEST_F(WindowTest, TheMapTheSettingsAndTheReadmeChoiceOutliveTheRun) {
    {
        auto window = start();
        EXPECT_TRUE(window->readmeWindow()->isVisible());
        window->readmeWindow()->findChild<QCheckBox*>()->click(); // not at the next start
        window->document().AddPictoItem(1, 30, 40);
        window->findChild<QLineEdit*>(u"Text1"_s)->setText(u"p.png"_s);
        window->close();
    }
    EXPECT_EQ(setting("Grivendale", "Logout"), u"0"_s);
    EXPECT_EQ(setting("Morvessin", "Fichier"), u"p.png"_s);
    // Never shut down, as after a crash, twice: the auto-save stays, whatever the run flag
    // says, and so does it when the guide is asked for (the flag is 1 while the editor runs).
    EXPECT_FALSE(start()->readmeWindow()->isVisible());
    auto after = start();
    EXPECT_EQ(after->document().ItemCount, 1);
    after->showReadme(); // asked for, it is shown at the next start again
    EXPECT_TRUE(after->readmeWindow()->isVisible());
    EXPECT_EQ(setting("Grivendale", "AfficheReadme"), u"1"_s);
    EXPECT_TRUE(QFile::exists(autoSave()));

    // Without a documents folder the auto-save goes to the program folder. One that cannot be
    // written offers the map dialog ("ailleurs" takes ".car"); the recovery copy, the only
    // copy left where the map is expected, stays; the settings are written all the same.
    start(u""_s)->close();
    EXPECT_TRUE(QFile::exists(file(u"program/GrivendaleSauvegarde.car"_s)));
    writeFileBytes(file(u"plain-file"_s), "x");
    after = start(file(u"plain-file/sub"_s));
    after->document().AddPictoItem(1, 8, 8);
    ui_->answers = {UiPort::Answer::Yes};
    ui_->files = {file(u"ailleurs"_s)};
    after->close();
    EXPECT_EQ(readFileBytes(file(u"ailleurs.car"_s)), serializeMapFile(after->document()));
    EXPECT_EQ(readFileBytes(file(u"data/recuperation.car"_s)), serializeMapFile(after->document()));
    EXPECT_EQ(setting("Grivendale", "Logout"), u"0"_s);
}

TEST_F(WindowTest, AMapOnTheCommandLineReplacesTheLastSessionOnlyIfItOpens) {
    writeFileBytes(file(u"bonne.car"_s), mapOf({1}));
    writeFileBytes(file(u"ancienne.car"_s), mapOf({}, 16));
    // The map given, the elements then and at the next start, the start of the box shown.
    const std::tuple<const char*, std::int32_t, QString> cases[] = {
        {"bonne.car", 1, QString()},
        {"ancienne.car", 2, kWrongVersionMessage},
        {"absente.car", 2, u"Cette carte ne peut pas être chargée."_s},
    };
    for (const auto& [map, items, message] : cases) {
        SCOPED_TRACE(map);
        writeFileBytes(autoSave(), mapOf({1, 1}));
        auto window = start(QString(), file(QLatin1String(map)));
        EXPECT_EQ(window->document().ItemCount, items);
        EXPECT_EQ(ui_->messages.empty() ? QString() : ui_->messages[0].text.left(message.size()),
                  message);
        window->close();
        EXPECT_EQ(start()->document().ItemCount, items); // nor does the next start lose it
    }
}

TEST_F(WindowTest, MapFilesTheExportAndABackgroundPathTheMapFileCannotHold) {
    // An ordinary Linux folder name that Windows-1252 cannot store.
    const QString background = file(u"cartes/łódź/fond.png"_s), map = file(u"carte.car"_s);
    ASSERT_TRUE(QDir().mkpath(file(u"cartes/łódź"_s)));
    ASSERT_TRUE(solidImage(120, 100, qRgb(10, 20, 30)).save(background));
    auto window = start();
    window->editorState().SelectedItem = window->document().AddPictoItem(1, 60, 50);
    ui_->files = {background, map, map, file(u"export.jpg"_s), map};
    window->changeBackground(); // it warns at once, and keeps the path in the settings
    // Saving asks first, naming what would be lost; "Non" writes nothing, "Oui" does.
    using A = UiPort::Answer;
    ui_->answers = {A::No, A::Yes, A::No, A::Yes}; // then "Non" and "Oui" to clearing all
    window->saveMapCommand();
    EXPECT_FALSE(QFile::exists(map));
    window->saveMapCommand();
    ASSERT_EQ(ui_->messages.size(), 3u);
    EXPECT_TRUE(ui_->messages[0].text.contains(u"ł, ź"_s));
    EXPECT_TRUE(ui_->messages[1].text.contains(u"remplacés par « ? »"_s));
    // The exported picture has the element but not the selection marks on the screen.
    ASSERT_EQ(window->scene().canvas().pixel(45, 35), qRgb(255, 0, 0)); // a mark's corner
    window->exportImage(); // offered under the map's name, as a picture
    EXPECT_EQ(ui_->dialogs.back().fileName, file(u"carte.png"_s));
    const QImage exported(file(u"export.jpg"_s), "PNG"); // PNG whatever the name says
    EXPECT_EQ(exported.pixel(45, 35), qRgb(10, 20, 30));
    EXPECT_EQ(exported.pixel(60, 50), qRgb(0, 0, 254));
    for (const std::int32_t left : {1, 0}) { // "Non" keeps the map, "Oui" clears it
        window->clearAll();
        EXPECT_EQ(window->document().ItemCount, left);
    }
    window->loadMapCommand();
    EXPECT_EQ(serializeMapFile(window->document()), readFileBytes(map));
    // A bare name takes the map extension; replacing that file asks first, and "Non" keeps it.
    window->document().AddPictoItem(1, 9, 9);
    ui_->files = {file(u"carte"_s)};
    window->saveMapCommand();
    EXPECT_TRUE(ui_->messages.back().text.startsWith(u"Le fichier « "_s + map + u" » existe"_s));
    EXPECT_NE(serializeMapFile(window->document()), readFileBytes(map));
    window->close();
    // The auto-save holds '?' where the path had those letters; the setting has it whole.
    window = start();
    EXPECT_EQ(window->document().backgroundFile(), background);
    EXPECT_EQ(window->scene().canvas().pixel(110, 90), qRgb(10, 20, 30));
    EXPECT_EQ(window->scene().canvas().pixel(60, 50), qRgb(0, 0, 254));
}

TEST_F(WindowTest, ACrashIsRecoveredFromTheCopyKeptWhileEditing) {
    // "Oui" reopens the copy, "Non" starts from the auto-save and deletes the copy; an
    // unreadable copy is set aside. The next normal end auto-saves what was chosen.
    const QString copy = file(u"data/recuperation.car"_s);
    using enum UiPort::Answer;
    for (const auto& [answer, unreadable, items] :
         {std::tuple{Yes, false, 2}, {No, false, 1}, {No, true, 1}}) {
        SCOPED_TRACE(unreadable + 2 * (answer == Yes));
        writeFileBytes(autoSave(), mapOf({1}));
        auto crashed = start();
        crashed->document().AddPictoItem(1, 7, 7);
        crashed->DrawScene(true);
        crashed->recoveryCopy().flush();
        crashed.reset(); // the run ends without a shutdown, as a crash or a kill does
        ASSERT_TRUE(QFile::exists(copy));
        QTest::qWait(20);
        writeFileBytes(autoSave(), mapOf({1})); // newer, yet no newer map
        if (unreadable)
            writeFileBytes(copy, QByteArray("\x11\0\0\0 rien", 9));
        auto window = start(QString(), QString(), {answer});
        ASSERT_EQ(ui_->messages.size(), 1u);
        EXPECT_EQ(window->document().ItemCount, items);
        EXPECT_EQ(QDir(file(u"data"_s)).entryList({u"*-illisible-*"_s}).size(), unreadable);
        window->close();
        EXPECT_FALSE(QFile::exists(copy));
        window = start();
        EXPECT_EQ(window->document().ItemCount, items);
        window->close();
    }
}

TEST(StandardDialogs, SpeakFrenchAndTakeTheMapFilters) {
    const auto translations = installFrenchTranslations();
    ASSERT_NE(translations, nullptr) << "Qt's French translations are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Annuler"_s); // buttons
    EXPECT_EQ(toQtFileFilter(u"Images (*.png,*.gif)|*.png;*.gif|Tous|*.*"_s),
              u"Images (*.png *.gif);;Tous (*.*)"_s);
}

TEST_F(EditingTest, TheCanvasAndThePanelsReachTheEditorAndTheScreen) {
    MapDocument& doc = window_->document();
    window_->findChild<QRadioButton*>(u"Option2"_s)->click();        // lines
    window_->findChild<QComboBox*>(u"Combo1"_s)->setCurrentIndex(1); // "3"
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {20, 120});
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {80, 130});
    QTest::mouseClick(canvas_, Qt::RightButton, {}, {80, 130}); // ends the line
    ASSERT_EQ(doc.LineCount, 1);
    EXPECT_EQ(doc.Lines[1].Width, 3);
    EXPECT_EQ(shown({50, 125}), qRgb(0, 0, 0));

    window_->findChild<QListWidget*>(u"List1"_s)->setCurrentRow(0);
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {50, 40});
    ASSERT_EQ(doc.ItemCount, 2);
    EXPECT_EQ(shown({50, 40}), qRgb(0, 0, 254));
    // Dragged with the selection tool: the canvas shows it moved and marked, and no longer
    // where it was.
    window_->findChild<QRadioButton*>(u"Option5"_s)->click();
    QTest::mousePress(canvas_, Qt::LeftButton, {}, {52, 41});
    QTest::mouseMove(canvas_, {62, 51});
    QTest::mouseMove(canvas_, {72, 61});
    QTest::mouseRelease(canvas_, Qt::LeftButton, {}, {72, 61});
    EXPECT_EQ(QPoint(doc.Items[2].X, doc.Items[2].Y), QPoint(70, 60));
    EXPECT_EQ(shown({55, 45}), qRgb(255, 0, 0)); // the selection marks
    EXPECT_EQ(shown({50, 40}), qRgb(255, 255, 255));
    // The menus' "Annuler" and "Rétablir" take the whole drag back and bring it again; the
    // status bar says the map changed since it was opened.
    const auto entry = [&](const QString& text) {
        for (QAction* action : window_->menuBar()->findChildren<QAction*>())
            if (action->text().startsWith(text))
                action->trigger();
        return QPoint(doc.Items[2].X, doc.Items[2].Y);
    };
    EXPECT_EQ(entry(u"&Annuler"_s), QPoint(50, 40));
    EXPECT_EQ(entry(u"&Rétablir"_s), QPoint(70, 60));
    EXPECT_TRUE(window_->statusBar()->findChild<QLabel*>()->text().endsWith(u"modifiée"_s));

    // A right click on a swatch or the text preview opens nothing, a left one the chooser.
    QTest::mouseClick(window_->findChild<QWidget*>(u"Col0"_s), Qt::RightButton);
    QTest::mouseClick(window_->findChild<QWidget*>(u"Label9"_s), Qt::RightButton);
    EXPECT_TRUE(ui_->colorStarts.empty() && ui_->fontStarts.empty());
    ui_->colors.push_back(QColor(255, 0, 0));
    QTest::mouseClick(window_->findChild<QWidget*>(u"Col0"_s), Qt::LeftButton);
    EXPECT_EQ(window_->editorState().Colors[0], 0x0000FFu);
}

TEST_F(EditingTest, TheFontChooserGivesTheStyleBackOnlyOnOK) {
    const TextStyle missing{u"Arial"_s, 14.0, false, true, true}; // a family this machine lacks
    const TextStyle dejaVu{u"DejaVu Sans"_s, 13.0, true, false, false};
    // The button clicked once the sizes are typed, the style given, the style given back.
    const std::tuple<const char*, QStringList, TextStyle, std::optional<TextStyle>> cases[] = {
        {"Command1", {}, missing, missing}, // "OK", with a row highlighted but none chosen
        {"Command2", {u"20"_s}, dejaVu, std::nullopt}, // "Annuler"
        // Sizes the box cannot take leave the last one; 10.5 comes back rounded to the even 10.
        {"Command1", {u"10.5"_s, u"1"_s, u"abc"_s}, dejaVu, TextStyle{dejaVu.family, 10.0, true}},
    };
    for (const auto& [button, sizes, given, expected] : cases) {
        QTimer::singleShot(
            0, window_.get(), [this, button = button, sizes = sizes, first = given == missing] {
                FontChooserWindow* chooser = window_->fontChooser();
                // Active (at its first showing), its list has the focus and a highlighted row.
                EXPECT_TRUE(!first || QTest::qWaitFor([=] { return chooser->isActiveWindow(); }));
                EXPECT_NE(chooser->findChild<QListWidget*>()->currentItem(), nullptr);
                for (const QString& size : sizes)
                    chooser->findChild<QComboBox*>()->setCurrentText(size);
                QTest::mouseClick(chooser->findChild<QPushButton*>(QLatin1String(button)),
                                  Qt::LeftButton);
            });
        EXPECT_EQ(window_->runFontChooser(given), expected) << button;
    }
}

TEST_F(EditingTest, AtAZoomThePointerAndTheScreenMeetOnTheSameMapPixel) {
    MapDocument& doc = window_->document();
    window_->findChild<QListWidget*>(u"List1"_s)->setCurrentRow(0);
    // From a pictogram at (110, 80): the zoom, the tool, the pointer's path on the canvas (a
    // click when it is one point), where the last pictogram then is.
    const std::tuple<double, const char*, std::vector<QPoint>, QPoint> cases[] = {
        {2.0, "Option5", {{220, 160}, {240, 180}, {260, 200}}, {130, 100}}, // a 40-pixel drag
        {2.0, "Option6", {{263, 203}}, {131, 101}}, // canvas pixel 263 shows map pixel 131
        {0.5, "Option6", {{25, 20}}, {50, 40}},
    };
    for (const auto& [zoom, tool, path, item] : cases) {
        SCOPED_TRACE(::testing::Message() << zoom << tool << path.size());
        doc.clearAll();
        doc.AddPictoItem(1, 110, 80);
        window_->DrawScene(true);
        window_->setZoom(zoom);
        window_->findChild<QRadioButton*>(QLatin1String(tool))->click();
        QTest::mousePress(canvas_, Qt::LeftButton, {}, path.front());
        for (const QPoint& at : path)
            QTest::mouseMove(canvas_, at);
        QTest::mouseRelease(canvas_, Qt::LeftButton, {}, path.back());
        EXPECT_EQ(QPoint(doc.Items[doc.ItemCount].X, doc.Items[doc.ItemCount].Y), item);
        // The canvas pixel showing the pictogram's left column (away from the marks), and the
        // one left of it.
        const QPoint edge((item.x() - 10) * zoom, (item.y() - 7) * zoom);
        EXPECT_EQ(shown(edge), qRgb(0, 0, 254));
        EXPECT_EQ(shown(edge - QPoint(1, 0)), qRgb(255, 255, 255));
        EXPECT_EQ(canvas_->visibleRegion(), QRegion(canvas_->rect())); // it fits: all of it shows
    }
    // Ctrl+wheel, three notches at canvas point (30, 2) from 100 %: 400 %, the map point
    // under the pointer stays under it (the canvas scrolls).
    std::vector<double> zooms;
    const QObject listening;
    QObject::connect(window_.get(), &MainWindow::zoomChanged, &listening,
                     [&zooms](double zoom) { zooms.push_back(zoom); });
    window_->actualSize();
    const QWidget* viewport = canvas_->parentWidget();
    const QPoint pointer = canvas_->mapTo(viewport, QPoint(30, 2));
    QWheelEvent wheel(QPointF(30, 2), canvas_->mapToGlobal(QPointF(30, 2)), {}, {0, 360}, {},
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(canvas_, &wheel);
    EXPECT_EQ(zooms, (std::vector<double>{1.0, 4.0}));
    const QPointF under = canvas_->toImage(canvas_->mapFrom(viewport, pointer));
    EXPECT_NEAR(under.x(), 30, 0.25);
    EXPECT_NEAR(under.y(), 2, 0.25);
}
