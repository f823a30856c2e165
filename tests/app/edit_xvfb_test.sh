#!/usr/bin/env bash
# The real editor under Xvfb, driven by real X events: a line's vertex is dragged, the line
# copied and pasted with Ctrl let go before the letter (as a quick hand does), and a SIGTERM
# ends the editor; the auto-save must then hold both changes. The map is written beforehand.
set -euo pipefail
binary=$1 cli=$2
source "$(dirname "$0")/scratch_session.sh"
recovery=$XDG_DATA_HOME/Grivendale/recuperation.car saved=$HOME/Documents/GrivendaleSauvegarde.car

write_test_map "$scratch/map.car"

# Vertex 1 dragged from (50, 50) to (30, 20) becomes the box corner: the offsets follow it.
moved='"slot":2,"inUse":-1,"refIndex":1,"x":30,"y":20,.*"pointX":\[0,0,120\],"pointY":\[0,0,80\]'
pasted='"slot":3,"inUse":-1,"refIndex":1,"x":300,"y":250,'

"$binary" "$scratch/map.car" & editor=$!
main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tessaval - Grivendale v1.8$' | head -1) ||
    fail "no main window"
find_canvas || fail "no canvas on the screen"
xdotool mousemove --window "$main" $(at 50 50) mousedown 1
for p in 46,44 42,38 38,32 34,26 30,20; do xdotool mousemove --window "$main" $(at ${p/,/ }) && sleep 0.05; done
xdotool mouseup 1
# The recovery copy, written shortly after each change, shows when the editor has made it.
poll holds "$recovery" "$moved" || fail "the drag never reached the map: $("$cli" dump "$recovery")"
xdotool mousemove --window "$main" $(at 300 250) windowfocus --sync "$main"
xdotool keydown ctrl keydown c keyup ctrl keyup c sleep .1 keydown ctrl keydown v keyup ctrl keyup v
poll holds "$recovery" "$pasted" || fail "Ctrl+C, Ctrl+V made no copy: $("$cli" dump "$recovery")"

# Ctrl+wheel over the pictogram zooms to 200 % around it: a 40-pixel drag moves it by 20. Then
# Ctrl+Z, Ctrl+Y, and Ctrl+S writes the map to its own file without a dialog.
picto() { echo "\"slot\":1,\"inUse\":-1,\"refIndex\":1,\"x\":$1,\"y\":$2,"; }
xdotool mousemove --window "$main" $(at 400 100) keydown ctrl click 4 keyup ctrl sleep .3 mousedown 1
for step in 1 2 3 4; do xdotool mousemove_relative -- 10 6 && sleep 0.05; done
xdotool mouseup 1
poll holds "$recovery" "$(picto 420 112)" || fail "the zoomed drag: $("$cli" dump "$recovery")"
xdotool keydown ctrl keydown z keyup z keyup ctrl
poll holds "$recovery" "$(picto 400 100)" || fail "Ctrl+Z did not undo the drag"
xdotool keydown ctrl keydown y keyup y keyup ctrl
poll holds "$recovery" "$(picto 420 112)" || fail "Ctrl+Y did not redo the drag"
xdotool key ctrl+s
poll holds "$scratch/map.car" "$(picto 420 112).*$pasted" || fail "Ctrl+S: $("$cli" dump "$scratch/map.car")"

# Ended as a desktop session ends it: the editor must exit by itself, cleanly.
kill -TERM $editor 2>/dev/null || fail "the editor ended before it was asked to"
poll bash -c "! kill -0 $editor" || fail "the editor did not end after SIGTERM"
wait $editor || fail "the editor exited with status $?"
editor=
holds "$saved" "$moved" && holds "$saved" "$pasted" ||
    fail "the auto-save lacks a change: $("$cli" dump "$saved")"
[ ! -e "$recovery" ] || fail "a normal end left the recovery copy"
echo "vertex dragged, line pasted, a zoomed drag undone and redone, saved with Ctrl+S, all in the auto-save"
