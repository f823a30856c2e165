#!/usr/bin/env bash
# Second command: install what is missing, build, and run the whole test suite, then the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, then a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Tests never touch the real user's settings or documents.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" TMPDIR="$scratch/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"

jobs=$(nproc)

echo "== Build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build --output-on-failure --timeout 600 -j "$jobs"

echo "== Debian package"
tests/cli/package_test.sh build

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DGRIVENDALE_SANITIZE=ON -DGRIVENDALE_BENCH=OFF
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --timeout 900 -j "$jobs"

echo "== Fuzzing the map reader (${GRIVENDALE_FUZZ_SECONDS:-60} s)"
scripts/fuzz.sh "${GRIVENDALE_FUZZ_SECONDS:-60}"
