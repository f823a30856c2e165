#pragma once

#include "document/map_document.h"

#include <QString>

#include <vector>

// What a map file cannot keep of a document: characters outside Windows-1252 (written as
// '?') and texts longer than their field (cut). Checked before saving, so the user hears of
// it while everything is still in the editor.

namespace grivendale {

struct StorageProblem {
    enum class Kind { Replaced, Cut };
    Kind kind;
    QString where;      // "le chemin du fond", "le texte", "la police du texte"
    QString text;       // the text concerned, as the user knows it
    QString characters; // Replaced: the characters that cannot be stored, each once
};

// Only what the user can see counts: the background path and the live elements' texts.
std::vector<StorageProblem> storageProblems(const MapDocument& doc);

// The problems of a background path alone (a path longer than the field is cut).
std::vector<StorageProblem> backgroundPathProblems(const QString& path);
// The problems of a label's text alone, told while it is typed.
std::vector<StorageProblem> labelTextProblems(const QString& text);

// French, one line per problem, for a message box.
QString describeStorageProblems(const std::vector<StorageProblem>& problems);

} // namespace grivendale
