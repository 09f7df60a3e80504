#!/bin/sh
# run.sh BUILD_DIR [WORK_DIR]: the chart benchmark (README.md). Makes the workbook once (1,000
# column charts of 3 series with 100 cached points each, written by xlsxwriter), then times
# xls_dump (the whole model printed, every chart with its series and axes included) against
# openpyxl's load_workbook of the same file (which reads every chart), RUNS times each (default 3):
# the shortest wall time and the largest peak resident size are kept.
set -eu
BUILD=$(cd "$1" && pwd)
WORK=${2:-/tmp/kws-chart-bench}
RUNS=${RUNS:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$WORK"
BOOK="$WORK/charts1000.xlsx"
[ -f "$BOOK" ] || /usr/bin/python3 "$HERE/make_charts.py" "$BOOK" 1000

. "$HERE/../common/measure.sh"

measure "ours: xls_dump" "$BUILD/bench/xls_dump" "$BOOK"
echo "  chart lines: $(grep -c '^chart	' "$WORK/out.txt"), series lines: $(grep -c '^series	' "$WORK/out.txt")"
measure "openpyxl load_workbook" /usr/bin/python3 -c "
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
n = sum(len(ws._charts) for ws in wb.worksheets)
assert n == 1000, n
print(n)" "$BOOK"
