#!/usr/bin/env bash
# Batch crop end to end: a picture turned with 顺转 and then left with S and
# come back to with D is shown, and cropped, as its file is on disk; the turned
# pixels are never kept under its name.
# Usage: xvfb-run ... batch_wrong_picture.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

src="$E2E_TMP/photos"
out="$E2E_TMP/crops"
mkdir -p "$src" "$out"
# p1: left half red, right half blue. Turned clockwise, red is on top and blue below.
convert -size 320x800 xc:'#ff0000' -size 320x800 xc:'#0000ff' +append -quality 95 "$src/p1.jpg"
convert -seed 2 -size 640x800 plasma:fractal -quality 90 "$src/p2.jpg"
convert -seed 3 -size 640x800 plasma:fractal -quality 90 "$src/p3.jpg"

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")

# Batch mode on through the settings window, sequence naming.
click_client "$wid" 480 350
dlg=$(wait_window "批量截图设置")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
fill_batch_folders "$dlg" "$src" "$out"
click_in "$dlg" 250 131
sleep 0.3
xdotool key Home Down Down Return
sleep 0.2
click_in "$dlg" 234 205   # 确定
wait_until 50 "[ -z \"\$(window_id '批量截图设置')\" ]" || fail "the settings window stayed"
wid=$(wait_window " 当前文件：p1.jpg  未截图")

# The colour at (x, y) of a picture as "r g b" (0..255).
colour_at() {
    convert "$1" -format "%[fx:round(255*u.p{$2,$3}.r)] %[fx:round(255*u.p{$2,$3}.g)] %[fx:round(255*u.p{$2,$3}.b)]" info:
}
is_red() { local r g b; read -r r g b < <(colour_at "$@"); [ "$r" -gt 180 ] && [ "$b" -lt 80 ]; }
is_blue() { local r g b; read -r r g b < <(colour_at "$@"); [ "$b" -gt 180 ] && [ "$r" -lt 80 ]; }

# 顺转 on the toolbar turns p1; the view shows red above blue.
click_client "$wid" "${ROTATE_X:-205}" 20
view_turned() {
    window_shot "$wid" "$E2E_TMP/turned.png" &&
        view_crop "$E2E_TMP/turned.png" "$E2E_TMP/turned_view.png" &&
        is_red "$E2E_TMP/turned_view.png" 120 60 && is_red "$E2E_TMP/turned_view.png" 290 60 &&
        is_blue "$E2E_TMP/turned_view.png" 120 220 && is_blue "$E2E_TMP/turned_view.png" 290 220
}
wait_until 50 view_turned || fail "顺转 did not turn the picture"
cp "$E2E_TMP/turned_view.png" "$SHOTS/batch_wrong_picture_turned.png"

# S to p2, D back to p1.
xdotool key s
wid=$(wait_window " 当前文件：p2.jpg  未截图")
xdotool key d
wid=$(wait_window " 当前文件：p1.jpg  未截图")
sleep 0.3
shot "$SHOTS/batch_wrong_picture.png"

# 截图: the crop is p1 as on disk, red on the left and blue on the right.
click_client "$wid" 507 273
wait_until 50 "[ -f '$out/0001.jpg' ]" || fail "no 0001.jpg"
wait_window " 当前文件：p1.jpg  已截图" >/dev/null
[ "$(identify -format '%wx%h' "$out/0001.jpg")" = 160x210 ] || fail "0001.jpg is not 160 × 210"
echo "top right: $(colour_at "$out/0001.jpg" 140 20), bottom left: $(colour_at "$out/0001.jpg" 20 190)"
is_blue "$out/0001.jpg" 140 20 || fail "the crop's top right is not p1's blue: the turned picture was saved"
is_red "$out/0001.jpg" 20 190 || fail "the crop's bottom left is not p1's red: the turned picture was saved"
close_picura " 当前文件：p1.jpg  已截图"
echo "batch_wrong_picture: ok"
