#!/usr/bin/env bash
# The training chain end to end at small size, with the time of each step:
#   dump (two halves in parallel, then merged) -> final positions -> pattern statistics
#   and pattern files -> feature rows -> fitted weights (and the all-columns fit for
#   comparison) -> smoothed weights -> one game with the new model at levels 1 and 3,
#   and a short match of the new model against the shipped style 0.
# Also measures self-play throughput at levels 1 and 3.
#
# Usage: tools/pipeline_smoke.sh [work folder]      (default: a new folder under /tmp)
# Environment: BUILD_DIR (default build), DEPTH (opening depth of the dump, default 7),
#              L1_GAMES, L3_GAMES (games played to time levels 1 and 3, default 2000
#              and 20).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build="${BUILD_DIR:-build}"
tool="$build/tools/zedare_tool"
if [ ! -x "$tool" ]; then
  cmake -S . -B "$build" -DZEDARE_BUILD_APP=OFF >/dev/null
  cmake --build "$build" -j2 --target zedare_tool >/dev/null
fi
tool="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"
depth="${DEPTH:-7}"
l1games="${L1_GAMES:-2000}"
l3games="${L3_GAMES:-20}"
work="${1:-$(mktemp -d /tmp/zedare-pipeline-XXXXXX)}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
report="$work/times.txt"
: >"$report"

now() { date +%s.%N; }
quiet() { "$@" >/dev/null; }  # the fit's stage messages are not needed here
# step NAME COMMAND...: runs the command and appends its wall time to the report.
step() {
  local name="$1"; shift
  local t0 t1
  t0=$(now)
  "$@"
  t1=$(now)
  awk -v n="$name" -v a="$t0" -v b="$t1" 'BEGIN { printf "%-34s %8.2f s\n", n, b - a }' | tee -a "$report"
}

echo "work folder: $work"
# The feature rows need a parameter file beside the new pattern tables; the shipped one
# stands in until the fit replaces it.
cp modele/parametry9_i15_0.dat "$work/parametry9_i15_0.dat"

half=$(( $("$tool" lines --depth "$depth") / 2 ))
# The two halves run in the background, each with its standard error in its log; both
# statuses are checked.
dump_halves() {
  local a b failed=0
  "$tool" dump --out "$work/pos_1.txt" --depth "$depth" --level 1 --first 1 --last "$half" \
    2>"$work/pos_1.log" &
  a=$!
  "$tool" dump --out "$work/pos_2.txt" --depth "$depth" --level 1 --first $((half + 1)) \
    2>"$work/pos_2.log" &
  b=$!
  wait "$a" || failed=1
  wait "$b" || failed=1
  if [ "$failed" -ne 0 ]; then
    echo "a dump failed; its messages:" >&2
    tail -n 5 "$work/pos_1.log" "$work/pos_2.log" >&2
    return 1
  fi
}
step "dump depth $depth, level 1, 2 halves" dump_halves
step "merge" "$tool" merge --base "$work/pos" --count 2
step "finals" "$tool" finals --in "$work/pos.txt" --out "$work/finals.txt"
step "pattern-stats" "$tool" pattern-stats --positions "$work/pos.txt" --finals "$work/finals.txt" \
  --out "$work/wzorce9_i15"
step "feature-rows" "$tool" feature-rows --in "$work/pos.txt" --out "$work/rows.txt" --model-dir "$work"
step "fit (frontier and corners)" quiet "$tool" fit --rows "$work/rows.txt" --out "$work/parametry9_i15_0" \
  --errors "$work/err.txt"
step "fit (all columns)" quiet "$tool" fit --rows "$work/rows.txt" --out "$work/all" --all-columns \
  --errors "$work/err_all.txt"
step "smooth" "$tool" smooth --in "$work/parametry9_i15_0.dat" --first 5 --last 64 --points 5 \
  --out "$work/parametry9_i15_0.dat"
step "play, level 1" "$tool" play --model-dir "$work" --level 1
step "play, level 3" "$tool" play --model-dir "$work" --level 3
step "match new vs style 0, depth 2, level 1" "$tool" match --name "$work/m" --depth 2 --level 1 \
  --model-dir "$work" --model-dir2 "$root/modele" --style2 0

echo
echo "throughput:"
step "level 1: $l1games games" "$tool" dump --out "$work/l1.txt" --depth "$depth" --level 1 --last "$l1games"
step "level 3: $l3games games" "$tool" dump --out "$work/l3.txt" --depth "$depth" --level 3 --last "$l3games"

echo
echo "positions: $(wc -l <"$work/pos.txt"), games: $(wc -l <"$work/finals.txt")"
awk '{ for (i = 1; i <= NF; ++i) if ($i != "0") n++ } END { print "non-zero weights (default fit, smoothed): " n + 0 }' \
  "$work/parametry9_i15_0.dat"
awk '{ for (i = 1; i <= NF; ++i) if ($i != "0") n++ } END { print "non-zero weights (all-columns fit): " n + 0 }' \
  "$work/all.dat"
echo "match (game, discs of style 0 on the computer side, discs of the new model):"
cat "$work/m_B2_wyniki.txt"
echo "times: $report"
