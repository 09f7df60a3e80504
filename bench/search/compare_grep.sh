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

# Best of the runs: wall time (s), CPU time user+system (s) and peak memory (KiB) of that run.
measure() {
  local out="$1"; shift
  local best="" cpu="" rss=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$@" >"$out" || true
    read -r e u s m < <(tail -n 1 "$work/t")
    if [ -z "$best" ] || awk "BEGIN{exit !($e < $best)}"; then
      best="$e"; rss="$m"; cpu=$(awk "BEGIN{printf \"%.2f\", $u + $s}")
    fi
  done
  echo "$best $cpu $rss"
}

compare() {
  local keywords="$1"; shift   # as typed in the window
  local greppats=("$@")        # the same keywords for grep
  local gargs=()
  for p in "${greppats[@]}"; do gargs+=(-e "$p"); done
  cat "$tree"/large*.txt >/dev/null  # warm the page cache for both
  read -r st_t st_c st_m < <(measure "$work/st.out" "$st" "$tree" "*.txt" "$keywords")
  read -r gr_t gr_c gr_m < <(measure "$work/grep.out" grep -rlF --include='*.txt' "${gargs[@]}" "$tree")
  { grep -P '^hit \d+\t' "$work/st.out" || true; } | cut -f2 | sort >"$work/st.hits"
  sort "$work/grep.out" >"$work/grep.hits"
  local same="yes"
  cmp -s "$work/st.hits" "$work/grep.hits" || same="NO"
  printf '%s: files %s, hits %s (grep %s), same hits: %s\n' "\"$keywords\"" \
    "$(grep '^files ' "$work/st.out" | cut -d' ' -f2)" "$(wc -l <"$work/st.hits")" "$(wc -l <"$work/grep.hits")" "$same"
  printf '    search_tree %5.2fs wall %5.2fs cpu %7s KiB | grep %5.2fs wall %5.2fs cpu %7s KiB | ratio wall %s cpu %s\n' \
    "$st_t" "$st_c" "$st_m" "$gr_t" "$gr_c" "$gr_m" \
    "$(awk "BEGIN{ if ($gr_t > 0) printf \"%.2f\", $st_t / $gr_t; else print \"-\" }")" \
    "$(awk "BEGIN{ if ($gr_c > 0) printf \"%.2f\", $st_c / $gr_c; else print \"-\" }")"
  [ "$same" = yes ]
}

echo "tree: $tree ($(find "$tree" -name '*.txt' | wc -l) text files, $(du -sh "$tree" | cut -f1))"
echo "best of $runs runs each; ratio = search_tree / grep (below 1: search_tree faster)"
compare "needle42" "needle42"
compare "needle42,草稿" "needle42" "草稿"
compare "absent-word" "absent-word"
