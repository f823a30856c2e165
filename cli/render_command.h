#pragma once

#include <QStringList>

namespace grivendale::cli {

// grivendale-cli render MAP.car OUT.png [--picto-dir DIR] [--background IMAGE]
int runRender(const QStringList& args);

} // namespace grivendale::cli
