#pragma once

#include "render/scene.h"

#include <cstdint>
#include <optional>

namespace grivendale {

// The tools of the option buttons; all tool flags false is placing pictograms.
enum class Tool { Fill, Line, Select, AddPicto, Text };

// A command chosen in one of the two context menus.
struct MenuCommand {
    enum class Kind {
        ToggleSmooth,  // "Lisser en courbe"
        LineWidth,     // "Taille ligne" entry `index` 0..3: width 2i + 1
        SwapPicto,     // pictogram entry: `index` is the pictogram number
        DeleteElement, // "Supprimer" of the line and pictogram menu
        ChangeText,    // "Changer Texte..."
        TextSize,      // "Taille" entry `index` 0..7: 2(i + 4) points
        OtherSize,     // "Autre..."
        TextColour,    // "Couleur..."
        TextFont,      // "Police..."
        DeleteText,    // "Supprimer" of the text menu
    };
    Kind kind;
    std::int32_t index = 0;

    bool operator==(const MenuCommand&) const = default;
};

// What the editor needs from the window it runs in. The window implements it with widgets;
// tests implement it with scripted answers.
class EditorView {
public:
    enum class Menu {
        Text, // pop2
        Line, // popupm with the line entries shown
        Picto // popupm with only the pictogram entries
    };

    virtual ~EditorView() = default;

    // Shows the scene's canvas as it is now (after a composition or marks).
    virtual void present() = 0;
    // Lets pending window events run (a drag step ends with it).
    virtual void letEventsRun() = 0;
    // The four-headed move cursor during a drag, the default one otherwise.
    virtual void setMoveCursor(bool move) = 0;
    // Opens a context menu at the pointer and returns the command chosen, if any.
    // `smoothTicked` ticks "Lisser en courbe" in the line menu.
    virtual std::optional<MenuCommand> openMenu(Menu menu, bool smoothTicked) = 0;
    // The option buttons, swatches, previews and list follow the editor's state.
    virtual void toolChanged(Tool tool) = 0;
    virtual void paletteChanged(int slot) = 0;
    virtual void textStyleChanged() = 0;
    // The map names another background (an undo or redo of a background change).
    virtual void backgroundChanged() {}
};

} // namespace grivendale
