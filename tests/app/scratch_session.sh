# Sourced by the Xvfb test and bench/big_map_startup.sh: a scratch home, configuration, data and
# runtime folder, removed on exit, so the real editor never touches the real user's files; an X
# server of its own on a free display.
scratch=$(mktemp -d)
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" GRIVENDALE_NO_KEYRING=1 # private, as a session's is
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Grivendale" "$XDG_DATA_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
# No readme window: it is modal and would take the pointer.
printf '[Grivendale]\nAfficheReadme=0\n' >"$XDG_CONFIG_HOME/Grivendale/Grivendale.ini"
unset QT_QPA_PLATFORM
editor='' xserver=''
trap 'set +e; kill -9 $editor 2>/dev/null; kill $xserver 2>/dev/null; wait; rm -rf "$scratch"' EXIT

fail() { echo "$*" >&2 && exit 1; }
# The tests' map, without a background of its own: pictogram 1 centred on (400, 100), or on the
# point given, in slot 1; in slot 2 the entry of line 1, its box corner at (50, 50), the line
# running to (150, 100).
write_test_map() { # FILE [X Y]
    python3 - "$@" <<'PY'
import struct, sys
def item(live, ref, x, y, size=0, w=0, h=0):
    return struct.pack("<hiiihhhIHHhhhii", live, ref, x, y, 0, 0, size, 0, 0, 0, 0, 0, 0, w, h)
def points(*values):  # slot 0 unused
    return struct.pack("<HIi%di" % len(values), 1, len(values), 0, *values)
x, y = map(int, sys.argv[2:4]) if len(sys.argv) > 2 else (400, 100)
line = struct.pack("<hii", -1, 3, 2) + points(0, 0, 100) + points(0, 0, 50) + bytes(12)
items = item(0, 0, 0, 0) + item(-1, 1, x, y) + item(-1, 1, 50, 50, -1, 100, 50)
lines = struct.pack("<ii", 0, 1) + bytes(struct.calcsize("<hiiHHIii")) + line
open(sys.argv[1], "wb").write(struct.pack("<i", 17) + b" " * 500 + struct.pack("<i", 2) + items + lines)
PY
}
# Whether the map file, as grivendale-cli (in $cli) reads it, matches the pattern.
holds() { [[ $("$cli" dump "$1" 2>&1) =~ $2 ]]; }
# Runs the command until it succeeds, for at most 30 seconds.
poll() { for _ in $(seq 1 150); do "$@" >/dev/null 2>&1 && return 0 || sleep 0.2; done && false; }

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1600x1200x24 3>"$scratch/display" 2>/dev/null &
xserver=$!
poll grep -q . "$scratch/display" || fail "no X server could be started"
export DISPLAY=:$(cat "$scratch/display")
