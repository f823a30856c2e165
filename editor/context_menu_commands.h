#pragma once

#include "editor/editor_context.h"

namespace grivendale {

// Runs a command of the two context menus on the selected element. Commands on a selection
// that names no counted slot do nothing.
void runMenuCommand(EditorContext& ctx, const MenuCommand& command);

// "Changer Texte...", also run by a double-click on a selected text.
void changeText(EditorContext& ctx);

} // namespace grivendale
