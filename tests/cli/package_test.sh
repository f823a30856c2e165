#!/usr/bin/env bash
# Builds the Debian package of a configured build tree (`--target package`, which first builds
# everything) and checks it: the files it installs, the Depends line (the Qt libraries found
# by dpkg-shlibdeps and the run-time plugins, translations and font it cannot see), the
# AppStream metadata, and that the unpacked command line tool runs. Not a ctest test, as it
# needs the full build: scripts/test.sh calls it. Usage: tests/cli/package_test.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# An older version's package must not be the one checked.
rm -f "$build"/grivendale_*.deb
if ! cmake --build "$build" --target package >"$scratch/package.log" 2>&1; then
    cat "$scratch/package.log" >&2
    echo "FAIL: cmake --build $build --target package" >&2
    exit 1
fi
debs=("$build"/grivendale_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one grivendale_*.deb in $build, found: ${debs[*]}" >&2
    exit 1
fi
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' >"$scratch/files"
has() { grep -qxF "$1" "$scratch/files" || fail "$1 is not in the package"; }
for file in usr/bin/grivendale usr/bin/grivendale-cli \
    usr/share/grivendale/prev.gif usr/share/grivendale/readme.txt \
    usr/share/grivendale/picto/soleil.png usr/share/grivendale/picto/gel.bmp.tcolor \
    usr/share/applications/grivendale.desktop usr/share/mime/packages/grivendale.xml \
    usr/share/icons/hicolor/48x48/apps/grivendale.png \
    usr/share/icons/hicolor/256x256/apps/grivendale.png \
    usr/share/metainfo/org.grivendale.grivendale.metainfo.xml; do
    has "$file"
done
pictos=$(grep -cE '^usr/share/grivendale/picto/[^/]+\.(png|bmp|gif|jpg)$' "$scratch/files")
[ "$pictos" -ge 24 ] || fail "the package holds $pictos pictograms, fewer than 24"
# Nothing outside /usr, and no build or test leftovers.
grep -vE '^usr/' "$scratch/files" | grep -vxE '|\.?/?' >"$scratch/stray"
[ -s "$scratch/stray" ] && fail "files outside usr/: $(tr '\n' ' ' <"$scratch/stray")"

for field in Package Version Section Maintainer Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the control field $field is empty"
done
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "the section is not graphics"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
    qt6-image-formats-plugins qt6-translations-l10n fonts-dejavu-core; do
    # Names are comma-separated, each perhaps with a version constraint.
    echo ", $depends," | grep -qE ", $package( \([^)]*\))?," || fail "Depends lacks $package"
done

dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb -x cannot unpack the package"
metainfo=$scratch/root/usr/share/metainfo/org.grivendale.grivendale.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 || {
        cat "$scratch/appstream.log" >&2
        fail "appstreamcli rejects the metainfo file"
    }
fi

# The unpacked tool reads an empty map (version 17, blank background path, no items, fills
# or lines) and renders it onto the packaged background.
cli=$scratch/root/usr/bin/grivendale-cli
if [ -x "$cli" ]; then
    map=$scratch/vide.car
    {
        printf '\021\000\000\000'
        printf '%500s' ''
        printf '\000\000\000\000\000\000\000\000\000\000\000\000'
    } >"$map"
    if ! QT_QPA_PLATFORM=offscreen "$cli" render "$map" "$scratch/out.png" \
        --background "$scratch/root/usr/share/grivendale/prev.gif" 2>"$scratch/render.err"; then
        cat "$scratch/render.err" >&2
        fail "the packaged grivendale-cli cannot render onto the packaged background"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$(basename "$deb"): $failures check(s) failed" >&2
    exit 1
fi
echo "$(basename "$deb") checked: $pictos pictograms; Depends: $depends"
