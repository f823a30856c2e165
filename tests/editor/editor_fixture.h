#pragma once

#include "editor/editor_context.h"
#include "support/fake_editor_view.h"
#include "support/fake_ui_port.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace grivendale::testing {

// What the editor works on in one test: an empty map and its scene, a scratch folder for the
// pictograms and settings, scripted dialogs and a window that counts what it is asked.
// Each test file saves its own pictograms and background.
class EditorTest : public ::testing::Test {
protected:
    void setPlainBackground(int w, int h, QRgb colour) {
        QImage background(w, h, QImage::Format_RGB32);
        background.fill(colour);
        scene.setBackground(background);
    }

    MapItem& item(std::int32_t slot) { return *doc.item(slot); }
    QRgb canvasAt(int x, int y) const { return scene.canvas().pixel(x, y); }

    QTemporaryDir dir;
    MapDocument doc;
    EditorState state;
    Scene scene;
    PictoLibrary library;
    SettingsStore settings{dir.filePath(QStringLiteral("settings"))};
    FakeUiPort ui;
    FakeEditorView view;
    PanelState panel;
    EditorContext ctx{doc, state, scene, library, settings, ui, view, panel, dir.path()};
};

} // namespace grivendale::testing
