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
# The tests' maps share a background of a colour no control has, 640 x 480, so that a screenshot
# finds the canvas wherever the menus and the frame put it.
python3 - "$scratch/fond.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + bytes([3, 141, 59]) * 640 for _ in range(480))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 640, 480, 8, 2, 0, 0, 0))
                              + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY
# Where map pixel (0, 0) is in the window $main, at 100 %: sets $ox and $oy.
find_canvas() {
    read -r ox oy < <(xwd -silent -id "$main" | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
h = struct.unpack(">25I", data[:100])
width, height, line, ncolors = h[4], h[5], h[12], h[19]
pixels = data[h[0] + 12 * ncolors:]
for y in range(height):
    row = pixels[y * line:y * line + 4 * width]
    x = row.find(bytes([59, 141, 3]))
    if x >= 0 and x % 4 == 0:
        print(x // 4, y)
        break') && [ -n "${oy:-}" ]
}
# The window point of map point (X, Y) at 100 %.
at() { echo $((ox + $1)) $((oy + $2)); }
# The tests' map, on that background: pictogram 1 centred on (400, 100), or on the point given,
# in slot 1; in slot 2 the entry of line 1, its box corner at (50, 50), the line running to
# (150, 100).
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
background = (sys.argv[1].rsplit("/", 1)[0] + "/fond.png").encode().ljust(500)
open(sys.argv[1], "wb").write(struct.pack("<i", 17) + background + struct.pack("<i", 2) + items + lines)
PY
}
# Whether the map file, as grivendale-cli (in $cli) reads it, matches the pattern.
holds() { [[ $("$cli" dump "$1" 2>&1) =~ $2 ]]; }
# Runs the command until it succeeds, for at most 30 seconds.
poll() { for _ in $(seq 1 150); do "$@" >/dev/null 2>&1 && return 0 || sleep 0.2; done && false; }

# An X server of the size given (by default 1600 x 1200), in place of the last one.
start_x() {
    [ -z "$xserver" ] || { kill $xserver && wait $xserver; } 2>/dev/null || true
    rm -f "$scratch/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${1:-1600x1200}x24" 3>"$scratch/display" 2>/dev/null &
    xserver=$!
    poll grep -q . "$scratch/display" || fail "no X server could be started"
    export DISPLAY=:$(cat "$scratch/display")
}
start_x
