#pragma once

#include "editor/pointer_editing.h"
#include "support/fake_editor_view.h"
#include "support/fake_ui_port.h"
#include "support/test_support.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace grivendale::testing {

inline constexpr QRgb kGround = 0xFF3080C0;          // neither white, black nor a picture's
inline constexpr std::uint32_t kGreenBgr = 0x00FF00; // colours as the map stores them
inline constexpr std::uint32_t kRedBgr = 0x0000FF;
inline constexpr std::int32_t kCloud = 1; // 11 x 9, white with a black centre
inline constexpr std::int32_t kSun = 2;   // 5 x 5, magenta (the default key) round red

// An empty map on a 200 x 150 ground, two pictograms (odd sizes put the cloud's borders on half
// pixels), scripted dialogs and a window that counts what it is asked.
class EditorTest : public ::testing::Test {
protected:
    EditorTest() {
        QImage cloud(11, 9, QImage::Format_RGB32);
        cloud.fill(Qt::white);
        cloud.setPixel(5, 4, qRgb(0, 0, 0));
        cloud.save(dir.filePath(QStringLiteral("a-nuage.bmp")));
        QImage sun(5, 5, QImage::Format_RGB32);
        sun.fill(qRgb(255, 0, 255));
        sun.setPixel(2, 2, qRgb(255, 0, 0));
        sun.save(dir.filePath(QStringLiteral("b-soleil.bmp")));
        library = PictoLibrary::build(dir.path());
        QImage ground(200, 150, QImage::Format_RGB32);
        ground.fill(kGround);
        scene.setBackground(ground);
        state.Colors = {kGreenBgr, kRedBgr, 0, 0, 0xFF0000};
    }
    void click(int button, double x, double y) {
        pointerPress(ctx, button, x, y);
        pointerRelease(ctx, button, x, y);
    }
    std::int32_t addLine(std::initializer_list<std::pair<int, int>> points) {
        return doc.AddLine(lineThrough(points, 1, kRedBgr), false, false);
    }
    MapItem& item(std::int32_t slot) { return *doc.item(slot); }
    std::vector<std::int32_t> box(std::int32_t slot) {
        return {item(slot).X, item(slot).Y, item(slot).Width, item(slot).Height};
    }
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
