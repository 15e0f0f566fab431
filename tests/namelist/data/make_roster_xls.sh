#!/usr/bin/env bash
# Remakes roster.xls: writes the same roster the tests build as .xlsx (make_roster.c, libxlsxwriter),
# then converts it with LibreOffice (package libreoffice-calc-nogui), which CI does not install.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc "$here/make_roster.c" -o "$work/make_roster" -lxlsxwriter
(cd "$work" && ./make_roster && soffice --headless --convert-to xls roster.xlsx --outdir out >/dev/null)
cp "$work/out/roster.xls" "$here/roster.xls"
