#pragma once

#include "app/main_window.h"
#include "document/settings_store.h"
#include "support/fake_ui_port.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace grivendale::testing {

inline QImage solidImage(int w, int h, QRgb color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// One run of the program: its own program, documents and settings folders.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        QDir(root_.path()).mkpath(QStringLiteral("program/picto"));
        QDir(root_.path()).mkpath(QStringLiteral("documents"));
        QDir(root_.path()).mkpath(QStringLiteral("settings"));
        solidImage(20, 20, qRgb(0, 0, 255)).save(program(QStringLiteral("picto/bleu.png")));
        solidImage(10, 10, qRgb(0, 255, 0)).save(program(QStringLiteral("picto/vert.bmp")));
        QFile readme(program(QStringLiteral("readme.txt")));
        ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
        readme.write("Mode d'emploi de l'\xc3\xa9"
                     "diteur\n");
    }

    QString program(const QString& name = {}) const {
        return root_.filePath(QStringLiteral("program/") + name);
    }
    QString documents() const { return root_.filePath(QStringLiteral("documents")); }
    QString recoveryFolder() const { return root_.filePath(QStringLiteral("data")); }
    QString file(const QString& name) const { return root_.filePath(name); }
    SettingsStore settings() const {
        return SettingsStore(root_.filePath(QStringLiteral("settings")));
    }

    // Starts a run; `ui` answers its boxes and dialogs.
    std::unique_ptr<MainWindow> start(FakeUiPort** ui = nullptr, QString documentsFolder = {},
                                      QString mapToOpen = {}) {
        auto fake = std::make_unique<FakeUiPort>();
        if (ui)
            *ui = fake.get();
        AppEnvironment env{program().chopped(1),
                           documentsFolder.isNull() ? documents() : documentsFolder,
                           root_.filePath(QStringLiteral("settings")), mapToOpen, recoveryFolder()};
        auto window = std::make_unique<MainWindow>(env, std::move(fake));
        window->startUp();
        return window;
    }

    void setBackground(const QImage& image) {
        const QString path = file(QStringLiteral("fond.png"));
        image.save(path);
        SettingsStore store = settings();
        saveBackgroundSetting(store, path);
    }

    QTemporaryDir root_;
};

} // namespace grivendale::testing
