#!/usr/bin/env bash
# Our own windows keep the letters a, s, d and f while batch crop holds them:
# in the Batch-crop settings window Enter confirms (it opens no folder picker)
# and a cancelled picker leaves its box as it was; with batch crop on, a path
# full of a, s, d and f typed into the 打开 dialog arrives whole and the batch
# does not move; back in the Main window A moves it again.
# Usage: xvfb-run ... batch_dialogs.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

src="$E2E_TMP/photos"
out="$E2E_TMP/crops"
mkdir -p "$src" "$out" "$E2E_TMP/fads"
for i in 1 2 3; do
    convert -seed "$i" -size 640x800 plasma:fractal -quality 90 "$src/p$i.jpg"
done
# The picture opened by hand: plain blue, easy to see in the view.
opened="$E2E_TMP/fads/sad.png"
convert -size 800x600 xc:'#0000ff' "$opened"


start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")

# The status bar's check box opens the settings window; both folders typed in.
click_client "$wid" 480 350
dlg=$(wait_window "批量截图设置")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
fill_batch_folders "$dlg" "$src" "$out"

# 浏览待截图目录, then Escape in the picker: the source box keeps its text.
picker="选择待截图文件夹，以便对文件夹中的图片进行批量截图。"
click_in "$dlg" 409 24
pick=$(wait_window "$picker")
xdotool windowactivate --sync "$pick" >/dev/null 2>&1 || true
xdotool key Escape
wait_until 50 "[ -z \"\$(window_id '$picker')\" ]" || fail "the folder picker stayed"

# Enter in the source box: 确定 with the folders as typed (an emptied box would be refused).
click_in "$dlg" 200 24
xdotool key End Return
sleep 0.5
[ -z "$(window_id "$picker")" ] || fail "Enter opened the folder picker"
[ -z "$(window_id "提醒：")" ] || fail "the settings were refused (a picker emptied a box?)"
wait_until 50 "[ -z \"\$(window_id '批量截图设置')\" ]" || fail "Enter did not confirm the settings"
wid=$(wait_window " 当前文件：p1.jpg  未截图")

# 打开 in batch mode: the path, full of a, s, d and f, reaches the dialog whole.
click_client "$wid" 30 20
open=$(wait_window "打开图片文件")
xdotool windowactivate --sync "$open" >/dev/null 2>&1 || true
sleep 0.3
xdotool type --delay 10 "$opened"
shot "$SHOTS/batch_dialogs_open.png"
xdotool key Return
wait_until 50 "[ -z \"\$(window_id '打开图片文件')\" ]" || fail "the open dialog did not take the typed path"
sleep 0.5
[ -n "$(window_id " 当前文件：p1.jpg  未截图")" ] || fail "the batch moved while the dialog had the focus"
window_shot "$wid" "$SHOTS/batch_dialogs_opened.png"
view_crop "$SHOTS/batch_dialogs_opened.png" "$E2E_TMP/view.png"
blue=$(count_colour "$E2E_TMP/view.png" blue)
echo "blue pixels in the view: $blue"
[ "$blue" -gt 50000 ] || fail "the typed picture is not shown ($blue blue pixels)"

# Back in the Main window the keys are ours again: A shows the next batch picture.
xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
sleep 0.3
xdotool key a
wait_window " 当前文件：p2.jpg  未截图" >/dev/null
close_picura " 当前文件：p2.jpg  未截图"
echo "batch_dialogs: ok"
