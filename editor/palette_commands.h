#pragma once

#include "editor/editor_context.h"

#include <QImage>
#include <QPoint>

namespace grivendale {

// A swatch (or its "Changer" button) clicked: the colour dialog, then slot 0 chooses the fill
// tool and slot 1 the line tool; the colour is stored, also when the dialog was cancelled.
void changePaletteColour(EditorContext& ctx, int slot);

// A row of the pictogram list chosen: the preview picture to show (null when unreadable);
// the tool becomes "Ajouter :".
QImage choosePicto(EditorContext& ctx, std::int32_t number);

// A click at `at` on the preview picture: its colour becomes the pictogram's transparent
// colour. False when nothing was chosen or the point is outside the picture; `error` says
// when the key file could not be written (the colour still applies for this run).
bool pickTransparentColour(EditorContext& ctx, const QImage& preview, QPoint at, QString* error);

// "Retirer transparence" on the chosen pictogram; false (with `error`) when the key file
// could not be written.
bool removeTransparency(EditorContext& ctx, QString* error);

// The style of new labels through the font chooser; unchanged when it is cancelled.
void changeTextStyle(EditorContext& ctx);

// The size box of the font chooser: its leading number, or nothing when it is not above 1.
std::optional<double> fontSizeFromText(const QString& text);

} // namespace grivendale
