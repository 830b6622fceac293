#!/usr/bin/env bash
# The tray icon follows the tray: the program starts hidden with no tray on
# the screen, a tray started later takes its icon in, and so does the next
# tray after that one ends (a panel restarted).
# Usage: tray.sh PROGRAM XCLIENT
set -u
program=$1
traytool=$2
tray_pid=""
app_pid=""
trap 'kill $app_pid $tray_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/xvfb.sh"

"$program" -HIDE >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"ORX Markcrate"' && break
    sleep 0.1
done
sleep 1 # the program settles with no tray to be found

# Waits for the tray's "dock" line in FILE: the icon asked to be taken in.
docked() {
    for _ in $(seq 150); do
        grep -q '^dock ' "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

for round in first second; do
    "$traytool" tray >"$work/tray-$round.log" 2>&1 &
    tray_pid=$!
    if ! docked "$work/tray-$round.log"; then
        echo "FAIL: the $round tray got no icon"
        cat "$work/tray-$round.log" "$work/app.log"
        exit 1
    fi
    echo "the $round tray: $(grep '^dock ' "$work/tray-$round.log" | head -n1)"
    kill "$tray_pid"
    wait "$tray_pid" 2>/dev/null
    tray_pid=""
    sleep 0.5
done

# Without a tray the window is still reached: a later start shows it.
"$program" --show >/dev/null 2>&1
for _ in $(seq 50); do
    xwininfo -root -tree 2>/dev/null | grep '"ORX Markcrate"' | grep -qv '1x1' && break
    sleep 0.1
done
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "FAIL: the program ended"; cat "$work/app.log"; exit 1
fi
echo "PASS"
