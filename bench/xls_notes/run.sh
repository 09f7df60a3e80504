#!/usr/bin/env bash
# A legacy workbook of 10,000 notes (made by make_notes.py: xlsxwriter, then LibreOffice Calc saving
# BIFF8, about 3.8 MB) loaded with every note printed, timed as whole processes in one run with
# peak memory: ours (xls_note_lines, which loads the workbook through the component, reading the
# drawing and binding each NOTE, and prints the comments as xls_dump does) and xlrd (notes_xlrd.py, formatting_info=True). Needs a release build, python3-xlsxwriter,
# python3-xlrd and LibreOffice.
#   run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../xlsx_peers/peers.sh"
OURS=$(cd "$1" && pwd)/bench
WORK=${2:-/tmp/kws-notes-peers}
BOOK=$WORK/notes.xls
mkdir -p "$WORK"
[ -f "$BOOK" ] || /usr/bin/python3 "$here/make_notes.py" "$BOOK"
echo "workbook: $BOOK ($(stat -c %s "$BOOK") bytes)"
"$OURS/xls_note_lines" "$BOOK" | sort > "$WORK/ours.txt"
/usr/bin/python3 "$here/notes_xlrd.py" "$BOOK" | sort > "$WORK/xlrd.txt"
echo "comment lines: ours $(wc -l < "$WORK/ours.txt"), xlrd $(wc -l < "$WORK/xlrd.txt")," \
     "differing $(comm -3 "$WORK/ours.txt" "$WORK/xlrd.txt" | wc -l)"
measure "ours: xls_note_lines" "$OURS/xls_note_lines" "$BOOK"
measure "xlrd" /usr/bin/python3 "$here/notes_xlrd.py" "$BOOK"
echo
compare "xlrd" "ours: xls_note_lines"
