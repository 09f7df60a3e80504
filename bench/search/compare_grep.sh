#!/usr/bin/env bash
# Compares search_tree with `grep -rlF` on a generated tree: same hits, time and peak memory.
#
# usage: bench/search/compare_grep.sh [SEARCH_TREE] [TREE]
#   SEARCH_TREE  the driver (default build/bench/search_tree; build it with ./run.sh or
#                cmake --build build --target search_tree)
#   TREE         folder for the generated files (default /tmp/kws-bench-tree; made once, reused)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
st="${1:-$here/../../build/bench/search_tree}"
tree="${2:-/tmp/kws-bench-tree}"
runs="${RUNS:-3}"
[ -x "$st" ] || { echo "no search_tree at $st" >&2; exit 1; }
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  python3 "$here/make_tree.py" "$tree" 20000 3 100
  touch "$tree/.complete"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Best wall time (seconds) and the peak memory (KiB) of that run.
measure() {
  local out="$1"; shift
  local best="" rss=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/t" "$@" >"$out" || true
    read -r e m < <(tail -n 1 "$work/t")
    if [ -z "$best" ] || awk "BEGIN{exit !($e < $best)}"; then best="$e"; rss="$m"; fi
  done
  echo "$best $rss"
}

compare() {
  local keywords="$1"; shift   # as typed in the window
  local greppats=("$@")        # the same keywords for grep
  local gargs=()
  for p in "${greppats[@]}"; do gargs+=(-e "$p"); done
  cat "$tree"/large*.txt >/dev/null  # warm the page cache for both
  read -r st_t st_m < <(measure "$work/st.out" "$st" "$tree" "*.txt" "$keywords")
  read -r gr_t gr_m < <(measure "$work/grep.out" grep -rlF --include='*.txt' "${gargs[@]}" "$tree")
  { grep -P '^hit \d+\t' "$work/st.out" || true; } | cut -f2 | sort >"$work/st.hits"
  sort "$work/grep.out" >"$work/grep.hits"
  local same="yes"
  cmp -s "$work/st.hits" "$work/grep.hits" || same="NO"
  printf '%-22s files %s  hits %s/%s same=%s  search_tree %ss %sKiB  grep %ss %sKiB  ratio %s\n' \
    "\"$keywords\"" "$(grep '^files ' "$work/st.out" | cut -d' ' -f2)" \
    "$(wc -l <"$work/st.hits")" "$(wc -l <"$work/grep.hits")" "$same" "$st_t" "$st_m" "$gr_t" "$gr_m" \
    "$(awk "BEGIN{ if ($gr_t > 0) printf \"%.2f\", $st_t / $gr_t; else print \"-\" }")"
  [ "$same" = yes ]
}

echo "tree: $tree ($(find "$tree" -name '*.txt' | wc -l) text files, $(du -sh "$tree" | cut -f1))"
echo "ratio = search_tree time / grep time (below 1: search_tree faster)"
compare "needle42" "needle42"
compare "needle42,草稿" "needle42" "草稿"
compare "absent-word" "absent-word"
