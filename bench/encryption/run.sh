#!/bin/sh
# Decrypts the 10 MB agile package (2,442 segments, a compound file with DIFAT sectors; made by
# tests/data/xlsx/make_fixtures.py --large) with decrypt_package and with msoffcrypto-tool -p in
# one run, checks that both give the plain package's bytes, and prints the wall time and peak
# memory of each and the ratio. Needs a Release build in build-rel (decrypt_package target).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${TMPDIR:-/tmp}/kws-encryption-bench
mkdir -p "$work"
[ -f "$work/large-agile.xlsx" ] || /usr/bin/python3 "$root/tests/data/xlsx/make_fixtures.py" --large "$work" >/dev/null
measure() {  # label, command...: best of 3 wall times, peak memory of the last run
  label=$1; shift
  best=""
  for i in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@"
    read t m < "$work/time.txt"
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  echo "$label: ${best} s, peak $((m / 1024)) MB"
  eval "time_$label=$best"
}
measure ours "$root/build-rel/bench/decrypt_package" "$work/large-agile.xlsx" "Large pw" "$work/ours.xlsx"
measure msoffcrypto /usr/bin/python3 /usr/bin/msoffcrypto-tool -p "Large pw" "$work/large-agile.xlsx" "$work/theirs.xlsx"
cmp "$work/ours.xlsx" "$work/large-plain.xlsx"
cmp "$work/theirs.xlsx" "$work/large-plain.xlsx"
echo "package $(stat -c %s "$work/large-plain.xlsx") bytes, file $(stat -c %s "$work/large-agile.xlsx") bytes; same bytes"
echo "ratio: $(echo "scale=1; $time_msoffcrypto / $time_ours" | bc)x"
