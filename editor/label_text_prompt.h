#pragma once

#include "editor/ui_port.h"

#include <QString>

#include <optional>

namespace grivendale {

// The input box of a label's text. A text a map file cannot keep whole (characters outside its
// code page, or too long) is said at once, while the user can still change it: "Non" brings
// the box back with what was typed, "Oui" keeps it as it is. Nothing, or an empty text, when
// cancelled.
std::optional<QString> askLabelText(UiPort& ui, const QString& prompt, const QString& title,
                                    const QString& start);

} // namespace grivendale
