#pragma once

#include <optional>

namespace grivendale {

// "--help" or "--version" anywhere among the arguments: prints the usage or the version and
// gives the exit status (0); nothing otherwise. Needs no application object.
std::optional<int> answerHelpOrVersion(int argc, const char* const argv[]);

} // namespace grivendale
