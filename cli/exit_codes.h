#pragma once

#include "document/map_file.h"

#include <QString>

namespace grivendale::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitBadMap = 3;
inline constexpr int kExitCannotWrite = 4;
// render: the picture was written, but its background or some pictograms were missing.
inline constexpr int kExitMissingInput = 5;

// One line on standard error.
void printError(const QString& message);
// Prints the usage of the command (of all for none) on standard error; returns kExitUsage.
int usage(const QString& command = {});
// Says which of missing, unreadable, another version or corrupt.
QString loadErrorMessage(const QString& path, const MapLoadResult& result);

} // namespace grivendale::cli
