#pragma once

#include "document/map_document.h"
#include "document/picto_library.h"
#include "document/settings_store.h"
#include "document/text_style.h"
#include "editor/editor_state.h"
#include "editor/editor_view.h"
#include "editor/session_history.h"
#include "editor/ui_port.h"
#include "render/scene.h"
#include "render/selection_draw.h"

#include <QString>

#include <optional>

namespace grivendale {

// What the tool panel shows, kept current by the window: the editor reads it when it needs it.
struct PanelState {
    QString widthText = QStringLiteral("1");   // the line-width box
    bool smooth = false;                       // "Lisser en courbe"
    bool inBackground = false;                 // "Inclure dans le fond"
    TextStyle textStyle;                       // the text preview: style of new labels
    std::optional<std::int32_t> selectedPicto; // the chosen row of the pictogram list
};

// Everything an editing command works on. The main window owns all of it for the whole run.
struct EditorContext {
    MapDocument& doc;
    EditorState& state;
    Scene& scene;
    PictoLibrary& library;
    SettingsStore& settings;
    UiPort& ui;
    EditorView& view;
    PanelState& panel;
    QString pictoFolder;
    SessionHistory* history = nullptr; // undo and redo of the session; none: additions only

    // Recomposes the map (with or without the base layers) and shows it.
    void drawScene(bool rebuild) {
        scene.DrawScene(doc, library, rebuild);
        view.present();
    }
    void flip() {
        scene.Flip();
        view.present();
    }
    // The selection marks over the presented scene.
    void drawSelect() {
        scene.canvasMarked(DrawSelect(scene.canvas(), doc, state.SelectedItem,
                                      [this](std::int32_t n) -> std::optional<PictoSize> {
                                          if (const PictoEntry* e = library.entry(n))
                                              return PictoSize{e->Width, e->Height};
                                          return std::nullopt;
                                      }));
        view.present();
    }
    // The selected element, or null when the selection names no counted slot.
    MapItem* selected() { return doc.item(state.SelectedItem); }
};

} // namespace grivendale
