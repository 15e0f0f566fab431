#!/usr/bin/env bash
# Batch crop end to end: five photos, the settings window confirmed with
# sequence naming, the global key A pressed while another X window has the
# keyboard focus, two crops saved as 0001.jpg and 0002.jpg and marked in the
# task file; then a restart that resumes at the stored position.
# Usage: xvfb-run ... batch_crop.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

src="$E2E_TMP/photos"
out="$E2E_TMP/crops"
mkdir -p "$src" "$out"
for i in 1 2 3 4 5; do
    convert -seed "$i" -size 640x800 plasma:fractal -quality 90 "$src/p$i.jpg"
done

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")

# The status bar's check box: the settings window opens.
click_client "$wid" 480 350
dlg=$(wait_window "批量截图设置")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
fill_batch_folders "$dlg" "$src" "$out"
# Naming: entry 2, by sequence number.
click_in "$dlg" 250 131
sleep 0.3
xdotool key Home Down Down Return
sleep 0.2
click_in "$dlg" 242 168   # 保存上述设置供下次使用
shot "$SHOTS/batch_settings.png"
click_in "$dlg" 234 205   # 确定
wait_until 50 "[ -z \"\$(window_id '批量截图设置')\" ]" || fail "the settings window stayed"
wid=$(wait_window " 当前文件：p1.jpg  未截图")

# "截图" saves 0001.jpg.
click_client "$wid" 507 273
wait_until 50 "[ -f '$out/0001.jpg' ]" || fail "no 0001.jpg"
wait_window " 当前文件：p1.jpg  已截图" >/dev/null

# Another X window takes the keyboard focus; A still reaches Picura.
xmessage -geometry 300x100+10+10 -title other "another window" &
other_pid=$!
other=$(wait_window other)
xdotool windowactivate --sync "$other" >/dev/null 2>&1 || true
wait_until 30 "[ \"\$(xdotool getwindowfocus)\" = '$other' ]" ||
    fail "the other window does not hold the keyboard focus (focus: $(xdotool getwindowfocus 2>&1))"
xdotool key a
wid=$(wait_window " 当前文件：p2.jpg  未截图")
kill "$other_pid" 2>/dev/null || true

click_client "$wid" 507 273
wait_until 50 "[ -f '$out/0002.jpg' ]" || fail "no 0002.jpg"
wait_window " 当前文件：p2.jpg  已截图" >/dev/null
shot "$SHOTS/batch_crop.png"

task="$PROGRAM_DIR/头像采集设置/批截任务.ini"
iconv -f GB18030 -t UTF-8 "$task" > "$E2E_TMP/task.txt"
cat "$E2E_TMP/task.txt"
grep -q '^批截位置=2' "$E2E_TMP/task.txt" || fail "position 2 not stored"
[ "$(grep -c '^操作记录=已截图' "$E2E_TMP/task.txt")" -eq 2 ] || fail "two pictures should be marked 已截图"
[ "$(identify -format '%wx%h' "$out/0001.jpg")" = 160x210 ] || fail "0001.jpg is not 160 × 210"
close_picura " 当前文件：p2.jpg  已截图"

# A new run: the check box asks to resume; 是 shows the stored position.
"$PROGRAM_DIR/picura" >"$E2E_TMP/picura.log" 2>&1 &
PICURA_PID=$!
wid=$(wait_window "Picura V2.8")
click_client "$wid" 480 350
q=$(wait_window "询问：")
xdotool windowactivate --sync "$q" >/dev/null 2>&1 || true
xdotool key Return
wid=$(wait_window " 当前文件：p2.jpg  已截图")
shot "$SHOTS/batch_resumed.png"
close_picura " 当前文件：p2.jpg  已截图"
echo "batch_crop: ok"
