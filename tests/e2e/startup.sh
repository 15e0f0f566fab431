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

[ -d "$PROGRAM_DIR/头像采集设置" ] || fail "settings folder not created beside the program"
# The client area is 586 × 360 below the menu bar, whatever frame the window manager draws.
geometry=$(xdotool getwindowgeometry "$wid")
echo "$geometry"
echo "$geometry" | grep -q "Geometry: 586x" || fail "unexpected window width: $geometry"

shot "$SHOTS/startup.png"
# The yellow frame is not drawn without a picture; the view is the board's light grey.
close_picura "Picura V2.8"
echo "startup: ok"
