#!/usr/bin/env bash
# Starts the real editor under Xvfb, waits for its window, ends it as a desktop session does
# (SIGTERM), and checks that it exited cleanly after writing the auto-save file.
set -uo pipefail
binary=$1
source "$(dirname "$0")/scratch_session.sh"

xvfb-run -a -n $((200 + RANDOM % 500)) -s "-noreset -screen 0 1280x1024x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1 150); do
        if xwininfo -root -tree 2>/dev/null | grep -q "\"Tessaval - Grivendale v1.8\""; then
            found=1
            break
        fi
        sleep 0.2
    done
    if [ -z "${found:-}" ]; then
        echo "no window titled Tessaval - Grivendale v1.8" >&2
        kill -9 $pid
        exit 1
    fi
    kill -TERM $pid
    wait $pid
' smoke "$binary"
status=$?
if [ $status -ne 0 ]; then
    echo "the editor exited with status $status" >&2
    exit 1
fi
saved=$(find "$HOME" -name GrivendaleSauvegarde.car | head -n 1)
if [ -z "$saved" ]; then
    echo "no auto-save file under $HOME" >&2
    exit 1
fi
echo "window shown, closed, auto-save written to $saved"
