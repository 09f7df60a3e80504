#!/usr/bin/env bash
# Loads and searches a legacy workbook of 60,000 rows by 10 columns (made by make_workbook.py:
# xlsxwriter, then LibreOffice Calc saving BIFF8) for a keyword held only by its last text cell,
# timed as whole processes in one run with peak memory: ours (xls_find; search_tree over a folder
# holding the file), xlrd (find_xlrd.py), and the npm package "xlsx" (installed by the script).
# Needs a release build with xls_find (see ../xlsx_peers/run.sh), python3-xlrd, LibreOffice, npm.
#   run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../xlsx_peers/peers.sh"
prepare "$here/make_workbook.py" sixty.xls "$@"
measure_ours_and_npm "*.xls"
measure "xlrd" /usr/bin/python3 "$here/find_xlrd.py" "$BOOK" needlework
echo
compare "xlrd" "ours: xls_find"
compare "npm xlsx" "ours: xls_find"
