# Shared by the peer benchmarks (sourced by run.sh here and in ../xls_peers).
declare -A SECS PEAK

# measure LABEL COMMAND...: runs the command RUNS times (default 3) under /usr/bin/time -v and keeps
# the shortest wall time and the largest peak resident size in SECS[LABEL] and PEAK[LABEL]; prints
# them with the command's first line that tells a result ("found", "hit", "absent").
measure() {
  local label=$1; shift
  local log out wall kb best="" peak=0 run
  log=$(mktemp) out=$(mktemp)
  for ((run = 0; run < ${RUNS:-3}; ++run)); do
    if ! /usr/bin/time -v -o "$log" "$@" > "$out" 2> "$out.err"; then
      echo "FAILED: $label: $(head -c 300 "$out.err")" >&2
    fi
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$log")
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  SECS[$label]=$best PEAK[$label]=$peak
  printf '%-34s %7.2f s %9d KB  %s\n' "$label" "$best" "$peak" \
    "$(grep -m 1 -E '^(found|hit|absent)' "$out" | cut -f1-2 | cut -c1-50)"
  rm -f "$log" "$out" "$out.err"
}

# compare PEER OURS: time and peak-memory ratios of two measured labels.
compare() {
  awk -v p="$1" -v o="$2" -v ps="${SECS[$1]}" -v os="${SECS[$2]}" -v pk="${PEAK[$1]}" -v ok="${PEAK[$2]}" \
    'BEGIN { printf "%-26s / %-16s %7.2f x time  %6.2f x peak memory\n", p, o, (os > 0 ? ps / os : 0), (ok > 0 ? pk / ok : 0) }'
}

# prepare MAKE_SCRIPT BOOK_NAME BUILD_DIR [WORK_DIR]: sets OURS, WORK and BOOK (WORK/tree/BOOK_NAME,
# made by MAKE_SCRIPT when missing) and installs the npm package "xlsx" into WORK/npm once.
prepare() {
  OURS=$(cd "$3" && pwd)/bench
  WORK=${4:-/tmp/kws-${2%%.*}-peers}
  BOOK=$WORK/tree/$2
  mkdir -p "$WORK/tree"
  [ -f "$BOOK" ] || /usr/bin/python3 "$1" "$BOOK"
  [ -d "$WORK/npm/node_modules/xlsx" ] ||
    npm install --prefix "$WORK/npm" --no-audit --no-fund --loglevel=error xlsx > /dev/null
  echo "workbook: $BOOK ($(stat -c %s "$BOOK") bytes); keyword: needlework"
}

# measure_ours_and_npm MASK: our xls_find, search_tree over the folder (when built) and the npm peer.
measure_ours_and_npm() {
  measure "ours: xls_find" "$OURS/xls_find" "$BOOK" needlework
  if [ -x "$OURS/search_tree" ]; then
    measure "ours: search_tree" "$OURS/search_tree" "$WORK/tree" "$1" needlework
  fi
  measure "npm xlsx" node "$PEERS_DIR/find_npm_xlsx.js" "$WORK/npm" "$BOOK" needlework
}
PEERS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
