#pragma once

#include "editor/editor_context.h"

#include <Qt>

namespace grivendale {

// Delete, Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+Z (undo), Ctrl+Y and Ctrl+Shift+Z (redo) on key
// release. `key` is a Qt::Key; a Ctrl command runs whenever Ctrl is held, whatever else is.
// True when a command ran.
bool keyRelease(EditorContext& ctx, int key, Qt::KeyboardModifiers modifiers);

// Undo (`redo` false) or redo one change of the session, then show the map; without a
// session history, undo takes back the map's last addition.
void stepCommand(EditorContext& ctx, bool redo);

} // namespace grivendale
