#include "app/french_translations.h"
#include "app/main_window.h"
#include "app/qt_ui_port.h"
#include "app/readme_window.h"
#include "document/map_file.h"
#include "document/settings_store.h"
#include "support/fake_ui_port.h"
#include "support/test_support.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::FakeUiPort;
using grivendale::testing::solidImage;
using grivendale::testing::WindowTest;

namespace {} // namespace

TEST_F(WindowTest, FirstStartUsesTheDefaults) {
    auto window = start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tessaval - Grivendale v1.8"));
    EXPECT_EQ(window->editorState().Colors,
              (std::array<std::uint32_t, 5>{65280, 0, 33023, 255, 16777215}));
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(),
              QStringLiteral("carte.png"));
    EXPECT_EQ(window->document().backgroundFile(), program(QStringLiteral("prev.gif")));
    EXPECT_EQ(window->library().PictoCount(), 2);
    auto* list = window->findChild<QListWidget*>(QStringLiteral("List1"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("bleu"));
    EXPECT_EQ(list->item(1)->data(Qt::UserRole).toInt(), 2);

    ReadmeWindow* readme = window->readmeWindow();
    EXPECT_TRUE(readme->isVisible());
    EXPECT_TRUE(readme->findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
    EXPECT_TRUE(readme->findChild<QWidget*>(QStringLiteral("Text1")) != nullptr);
    EXPECT_EQ(settings().GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                                    QStringLiteral("Logout"), QString()),
              QStringLiteral("1"));
    for (const char* name :
         {"Command1",  "Command2",  "Command3", "Command4",  "Command5", "Command6", "Command9",
          "Command10", "Command12", "Option1",  "Option2",   "Option5",  "Option6",  "Option7",
          "Combo1",    "Check1",    "Check2",   "Label6",    "Label9",   "Col0",     "Col4",
          "FF",        "Picture4",  "Picture1", "PictoTemp", "Trans"})
        EXPECT_TRUE(window->findChild<QWidget*>(QLatin1String(name))) << name;
}

TEST_F(WindowTest, NormalShutdownWritesTheAutoSaveAndTheRunFlag) {
    auto window = start();
    window->document().AddPictoItem(1, 30, 40);
    window->findChild<QLineEdit*>(QStringLiteral("Text1"))
        ->setText(QStringLiteral("prevision.png"));
    window->close();

    MapDocument saved;
    ASSERT_TRUE(
        grivendale::LoadMap(saved, documents() + QStringLiteral("/GrivendaleSauvegarde.car")).ok());
    EXPECT_EQ(saved.ItemCount, 1);
    const SettingsStore store = settings();
    EXPECT_EQ(store.GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                               QStringLiteral("Logout"), QString()),
              QStringLiteral("0"));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                               QStringLiteral("Fichier"), QString()),
              QStringLiteral("prevision.png"));

    // The next start reopens the map and keeps the file until the next shutdown.
    auto next = start();
    EXPECT_EQ(next->document().ItemCount, 1);
    EXPECT_TRUE(QFile::exists(next->autoSavePath()));
}

TEST_F(WindowTest, StartAfterAnAbnormalEndShowsTheMapAndRemovesTheFile) {
    MapDocument map;
    map.AddPictoItem(1, 50, 50);
    ASSERT_TRUE(
        grivendale::SaveAll(map, documents() + QStringLiteral("/GrivendaleSauvegarde.car")).ok);
    SettingsStore store = settings();
    saveLogout(store, true); // the previous run never shut down

    auto window = start();
    EXPECT_EQ(window->document().ItemCount, 1);
    EXPECT_FALSE(QFile::exists(window->autoSavePath()));
}

TEST_F(WindowTest, UntickedReadmeIsNotShownAtTheNextStart) {
    {
        auto window = start();
        auto* box = window->readmeWindow()->findChild<QCheckBox*>(QStringLiteral("Check1"));
        box->click();
        EXPECT_FALSE(box->isChecked());
        window->close();
    }
    auto window = start();
    EXPECT_FALSE(window->readmeWindow()->isVisible());
    EXPECT_FALSE(window->readmeWindow()->isLoaded());
    // On demand it is shown ticked, and the next start shows it again.
    window->showReadme();
    EXPECT_TRUE(window->readmeWindow()->isVisible());
    EXPECT_TRUE(
        window->readmeWindow()->findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
    EXPECT_EQ(settings().GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                                    QStringLiteral("AfficheReadme"), QString()),
              QStringLiteral("1"));
}

TEST_F(WindowTest, WindowIsSizedFromTheBackground) {
    struct Case {
        QSize background;
        QSize twips;
    };
    const Case cases[] = {
        {{400, 300}, {12500, 10000}},
        {{1000, 800}, {20000, 13700}},
        {{600, 700}, {14000, 12200}},
    };
    for (const Case& c : cases) {
        setBackground(solidImage(c.background.width(), c.background.height(), qRgb(200, 220, 255)));
        auto window = start();
        EXPECT_EQ(window->windowTwips(), c.twips);
        EXPECT_EQ(window->scene().size(), c.background);
        const QWidget* canvas = window->findChild<QWidget*>(QStringLiteral("Picture1"));
        EXPECT_EQ(canvas->size(), c.background);
        const QWidget* panel = window->findChild<QWidget*>(QStringLiteral("FF"));
        EXPECT_EQ(panel->width(), 305);
    }
}

TEST_F(WindowTest, VersionSixteenIsRefusedWithTheMessage) {
    FakeUiPort* ui = nullptr;
    auto window = start(&ui);
    window->document().AddPictoItem(1, 10, 10);
    const QByteArray before = serializeMapFile(window->document());

    QByteArray old = serializeMapFile(MapDocument{});
    old[0] = 16;
    grivendale::testing::writeFileBytes(file(QStringLiteral("old.car")), old);
    ui->files.push_back(file(QStringLiteral("old.car")));
    window->loadMapCommand();

    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].title, QStringLiteral("Problème!"));
    EXPECT_EQ(ui->messages[0].text, kWrongVersionMessage);
    EXPECT_EQ(ui->messages[0].icon, UiPort::Icon::Stop);
    EXPECT_EQ(serializeMapFile(window->document()), before);
    EXPECT_EQ(ui->dialogs[0].title, QStringLiteral("Charger un fichier carte..."));
    EXPECT_EQ(ui->dialogs[0].filter, QStringLiteral("Fichier cartes (*.car)|*.car"));
    EXPECT_EQ(ui->dialogs[0].folder, documents());

    // A corrupt file is refused too, with its own message.
    grivendale::testing::writeFileBytes(file(QStringLiteral("bad.car")),
                                        serializeMapFile(MapDocument{}).left(510));
    ui->files.push_back(file(QStringLiteral("bad.car")));
    window->loadMapCommand();
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(serializeMapFile(window->document()), before);
}

TEST_F(WindowTest, SaveAndLoadThroughTheButtons) {
    FakeUiPort* ui = nullptr;
    auto window = start(&ui);
    window->document().AddPictoItem(2, 60, 70);
    window->document().AddFill(5, 5, 0xFF);
    const QString path = file(QStringLiteral("ma carte.car"));
    ui->files.push_back(path);
    window->saveMapCommand();
    EXPECT_EQ(ui->dialogs.back().title, QStringLiteral("Sauvegarder un fichier carte..."));
    const QByteArray saved = grivendale::testing::readFileBytes(path);
    EXPECT_EQ(saved, serializeMapFile(window->document()));

    ui->answers.push_back(UiPort::Answer::Yes);
    window->clearAll();
    EXPECT_EQ(ui->messages.back().text, QStringLiteral(" Etes-vous sûr de vouloir tout effacer ?"));
    EXPECT_EQ(ui->messages.back().title, QStringLiteral("Grivendale"));
    EXPECT_EQ(window->document().ItemCount, 0);

    ui->files.push_back(path);
    window->loadMapCommand();
    EXPECT_EQ(ui->dialogs.back().fileName, path); // the dialog keeps its last name
    EXPECT_EQ(serializeMapFile(window->document()), saved);

    // Cancelled dialogs change nothing.
    ui->files.push_back(std::nullopt);
    window->loadMapCommand();
    EXPECT_EQ(serializeMapFile(window->document()), saved);
    ui->answers.push_back(UiPort::Answer::No);
    window->clearAll();
    EXPECT_EQ(window->document().ItemCount, 1);
}

TEST_F(WindowTest, ExportHasNoSelectionMarks) {
    FakeUiPort* ui = nullptr;
    setBackground(solidImage(120, 100, qRgb(255, 255, 255)));
    auto window = start(&ui);
    const std::int32_t slot = window->document().AddPictoItem(1, 60, 50);
    window->DrawScene(true);
    window->editorState().SelectedItem = slot;
    window->DrawSelect();
    const auto isRed = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(255, 0, 0))
                    return true;
        return false;
    };
    ASSERT_TRUE(isRed(window->scene().canvas()));

    const QString path = file(QStringLiteral("export.jpg"));
    ui->files.push_back(path);
    window->exportImage();
    EXPECT_EQ(ui->dialogs.back().title, QStringLiteral("Exporter l'image de la carte"));
    EXPECT_EQ(ui->dialogs.back().filter,
              QStringLiteral("Image PNG (*.png)|*.png|Tous fichiers|*.*"));
    EXPECT_TRUE(grivendale::testing::readFileBytes(path).startsWith("\x89PNG"));
    const QImage exported(path, "PNG");
    ASSERT_EQ(exported.size(), QSize(120, 100));
    EXPECT_FALSE(isRed(exported));
    EXPECT_EQ(exported.pixel(60, 50), qRgb(0, 0, 254)); // an opaque PNG pixel, blended by 255/256

    // Cancelling writes nothing, whatever name the dialog kept.
    QFile::remove(path);
    ui->files.push_back(std::nullopt);
    window->exportImage();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(WindowTest, ChangingTheBackgroundKeepsElementCoordinates) {
    FakeUiPort* ui = nullptr;
    setBackground(solidImage(400, 300, qRgb(255, 255, 255)));
    auto window = start(&ui);
    window->document().AddPictoItem(1, 30, 40);
    window->DrawScene(true);

    const QString path = file(QStringLiteral("grand fond.png"));
    solidImage(1000, 800, qRgb(10, 20, 30)).save(path);
    ui->files.push_back(path);
    window->changeBackground();

    EXPECT_EQ(ui->dialogs.back().title, QStringLiteral("Charger une nouvelle image..."));
    EXPECT_TRUE(ui->dialogs.back().fileName.isEmpty());
    EXPECT_EQ(window->document().Items[1].X, 30);
    EXPECT_EQ(window->document().Items[1].Y, 40);
    EXPECT_EQ(window->document().backgroundFile(), path);
    EXPECT_EQ(window->windowTwips(), QSize(20000, 13700));
    const QString stored =
        settings().GetSetting(QStringLiteral("Morvessin"), QStringLiteral("Morvessin"),
                              QStringLiteral("Background"), QString());
    EXPECT_EQ(stored.size(), 500);
    EXPECT_EQ(stored.trimmed(), path);
    // No element is drawn until the next edit.
    EXPECT_EQ(window->scene().canvas().pixel(30, 40), qRgb(10, 20, 30));
    window->DrawScene(true);
    EXPECT_EQ(window->scene().canvas().pixel(30, 40), qRgb(0, 0, 254));
}

TEST_F(WindowTest, AutoSaveFallsBackAndFailuresAreSaid) {
    // No documents folder: the auto-save goes to the program folder.
    {
        auto window = start(nullptr, QStringLiteral(""));
        EXPECT_EQ(window->autoSavePath(), program(QStringLiteral("GrivendaleSauvegarde.car")));
        window->close();
        EXPECT_TRUE(QFile::exists(program(QStringLiteral("GrivendaleSauvegarde.car"))));
    }
    // A documents folder that cannot hold the file: said in a box, and the settings still written.
    grivendale::testing::writeFileBytes(file(QStringLiteral("plain-file")), "x");
    FakeUiPort* ui = nullptr;
    auto window = start(&ui, file(QStringLiteral("plain-file/sub")));
    window->close();
    ASSERT_FALSE(ui->messages.empty());
    EXPECT_TRUE(ui->messages.back().text.contains(QStringLiteral("sauvegarde automatique")));
    EXPECT_EQ(settings().GetSetting(QStringLiteral("Grivendale"), QStringLiteral("Grivendale"),
                                    QStringLiteral("Logout"), QString()),
              QStringLiteral("0"));
}

TEST_F(WindowTest, MapGivenOnTheCommandLineIsOpened) {
    MapDocument map;
    map.AddPictoItem(1, 1, 1);
    map.AddPictoItem(2, 2, 2);
    ASSERT_TRUE(grivendale::SaveAll(map, file(QStringLiteral("ouvrir.car"))).ok);
    auto window = start(nullptr, QString(), file(QStringLiteral("ouvrir.car")));
    EXPECT_EQ(window->document().ItemCount, 2);
}

TEST_F(WindowTest, AMapThatCannotBeOpenedLeavesTheLastSessionIntact) {
    MapDocument last;
    last.AddPictoItem(1, 5, 5);
    last.AddPictoItem(2, 6, 6);
    const QString autoSave = documents() + QStringLiteral("/GrivendaleSauvegarde.car");
    ASSERT_TRUE(grivendale::SaveAll(last, autoSave).ok);
    QByteArray old = serializeMapFile(MapDocument{});
    old[0] = 16;
    grivendale::testing::writeFileBytes(file(QStringLiteral("ancienne.car")), old);

    FakeUiPort* ui = nullptr;
    auto window = start(&ui, QString(), file(QStringLiteral("ancienne.car")));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text, kWrongVersionMessage);
    EXPECT_EQ(window->document().ItemCount, 2);
    window->close();
    MapDocument after;
    ASSERT_TRUE(grivendale::LoadMap(after, autoSave).ok());
    EXPECT_EQ(after.ItemCount, 2);
}

TEST_F(WindowTest, ABackgroundPathTheMapFileCannotHoldIsNotLost) {
    // An ordinary Linux folder name that Windows-1252 cannot store.
    const QString folder = file(QStringLiteral("cartes/łódź"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString background = folder + QStringLiteral("/fond.png");
    ASSERT_TRUE(solidImage(40, 30, qRgb(10, 20, 30)).save(background));
    {
        FakeUiPort* ui = nullptr;
        auto window = start(&ui);
        ui->files.push_back(background);
        window->changeBackground();
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_TRUE(ui->messages[0].text.contains(QStringLiteral("ł, ź")))
            << ui->messages[0].text.toStdString();

        // Saving asks first, naming what would be lost; "Non" writes nothing.
        window->document().AddPictoItem(1, 5, 5);
        window->document().Items[1].Text = QString(70000, QLatin1Char('a'));
        ui->files.push_back(file(QStringLiteral("carte.car")));
        window->saveMapCommand();
        ASSERT_EQ(ui->messages.size(), 2u);
        EXPECT_EQ(ui->messages[1].buttons, UiPort::Buttons::YesNo);
        EXPECT_TRUE(ui->messages[1].text.contains(QStringLiteral("remplacés par « ? »")));
        EXPECT_TRUE(ui->messages[1].text.contains(QStringLiteral("trop long et sera coupé")));
        EXPECT_FALSE(QFile::exists(file(QStringLiteral("carte.car"))));
        ui->answers.push_back(UiPort::Answer::Yes);
        ui->files.push_back(file(QStringLiteral("carte.car")));
        window->saveMapCommand();
        EXPECT_TRUE(QFile::exists(file(QStringLiteral("carte.car"))));
        window->close();
    }
    // The auto-save holds '?' where the path had those letters; the setting has it whole.
    auto next = start();
    EXPECT_EQ(next->document().backgroundFile(), background);
    EXPECT_EQ(next->scene().canvas().pixel(35, 25), qRgb(10, 20, 30));
}

TEST_F(WindowTest, ACrashIsRecoveredFromTheCopyKeptWhileEditing) {
    struct Case {
        const char* name;
        UiPort::Answer answer;
        bool corrupt;
        std::int32_t items; // after the next start
    };
    const Case cases[] = {
        {"Oui reopens the map as it was", UiPort::Answer::Yes, false, 2},
        {"Non starts from the auto-save and deletes the copy", UiPort::Answer::No, false, 1},
        {"an unreadable copy is set aside", UiPort::Answer::Yes, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(recoveryFolder()).removeRecursively();
        {
            auto window = start();
            window->document().clearAll();
            window->document().AddPictoItem(1, 5, 5);
            window->close(); // a normal end: auto-save with one item, no copy left
            ASSERT_FALSE(QFile::exists(window->recoveryPath()));
        }
        const QString copy = recoveryFolder() + QStringLiteral("/recuperation.car");
        {
            auto window = start();
            window->document().AddPictoItem(2, 7, 7);
            window->DrawScene(true);
            window->recoveryCopy().flush();
            // The run ends here without a shutdown, as a crash or a kill does.
        }
        ASSERT_TRUE(QFile::exists(copy));
        if (c.corrupt)
            grivendale::testing::writeFileBytes(copy, QByteArray("\x11\0\0\0 rien", 9));
        FakeUiPort* ui = nullptr;
        std::deque<UiPort::Answer> answers{c.answer};
        auto window = [&] {
            // The question comes during start-up, so the answer must be there before it.
            auto fake = std::make_unique<FakeUiPort>();
            fake->answers = answers;
            ui = fake.get();
            AppEnvironment env{program().chopped(1), documents(),
                               root_.filePath(QStringLiteral("settings")), QString(),
                               recoveryFolder()};
            auto w = std::make_unique<MainWindow>(env, std::move(fake));
            w->startUp();
            return w;
        }();
        ASSERT_EQ(ui->messages.size(), 1u);
        EXPECT_EQ(ui->messages[0].title, QStringLiteral("Grivendale - Récupération"));
        EXPECT_EQ(window->document().ItemCount, c.items);
        EXPECT_EQ(QFile::exists(copy), c.answer == UiPort::Answer::Yes && !c.corrupt);
        EXPECT_EQ(QDir(recoveryFolder()).entryList({QStringLiteral("*-illisible-*")}).size(),
                  c.corrupt ? 1 : 0);
    }
}

TEST(StandardDialogs, SpeakFrenchAndShowEachPatternOnce) {
    const auto translations = installFrenchTranslations();
    ASSERT_NE(translations, nullptr) << "Qt's French translations are not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')),
              QStringLiteral("Annuler"));

    EXPECT_EQ(toQtFileFilter(QStringLiteral("Fichier cartes (*.car)|*.car")),
              QStringLiteral("Fichier cartes (*.car)"));
    EXPECT_EQ(toQtFileFilter(QStringLiteral("Images (*.png,*.gif)|*.png;*.gif|Tous|*.*")),
              QStringLiteral("Images (*.png *.gif);;Tous (*.*)"));
}
