#!/usr/bin/env bash
# Opens a photo, chooses "1寸照", nudges the frame with the arrow keys, sets the
# JPG limit to 20 KB and saves with "截图": the file is 295 × 413 and at most
# 20,480 bytes.
# Usage: xvfb-run ... save_crop.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

photo="$E2E_TMP/portrait.jpg"
convert -seed 11 -size 1600x2000 plasma:fractal -blur 0x1 -quality 95 "$photo"
out="$E2E_TMP/out/idphoto.jpg"
mkdir -p "$E2E_TMP/out"

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")
open_picture "$wid" "$photo"

# Size type "1寸照" (entry 4) from the drop-down list.
click_client "$wid" 540 80
sleep 0.3
xdotool key Down Down Down Down Return
sleep 0.5

# The JPG limit: 20 KB.
click_client "$wid" 544 166
xdotool key ctrl+a
xdotool type --delay 20 "20"

# Focus the view (outside the frame) and move the frame: 2 right, 1 down.
click_client "$wid" 10 60
xdotool key Right Right Down
# Zoom in until the photo fills the frame (× 1.02 per key).
for _ in $(seq 26); do xdotool key equal; done
sleep 0.3
shot "$SHOTS/save_crop_before.png"

# "截图" and the save dialog.
click_client "$wid" 507 273
dlg=$(wait_window "采集框内图象另存为：")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
xdotool key ctrl+a
xdotool type --delay 5 "$out"
xdotool key Return
wait_until 100 "[ -f '$out' ]" || fail "no output file"
wait_until 50 "[ -z \"\$(window_id '采集框内图象另存为：')\" ]" || fail "the save dialog stayed"
sleep 0.3
shot "$SHOTS/save_crop_after.png"
cp "$out" "$SHOTS/save_crop_output.jpg"

size=$(identify -format '%wx%h %m' "$out")
bytes=$(stat -c %s "$out")
echo "output: $size, $bytes bytes"
[ "$size" = "295x413 JPEG" ] || fail "output is $size, expected 295x413 JPEG"
[ "$bytes" -le 20480 ] || fail "output has $bytes bytes, more than 20 KB"

close_picura "Picura V2.8"
echo "save_crop: ok"
