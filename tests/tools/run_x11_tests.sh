#!/bin/sh
# Runs the X11 clipboard tests on a private virtual X server. Without xvfb-run they run offscreen and
# skip themselves.
binary="$1"
shift
if command -v xvfb-run >/dev/null 2>&1; then
    # -a looks for a free display from -n on; a start number of our own keeps parallel runs apart.
    exec xvfb-run -a -n $(( $$ % 400 + 500 )) -s '-screen 0 1280x1024x24' "$binary" "$@"
fi
unset DISPLAY
QT_QPA_PLATFORM=offscreen exec "$binary" "$@"
