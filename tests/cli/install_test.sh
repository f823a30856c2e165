#!/usr/bin/env bash
# Installs the build into a scratch staging folder (DESTDIR with prefix /usr, as a package
# does) and checks the installed tree: binaries, shipped files, desktop entry, icons and the
# map file type. The desktop and MIME files are also validated by the desktop's own tools
# where they are installed (desktop-file-validate, xmllint, update-mime-database).
set -uo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
have() { command -v "$1" >/dev/null 2>&1; }

if ! DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
root=$scratch/stage/usr
share=$root/share/grivendale

for binary in grivendale grivendale-cli; do
    [ -x "$root/bin/$binary" ] || fail "bin/$binary is missing or not executable"
done
for file in prev.gif readme.txt; do
    [ -s "$share/$file" ] || fail "share/grivendale/$file is missing or empty"
done
if [ -s "$share/readme.txt" ] && ! iconv -f UTF-8 -t UTF-8 "$share/readme.txt" >/dev/null 2>&1; then
    fail "readme.txt is not UTF-8"
fi
pictos=$(find "$share/picto" -maxdepth 1 -type f \
    \( -iname '*.png' -o -iname '*.bmp' -o -iname '*.gif' -o -iname '*.jpg' \) | wc -l)
[ "$pictos" -ge 24 ] || fail "share/grivendale/picto holds $pictos pictograms, fewer than 24"
keys=$(find "$share/picto" -maxdepth 1 -type f -name '*.tcolor' | wc -l)
[ "$keys" -ge 1 ] || fail "no .tcolor key file in share/grivendale/picto"

desktop=$root/share/applications/grivendale.desktop
if [ -f "$desktop" ]; then
    grep -qx 'Exec=grivendale %f' "$desktop" || fail "the desktop entry does not open a file"
    grep -qx 'MimeType=application/x-grivendale-map;' "$desktop" ||
        fail "the desktop entry is not tied to the map file type"
    grep -qx 'Categories=Graphics;' "$desktop" || fail "the desktop entry is not in Graphics"
    if have desktop-file-validate; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
    else
        echo "desktop-file-validate not installed: entry not validated"
    fi
else
    fail "share/applications/grivendale.desktop is missing"
fi
for size in 48 256; do
    [ -s "$root/share/icons/hicolor/${size}x${size}/apps/grivendale.png" ] ||
        fail "no ${size}x${size} application icon"
done

mime=$root/share/mime/packages/grivendale.xml
if [ -f "$mime" ]; then
    if have xmllint; then
        xmllint --noout "$mime" || fail "grivendale.xml is not well-formed"
    else
        echo "xmllint not installed: MIME file not checked"
    fi
    if have update-mime-database; then
        # Builds the MIME cache of the staging tree only, as a package's trigger would.
        if update-mime-database "$root/share/mime" 2>"$scratch/mime.log"; then
            grep -q '^50:application/x-grivendale-map:\*\.car$' "$root/share/mime/globs2" ||
                fail "the MIME cache does not map *.car to application/x-grivendale-map"
        else
            cat "$scratch/mime.log" >&2
            fail "update-mime-database rejects grivendale.xml"
        fi
    else
        echo "update-mime-database not installed: MIME cache not built"
    fi
else
    fail "share/mime/packages/grivendale.xml is missing"
fi

# The installed command line tool runs: an empty map (version 17, a blank background path,
# no items, fills or lines) reads back, and renders onto the installed background.
cli=$root/bin/grivendale-cli
if [ -x "$cli" ]; then
    map=$scratch/vide.car
    {
        printf '\021\000\000\000'
        printf '%500s' ''
        printf '\000\000\000\000\000\000\000\000\000\000\000\000'
    } >"$map"
    if ! "$cli" dump "$map" >"$scratch/dump.json" 2>"$scratch/dump.err"; then
        cat "$scratch/dump.err" >&2
        fail "the installed grivendale-cli cannot read an empty map"
    fi
    grep -q '"version":17' "$scratch/dump.json" || fail "the dump does not show version 17"
    if ! QT_QPA_PLATFORM=offscreen "$cli" render "$map" "$scratch/out.png" \
        --background "$share/prev.gif" 2>"$scratch/render.err"; then
        cat "$scratch/render.err" >&2
        fail "the installed grivendale-cli cannot render onto the installed background"
    fi
    [ -s "$scratch/out.png" ] || fail "no rendered picture"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed tree checked: $pictos pictograms, $keys key file(s)"
