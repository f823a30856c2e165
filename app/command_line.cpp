#include "app/command_line.h"

#include <cstdio>
#include <cstring>

namespace grivendale {

std::optional<int> answerHelpOrVersion(int argc, const char* const argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs("usage: grivendale [MAP.car]\n"
                       "  Starts the editor on MAP.car, else on the map of the last session.\n"
                       "  --help: this text; --version: the version.\n",
                       stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("grivendale " GRIVENDALE_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace grivendale
