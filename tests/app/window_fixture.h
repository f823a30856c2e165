#pragma once

#include "app/main_window.h"
#include "document/map_file.h"
#include "support/fake_ui_port.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace grivendale::testing {

using namespace Qt::StringLiterals;

inline QImage solidImage(int w, int h, QRgb color) {
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

} // namespace grivendale::testing
