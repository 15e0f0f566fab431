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
    if [ -n "${SHOTS:-}" ]; then
        import -window root "$SHOTS/failure-$(basename "$0" .sh).png" 2>/dev/null || true
    fi
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

# Height of the menu bar: the program logs it at start-up ("menubar=N").
menu_bar_height() {
    grep -o 'menubar=[0-9]*' "$E2E_TMP/picura.log" | tail -n1 | cut -d= -f2
}

# Screen position of the Qt window's top-left corner (inside any frame).
window_origin() {
    local info
    info=$(xwininfo -id "$1")
    echo "$(echo "$info" | awk '/Absolute upper-left X/ {print $4}') $(echo "$info" | awk '/Absolute upper-left Y/ {print $4}')"
}

# click_in WINDOW X Y: a click inside a window's own coordinates (a dialog's, say).
click_in() {
    local x y
    read -r x y < <(window_origin "$1")
    xdotool mousemove --sync "$((x + $2))" "$((y + $3))" click 1
}

# fill_batch_folders DIALOG SOURCE SAVE: types both folders into the Batch-crop settings window.
fill_batch_folders() {
    click_in "$1" 200 24
    xdotool key ctrl+a
    xdotool type --delay 5 "$2"
    click_in "$1" 200 60
    xdotool key ctrl+a
    xdotool type --delay 5 "$3"
}

# Clicks at (x, y) of the client area (below the menu bar).
click_client() {
    local wid=$1 cx=$2 cy=$3 x y
    read -r x y < <(window_origin "$wid")
    xdotool mousemove --sync "$((x + cx))" "$((y + $(menu_bar_height) + cy))" click 1
}

# A picture of the Qt window alone (menu bar included).
window_shot() {
    import -window "$1" "$2"
}

# Crops the view (可视画板, 411 × 279 at client (4, 48)) out of a window_shot.
view_crop() {
    convert "$1" -crop "411x279+4+$(($(menu_bar_height) + 48))" +repage "$2"
}

# Opens a picture with the toolbar's 打开 and the open dialog.
open_picture() {
    local wid=$1 path=$2
    click_client "$wid" 30 20
    local dlg
    dlg=$(wait_window "打开图片文件")
    xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
    xdotool type --delay 5 "$path"
    xdotool key Return
    wait_until 100 "[ -z \"\$(window_id '打开图片文件')\" ]" || fail "the open dialog stayed"
    sleep 0.5
}

# Number of pixels of a colour (within 3%) in a picture.
count_colour() {
    convert "$1" -fuzz 3% -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}

# "yes" when column X of a picture shows only the board's light grey.
column_is_background() {
    local n h
    h=$(identify -format '%h' "$1")
    n=$(convert "$1" -crop "1x${h}+$2+0" +repage -fuzz 1% -fill black +opaque '#f0f0f0' \
        -fill white -opaque '#f0f0f0' -format '%[fx:round(mean*w*h)]' info:)
    [ "$n" -eq "$h" ] && echo yes || echo no
}
