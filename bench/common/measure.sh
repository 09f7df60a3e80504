# Sourced by the benchmark drivers: measure LABEL COMMAND... runs COMMAND $RUNS times (its output
# into $WORK/out.txt) and prints the label, the shortest wall time and the largest peak resident
# size.
measure() {
  label=$1; shift
  best=""; peak=0
  i=0
  while [ "$i" -lt "$RUNS" ]; do
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" > "$WORK/out.txt"
    read -r wall kb < "$WORK/time.txt"
    if [ -z "$best" ] || [ "$(echo "$wall < $best" | bc)" = 1 ]; then best=$wall; fi
    [ "$kb" -gt "$peak" ] && peak=$kb
    i=$((i + 1))
  done
  echo "$label	$best s	$((peak / 1024)) MB"
}
