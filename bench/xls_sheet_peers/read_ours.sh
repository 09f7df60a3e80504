#!/usr/bin/env bash
# read_ours.sh XLS_DUMP FILE: our reading, xls_dump's lines of the whole model, counted by kind in
# the form of read_xlrd.py.
set -euo pipefail
"$1" "$2" 2>/dev/null | awk -F'\t' '
  $1 == "cell" { c++ } $1 == "merged" { m++ } $1 == "hyperlink" { h++ } $1 == "row" { r++ }
  END { printf "counts\tcells %d\tmerged %d\thyperlinks %d\trows %d\n", c, m, h, r }'
