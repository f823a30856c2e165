#!/usr/bin/env bash
# The real editor under Xvfb, driven by real X events: a pictogram is dragged, the editor is
# killed (kill -9, as a crash or a power cut would end it), and the next start asks whether
# to bring the map back; "Oui" (Return) does, and the next normal end auto-saves it. The X
# server must not reset when the killed editor, its last client, goes: the next could not connect.
set -euo pipefail
binary=$1
cli=$2
source "$(dirname "$0")/scratch_session.sh"
mkdir -p "$XDG_CONFIG_HOME/Grivendale"
# No readme window: it is modal and would take the pointer.
printf '[Grivendale]\nAfficheReadme=0\n' >"$XDG_CONFIG_HOME/Grivendale/Grivendale.ini"

# A map with pictogram 1 centred on (100, 100).
python3 - "$scratch/map.car" <<'PY'
import struct, sys
record = "<hiiihhhIHHhhhii"
items = struct.pack(record, *[0] * 15) + struct.pack(record, -1, 1, 100, 100, *[0] * 11)
data = struct.pack("<i", 17) + b" " * 500 + struct.pack("<i", 1) + items + struct.pack("<ii", 0, 0)
open(sys.argv[1], "wb").write(data)
PY

xvfb-run -a -n $((200 + RANDOM % 500)) -s "-noreset -screen 0 1600x1200x24" bash -c '
    set -euo pipefail
    binary=$1 map=$2 recovery=$3
    window() { # waits for a window of that exact title and prints its id
        for _ in $(seq 1 150); do
            if id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ]; then
                echo "$id"
                return 0
            fi
            sleep 0.2
        done
        echo "no window titled $1" >&2
        return 1
    }

    "$binary" "$map" & pid=$!
    main=$(window "Tessaval - Grivendale v1.8")
    sleep 1
    xdotool mousemove --window "$main" 100 100 && sleep 0.3
    xdotool mousedown 1 && sleep 0.3
    for step in 110 120 130 140 150; do
        xdotool mousemove --window "$main" "$step" "$step" && sleep 0.1
    done
    xdotool mouseup 1
    for _ in $(seq 1 50); do
        [ -f "$recovery" ] && break
        sleep 0.2
    done
    [ -f "$recovery" ] || { echo "no recovery copy at $recovery" >&2; kill -9 $pid; exit 1; }
    kill -9 $pid
    wait $pid 2>/dev/null || true

    "$binary" & pid=$!
    question=$(window "Grivendale - Récupération") || { kill -9 $pid; exit 1; }
    xdotool windowfocus --sync "$question" && sleep 0.3
    xdotool key Return
    for _ in $(seq 1 100); do # the question closes once the map is loaded
        xdotool search --name "^Grivendale - Récupération\$" >/dev/null 2>&1 || break
        sleep 0.2
    done
    sleep 0.5
    kill -TERM $pid
    wait $pid
' recovery "$binary" "$scratch/map.car" "$XDG_DATA_HOME/Grivendale/recuperation.car"

saved=$(find "$HOME" -name GrivendaleSauvegarde.car | head -n 1)
[ -n "$saved" ] || { echo "no auto-save file under $HOME" >&2; exit 1; }
dump=$("$cli" dump "$saved")
if ! grep -q '"refIndex":1,"x":150,"y":150' <<<"$dump"; then
    echo "the dragged pictogram did not come back: $dump" >&2
    exit 1
fi
echo "dragged, killed, recovered with Oui: the pictogram is at (150, 150)"
