#include "app/french_translations.h"
#include "app/qt_ui_port.h"
#include "app/readme_window.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

QByteArray mapOf(std::initializer_list<std::int32_t> pictos, char version = 17) {
    MapDocument map;
    for (const std::int32_t picto : pictos)
        map.AddPictoItem(picto, 5, 5);
    QByteArray bytes = serializeMapFile(map);
    bytes[0] = version;
    return bytes;
}

} // namespace

TEST_F(WindowTest, StartUpAndShutDownKeepTheSessionAndTheSettings) {
    {
        auto window = start();
        EXPECT_TRUE(window->readmeWindow()->isVisible());
        window->readmeWindow()->findChild<QCheckBox*>(u"Check1"_s)->click();
        window->document().AddPictoItem(1, 30, 40);
        window->findChild<QLineEdit*>(u"Text1"_s)->setText(u"p.png"_s);
        window->close();
    }
    EXPECT_EQ(setting("Grivendale", "Logout"), u"0"_s);
    EXPECT_EQ(setting("Morvessin", "Fichier"), u"p.png"_s);
    {
        // The next start reopens the map and keeps the file; the unticked readme stays out.
        auto next = start();
        EXPECT_EQ(next->document().ItemCount, 1);
        EXPECT_TRUE(QFile::exists(autoSave()));
        EXPECT_FALSE(next->readmeWindow()->isVisible());
    } // this run never shuts down, as after a crash
    auto after = start();
    EXPECT_EQ(after->document().ItemCount, 1);
    EXPECT_FALSE(QFile::exists(autoSave()));
    after->showReadme(); // asked for, it is shown at the next start again
    EXPECT_TRUE(after->readmeWindow()->isVisible());
    EXPECT_EQ(setting("Grivendale", "AfficheReadme"), u"1"_s);
}

TEST_F(WindowTest, TheWindowIsSizedFromTheBackground) {
    setBackground(solidImage(1000, 800, qRgb(10, 20, 30)));
    auto window = start();
    EXPECT_EQ(window->windowTwips(), QSize(20000, 13700));
    EXPECT_EQ(window->findChild<QWidget*>(u"Picture1"_s)->size(), QSize(1000, 800));
    EXPECT_EQ(window->scene().canvas().pixel(900, 700), qRgb(10, 20, 30));
}

TEST_F(WindowTest, MapFilesAndExportThroughTheButtons) {
    FakeUiPort* ui = nullptr;
    setBackground(solidImage(120, 100, qRgb(255, 255, 255)));
    auto window = start(&ui);
    window->document().AddPictoItem(2, 60, 70);
    const QString path = file(u"ma carte.car"_s);
    ui->files.push_back(path);
    window->saveMapCommand();
    const QByteArray saved = readFileBytes(path);
    ui->answers = {UiPort::Answer::No, UiPort::Answer::Yes};
    window->clearAll();
    EXPECT_EQ(window->document().ItemCount, 1);
    window->clearAll();
    EXPECT_EQ(window->document().ItemCount, 0);
    ui->files.push_back(path);
    window->loadMapCommand();
    EXPECT_EQ(serializeMapFile(window->document()), saved);
    EXPECT_EQ(ui->dialogs.back().fileName, path); // the dialog keeps its last name

    // A cancelled dialog, an old version and a corrupt file all leave the map as it is.
    writeFileBytes(file(u"old.car"_s), mapOf({}, 16));
    writeFileBytes(file(u"bad.car"_s), saved.left(510));
    ui->messages.clear();
    ui->files = {std::nullopt, file(u"old.car"_s), file(u"bad.car"_s)};
    for (int i = 0; i < 3; ++i)
        window->loadMapCommand();
    EXPECT_EQ(serializeMapFile(window->document()), saved);
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(ui->messages[0].text, kWrongVersionMessage);

    // The exported picture has the element but not the selection marks on the screen.
    window->editorState().SelectedItem = window->document().AddPictoItem(1, 60, 50);
    window->DrawScene(true);
    window->DrawSelect();
    ASSERT_EQ(window->scene().canvas().pixel(45, 35), qRgb(255, 0, 0)); // a mark's corner
    ui->files.push_back(file(u"export.jpg"_s));
    window->exportImage();
    const QImage exported(file(u"export.jpg"_s), "PNG"); // PNG whatever the name says
    EXPECT_EQ(exported.pixel(45, 35), qRgb(255, 255, 255));
    EXPECT_EQ(exported.pixel(60, 50), qRgb(0, 0, 254));
}

TEST_F(WindowTest, AMapOnTheCommandLineReplacesTheLastSessionOnlyIfItOpens) {
    writeFileBytes(file(u"bonne.car"_s), mapOf({1}));
    writeFileBytes(file(u"ancienne.car"_s), mapOf({}, 16));
    for (const auto& [map, items] :
         {std::pair{"bonne.car", 1}, {"ancienne.car", 2}, {"absente.car", 2}}) {
        SCOPED_TRACE(map);
        writeFileBytes(autoSave(), mapOf({1, 2}));
        FakeUiPort* ui = nullptr;
        auto window = start(&ui, QString(), file(QLatin1String(map)));
        EXPECT_EQ(window->document().ItemCount, items);
        EXPECT_EQ(ui->messages.size(), items == 1 ? 0u : 1u);
        window->close();
        EXPECT_EQ(start()->document().ItemCount, items); // nor does the next start lose it
    }
}

TEST_F(WindowTest, AutoSaveFallsBackAndFailuresAreSaid) {
    start(nullptr, u""_s)->close(); // no documents folder: the program folder
    EXPECT_TRUE(QFile::exists(program(u"GrivendaleSauvegarde.car"_s)));
    // A documents folder that cannot hold the file: said in a box, the settings still written.
    writeFileBytes(file(u"plain-file"_s), "x");
    FakeUiPort* ui = nullptr;
    auto window = start(&ui, file(u"plain-file/sub"_s)); // it owns `ui`
    window->close();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_TRUE(ui->messages[0].text.contains(u"sauvegarde automatique"_s));
    EXPECT_EQ(setting("Grivendale", "Logout"), u"0"_s);
}

TEST_F(WindowTest, ABackgroundPathTheMapFileCannotHoldIsNotLost) {
    // An ordinary Linux folder name that Windows-1252 cannot store.
    const QString background = file(u"cartes/łódź/fond.png"_s);
    ASSERT_TRUE(QDir().mkpath(file(u"cartes/łódź"_s)));
    ASSERT_TRUE(solidImage(40, 30, qRgb(10, 20, 30)).save(background));
    {
        FakeUiPort* ui = nullptr;
        auto window = start(&ui);
        window->document().AddPictoItem(1, 5, 5);
        ui->files.push_back(background);
        window->changeBackground(); // it warns at once, and keeps the path in the settings
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_TRUE(ui->messages[0].text.contains(u"ł, ź"_s));
        EXPECT_EQ(window->windowTwips(), QSize(12500, 10000)); // the smallest window
        EXPECT_EQ(setting("Morvessin", "Background"), background.leftJustified(500));
        // Saving asks first, naming what would be lost; "Non" writes nothing, "Oui" does.
        ui->files = {file(u"carte.car"_s), file(u"carte.car"_s)};
        ui->answers = {UiPort::Answer::No, UiPort::Answer::Yes};
        window->saveMapCommand();
        ASSERT_EQ(ui->messages.size(), 2u);
        EXPECT_TRUE(ui->messages[1].text.contains(u"remplacés par « ? »"_s));
        EXPECT_FALSE(QFile::exists(file(u"carte.car"_s)));
        window->saveMapCommand();
        EXPECT_TRUE(QFile::exists(file(u"carte.car"_s)));
        window->close();
    }
    // The auto-save holds '?' where the path had those letters; the setting has it whole.
    auto next = start();
    EXPECT_EQ(next->document().backgroundFile(), background);
    EXPECT_EQ(next->scene().canvas().pixel(35, 25), qRgb(10, 20, 30));
    EXPECT_EQ(next->scene().canvas().pixel(5, 5), qRgb(0, 0, 254));
}

TEST_F(WindowTest, ACrashIsRecoveredFromTheCopyKeptWhileEditing) {
    // The answer, whether the copy is made unreadable, the elements after the next start.
    const std::tuple<UiPort::Answer, bool, std::int32_t> cases[] = {
        {UiPort::Answer::Yes, false, 2}, // "Oui" reopens the map as it was
        {UiPort::Answer::No, false, 1},  // "Non" starts from the auto-save, deletes the copy
        {UiPort::Answer::Yes, true, 1},  // an unreadable copy is set aside
    };
    const QString copy = recoveryFolder() + u"/recuperation.car"_s;
    for (const auto& [answer, corrupt, items] : cases) {
        SCOPED_TRACE(::testing::Message() << "answer " << int(answer) << ", corrupt " << corrupt);
        QDir(recoveryFolder()).removeRecursively();
        writeFileBytes(autoSave(), mapOf({1}));
        {
            auto window = start();
            window->document().AddPictoItem(2, 7, 7);
            window->DrawScene(true);
            window->recoveryCopy().flush();
        } // the run ends here without a shutdown, as a crash or a kill does
        ASSERT_TRUE(QFile::exists(copy));
        if (corrupt)
            writeFileBytes(copy, QByteArray("\x11\0\0\0 rien", 9));
        FakeUiPort* ui = nullptr;
        auto window = start(&ui, QString(), QString(), {answer});
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(window->document().ItemCount, items);
        EXPECT_EQ(QFile::exists(copy), answer == UiPort::Answer::Yes && !corrupt);
        EXPECT_EQ(QDir(recoveryFolder()).entryList({u"*-illisible-*"_s}).size(), corrupt);
        window->close(); // back to a normal end for the next case
    }
}

TEST(StandardDialogs, SpeakFrenchAndTakeTheMapFilters) {
    const auto translations = installFrenchTranslations();
    ASSERT_NE(translations, nullptr) << "Qt's French translations are not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), u"Annuler"_s);
    EXPECT_EQ(toQtFileFilter(u"Images (*.png,*.gif)|*.png;*.gif|Tous|*.*"_s),
              u"Images (*.png *.gif);;Tous (*.*)"_s);
}
