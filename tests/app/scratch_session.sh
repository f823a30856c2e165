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
# Runs the command until it succeeds, for at most 30 seconds.
poll() { for _ in $(seq 1 150); do "$@" >/dev/null 2>&1 && return 0 || sleep 0.2; done && false; }

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1600x1200x24 3>"$scratch/display" 2>/dev/null &
xserver=$!
poll grep -q . "$scratch/display" || fail "no X server could be started"
export DISPLAY=:$(cat "$scratch/display")
