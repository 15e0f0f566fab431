#!/usr/bin/env bash
# Opens a photo through the open dialog and checks that it is shown fitted,
# centred and with the yellow frame outline.
# Usage: xvfb-run ... open_photo.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

photo="$E2E_TMP/photo.jpg"
convert -seed 7 -size 1200x900 plasma:fractal -blur 0x2 -quality 92 "$photo"

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")
open_picture "$wid" "$photo"

shot "$SHOTS/open_photo.png"
window_shot "$wid" "$E2E_TMP/window.png"
view_crop "$E2E_TMP/window.png" "$E2E_TMP/view.png"
# The frame outline of the 160 × 210 frame: 2 × (162 + 212) − 1 yellow pixels, unless
# the photo itself has some.
yellow=$(count_colour "$E2E_TMP/view.png" yellow)
echo "yellow outline pixels: $yellow"
[ "$yellow" -ge 740 ] && [ "$yellow" -le 760 ] || fail "frame outline not drawn as expected ($yellow pixels)"
# The outline's corners: x = 124 and 286, y = 33 and 245.
for xy in 124,33 285,33 124,244 286,100; do
    c=$(convert "$E2E_TMP/view.png" -format "%[pixel:p{$xy}]" info:)
    [ "$c" = "srgb(255,255,0)" ] || [ "$c" = "yellow" ] || fail "no outline at $xy ($c)"
done
# A 1200 × 900 photo in a 411 × 279 view: zoom 0.31, 372 × 279, centred with 19-pixel margins.
[ "$(column_is_background "$E2E_TMP/view.png" 10)" = yes ] || fail "expected the board colour left of the picture"
[ "$(column_is_background "$E2E_TMP/view.png" 400)" = yes ] || fail "expected the board colour right of the picture"
[ "$(column_is_background "$E2E_TMP/view.png" 19)" = no ] || fail "expected the picture from column 19"
[ "$(column_is_background "$E2E_TMP/view.png" 390)" = no ] || fail "expected the picture up to column 390"

close_picura "Picura V2.8"
echo "open_photo: ok"
