#pragma once

#include "editor/editor_context.h"

namespace grivendale {

// Mouse buttons as the canvas reports them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;

// Sets the tool flags for an option button; nothing else changes.
void chooseTool(EditorContext& ctx, Tool tool);

// The canvas handlers. `button` is 1 (left) or 2 (right) for press and release; for a move,
// `buttons` is the set held (1 = left only, 2 = right only, 3 = both). Coordinates are the
// canvas's own, real-valued.
void pointerPress(EditorContext& ctx, int button, double x, double y);
void pointerMove(EditorContext& ctx, int buttons, double x, double y);
void pointerRelease(EditorContext& ctx, int button, double x, double y);
void pointerDoubleClick(EditorContext& ctx);

// The fill step of the fill tool; true when a fill was added.
bool fillStep(EditorContext& ctx, double x, double y);

} // namespace grivendale
