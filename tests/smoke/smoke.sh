#!/usr/bin/env bash
# Starts the real program in a real X server and looks for its window.
# Usage: smoke.sh PROGRAM OUTPUT_DIR   (a screenshot goes to OUTPUT_DIR)
set -u
program=$1
out=$2
work=$(mktemp -d)
trap 'kill $app_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

"$program" >"$work/app.log" 2>&1 &
app_pid=$!
line=""
for _ in $(seq 100); do
    line=$(xwininfo -root -tree 2>/dev/null | grep '"ORX Markcrate"' || true)
    [ -n "$line" ] && break
    sleep 0.1
done
if [ -z "$line" ]; then
    echo "FAIL: no window titled \"ORX Markcrate\""; cat "$work/app.log"; exit 1
fi
echo "window: $line"
# Collapsed design size (1590 twips high is 106 pixels at 96 dpi), centred.
size=$(echo "$line" | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n1)
echo "geometry: $size"
read -r w h x _ <<<"$(echo "$size" | tr 'x+' '  ')"
expected_w=$(( 6375 * 96 / 1440 )); expected_h=$(( 1590 * 96 / 1440 ))
if [ $(( w - expected_w )) -gt 2 ] || [ $(( expected_w - w )) -gt 2 ] || [ $(( h - expected_h )) -gt 2 ] || [ $(( expected_h - h )) -gt 2 ]; then
    echo "FAIL: expected about ${expected_w}x${expected_h}, got ${w}x${h}"; exit 1
fi
centre=$(( (1024 - w) / 2 ))
if [ $(( x - centre )) -gt 2 ] || [ $(( centre - x )) -gt 2 ]; then
    echo "FAIL: not centred: x=$x, expected $centre"; exit 1
fi
if command -v import >/dev/null 2>&1; then
    import -window root "$out/markcrate-collapsed.png" 2>/dev/null || true
fi
kill "$app_pid"
wait "$app_pid" 2>/dev/null
echo "smoke: passed"
