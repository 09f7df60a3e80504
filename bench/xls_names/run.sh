#!/usr/bin/env bash
# A legacy workbook of 20,000 defined names (made by make_names.py: openpyxl, then LibreOffice Calc
# saving BIFF8) loaded with every definition printed, timed as whole processes in one run with peak
# memory: ours (xls_dump, which prints every name's definition) and xlrd (names_xlrd.py; xlrd
# evaluates every name as it opens the file). Needs a release build, python3-openpyxl,
# python3-xlrd and LibreOffice.
#   run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../xlsx_peers/peers.sh"
OURS=$(cd "$1" && pwd)/bench
WORK=${2:-/tmp/kws-names-peers}
BOOK=$WORK/names.xls
mkdir -p "$WORK"
[ -f "$BOOK" ] || /usr/bin/python3 "$here/make_names.py" "$BOOK"
echo "workbook: $BOOK ($(stat -c %s "$BOOK") bytes)"
echo "name lines: ours $("$OURS/xls_dump" "$BOOK" | grep -c '^name')," \
     "xlrd $(/usr/bin/python3 "$here/names_xlrd.py" "$BOOK" | grep -c '^name')"
measure "ours: xls_dump" "$OURS/xls_dump" "$BOOK"
measure "xlrd" /usr/bin/python3 "$here/names_xlrd.py" "$BOOK"
echo
compare "xlrd" "ours: xls_dump"
