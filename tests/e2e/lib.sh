# Helpers for end-to-end tests that drive the real picura binary on an X server.
# Source this file inside `xvfb-run`; every wait is bounded.

set -euo pipefail

E2E_TMP=$(mktemp -d)
PICURA_PID=""
WM_PID=""

e2e_cleanup() {
    [ -n "$PICURA_PID" ] && kill "$PICURA_PID" 2>/dev/null || true
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A window manager, so that windows get frames and Alt+F4 closes them cleanly.
start_wm() {
    openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    wait_until 50 "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"
}

# wait_until TENTHS CMD: runs CMD every 0.1 s until it succeeds, at most TENTHS times.
wait_until() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do
        if eval "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

# start_picura BINARY: copies the program into its own folder (its settings
# folder is created beside it) and starts it.
start_picura() {
    PROGRAM_DIR="$E2E_TMP/program"
    mkdir -p "$PROGRAM_DIR"
    cp "$1" "$PROGRAM_DIR/picura"
    "$PROGRAM_DIR/picura" >"$E2E_TMP/picura.log" 2>&1 &
    PICURA_PID=$!
}

# window_id TITLE: the id of the visible window with exactly that title.
window_id() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

wait_window() {
    wait_until 100 "[ -n \"\$(window_id '$1')\" ]" || fail "no window titled '$1'"
    window_id "$1"
}

shot() {
    import -window root "$1"
}

# Closes the Main window the way the operator does and checks the exit code.
close_picura() {
    local wid
    wid=$(window_id "$1")
    xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
    xdotool key alt+F4
    local code=0
    for _ in $(seq 100); do
        if ! kill -0 "$PICURA_PID" 2>/dev/null; then break; fi
        sleep 0.1
    done
    kill -0 "$PICURA_PID" 2>/dev/null && fail "picura did not end after Alt+F4"
    wait "$PICURA_PID" || code=$?
    PICURA_PID=""
    [ "$code" -eq 0 ] || fail "picura ended with exit code $code"
}
