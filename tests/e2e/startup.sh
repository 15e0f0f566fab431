#!/usr/bin/env bash
# Starts the real program, checks its window and settings folder, takes a
# screenshot and closes it; the exit code must be 0.
# Usage: xvfb-run -a -s '-screen 0 1280x1024x24' startup.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")

title=$(xdotool getwindowname "$wid")
[ "$title" = "Picura V2.8" ] || fail "window title is '$title'"
[ -d "$PROGRAM_DIR/头像采集设置" ] || fail "settings folder not created beside the program"
[ -z "$(ls -A "$PROGRAM_DIR/头像采集设置")" ] || fail "start-up wrote into the settings folder"
# The client area is 586 × 360 below the menu bar, whatever frame the window manager draws.
menu=$(menu_bar_height)
[ -n "$menu" ] && [ "$menu" -gt 0 ] || fail "no menu bar height in the log"
geometry=$(xdotool getwindowgeometry "$wid")
echo "$geometry (menu bar $menu)"
echo "$geometry" | grep -q "Geometry: 586x$((360 + menu))\$" || fail "client area is not 586 × 360: $geometry"

shot "$SHOTS/startup.png"
# The yellow frame is not drawn without a picture; the view is the board's light grey.
window_shot "$wid" "$E2E_TMP/window.png"
view_crop "$E2E_TMP/window.png" "$E2E_TMP/view.png"
[ "$(identify -format '%wx%h' "$E2E_TMP/view.png")" = 411x279 ] || fail "the view is not 411 × 279"
yellow=$(count_colour "$E2E_TMP/view.png" yellow)
[ "$yellow" -eq 0 ] || fail "a frame is drawn without a picture ($yellow yellow pixels)"
grey=$(count_colour "$E2E_TMP/view.png" '#f0f0f0')
[ "$grey" -eq $((411 * 279)) ] || fail "the empty view is not all light grey ($grey of $((411 * 279)))"
close_picura "Picura V2.8"
echo "startup: ok"
