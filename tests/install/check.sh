#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# every file in place, the desktop entry and metainfo valid (where the
# validators are installed), and the program answering --version there.
# Usage: check.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.markcrate.Markcrate
for file in \
    bin/markcrate \
    "share/applications/$id.desktop" \
    "share/icons/hicolor/scalable/apps/$id.svg" \
    "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/16x16/apps/$id.png" \
    "share/icons/hicolor/48x48/apps/$id.png" \
    "share/icons/hicolor/256x256/apps/$id.png" \
    share/man/man1/markcrate.1.gz \
    share/doc/markcrate/copyright \
    share/markcrate/help/markcrate.html; do
    if [ ! -e "$prefix/$file" ]; then
        echo "missing after install: $file" >&2
        exit 1
    fi
done

grep -q '^Name=ORX Markcrate$' "$prefix/share/applications/$id.desktop"
grep -q '^Exec=markcrate$' "$prefix/share/applications/$id.desktop"
grep -q '^Exec=markcrate --find$' "$prefix/share/applications/$id.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/$id.desktop"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --explain "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
fi
if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$prefix/share/man/man1/markcrate.1.gz" >/dev/null 2>&1 || { echo "the manual page does not format" >&2; exit 1; }
fi

version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/markcrate" --version)"
case "$version" in
    "markcrate "*) ;;
    *) echo "unexpected --version output: $version" >&2; exit 1 ;;
esac
echo "install layout: 1 passed, 0 failed"
