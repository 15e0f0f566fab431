#!/usr/bin/env bash
# Writes the seed inputs of picura_fuzz_xlsx into fuzz/namelist/corpus: a whole workbook (first byte 0)
# and workbooks split into parts (first byte 1, parts separated by \xff\xfe).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/corpus"
python3 - "$here/corpus" "$here/../../tests/namelist/data/make_roster.c" <<'PY'
import io, os, subprocess, sys, tempfile, zipfile
out, roster_c = sys.argv[1], sys.argv[2]
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
M = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
P = 'http://schemas.openxmlformats.org/package/2006/relationships'
pkg = f'<Relationships xmlns="{P}"><Relationship Id="rId1" Type="{R}/officeDocument" Target="xl/workbook.xml"/></Relationships>'
book = f'<workbook xmlns="{M}" xmlns:r="{R}"><sheets><sheet name="名单" sheetId="1" r:id="rId1"/><sheet name="二" sheetId="2" r:id="rId2"/></sheets></workbook>'
rels = (f'<Relationships xmlns="{P}"><Relationship Id="rId1" Type="{R}/worksheet" Target="worksheets/sheet1.xml"/>'
        f'<Relationship Id="rId2" Type="{R}/worksheet" Target="/xl/worksheets/sheet1.xml"/>'
        f'<Relationship Id="rId3" Type="{R}/sharedStrings" Target="sharedStrings.xml"/></Relationships>')
sst = f'<sst xmlns="{M}"><si><t>张三</t></si><si><r><t xml:space="preserve"> 李</t></r><r><t>四_x0009_</t></r><rPh><t>リ</t></rPh></si></sst>'
sheet = (f'<worksheet xmlns="{M}"><dimension ref="A1:C3"/><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c>'
         '<c r="B1" t="inlineStr"><is><t>内联</t></is></c><c r="C1"><v>3</v></c></row>'
         '<row r="3"><c r="A3" t="s"><v>1</v></c><c t="str"><f>A1</f><v>公式</v></c><c t="b"><v>1</v></c></row></sheetData></worksheet>')
parts = [pkg, book, rels, sst, sheet]
with open(os.path.join(out, 'parts'), 'wb') as f:
    f.write(b'\x01' + b'\xff\xfe'.join(p.encode() for p in parts))
with open(os.path.join(out, 'parts_no_rels'), 'wb') as f:
    f.write(b'\x01' + b'\xff\xfe'.join([b'', book.encode(), b'', sst.encode(), sheet.encode()]))
for method, name in ((zipfile.ZIP_DEFLATED, 'zip_deflated'), (zipfile.ZIP_STORED, 'zip_stored')):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w', method) as z:
        for n, p in zip(['_rels/.rels', 'xl/workbook.xml', 'xl/_rels/workbook.xml.rels', 'xl/sharedStrings.xml',
                         'xl/worksheets/sheet1.xml'], parts):
            z.writestr(n, p)
    with open(os.path.join(out, name), 'wb') as f:
        f.write(b'\x00' + buf.getvalue())
with tempfile.TemporaryDirectory() as t:
    subprocess.run(['gcc', roster_c, '-o', os.path.join(t, 'mk'), '-lxlsxwriter'], check=True)
    subprocess.run([os.path.join(t, 'mk')], cwd=t, check=True)
    with open(os.path.join(t, 'roster.xlsx'), 'rb') as f, open(os.path.join(out, 'roster'), 'wb') as g:
        g.write(b'\x00' + f.read())
PY
