#!/usr/bin/env bash
# Installs the build into a scratch staging folder (DESTDIR, prefix /usr, as a package does) and
# checks the installed tree: binaries, shipped files, desktop entry, icons, the map file type,
# and that the installed command line tool reads a map and renders onto the installed background.
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
DESTDIR="$scratch/stage" cmake --install "$1" --prefix /usr >"$scratch/log" 2>&1 || {
    cat "$scratch/log" >&2
    exit 1
}
root=$scratch/stage/usr
share=$root/share/grivendale
for f in bin/grivendale bin/grivendale-cli; do [ -x "$root/$f" ] || fail "$f not executable"; done
for f in share/grivendale/prev.gif share/grivendale/readme.txt share/icons/hicolor/48x48/apps/grivendale.png \
    share/icons/hicolor/256x256/apps/grivendale.png; do
    [ -s "$root/$f" ] || fail "$f missing or empty"
done
iconv -f UTF-8 -t UTF-8 "$share/readme.txt" >/dev/null 2>&1 || fail "readme.txt is not UTF-8"
pictos=$(find "$share/picto" -maxdepth 1 -type f \( -iname '*.png' -o -iname '*.bmp' -o -iname '*.gif' \
    -o -iname '*.jpg' \) | wc -l)
[ "$pictos" -ge 24 ] || fail "$pictos pictograms, fewer than 24"
ls "$share"/picto/*.tcolor >/dev/null 2>&1 || fail "no .tcolor key file"
desktop=$root/share/applications/grivendale.desktop
for line in 'Exec=grivendale %f' 'MimeType=application/x-grivendale-map;' 'Categories=Graphics;'; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry lacks $line"
done
! command -v desktop-file-validate >/dev/null || desktop-file-validate "$desktop" || fail "invalid desktop entry"
if command -v update-mime-database >/dev/null; then
    update-mime-database "$root/share/mime" 2>&1 &&
        grep -q '^50:application/x-grivendale-map:\*\.car$' "$root/share/mime/globs2" ||
        fail "the MIME cache does not map *.car to application/x-grivendale-map"
fi
# An empty map: version 17, a blank background path, no items, fills or lines.
{ printf '\021\000\000\000'; printf '%500s' ''; printf '\000%.0s' {1..12}; } >"$scratch/vide.car"
"$root/bin/grivendale-cli" dump "$scratch/vide.car" | grep -q '"version":17' || fail "dump of an empty map"
QT_QPA_PLATFORM=offscreen "$root/bin/grivendale-cli" render "$scratch/vide.car" "$scratch/out.png" \
    --background "$share/prev.gif" && [ -s "$scratch/out.png" ] || fail "render onto the installed background"
[ "$failures" -eq 0 ] || exit 1
echo "installed tree checked"
