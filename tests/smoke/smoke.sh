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
if command -v import >/dev/null 2>&1; then
    import -window root "$out/markcrate-collapsed.png" 2>/dev/null || true
fi
kill "$app_pid"
wait "$app_pid" 2>/dev/null
echo "smoke: passed"
