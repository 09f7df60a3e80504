#!/bin/sh
# run.sh BUILD_DIR [WORK_DIR]: the pivot benchmark (README.md). Makes the LibreOffice workbook
# once (a DataPilot table over 100,000 rows whose row field has 100,000 distinct texts), then times
# xls_dump (the whole model printed, the pivot cache with its records and the table included)
# against openpyxl's load_workbook of the same file, RUNS times each (default 3): the shortest wall
# time and the largest peak resident size are kept.
set -eu
BUILD=$(cd "$1" && pwd)
WORK=${2:-/tmp/kws-pivot-bench}
RUNS=${RUNS:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$WORK"
BOOK="$WORK/pivot100k.xlsx"
[ -f "$BOOK" ] || /usr/bin/python3 "$HERE/../../tests/data/xlsx/make_pivot_fixtures.py" --large "$BOOK" 100000

. "$HERE/../common/measure.sh"

measure "ours: xls_dump" "$BUILD/bench/xls_dump" "$BOOK"
measure "openpyxl load_workbook" /usr/bin/python3 -c "
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
assert sum(len(ws._pivots) for ws in wb.worksheets) == 1" "$BOOK"
