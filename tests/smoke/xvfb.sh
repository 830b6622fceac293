# Sourced by the X11 tests: a fresh home in $work, its own private runtime
# folder, and a new Xvfb server on $DISPLAY ($xvfb_pid). The caller's EXIT
# trap ends what it started and removes $work.
work=$(mktemp -d)
export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The real X server, and no desktop the tests were started from.
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XDG_SESSION_TYPE

# Two servers started at once may reach for one display number and one of
# them lose: it is started again.
for attempt in 1 2 3 4 5; do
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    up=""
    for tick in $(seq 100); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        if [ -s "$work/display" ]; then
            number=$(head -n1 "$work/display")
            export DISPLAY=":$number"
            # On a busy machine the server may name its display before it
            # answers; a server that lost the display to another ends soon
            # after naming it, and what answered was the other one.
            if xwininfo -root >/dev/null 2>&1; then
                sleep 0.3
                kill -0 "$xvfb_pid" 2>/dev/null && up=yes
                break
            fi
        fi
        sleep 0.1
    done
    [ -n "$up" ] && break
    kill "$xvfb_pid" 2>/dev/null
    sleep 0.$attempt
done
if ! xwininfo -root >/dev/null 2>&1; then
    echo "FAIL: the X server on $DISPLAY does not answer"; cat "$work/xvfb.log"; exit 1
fi
