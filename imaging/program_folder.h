#pragma once

#include <QString>

namespace grivendale {

// The folder holding the shipped files (picto/, prev.gif, readme.txt): the executable's own
// folder, or ../share/grivendale beside it for an installed program.
QString programFolder();
// Same rule from a given executable folder.
QString programFolderFor(const QString& executableFolder);

} // namespace grivendale
