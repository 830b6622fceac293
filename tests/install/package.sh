#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a user's
# machine would meet it: its control fields, its file list, and the program
# unpacked into a temporary root answering --version there.
# Usage: package.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "debian package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
arch="$(dpkg --print-architecture)"
deb="$work/out/markcrate_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") made: $(ls "$work/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = markcrate ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = utils ] || fail "Section is $(field Section)"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "no Description"
depends="$(field Depends)"
# Worked out from the program's libraries, plus what they do not name.
for package in libqt6widgets6 libqt6core6 libc6 qt6-qpa-plugins libqt6svg6 libqt6sql6-sqlite breeze-icon-theme; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
if grep -v '^/usr/' "$work/files" | grep -qv '^/$'; then
    fail "files outside /usr: $(grep -v '^/usr/' "$work/files" | grep -v '^/$' | tr '\n' ' ')"
fi
id=org.markcrate.Markcrate
for file in \
    /usr/bin/markcrate \
    "/usr/share/applications/$id.desktop" \
    "/usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "/usr/share/icons/hicolor/48x48/apps/$id.png" \
    "/usr/share/metainfo/$id.metainfo.xml" \
    /usr/share/man/man1/markcrate.1.gz \
    /usr/share/doc/markcrate/copyright \
    /usr/share/markcrate/help/markcrate.html; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done

dpkg -x "$deb" "$work/root"
answer="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" "$work/root/usr/bin/markcrate" --version)"
[ "$answer" = "markcrate $version" ] || fail "unpacked program answers --version with: $answer"
[ ! -e "$work/home/.config" ] || fail "--version touched the user's configuration"
echo "debian package: 1 passed, 0 failed"
