#!/usr/bin/env bash
# Starts the real program in a real X server and looks for its window.
# Usage: smoke.sh PROGRAM OUTPUT_DIR   (a screenshot goes to OUTPUT_DIR)
set -u
program=$1
out=$2
wm_pid=""
app_pid=""
trap 'kill $app_pid $wm_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/xvfb.sh"

# A stand-in for the desktop's opener records what the program asks it to open.
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<OPENER
#!/bin/sh
echo "\$@" >>"$work/opened"
OPENER
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

# A shortcut in the Favorites folder, to be found from the command box.
mkdir -p "$HOME/Favorites/Docs"
printf '[InternetShortcut]\r\nURL=https://doc.qt.io/\r\n' >"$HOME/Favorites/Docs/Qt Reference.url"

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
# A user types an address into the command box and presses Enter: the focus
# is there after start, and the address goes to the desktop's opener.
if command -v xdotool >/dev/null 2>&1; then
    window=$(xdotool search --name '^ORX Markcrate$' | head -n1)
    xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    sleep 0.3
    xdotool type --delay 20 "example.org"
    xdotool key Return
    for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
    if ! grep -q '^http://example.org' "$work/opened" 2>/dev/null; then
        echo "FAIL: typing an address and Enter opened nothing"; cat "$work/opened" 2>/dev/null; cat "$work/app.log"; exit 1
    fi
    echo "opened: $(cat "$work/opened")"
    # Two words of its title, Down to the suggestion, Enter: the shortcut opens.
    xdotool type --delay 20 "refer qt"
    sleep 0.3
    xdotool key Down Return
    for _ in $(seq 50); do grep -q 'doc.qt.io' "$work/opened" 2>/dev/null && break; sleep 0.1; done
    if ! grep -q '^https://doc.qt.io/' "$work/opened" 2>/dev/null; then
        echo "FAIL: a suggestion chosen with Down and Enter opened nothing"; cat "$work/opened" 2>/dev/null; cat "$work/app.log"; exit 1
    fi
    echo "found and opened: $(tail -n1 "$work/opened")"
else
    echo "xdotool is missing: the typing check is skipped"
fi
kill "$app_pid"
wait "$app_pid" 2>/dev/null

# With a window manager but no notification area, a hidden start is a
# minimised window, and a second start brings it back.
wm_state() {
    xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/.*window state: *//p'
}
wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}
if command -v openbox >/dev/null 2>&1; then
    openbox >"$work/wm.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do wm_running && break; sleep 0.1; done
fi
if ! command -v openbox >/dev/null 2>&1; then
    echo "openbox is missing: the hidden start under a window manager is not checked"
elif ! wm_running; then
    # The window manager's own failure says nothing of the program.
    echo "openbox did not start: the hidden start under a window manager is not checked"; cat "$work/wm.log"
else
    "$program" -HIDE >"$work/app.log" 2>&1 &
    app_pid=$!
    window=""
    for _ in $(seq 100); do
        window=$(xwininfo -root -tree 2>/dev/null | grep '"ORX Markcrate"' | awk '{print $1}' | head -n1)
        [ -n "$window" ] && [ -n "$(wm_state "$window")" ] && break
        sleep 0.1
    done
    state=""
    for _ in $(seq 30); do state=$(wm_state "$window"); [ "$state" = "Iconic" ] && break; sleep 0.1; done
    if [ "$state" != "Iconic" ]; then
        echo "FAIL: -HIDE without a notification area left the window \"${state:-unmanaged}\", not minimised"
        cat "$work/app.log" "$work/wm.log"; exit 1
    fi
    "$program" >>"$work/app.log" 2>&1
    for _ in $(seq 30); do state=$(wm_state "$window"); [ "$state" = "Normal" ] && break; sleep 0.1; done
    if [ "$state" != "Normal" ]; then
        echo "FAIL: a second start did not bring back the minimised window (\"$state\")"; cat "$work/app.log"; exit 1
    fi
    echo "hidden start minimised, a second start restored it"
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null
fi
echo "smoke: passed"
