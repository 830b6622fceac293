#!/usr/bin/env bash
# The global key on an X11 session: Ctrl+Alt+B, pressed as xdotool presses
# it, shows the hidden window and hides it again while it is the active one;
# a key another client holds already is reported at once.
# Usage: shortcut.sh PROGRAM XCLIENT
set -u
program=$1
xclient=$2
app_pid=""
helper_pid=""
trap 'kill $app_pid $helper_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/xvfb.sh"

viewable() {
    xwininfo -name "ORX Markcrate" 2>/dev/null | grep -q "Map State: IsViewable"
}
# Waits until the window is shown (IsViewable) or not (anything else: a
# window started hidden is not even made until it is first shown).
state_is() {
    for _ in $(seq 100); do
        if [ "$1" = IsViewable ]; then viewable && return 0; else viewable || return 0; fi
        sleep 0.1
    done
    return 1
}

# A tray, so that hiding hides (without one the window is minimised instead).
"$xclient" tray >"$work/tray.log" 2>&1 &
helper_pid=$!
"$program" -HIDE >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"markcrate" "Markcrate"' && break
    sleep 0.1
done
sleep 1 # the key is grabbed once the window is loaded
if ! state_is IsUnMapped; then
    echo "FAIL: the window is shown"; cat "$work/app.log"; exit 1
fi

xdotool key ctrl+alt+b
if ! state_is IsViewable; then
    echo "FAIL: the key did not show the window"; cat "$work/app.log"; exit 1
fi
echo "shown by the key"
sleep 0.5
xdotool key ctrl+alt+b
if ! state_is IsUnMapped; then
    echo "FAIL: the key did not hide the active window"; cat "$work/app.log"; exit 1
fi
echo "hidden by the key"

# Another client holds the key first: the program says so as it starts.
kill "$app_pid" "$helper_pid"
wait "$app_pid" "$helper_pid" 2>/dev/null
app_pid=""
"$xclient" grab >"$work/grab.log" 2>&1 &
helper_pid=$!
for _ in $(seq 50); do grep -q grabbed "$work/grab.log" && break; sleep 0.1; done
"$program" >"$work/app2.log" 2>&1 &
app_pid=$!
for _ in $(seq 100); do
    grep -q "is held by another program" "$work/app2.log" && break
    sleep 0.1
done
if ! grep -q "Ctrl+Alt+B is held by another program" "$work/app2.log"; then
    echo "FAIL: the held key was not reported"; cat "$work/app2.log"; exit 1
fi
echo "PASS"
