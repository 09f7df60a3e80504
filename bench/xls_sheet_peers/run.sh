#!/usr/bin/env bash
# Reads a legacy workbook of 60,000 rows with a ROW record each, 10,000 merged areas and 10,000
# hyperlinks (made by make_workbook.py: xlsxwriter, then LibreOffice Calc saving BIFF8), timed as
# whole processes in one run with peak memory: ours (xls_sheet_counts: every cell's text, merged
# areas, hyperlinks and row records from the model) and xlrd 1.2 with formatting_info=True
# (read_xlrd.py, the same). Both print the counts they read. xls_dump, which also prints every
# line of the model as text, is timed beside them.
# Needs a release build with xls_sheet_counts and xls_dump, python3-xlrd, python3-xlsxwriter,
# LibreOffice.
#   run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../xlsx_peers/peers.sh"
OURS=$(cd "$1" && pwd)/bench
WORK=${2:-/tmp/kws-xls-sheet-peers}
BOOK=$WORK/sheets.xls
mkdir -p "$WORK"
[ -f "$BOOK" ] || /usr/bin/python3 "$here/make_workbook.py" "$BOOK"
echo "workbook: $BOOK ($(stat -c %s "$BOOK") bytes)"
measure "ours: xls_sheet_counts" "$OURS/xls_sheet_counts" "$BOOK"
measure "ours: xls_dump (all lines)" bash "$here/read_ours.sh" "$OURS/xls_dump" "$BOOK"
measure "xlrd formatting_info" /usr/bin/python3 "$here/read_xlrd.py" "$BOOK"
"$OURS/xls_sheet_counts" "$BOOK"
/usr/bin/python3 "$here/read_xlrd.py" "$BOOK"
echo
compare "xlrd formatting_info" "ours: xls_sheet_counts"
compare "xlrd formatting_info" "ours: xls_dump (all lines)"
