#!/usr/bin/env bash
# Opens a plain light photo, shows the Edit tools window with "编辑", ticks "文字", clicks on the
# photo inside the frame, types 张三 and Enter, then saves with "截图": the saved picture holds the
# text's dark pixels, which the photo has none of.
# Usage: xvfb-run ... edit_text.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

photo="$E2E_TMP/plain.png"
convert -size 1600x2000 xc:'#d8d8d8' "$photo"
out="$E2E_TMP/out/text.jpg"
mkdir -p "$E2E_TMP/out"

# Pixels darker than 35 % grey.
dark_pixels() {
    convert "$1" -colorspace Gray -threshold 35% -negate -format '%[fx:round(mean*w*h)]' info:
}

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")
open_picture "$wid" "$photo"

# "编辑" on the toolbar shows the Edit tools window, docked left of the Main window.
click_client "$wid" "${EDIT_X:-281}" 20
tools=""
for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --pid "$PICURA_PID" 2>/dev/null); do
        [ "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')" = "75" ] && tools=$id
    done
    [ -n "$tools" ] && break
    sleep 0.1
done
[ -n "$tools" ] || fail "the Edit tools window did not appear"

# Tick "文字" (its check box at (9, 38) in the window, 52 × 22).
read -r tx ty < <(window_origin "$tools")
xdotool mousemove --sync "$((tx + 20))" "$((ty + 49))" click 1
sleep 0.3

# Click on the photo inside the frame (the view starts at client (4, 48)), then type.
click_client "$wid" 184 175
sleep 0.3
xdotool type --delay 50 "张三"
sleep 0.2
xdotool key Return
sleep 0.3
shot "$SHOTS/edit_text_typed.png"

# "截图" and the save dialog.
click_client "$wid" 507 273
dlg=$(wait_window "采集框内图象另存为：")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
xdotool key ctrl+a
xdotool type --delay 5 "$out"
xdotool key Return
wait_until 100 "[ -f '$out' ]" || fail "no output file"
wait_until 50 "[ -z \"\$(window_id '采集框内图象另存为：')\" ]" || fail "the save dialog stayed"
cp "$out" "$SHOTS/edit_text_output.jpg"

[ "$(dark_pixels "$photo")" -eq 0 ] || fail "the photo itself has dark pixels"
dark=$(dark_pixels "$out")
echo "dark pixels in the output: $dark"
[ "$dark" -ge 20 ] || fail "the text is not in the saved picture ($dark dark pixels)"

close_picura "Picura V2.8"
echo "edit_text: ok"
