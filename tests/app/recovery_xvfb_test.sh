#!/usr/bin/env bash
# The real editor under Xvfb, driven by real X events: a pictogram is dragged, the editor is
# killed (kill -9, as a crash or a power cut would end it), and the next start asks whether
# to bring the map back; "Oui" (Return) does, and the next normal end auto-saves it.
set -euo pipefail
binary=$1 cli=$2
source "$(dirname "$0")/scratch_session.sh"
question="Grivendale - Récupération"

run "$scratch/map.car"
drag 400,100 410,110 420,120 430,130 440,140 450,150
poll holds "$recovery" '"x":450,"y":150' || fail "no recovery copy of the drag at $recovery"
kill -9 $editor && wait $editor 2>/dev/null || true

"$binary" & editor=$!
asked=$(window "$question")
xdotool windowfocus --sync "$asked" key Return
poll bash -c "! xdotool search --onlyvisible --name '^$question\$'" || fail "the question stayed"
terminate
holds "$saved" '"slot":1,"inUse":-1,"refIndex":1,"x":450,"y":150' ||
    fail "the drag is lost: $("$cli" dump "$saved")"
echo "dragged, killed, recovered with Oui: the pictogram is at (450, 150)"
