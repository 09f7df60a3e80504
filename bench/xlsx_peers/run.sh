#!/usr/bin/env bash
# Loads and searches a workbook of 1,000,000 cells (100,000 rows by 10 columns, half shared strings,
# half numbers; made by make_workbook.py with xlsxwriter) for a keyword held only by its last
# string cell, timed as whole processes in one run with peak memory:
#   ours        xls_find (load + the workbook search); search_tree over a folder holding the file
#   npm xlsx    the npm package "xlsx", installed by this script into WORK/npm (find_npm_xlsx.js)
#   openpyxl    read-only mode, every value as text (find_openpyxl.py)
#   unzip -p    inflating every part of the package, nothing else
# Needs a release build (cmake -DCMAKE_BUILD_TYPE=Release; ninja xls_find search_tree), Debian's
# python3-xlsxwriter, python3-openpyxl, unzip, nodejs and npm.
#   run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail
source "$(dirname "$0")/peers.sh"
prepare "$PEERS_DIR/make_workbook.py" million.xlsx "$@"
measure_ours_and_npm "*.xlsx"
measure "openpyxl read-only" /usr/bin/python3 "$PEERS_DIR/find_openpyxl.py" "$BOOK" needlework
measure "unzip -p (inflate only)" sh -c "unzip -p '$BOOK' > /dev/null"
echo
compare "openpyxl read-only" "ours: xls_find"
compare "npm xlsx" "ours: xls_find"
compare "ours: xls_find" "unzip -p (inflate only)"
