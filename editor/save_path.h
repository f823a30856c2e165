#pragma once

#include <QString>

namespace grivendale {

// The file a save dialog's answer stands for: a name typed without an extension takes the one
// of the filter chosen (`filter` pairs labels and patterns separated by '|'), so "essai" under
// "*.car" is "essai.car", which the map dialogs then list; "*.*" adds nothing.
QString savePathWithExtension(const QString& path, const QString& filter, int chosenFilter);

} // namespace grivendale
