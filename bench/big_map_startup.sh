#!/usr/bin/env bash
# Start of the editor on the big map, under Xvfb: the time from launch to its first shown
# window and its peak resident memory, beside the same for the shipped default map.
#   bench/big_map_startup.sh [BUILD_DIR]   (needs grivendale and write_big_map built there)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
# A scratch home and an X server of its own, both gone at exit.
source tests/app/scratch_session.sh
"$build/write_big_map" "$scratch"

run() { # a label, then the editor's arguments
    local label=$1
    shift
    local start shown
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$scratch/peak" "$build/grivendale" "$@" >/dev/null 2>&1 &
    local runner=$!
    # xdotool's own --sync looks only twice a second.
    until xdotool search --onlyvisible --name Grivendale >/dev/null 2>&1; do sleep 0.01; done
    shown=$(date +%s%N)
    sleep 2
    pkill -TERM -f "^$build/grivendale" || true
    wait "$runner" || true
    echo "$label: first window after $(((shown - start) / 1000000)) ms," \
        "peak memory $(($(cat "$scratch/peak") / 1024)) MiB"
}
run "default map"
run "big map (4000 x 3000)" "$scratch/grande-carte.car"
