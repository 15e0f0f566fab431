#!/usr/bin/env bash
# The outline follows the frame's size whether the window grows or not: 381
# typed into 宽度 in the designed window (the window keeps its width), then
# 2寸照, 默认 and 2寸照 again chosen with the keyboard (the second 2寸照 needs
# no bigger window). After the preset the arrow keys move the frame, not the
# preset.
# Usage: xvfb-run ... frame_outline.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

# A mid-grey photo: only the outline is yellow.
photo="$E2E_TMP/grey.png"
convert -size 1600x1200 xc:'#808080' "$photo"

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")
open_picture "$wid" "$photo"

# yellow_in SHOT W H X Y: yellow pixels in the W × H region at (X, Y) of the view.
yellow_in() {
    local view="$E2E_TMP/view-region.png"
    convert "$1" -crop "${2}x${3}+$((4 + $4))+$(($(menu_bar_height) + 48 + $5))" +repage "$view"
    count_colour "$view" yellow
}

# 宽度: 381. The frame (left 125, top 34) reaches past the view's right edge, so the top
# outline runs from x = 124 to the view's last column.
click_client "$wid" 515 109
xdotool key ctrl+a
xdotool type --delay 20 "381"
sleep 0.5
window_shot "$wid" "$SHOTS/frame_outline_381.png"
top_row=$(yellow_in "$SHOTS/frame_outline_381.png" 411 1 0 33)
echo "381: $top_row yellow pixels on the top outline row"
[ "$top_row" -ge 280 ] || fail "the outline of a 381-pixel frame is $top_row pixels wide"

# choose_preset KEYS...: opens 尺寸类型 and picks an entry with the keys given.
choose_preset() {
    click_client "$wid" 540 80
    sleep 0.4
    xdotool key "$@" Return
    sleep 0.6
}
choose_preset End            # 2寸照 (413 × 626): the window grows
choose_preset Home           # 默认
choose_preset End            # 2寸照 again: the window is big enough already
# The view has the keyboard: Left moves the frame one pixel (and leaves the preset alone).
xdotool key Left
sleep 0.4
window_shot "$wid" "$SHOTS/frame_outline_2inch.png"
# The view is 443 × 656; the frame 413 × 626 centred at (15, 15), moved to left 14: its right
# outline is column 14 + 413 + 1 = 428, its left one column 13.
right=$(yellow_in "$SHOTS/frame_outline_2inch.png" 1 626 428 15)
left=$(yellow_in "$SHOTS/frame_outline_2inch.png" 1 626 13 15)
echo "2寸照: right outline $right, left outline $left yellow pixels"
[ "$right" -eq 626 ] || fail "the right outline of the 413 × 626 frame has $right of 626 pixels"
[ "$left" -eq 626 ] || fail "the left outline of the 413 × 626 frame has $left of 626 pixels"
# Nothing of a 160 × 210 outline is left.
stale=$(yellow_in "$SHOTS/frame_outline_2inch.png" 1 200 176 20)
[ "$stale" -eq 0 ] || fail "a stale 160-pixel outline is still shown ($stale pixels)"

close_picura "Picura V2.8"
echo "frame_outline: ok"
