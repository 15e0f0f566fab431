#!/bin/sh
# Runs the X11 key tests on a private virtual X server. Without xvfb-run they run with no display
# and skip themselves.
binary="$1"
shift
if command -v xvfb-run >/dev/null 2>&1; then
    # -a looks for a free display from -n on; starting from a number of our own keeps parallel
    # runs from racing for the same one.
    exec xvfb-run -a -n $(( $$ % 400 + 100 )) -s '-screen 0 1280x1024x24' "$binary" "$@"
fi
unset DISPLAY
exec "$binary" "$@"
