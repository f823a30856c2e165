#!/usr/bin/env bash
# Builds the Debian package of a configured build tree (`--target package`, which first builds
# and installs everything) and checks it: the files it installs and nothing else, the Depends
# line (the Qt libraries found by dpkg-shlibdeps and the run-time plugins, translations and font
# it cannot see), and that the unpacked command line tool renders onto the packaged background.
# Not a ctest test, as it needs the full build: scripts/test.sh calls it. Usage: tests/cli/package_test.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -f "$build"/grivendale_*.deb # an older version's package must not be the one checked
cmake --build "$build" --target package >"$scratch/package.log" 2>&1 || {
    cat "$scratch/package.log" >&2
    echo "FAIL: cmake --build $build --target package" >&2
    exit 1
}
debs=("$build"/grivendale_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one package: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' >"$scratch/files"
for file in usr/bin/grivendale usr/bin/grivendale-cli usr/share/grivendale/prev.gif \
    usr/share/grivendale/readme.txt usr/share/grivendale/picto/soleil.png \
    usr/share/grivendale/picto/gel.bmp.tcolor usr/share/applications/grivendale.desktop \
    usr/share/mime/packages/grivendale.xml usr/share/icons/hicolor/48x48/apps/grivendale.png \
    usr/share/icons/hicolor/256x256/apps/grivendale.png \
    usr/share/metainfo/org.grivendale.grivendale.metainfo.xml; do
    grep -qxF "$file" "$scratch/files" || fail "$file is not in the package"
done
stray=$(grep -vE '^usr/' "$scratch/files" | grep -vxE '|\.?/?' | tr '\n' ' ')
[ -z "$stray" ] || fail "files outside usr/: $stray"

[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "the section is not graphics"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
    qt6-image-formats-plugins qt6-translations-l10n fonts-dejavu-core; do
    # Names are comma-separated, each perhaps with a version constraint.
    echo ", $depends," | grep -qE ", $package( \([^)]*\))?," || fail "Depends lacks $package"
done

dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb -x cannot unpack the package"
usr=$scratch/root/usr

# An empty map: version 17, a blank background path, no items, fills or lines.
{ printf '\021\000\000\000'; printf '%500s' ''; printf '\000%.0s' {1..12}; } >"$scratch/vide.car"
QT_QPA_PLATFORM=offscreen "$usr/bin/grivendale-cli" render "$scratch/vide.car" "$scratch/out.png" \
    --background "$usr/share/grivendale/prev.gif" 2>"$scratch/render.err" && [ -s "$scratch/out.png" ] ||
    { cat "$scratch/render.err" >&2; fail "the packaged CLI cannot render onto the packaged background"; }

[ "$failures" -eq 0 ] || { echo "$(basename "$deb"): $failures check(s) failed" >&2; exit 1; }
echo "$(basename "$deb") checked; Depends: $depends"
