#!/usr/bin/env bash
# The camera's quick shoot on GStreamer's test picture: "拍摄" opens the Camera window, 使用批量速拍模式
# is ticked, the Quick-shoot settings window gets a save folder and sequence naming, and two presses of
# "拍 照" write 0001.jpg and 0002.jpg of exactly the frame's 160 × 210 pixels. Ordinary photos are left
# to the unit tests.
# Usage: xvfb-run ... quick_shoot.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"
export PICURA_CAMERA=test

out="$E2E_TMP/photos"
mkdir -p "$out"

# Clicks at (x, y) of a window without a menu bar.
click_window() {
    local wid=$1 cx=$2 cy=$3 x y
    read -r x y < <(window_origin "$wid")
    xdotool mousemove --sync "$((x + cx))" "$((y + cy))" click 1
}

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")

# Toolbar "拍摄".
click_client "$wid" 317 20
cam=$(wait_window "摄像预览")
# The test picture's colour bars reach the preview.
preview_pixel() {
    import -window "$cam" "$E2E_TMP/camera.png" && convert "$E2E_TMP/camera.png" -format '%[hex:p{100,60}]' info:
}
wait_until 100 '[ "$(preview_pixel)" = FFFF00 ]' || fail "no test picture in the preview"

# Quick-shoot mode on, then its settings.
click_window "$cam" 15 352
sleep 0.3
click_window "$cam" 503 79
dlg=$(wait_window "批量速拍设置")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
click_window "$dlg" 200 24
xdotool key ctrl+a
xdotool type --delay 5 "$out"
# Naming: the second entry, sequence numbers.
click_window "$dlg" 274 95
sleep 0.3
xdotool key Down Return
sleep 0.2
click_window "$dlg" 234 193
wait_until 50 "[ -z \"\$(window_id '批量速拍设置')\" ]" || fail "the settings window stayed"

# Two photos.
click_window "$cam" 503 319
wait_until 100 "[ -f '$out/0001.jpg' ]" || fail "no 0001.jpg"
click_window "$cam" 503 319
wait_until 100 "[ -f '$out/0002.jpg' ]" || fail "no 0002.jpg"
sleep 0.3
window_shot "$cam" "$SHOTS/quick_shoot_camera.png"

ls "$out"
[ "$(ls "$out" | wc -l)" -eq 2 ] || fail "expected exactly two photos: $(ls "$out" | tr '\n' ' ')"
for f in 0001.jpg 0002.jpg; do
    size=$(identify -format '%wx%h %m' "$out/$f")
    echo "$f: $size"
    [ "$size" = "160x210 JPEG" ] || fail "$f is $size, expected 160x210 JPEG"
    # The pixels inside the camera frame: cyan, green and magenta bars of the test picture.
    colours=$(convert "$out/$f" -format \
        '%[fx:p{25,50}.r<0.2&&p{25,50}.g>0.8&&p{25,50}.b>0.8] %[fx:p{80,50}.r<0.2&&p{80,50}.g>0.8&&p{80,50}.b<0.2] %[fx:p{140,50}.r>0.8&&p{140,50}.g<0.2&&p{140,50}.b>0.8]' info:)
    [ "$colours" = "1 1 1" ] || fail "$f does not hold the framed bars ($colours)"
done
cp "$out/0001.jpg" "$SHOTS/quick_shoot_0001.jpg"

# Closing the Main window closes the Camera window too and ends the program.
close_picura "Picura V2.8"
echo "quick_shoot: ok"
