#!/usr/bin/env bash
# Fuzzes the map reader with libFuzzer: scripts/fuzz.sh [SECONDS]
# The seeds are the map files the test suite writes into build/fuzz-seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGRIVENDALE_FUZZ=ON -DGRIVENDALE_TESTS=OFF -DGRIVENDALE_BENCH=OFF
corpus=build-fuzz/corpus
mkdir -p "$corpus"
seeds=()
[ -d build/fuzz-seeds ] && seeds=(build/fuzz-seeds)
ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz_map_reader -max_total_time="$seconds" \
    -artifact_prefix=build-fuzz/ \
    -max_len=65536 -print_final_stats=1 "$corpus" "${seeds[@]}"
