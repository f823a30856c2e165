#pragma once

#include "editor/editor_context.h"

#include <Qt>

namespace grivendale {

// Delete, Ctrl+C, Ctrl+X, Ctrl+V and Ctrl+Z on key release. `key` is a Qt::Key; a Ctrl
// command runs whenever Ctrl is held, whatever else is. True when a command ran.
bool keyRelease(EditorContext& ctx, int key, Qt::KeyboardModifiers modifiers);

} // namespace grivendale
