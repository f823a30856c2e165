#include "app/french_translations.h"
#include "app/qt_ui_port.h"
#include "app/readme_window.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

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
    // Never shut down, as after a crash: the next start still reads the map, then drops its file.
    EXPECT_FALSE(start()->readmeWindow()->isVisible());
    auto after = start();
    EXPECT_EQ(after->document().ItemCount, 1);
    EXPECT_FALSE(QFile::exists(autoSave()));
    after->showReadme(); // asked for, it is shown at the next start again
    EXPECT_TRUE(after->readmeWindow()->isVisible());
    EXPECT_EQ(setting("Grivendale", "AfficheReadme"), u"1"_s);

    // Without a documents folder the auto-save goes to the program folder; one that cannot be
    // made is said in a box, and the settings are written all the same.
    start(u""_s)->close();
    EXPECT_TRUE(QFile::exists(file(u"program/GrivendaleSauvegarde.car"_s)));
    writeFileBytes(file(u"plain-file"_s), "x");
    after = start(file(u"plain-file/sub"_s));
    after->close();
    EXPECT_EQ(ui_->messages.size(), 1u);
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
    window->exportImage();
    const QImage exported(file(u"export.jpg"_s), "PNG"); // PNG whatever the name says
    EXPECT_EQ(exported.pixel(45, 35), qRgb(10, 20, 30));
    EXPECT_EQ(exported.pixel(60, 50), qRgb(0, 0, 254));
    for (const std::int32_t left : {1, 0}) { // "Non" keeps the map, "Oui" clears it
        window->clearAll();
        EXPECT_EQ(window->document().ItemCount, left);
    }
    window->loadMapCommand();
    EXPECT_EQ(serializeMapFile(window->document()), readFileBytes(map));
    window->close();
    // The auto-save holds '?' where the path had those letters; the setting has it whole.
    window = start();
    EXPECT_EQ(window->document().backgroundFile(), background);
    EXPECT_EQ(window->scene().canvas().pixel(110, 90), qRgb(10, 20, 30));
    EXPECT_EQ(window->scene().canvas().pixel(60, 50), qRgb(0, 0, 254));
}

TEST_F(WindowTest, ACrashIsRecoveredFromTheCopyKeptWhileEditing) {
    // "Non" starts from the auto-save and deletes the copy; an unreadable copy is set aside.
    const QString copy = file(u"data/recuperation.car"_s);
    for (const bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable);
        writeFileBytes(autoSave(), mapOf({1}));
        auto crashed = start();
        crashed->document().AddPictoItem(1, 7, 7);
        crashed->DrawScene(true);
        crashed->recoveryCopy().flush();
        crashed.reset(); // the run ends without a shutdown, as a crash or a kill does
        ASSERT_TRUE(QFile::exists(copy));
        if (unreadable)
            writeFileBytes(copy, QByteArray("\x11\0\0\0 rien", 9));
        auto window = start(QString(), QString(), {UiPort::Answer::No});
        ASSERT_EQ(ui_->messages.size(), 1u);
        EXPECT_EQ(window->document().ItemCount, 1);
        EXPECT_FALSE(QFile::exists(copy));
        EXPECT_EQ(QDir(file(u"data"_s)).entryList({u"*-illisible-*"_s}).size(), unreadable);
        window->close(); // back to a normal end for the next case
    }
}

TEST(StandardDialogs, SpeakFrenchAndTakeTheMapFilters) {
    const auto translations = installFrenchTranslations();
    ASSERT_NE(translations, nullptr) << "Qt's French translations are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Annuler"_s); // buttons
    EXPECT_EQ(toQtFileFilter(u"Images (*.png,*.gif)|*.png;*.gif|Tous|*.*"_s),
              u"Images (*.png *.gif);;Tous (*.*)"_s);
}
