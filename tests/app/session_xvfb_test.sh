#!/usr/bin/env bash
# The real editor among other processes, under Xvfb: a second start hands its map to the
# running editor and touches no file; a signal inside a start-up box ends the editor without
# losing anything; the X server going away leaves the latest edit in the recovery copy.
set -euo pipefail
binary=$1 cli=$2
source "$(dirname "$0")/scratch_session.sh"
recovery=$XDG_DATA_HOME/Grivendale/recuperation.car saved=$HOME/Documents/GrivendaleSauvegarde.car
write_test_map "$scratch/a.car" && write_test_map "$scratch/b.car" 222 111
write_test_map "$scratch/c.car" 333 222 && mkdir -p "${recovery%/*}" && cp "$scratch/c.car" "$recovery"
handed='"slot":1,"inUse":-1,"refIndex":1,"x":222,"y":111,' dragged='"slot":1,"inUse":-1,"refIndex":1,"x":430,"y":130,'
files() { find "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" -type f -exec md5sum {} + | sort; }
start() { # the editor's arguments; its main window in $main
    "$binary" "$@" & editor=$!
    main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tessaval - Grivendale v1.8$' | head -1) ||
        fail "no main window"
}
box() { timeout 30 xdotool search --sync --onlyvisible "$@" | head -1; }

# While the first editor asks about the copy a crash left, later starts neither ask nor write;
# the map handed over is opened once the question is answered.
start "$scratch/a.car" && first=$editor && question=$(box --name '^Grivendale - Récupération$')
before=$(files)
timeout 20 "$binary" || fail "a second start without a map did not end at once (status $?)"
(cd "$scratch" && timeout 20 "$binary" b.car) || fail "a second start with a map failed (status $?)"
[ "$(files)" = "$before" ] || fail "a second start changed a file"
xdotool windowfocus --sync "$question" key Return
poll holds "$recovery" "$handed" || fail "the running editor never opened the map handed to it"
kill -STOP $first && before=$(files)
"$binary" "$scratch/a.car" & second=$! editor="$first $second"
message=$(box --pid $second --name '^Grivendale$') || fail "no message from a start that reaches no editor"
xdotool windowfocus --sync "$message" key Return
! wait $second || fail "a second start that reached no editor ended with status 0"
[ "$(files)" = "$before" ] || fail "a second start that reached no editor changed a file"
kill -CONT $first && timeout 20 "$binary" || fail "the first editor, woken, took no request"
kill -TERM $first && wait $first || fail "the first editor ended with status $?"
editor= && holds "$saved" "$handed" || fail "the auto-save lacks the map handed over: $("$cli" dump "$saved")"

# A signal while a start-up box is open: the editor ends within 2 s, with status 0, and writes
# nothing over the files it has not read yet.
signal_in_box() { # the box's title, then the editor's arguments
    local title=$1 && shift && cp "$saved" "$scratch/saved-before"
    "$binary" "$@" & editor=$!
    timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null || fail "no box \"$title\""
    kill -TERM $editor
    for _ in $(seq 20); do kill -0 $editor 2>/dev/null && sleep 0.1; done
    ! kill -0 $editor 2>/dev/null || fail "the editor was still running 2 s after SIGTERM in \"$title\""
    wait $editor || fail "SIGTERM in \"$title\" gave status $?"
    editor=
    cmp -s "$saved" "$scratch/saved-before" || fail "SIGTERM in \"$title\" changed the auto-save"
}
signal_in_box Grivendale /nonexistent.car
cp "$scratch/c.car" "$recovery" # left by a crash: another map than the auto-save's
signal_in_box 'Grivendale - Récupération' && signal_in_box 'Grivendale - Récupération' # still asked
cmp -s "$recovery" "$scratch/c.car" || fail "SIGTERM in the recovery question changed the copy"

# The X server goes away in the middle of a drag (no copy is written while a button is held).
rm "$recovery" && start "$scratch/a.car" && find_canvas || fail "no canvas on the screen"
xdotool mousemove --window "$main" $(at 400 100) mousedown 1
for p in 406,106 412,112 418,118 424,124 430,130; do xdotool mousemove --window "$main" $(at ${p/,/ }) && sleep 0.05; done
sleep 2 && { kill -9 $xserver && wait $xserver; } 2>/dev/null || true
xserver= && ! wait $editor && editor=
holds "$recovery" "$dragged" || fail "the X connection broke and the drag was lost: $("$cli" dump "$recovery" 2>&1)"
echo "a second start hands over its map and touches no file; signals in boxes and X going away lose nothing"
