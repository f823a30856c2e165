#!/usr/bin/env bash
# First command: install what is missing, build, and launch the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/grivendale "$@"
