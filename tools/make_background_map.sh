#!/usr/bin/env bash
# Draws assets/prev.gif, the default background: a blank map of France and its neighbours
# (about 8° W to 12° E and 40° N to 53° N) from Debian's packaged data, the GSHHG coastlines
# and lakes and the DCW country outlines, through GMT.
#
# Needs, for generating only (neither the build nor the tests use them):
#   apt-get install gmt gmt-gshhg-low gmt-dcw ghostscript
#   cmake -S . -B build -DGRIVENDALE_TOOLS=ON && ninja -C build make_background
# Then, from the repository root:
#   tools/make_background_map.sh [MAKE_BACKGROUND [OUT.gif]]
#
# GMT draws two rasters without antialiasing: land, sea and lakes in three pure colours, and
# each country in a colour of its own. make_background turns them into areas, draws the
# borders between areas as black lines one pixel wide and checks that every area is closed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
tool=$(realpath "${1:-$root/build/make_background}")
out=$(realpath -m "${2:-$root/assets/prev.gif}")

# Lambert conformal conic, as French maps use, centred on 2° E 46.5° N; the map is
# 1600 km x 1400 km around that centre, at 2 km a pixel: 8 x 7 inches at 100 dots an inch.
projection=-JL2/46.5/44/49/8i
region=-R-800/800/-700/700+uk
page=--PS_MEDIA=8ix7i
dpi=100
# Intermediate GSHHG coastlines; land and lakes of at least 50 km² (about 12 pixels).
shore=(-Di -A50/0/2)
# Every country the map may reach, in the order make_background numbers them.
countries=(PT ES AD FR MC IT SM VA CH LI AT DE LU BE NL GB IE IM JE GG DK CZ SI HR PL DZ TN MA)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Keep GMT away from the user's own settings and caches.
export GMT_USERDIR=$work/user GMT_TMPDIR=$work HOME=$work
gmt set GMT_COMPATIBILITY 6 PS_PAGE_COLOR white PS_PAGE_ORIENTATION portrait

gmt pscoast "$region" "$projection" "${shore[@]}" -S0/0/255 -G0/255/0 -C255/0/0 \
    -X0 -Y0 "$page" -Ve > landsea.ps

fills=()
number=1
for code in "${countries[@]}"; do
    fills+=("-E$code+g$((number * 8))/100/100")
    number=$((number + 1))
done
gmt pscoast "$region" "$projection" "${fills[@]}" -X0 -Y0 "$page" -Ve > countries.ps

# -Qg1 -Qt1: one sample a pixel for graphics and text, that is no antialiasing.
for raster in landsea countries; do
    gmt psconvert "$raster.ps" -Tg -E$dpi -Qg1 -Qt1 -F"$raster"
done

"$tool" landsea.png countries.png "$out" "${countries[@]}"
