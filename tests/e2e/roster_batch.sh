#!/usr/bin/env bash
# Batch crop named after an Excel roster: the settings window confirmed with the
# Excel naming opens the Name list window; a roster of Chinese names is imported,
# its first name clicked and the auto-next-row box ticked; three crops are saved
# as the first three names, in order.
# Usage: xvfb-run ... roster_batch.sh PICURA_BINARY SHOT_DIR
source "$(dirname "$0")/lib.sh"
BIN=$1
SHOTS=$2
mkdir -p "$SHOTS"

src="$E2E_TMP/photos"
out="$E2E_TMP/crops"
roster="$E2E_TMP/roster.xlsx"
mkdir -p "$src" "$out"
for i in 1 2 3; do
    convert -seed "$i" -size 640x800 plasma:fractal -quality 90 "$src/p$i.jpg"
done

# A minimal workbook: one sheet, a header and four names (shared strings).
python3 - "$roster" <<'PY'
import sys, zipfile
names = ["姓名", "张三", "李四", "王五", "赵六"]
rows = "".join(f'<row r="{i + 1}"><c r="A{i + 1}" t="s"><v>{i}</v></c></row>' for i in range(len(names)))
sst = "".join(f"<si><t>{n}</t></si>" for n in names)
ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
parts = {
    "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
    '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
    "</Types>",
    "_rels/.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    f'<Relationship Id="rId1" Type="{rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>',
    "xl/workbook.xml": f'<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="{ns}" xmlns:r="{rel}">'
    '<sheets><sheet name="一班" sheetId="1" r:id="rId1"/></sheets></workbook>',
    "xl/_rels/workbook.xml.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    f'<Relationship Id="rId1" Type="{rel}/worksheet" Target="worksheets/sheet1.xml"/>'
    f'<Relationship Id="rId2" Type="{rel}/sharedStrings" Target="sharedStrings.xml"/></Relationships>',
    "xl/worksheets/sheet1.xml": f'<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="{ns}"><sheetData>{rows}</sheetData></worksheet>',
    "xl/sharedStrings.xml": f'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="{ns}" count="{len(names)}" uniqueCount="{len(names)}">{sst}</sst>',
}
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for name, text in parts.items():
        z.writestr(name, text.encode("utf-8"))
PY

start_wm
start_picura "$BIN"
wid=$(wait_window "Picura V2.8")


# The status bar's check box: the settings window, with the Excel naming (the last entry).
click_client "$wid" 480 350
dlg=$(wait_window "批量截图设置")
xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
fill_batch_folders "$dlg" "$src" "$out"
click_in "$dlg" 250 131
sleep 0.3
xdotool key Home Down Down Down Down Down Return
sleep 0.2
click_in "$dlg" 234 205   # 确定
wait_until 50 "[ -z \"\$(window_id '批量截图设置')\" ]" || fail "the settings window stayed"
wait_window " 当前文件：p1.jpg  未截图" >/dev/null

# The Name list window opens with the crop wording.
list=$(wait_window "导入EXCEL，按所选单元格文字命名即将截取的图片")
xdotool windowactivate --sync "$list" >/dev/null 2>&1 || true
click_in "$list" 72 18    # 导入EXCEL文件
imp=$(wait_window "导入Excel名单")
xdotool windowactivate --sync "$imp" >/dev/null 2>&1 || true
xdotool type --delay 5 "$roster"
xdotool key Return
wait_until 100 "[ -z \"\$(window_id '导入Excel名单')\" ]" || fail "the import dialog stayed"
sleep 0.5
click_in "$list" 300 20   # 截图后自动跳到下一行
# Row 2 of the grid (张三): the grid starts at (144, 36), rows of 20 below its column header,
# right of the row numbers.
click_in "$list" 166 88
sleep 0.3
shot "$SHOTS/roster_name_list.png"
window_shot "$list" "$SHOTS/roster_name_list_window.png"

# Three crops, the batch key A between them.
wid=$(window_id " 当前文件：p1.jpg  未截图")
for n in 1 2 3; do
    wid=$(wait_window " 当前文件：p$n.jpg  未截图")
    click_client "$wid" 507 273
    wait_window " 当前文件：p$n.jpg  已截图" >/dev/null
    if [ "$n" -lt 3 ]; then
        xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
        xdotool key a
    fi
done
ls "$out"
[ -f "$out/张三.jpg" ] || fail "no 张三.jpg"
[ -f "$out/李四.jpg" ] || fail "no 李四.jpg"
[ -f "$out/王五.jpg" ] || fail "no 王五.jpg"
[ "$(ls "$out" | wc -l)" -eq 3 ] || fail "three crops expected: $(ls "$out")"
# In the order they were saved.
[ "$(ls -1tr "$out" | tr '\n' ' ')" = "张三.jpg 李四.jpg 王五.jpg " ] || fail "out of order: $(ls -1tr "$out")"
[ "$(identify -format '%wx%h' "$out/张三.jpg")" = 160x210 ] || fail "张三.jpg is not 160 × 210"
shot "$SHOTS/roster_batch.png"
close_picura " 当前文件：p3.jpg  已截图"
echo "roster_batch: ok"
