#!/usr/bin/env bash
# The real editor among other processes, under Xvfb: a second start hands its map to the
# running editor and touches no file.
set -euo pipefail
binary=$1 cli=$2
source "$(dirname "$0")/scratch_session.sh"
recovery=$XDG_DATA_HOME/Grivendale/recuperation.car saved=$HOME/Documents/GrivendaleSauvegarde.car
write_test_map "$scratch/a.car" && write_test_map "$scratch/b.car" 222 111
write_test_map "$scratch/c.car" 333 222 && mkdir -p "${recovery%/*}" && cp "$scratch/c.car" "$recovery"
handed='"slot":1,"inUse":-1,"refIndex":1,"x":222,"y":111,'
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

echo "a second start hands over its map and touches no file"
