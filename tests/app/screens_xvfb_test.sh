#!/usr/bin/env bash
# The real editor under a window manager (openbox) on the screens users have: the window, frame
# included, lies within the screen at the first start, however small the screen or large the
# scale, and is not shrunk where the screen has room.
set -euo pipefail
binary=$1
source "$(dirname "$0")/scratch_session.sh"
write_test_map "$scratch/map.car"

# Whether the window $main, frame included, lies within the screen $size and, where $whole says
# so, keeps the size the map asks for. The frame, and the fit made again for it, come after the
# window: the test waits for them.
fits() {
    read -r left right top bottom < <(xprop -id "$main" _NET_FRAME_EXTENTS | tr -dc '0-9 \n' | xargs)
    # xwininfo's absolute corner: xdotool's counts the frame twice.
    read -r X Y WIDTH HEIGHT < <(xwininfo -id "$main" |
        awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width/ {w=$NF} /Height/ {h=$NF} END {print x, y, w, h}')
    seen="${WIDTH}x$HEIGHT at ($X, $Y), frame $left $right $top $bottom"
    [ -n "$top" ] && (( X - left >= 0 && Y - top >= 0 && X + WIDTH + right <= ${size%x*} && Y + HEIGHT + bottom <= ${size#*x} )) &&
        # 640 x 480 asks for a client of 973 x 593, bars besides.
        { [ $whole = no ] || (( WIDTH == 973 * scale && HEIGHT > 593 * scale )); }
}

# The screen, the scale, and whether the window keeps the size the map asks for.
for screen in 1366x768:1:yes 1024x600:1:no 1920x1080:2:no 1600x1200:1:yes; do
    IFS=: read -r size scale whole <<<"$screen" && start_x "$size"
    openbox --sm-disable >/dev/null 2>&1 &
    wm() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
    poll wm || fail "no window manager on $size"
    QT_SCALE_FACTOR=$scale "$binary" "$scratch/map.car" 2>"$scratch/errors" & editor=$!
    main=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tessaval - Grivendale v1.8$' | head -1) ||
        fail "no main window on $size: $(ps -o stat,etime,cmd -p $editor | tail -1) $(cat "$scratch/errors")"
    poll fits || fail "on $size at scale $scale the window ${seen:-} leaves the screen or was cut"
    kill -9 $editor && wait $editor 2>/dev/null || true
    editor= && pkill -x openbox && rm -f "$XDG_DATA_HOME/Grivendale/"*.lock
done
echo "the window fits 1366x768, 1024x600 and 1920x1080 at scale 2, and keeps its size on 1600x1200"
