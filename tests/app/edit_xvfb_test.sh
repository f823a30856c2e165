#!/usr/bin/env bash
# The real editor under Xvfb, driven by real X events: a line's vertex is dragged, the line
# copied and pasted with Ctrl let go before the letter (as a quick hand does), and a SIGTERM
# ends the editor as a desktop session does; the auto-save must then hold both changes. The
# map is written beforehand, not drawn, so nothing depends on where the tool buttons fall.
set -euo pipefail
binary=$1 cli=$2
source "$(dirname "$0")/scratch_session.sh"
# Vertex 1 dragged from (50, 50) to (30, 20) becomes the box corner: the offsets follow it.
moved='"slot":2,"inUse":-1,"refIndex":1,"x":30,"y":20,.*"pointX":\[0,0,120\],"pointY":\[0,0,80\]'
pasted='"slot":3,"inUse":-1,"refIndex":1,"x":300,"y":250,'

"$binary" "$scratch/map.car" &
editor=$!
main=$(window "Tessaval - Grivendale v1.8")
xdotool mousemove --window "$main" 50 50 mousedown 1
for step in 46,44 42,38 38,32 34,26 30,20; do
    xdotool mousemove --window "$main" "${step%,*}" "${step#*,}" && sleep 0.05
done
xdotool mouseup 1
# The recovery copy, written shortly after each change, shows when the editor has made it.
poll holds "$recovery" "$moved" || fail "the drag never reached the map: $("$cli" dump "$recovery")"

xdotool mousemove --window "$main" 300 250 windowfocus --sync "$main"
for letter in c v; do
    xdotool keydown ctrl keydown "$letter" keyup ctrl keyup "$letter" && sleep 0.1
done
poll holds "$recovery" "$pasted" || fail "Ctrl+C, Ctrl+V made no copy: $("$cli" dump "$recovery")"

terminate
holds "$saved" "$moved" || fail "the auto-save lacks the moved vertex: $("$cli" dump "$saved")"
holds "$saved" "$pasted" || fail "the auto-save lacks the pasted copy: $("$cli" dump "$saved")"
[ ! -e "$recovery" ] || fail "a normal end left the recovery copy"
echo "vertex dragged to (30, 20), line pasted at (300, 250), both in the auto-save"
