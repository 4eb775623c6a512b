#!/usr/bin/env bash
# Trains the shipped model and books from scratch, with fixed parameters, and writes
# everything it makes under a work folder (the repository only receives the finished
# files in the last phase):
#
#   starter   the hand-set starter model (tools/make_starter_model.sh), kept as baseline
#   gen1      positions of self-play games with the starter model, depth 8, level 1
#   gen2      the same with the generation-1 model, depth 8, level 2
#   gen3      the same with the generation-2 model, depth 8, level 2
#             each generation: dump (8 game ranges, two at a time, merged) -> final
#             positions -> pattern statistics and tables -> feature rows read with those
#             tables -> two fits (default two-column fit and --all-columns) -> smoothing;
#             the fit that scores better against the previous model (match, both
#             colours, depth 5, levels 1 and 2) becomes the generation's model
#   gen4      40,000 games of the generation-3 model at level 2, finished by perfect play
#             from 16 empty squares (8 ranges of 5,000 spread over the depth-8 lines),
#             and 4,000 other games held out -> final positions -> fit-patterns (the
#             line tables fitted together with the weights) -> the generation's model;
#             its match against the previous model and both models' error on the
#             held-out games are recorded
#   styles    style 0 "mistrzowski" = the last generation's model; styles 1..6 made
#             from it by tools/make_styles (scaled and shifted weight rows)
#   matches   the match table (every generation against the previous one and the
#             starter, style 0 against the starter and against each other style)
#   stats     statistics of each style: in its own self-play, depth 6 at level 2
#             (tools/style_stats: averages and the leaning of the chosen moves), and
#             against style 0 (from the feature records of the style matches)
#   books     opening books to ply 10 for both colours (symmetrized) and continuation
#             books for moves 11 to 30, with the final style 0
#   install   copies the model into modele/, the books into otwarcia/, and writes
#             modele/README.md with the figures of the run and data-manifest.txt (the
#             commit, dirty flag, build type, compiler and every file's SHA-256)
#
# Usage: tools/pipeline.sh WORK_FOLDER [PHASE...]     (default: every phase in order)
# Every step writes its output under a temporary name and renames it when done; a step
# whose output exists is skipped, so a stopped run resumes where it stopped (a game range
# of a dump that was cut off is played again as a whole).
# Environment: BUILD_DIR (default: build under the work folder).
set -euo pipefail
# Bash reads a script as it runs it: run from a private copy so that editing the script
# during a long run cannot change the run.
if [ -z "${ZEDARE_PIPELINE_REPO:-}" ]; then
  ZEDARE_PIPELINE_REPO="$(cd "$(dirname "$0")/.." && pwd)"
  export ZEDARE_PIPELINE_REPO
  copy="$(mktemp /tmp/zedare-pipeline-XXXXXX.sh)"
  cp "$0" "$copy"
  status=0
  bash "$copy" "$@" || status=$?
  rm -f "$copy"
  exit "$status"
fi
cd "$ZEDARE_PIPELINE_REPO"
repo=$PWD

[ $# -ge 1 ] || { echo "usage: tools/pipeline.sh WORK_FOLDER [PHASE...]" >&2; exit 2; }
mkdir -p "$1"
work="$(cd "$1" && pwd)"
shift
phases=("$@")

# ---- fixed parameters ----
DEPTH=8  # opening depth of the dumps: 97,554 games, one row per game and stage for the fit
CHUNKS=8 # game ranges of a dump, run two at a time
# Level of the dump of generation 1, 2, ... Measured on one core: level 1 plays about
# 1,170 games a second, level 2 about 80, level 3 about 6.6 (a depth-8 dump would take
# some two hours on two cores). The starter model's games need only be plausible, so
# generation 1 takes the cheap level; generations 2 and 3 the best one that fits. The
# third generation was measured worth its 12 minutes: against the starter it scores
# 70.3% / 73.8% at levels 1 / 2, where generation 2 scored 66.8% / 71.0%.
GEN_LEVELS=(1 2 2 2)
# Empty squares from which the games of a generation's dump are finished by perfect play
# (the exact endgame solver for both sides; 0: the level plays to the end), so that the
# fit's target, a game's final disc difference, is the exact value of the game's position
# at that point. Measured: a fourth generation from generation 3 at level 2 with perfect
# play from 16 (24 games a second on one core instead of 92; 33 minutes on two cores)
# and the per-configuration means lowered the evaluation's error on the solved set only
# from 11.53 to 11.32 discs and scored 48.3% / 49.0% against generation 3 at levels 1 /
# 2; with the joint fit (GEN_JOINT below) it is the data of generation 4.
GEN_PERFECT=(0 0 0 16)
# Generations whose line tables (SC1, SC2, SC3, PRZ) are fitted together with the weights
# (fit-patterns, its default options) instead of being the per-configuration means. The
# means count the evidence of overlapping lines several times over and never balance it
# against the other terms; fitted jointly on the data of generation 4 they scored 61% /
# 62% against generation 3 at levels 2 / 3 in a trial before this run (the means on the
# same data: 44%). Such a generation plays JOINT_GAMES games from each of 8 places
# JOINT_SPACING lines apart (from line JOINT_FIRST on), and HELD_GAMES games from each
# place after those, which the fit never sees: the held-out error is measured on them.
GEN_JOINT=(0 0 0 1)
JOINT_SPACING=12194
JOINT_FIRST=1001
JOINT_GAMES=5000
HELD_GAMES=500
MATCH_DEPTH=5 # opening depth of the matches (349 lines per colour)
MATCH_LEVELS=(1 2)
# Opening depth of each style's self-play for its statistics (2,050 games at level 2):
# enough games that the leaning of the choices stands several standard errors clear.
STATS_DEPTH=6
SMOOTH=(--first 5 --last 64 --points 5)
# The opening book is consulted up to move 10 (levels 3 and up), so ply 10 is the last
# ply a look-up can use; deeper plies would only make the files longer.
BOOK_PLY=10
# Continuation lines at level 4, the lowest level that consults them (levels 4 to 7 do),
# so that no level plays weaker moves from the book than it would find itself. A line
# (about 20 moves) costs about 0.1 s at level 3 and some 25 times as much at level 4
# (measured): the two colours take some 25 minutes side by side. Level 5 would take
# hours.
CONT_LEVEL=4
CONT_LAST=30
CONT_THRESHOLD=1000 # above every heuristic value: every entry is continued

# Every phase in order, one per generation, unless phases were named.
if [ ${#phases[@]} -eq 0 ]; then
  phases=(starter)
  for g in $(seq 1 ${#GEN_LEVELS[@]}); do phases+=("gen$g"); done
  phases+=(styles matches stats books install)
fi

build="${BUILD_DIR:-$work/build}"
# need TARGET...: brings the programs up to date with the sources (a no-op when they are),
# so the data is always made by the engine as it stands.
need() {
  [ -e "$build/CMakeCache.txt" ] ||
    cmake -S "$repo" -B "$build" -DZEDARE_BUILD_APP=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
  local t
  for t in "$@"; do
    cmake --build "$build" -j2 --target "$t" >/dev/null
  done
}
need zedare_tool
tool="$build/tools/zedare_tool"
times="$work/times.txt"
touch "$times"

now() { date +%s.%N; }
log() { echo "[$(date +%H:%M:%S)] $*" >&2; }
# timed NAME COMMAND...: runs the command, records "NAME<TAB>seconds" in times.txt.
timed() {
  local name="$1" t0
  shift
  t0=$(now)
  "$@"
  awk -v n="$name" -v a="$t0" -v b="$(now)" 'BEGIN { printf "%s\t%.1f\n", n, b - a }' >>"$times"
  log "$name: done"
}
# done_or NAME: true when the step NAME already finished (its marker exists).
finished() { [ -e "$work/.done/$1" ]; }
mark() { mkdir -p "$work/.done"; touch "$work/.done/$1"; }
# wait_all PID...: waits for every one of the background jobs, then fails when any of
# them failed (their standard error is in the step's log).
wait_all() {
  local pid failed=0
  for pid in "$@"; do
    wait "$pid" || failed=$((failed + 1))
  done
  [ "$failed" -eq 0 ] || { log "$failed background job(s) failed"; return 1; }
}
copy_tables() { for f in "$1"/wzorce9_i15_*.dat; do cp "$f" "$2/"; done; }

# ---- starter ----
phase_starter() {
  finished starter && return 0
  mkdir -p "$work/starter"
  need make_starter_model
  BUILD_DIR="$build" tools/make_starter_model.sh "$work/starter" >/dev/null
  mark starter
}

# ---- one generation ----
# dump_chunk MODEL_DIR LEVEL PERFECT OUT_BASE K FIRST LAST
dump_chunk() {
  local out="$4_$5.txt"
  [ -e "$out" ] && return 0
  "$tool" dump --model-dir "$1" --style 0 --level "$2" --perfect-from "$3" --depth "$DEPTH" \
    --first "$6" --last "$7" --out "$out.part" 2>"$4_$5.log"
  mv "$out.part" "$out"
}

# score_of FILE...: percentage of the points of the human side (weight set 1) in match
# result files, and the game count: "percent games".
score_of() {
  awk '{ n++; if ($3 > $2) p += 1; else if ($3 == $2) p += 0.5 }
       END { printf "%.1f %d\n", n ? 100 * p / n : 0, n }' "$@"
}

# match A_DIR A_STYLE B_DIR B_STYLE LEVEL NAME: A plays weight set 1, B weight set 2,
# every line of depth MATCH_DEPTH with B as black and as white (the two in parallel).
# Prints A's score "percent games" and records it in matches.txt.
match() {
  local dir="$work/matches/$6_l$5"
  if [ ! -e "$dir/score" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    local pids=()
    for c in -1 1; do
      "$tool" match --name "$dir/m" --depth "$MATCH_DEPTH" --level "$5" --model-dir "$1" \
        --style "$2" --model-dir2 "$3" --style2 "$4" --computer-colour "$c" 2>"$dir/m_$c.log" &
      pids+=($!)
    done
    wait_all "${pids[@]}" || return 1
    rm -f "$dir"/*.gam
    # the feature records are kept only where the style statistics read them
    case "$6" in style0-vs-style*) ;; *) rm -f "$dir"/*_oceny.txt ;; esac
    score_of "$dir"/m_*_wyniki.txt >"$dir/score"
    printf "%s\t%s\t%s\n" "$6" "$5" "$(cat "$dir/score")" >>"$work/matches.txt"
  fi
  cat "$dir/score"
}

generation() {
  local g="$1" level="${GEN_LEVELS[$(($1 - 1))]}" perfect="${GEN_PERFECT[$(($1 - 1))]}" prev gdir
  local joint="${GEN_JOINT[$(($1 - 1))]}"
  if [ "$g" -eq 1 ]; then prev="$work/starter"; else prev="$work/gen$((g - 1))/model"; fi
  gdir="$work/gen$g"
  mkdir -p "$gdir"
  finished "gen$g" && return 0

  if [ ! -e "$gdir/pos.txt" ]; then
    local n size t0 ranges=() k f
    n=$("$tool" lines --depth "$DEPTH")
    size=$(((n + CHUNKS - 1) / CHUNKS))
    t0=$(now)
    if [ "$joint" -eq 1 ]; then
      n=$((CHUNKS * (JOINT_GAMES + HELD_GAMES)))
      for k in $(seq 1 "$CHUNKS"); do
        f=$(((k - 1) * JOINT_SPACING + JOINT_FIRST))
        ranges+=("pos $k $f $((f + JOINT_GAMES - 1))")
        ranges+=("held $k $((f + JOINT_GAMES)) $((f + JOINT_GAMES + HELD_GAMES - 1))")
      done
    else
      for k in $(seq 1 "$CHUNKS"); do ranges+=("pos $k $(((k - 1) * size + 1)) $((k * size < n ? k * size : n))"); done
    fi
    export -f dump_chunk
    export tool DEPTH
    printf "%s\n" "${ranges[@]}" |
      xargs -P 2 -L 1 bash -c "dump_chunk '$prev' $level $perfect '$gdir/'\$0 \$1 \$2 \$3"
    # Only the time of this sitting is known; a resumed dump records its last part.
    awk -v n="gen$g dump (level $level, perfect play from $perfect empties, $n games, 2 cores)" -v a="$t0" -v b="$(now)" \
      'BEGIN { printf "%s\t%.1f\n", n, b - a }' >>"$times"
    if [ "$joint" -eq 1 ]; then
      "$tool" merge --base "$gdir/held" --count "$CHUNKS" 2>/dev/null
      "$tool" finals --in "$gdir/held.txt" --out "$gdir/held_finals.txt" 2>/dev/null
      rm -f "$gdir"/held_*[0-9].txt
    fi
    timed "gen$g merge" "$tool" merge --base "$gdir/pos" --count "$CHUNKS"
    rm -f "$gdir"/pos_*.txt
  fi
  if [ ! -e "$gdir/finals.txt" ]; then
    timed "gen$g finals" "$tool" finals --in "$gdir/pos.txt" --out "$gdir/finals.part"
    mv "$gdir/finals.part" "$gdir/finals.txt"
  fi
  [ "$joint" -eq 1 ] && { joint_generation "$g" "$prev" "$gdir"; return; }
  if ! finished "gen$g-patterns"; then
    mkdir -p "$gdir/tables"
    timed "gen$g pattern-stats" "$tool" pattern-stats --positions "$gdir/pos.txt" \
      --finals "$gdir/finals.txt" --out "$gdir/tables/wzorce9_i15"
    mark "gen$g-patterns"
  fi
  if [ ! -e "$gdir/rows.txt" ]; then
    # The rows are computed with the new tables; the parameter file beside them is only
    # read by the loader.
    cp "$prev/parametry9_i15_0.dat" "$gdir/tables/"
    timed "gen$g feature-rows" "$tool" feature-rows --in "$gdir/pos.txt" --out "$gdir/rows.part" \
      --model-dir "$gdir/tables"
    mv "$gdir/rows.part" "$gdir/rows.txt"
  fi
  local fit
  for fit in default all; do
    if ! finished "gen$g-fit-$fit"; then
      mkdir -p "$gdir/$fit"
      local extra=()
      [ "$fit" = all ] && extra=(--all-columns)
      timed "gen$g fit ($fit)" "$tool" fit --rows "$gdir/rows.txt" --out "$gdir/$fit/fitted" \
        --errors "$gdir/$fit/err.txt" "${extra[@]}" >"$gdir/$fit/fit.log"
      timed "gen$g smooth ($fit)" "$tool" smooth --in "$gdir/$fit/fitted.dat" "${SMOOTH[@]}" \
        --out "$gdir/$fit/parametry9_i15_0.dat"
      copy_tables "$gdir/tables" "$gdir/$fit"
      mark "gen$g-fit-$fit"
    fi
  done
  # The fit that scores more against the previous model, over both levels.
  local best="" bestScore=-1 sum l s
  for fit in default all; do
    sum=0
    for l in "${MATCH_LEVELS[@]}"; do
      s=$(match "$gdir/$fit" 0 "$prev" 0 "$l" "gen$g-$fit-vs-prev" | cut -d' ' -f1)
      sum=$(awk -v a="$sum" -v b="$s" 'BEGIN { print a + b }')
    done
    log "gen$g $fit fit against the previous model: $sum (sum of percentages)"
    if awk -v a="$sum" -v b="$bestScore" 'BEGIN { exit !(a > b) }'; then
      best=$fit
      bestScore=$sum
    fi
  done
  rm -rf "$gdir/model"
  cp -r "$gdir/$best" "$gdir/model"
  echo "$best" >"$gdir/chosen"
  rm -f "$gdir/model/fit.log"
  mark "gen$g"
}

# held_error MODEL_DIR GDIR: the RMS error in discs of the model's linear evaluation (the
# feature rows times the weights of their disc count) against the final disc difference on
# the held-out games of a joint generation, at 20, 30, 40 and 50 discs and over all their
# positions with a side to move: "e20 e30 e40 e50 all".
held_error() {
  local rows
  rows=$(mktemp "$3/rows-XXXXXX")
  "$tool" feature-rows --in "$2/held.txt" --out "$rows" --model-dir "$1" --side-to-move 2>/dev/null
  tr ',' '.' <"$1/parametry9_i15_0.dat" | awk -v rows="$rows" '
    { for (s = 1; s <= NF; ++s) w[NR, s] = $s }
    END {
      while ((getline line < rows) > 0) {
        split(line, x, "\t")
        if (x[1] != game) { flush(); game = x[1]; m = 0 }
        ++m; for (k = 1; k <= 18; ++k) r[m, k] = x[k]
        if (x[3] == 0) final = x[4]
      }
      flush()
      printf "%.2f %.2f %.2f %.2f %.2f\n", rms(20), rms(30), rms(40), rms(50), sqrt(all / count)
    }
    function flush(   i, k, p, d) {
      for (i = 1; i <= m; ++i) {
        if (r[i, 3] == 0) continue
        p = 0; for (k = 4; k <= 18; ++k) p += w[k, r[i, 2]] * r[i, k]
        d = p - final; sq[r[i, 2]] += d * d; n[r[i, 2]]++; all += d * d; count++
      }
      m = 0
    }
    function rms(s) { return n[s] ? sqrt(sq[s] / n[s]) : 0 }'
  rm -f "$rows"
}

# joint_generation G PREV GDIR: the fit of a joint generation, its match against the
# previous model and the held-out errors.
joint_generation() {
  local g="$1" prev="$2" gdir="$3" l
  if ! finished "gen$g-fit-joint"; then
    mkdir -p "$gdir/joint"
    timed "gen$g fit-patterns" "$tool" fit-patterns --positions "$gdir/pos.txt" \
      --finals "$gdir/finals.txt" --out "$gdir/joint/wzorce9_i15" \
      --params-out "$gdir/joint/parametry9_i15_0.dat" --errors "$gdir/joint/err.txt" \
      2>"$gdir/joint/fit.log"
    mark "gen$g-fit-joint"
  fi
  for l in "${MATCH_LEVELS[@]}"; do match "$gdir/joint" 0 "$prev" 0 "$l" "gen$g-joint-vs-prev" >/dev/null; done
  if [ ! -e "$gdir/held_error.txt" ]; then
    { printf "previous\t"; held_error "$prev" "$gdir" "$work"
      printf "joint\t"; held_error "$gdir/joint" "$gdir" "$work"; } >"$gdir/held_error.part"
    mv "$gdir/held_error.part" "$gdir/held_error.txt"
  fi
  rm -rf "$gdir/model"
  cp -r "$gdir/joint" "$gdir/model"
  echo joint >"$gdir/chosen"
  rm -f "$gdir/model/fit.log" "$gdir/model/err.txt"
  mark "gen$g"
}

last_gen() { echo "$work/gen${#GEN_LEVELS[@]}/model"; }

phase_styles() {
  finished styles && return 0
  need make_styles
  mkdir -p "$work/final"
  copy_tables "$(last_gen)" "$work/final"
  "$build/tools/make_styles" "$(last_gen)/parametry9_i15_0.dat" "$work/final"
  mark styles
}

phase_matches() {
  local g l n
  # Each generation met the previous one when its fit was chosen; the generations
  # between the first and the last also meet the starter (the first one's previous
  # model is the starter, the last one is style 0, which meets it below).
  for g in $(seq 2 $((${#GEN_LEVELS[@]} - 1))); do
    # A work folder seeded with later generations only (see modele/README.md) lacks the
    # early models.
    [ -d "$work/gen$g/model" ] || { log "gen$g: no model here, not matched against the starter"; continue; }
    for l in "${MATCH_LEVELS[@]}"; do
      match "$work/gen$g/model" 0 "$work/starter" 0 "$l" "gen$g-vs-starter" >/dev/null
    done
  done
  for l in "${MATCH_LEVELS[@]}"; do
    match "$work/final" 0 "$work/starter" 0 "$l" "style0-vs-starter" >/dev/null
    for n in 1 2 3 4 5 6; do
      match "$work/final" 0 "$work/final" "$n" "$l" "style0-vs-style$n" >/dev/null
    done
  done
}

phase_stats() {
  [ -e "$work/stats/table.txt" ] && return 0
  need style_stats
  mkdir -p "$work/stats"
  local n
  selfplay() {
    [ -e "$work/stats/self_$1.txt" ] && return 0
    "$tool" dump --model-dir "$work/final" --style "$1" --level 2 --depth "$STATS_DEPTH" \
      --out "$work/stats/self_$1.part" 2>"$work/stats/self_$1.log"
    mv "$work/stats/self_$1.part" "$work/stats/self_$1.txt"
  }
  local pids=()
  for n in 0 1 2 3 4 5 6; do
    selfplay "$n" &
    pids+=($!)
    if [ $((n % 2)) -eq 1 ]; then
      wait_all "${pids[@]}" || return 1
      pids=()
    fi
  done
  wait_all "${pids[@]}" || return 1
  # Averages and the leaning of the choices (tools/style_stats); its endgame threshold
  # is that of level 2, where the solvers take over from the style.
  for n in 0 1 2 3 4 5 6; do
    printf "%s\t" "$n"
    "$build/tools/style_stats" "$work/stats/self_$n.txt" "$work/final" "$STATS_DEPTH" 12
  done >"$work/stats/self.txt"
  # Against style 0 (the matches at level 2): the style's side minus style 0's side in
  # the feature records, disc difference at 44 discs, then mobility, stable discs,
  # frontier and corners averaged over the positions from 10 discs on.
  for n in 1 2 3 4 5 6; do
    printf "%s\t" "$n"
    awk '$3 != 0 && $2 >= 10 { n++; mob += $6; st += $7; fr += $5; co += $19 - $20 }
         $2 == 44 && $3 != 0 { m++; d += $4 }
         END { printf "%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%d\n", d / m, mob / n, st / n, fr / n, co / n, n }' \
      "$work/matches/style0-vs-style${n}_l2"/m_*_oceny.txt
  done >"$work/stats/against0.txt"
  cp "$work/stats/self.txt" "$work/stats/table.txt"
}

# book COLOUR SUFFIX: the opening book of a colour and its continuation book.
book() {
  local k="$1" x="$2" b="$work/books" m
  [ -e "$b/kontynuacje9_i15_$x.dat" ] && return 0
  if [ ! -e "$b/raw_$x.dat" ]; then
    timed "book $x (ply $BOOK_PLY)" "$tool" book --model-dir "$work/final" --style 0 \
      --max-ply "$BOOK_PLY" --colour "$k" --out "$b/raw_$x.part" 2>"$b/raw_$x.log"
    mv "$b/raw_$x.part" "$b/raw_$x.dat"
  fi
  "$tool" symmetrize --in "$b/raw_$x.dat" --out "$b/otwarcia9_i15_$x.dat" 2>"$b/symmetrize_$x.log"
  # The last move number of the colour inside the book: 9 for black, 10 for white.
  m=$((k < 0 ? BOOK_PLY - 1 : BOOK_PLY))
  timed "continuations $x (level $CONT_LEVEL)" "$tool" continuations --model-dir "$work/final" \
    --style 0 --level "$CONT_LEVEL" --in "$b/raw_$x.dat" --move "$m" --last-move "$CONT_LAST" \
    --colour "$k" --threshold "$CONT_THRESHOLD" --out "$b/kont_$x.part" 2>"$b/kont_$x.log"
  mv "$b/kont_$x.part" "$b/kontynuacje9_i15_$x.dat"
}

phase_books() {
  local b="$work/books"
  mkdir -p "$b"
  export -f book timed now log
  export tool work BOOK_PLY CONT_LEVEL CONT_LAST CONT_THRESHOLD times
  local pids=()
  book -1 c &
  pids+=($!)
  book 1 b &
  pids+=($!)
  wait_all "${pids[@]}" || return 1
  # The cost of one look-up in the finished books, as the engine makes it.
  need book_probe
  mkdir -p "$b/probe/otwarcia"
  for f in otwarcia9_i15_c otwarcia9_i15_b kontynuacje9_i15_c kontynuacje9_i15_b; do
    ln -sf "$work/books/$f.dat" "$work/books/probe/otwarcia/$f.dat"
  done
  (cd "$work/books/probe" && "$build/tools/book_probe" 20) >"$work/books/lookup.txt"
}

phase_install() {
  local f dirty=0
  # The state of the code that made the data, before the new files change the tree.
  [ -z "$(git -C "$repo" status --porcelain)" ] || dirty=1
  for f in "$work"/final/*.dat; do cp "$f" "$repo/modele/"; done
  mkdir -p "$repo/otwarcia"
  for f in otwarcia9_i15_c otwarcia9_i15_b kontynuacje9_i15_c kontynuacje9_i15_b; do
    cp "$work/books/$f.dat" "$repo/otwarcia/"
  done
  WORK="$work" STATS_DEPTH="$STATS_DEPTH" tools/pipeline_readme.sh >"$repo/modele/README.md"
  # Provenance and checksums of the installed files; the test DataManifest checks them.
  DIRTY="$dirty" tools/write_manifest.sh "$build" >"$repo/data-manifest.txt"
}

for p in "${phases[@]}"; do
  log "phase $p"
  phaseStart=$(now)
  case "$p" in
    starter) phase_starter ;;
    gen[0-9]*) generation "${p#gen}" ;;
    styles) phase_styles ;;
    matches) phase_matches ;;
    stats) phase_stats ;;
    books) phase_books ;;
    install) phase_install ;;
    *) echo "unknown phase $p" >&2; exit 2 ;;
  esac
  awk -v n="phase $p" -v a="$phaseStart" -v b="$(now)" 'BEGIN { printf "%s\t%.1f\n", n, b - a }' >>"$times"
done
log "finished: ${phases[*]}"
