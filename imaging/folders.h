#pragma once

#include <QString>
#include <QStringList>

// Where the program writes: temporary files, and the maps the user saves.

namespace grivendale {

// Drops one trailing '/' or '\\'; a lone separator (the root) stays.
QString trimTrailingSeparator(const QString& path);

// The system temporary folder, without a trailing separator.
QString GetTempFolder();

// The first usable of: the user's documents folder, the program folder, the application
// data folder. Empty when none is usable.
QString GetDocumentsFolder();

// The first candidate that is (or can be made) a folder where a file can actually be
// created and removed; empty candidates are skipped. Empty when none qualifies.
QString firstWritableFolder(const QStringList& candidates);

} // namespace grivendale
