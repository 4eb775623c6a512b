#!/usr/bin/env bash
# Writes modele/README.md (on standard output) from the figures that tools/pipeline.sh
# left in its work folder:
#   WORK=<work folder> STATS_DEPTH=<depth> tools/pipeline_readme.sh > modele/README.md
set -euo pipefail
work="${WORK:?set WORK to the work folder of the pipeline}"
gens=$(ls -d "$work"/gen[0-9]* | wc -l)
stats_depth="${STATS_DEPTH:?set STATS_DEPTH to the opening depth of the style self-play}"

# seconds FILTER: the sum of the recorded step times whose name matches.
seconds() { awk -F'\t' -v re="$1" '$1 ~ re { s += $2 } END { printf "%.0f", s }' "$work/times.txt"; }
# The whole run: the recorded phases, and for a generation whose phase time was not
# recorded (a resumed run) the sum of its steps.
total() {
  local t g
  t=$(seconds '^phase (starter|styles|matches|stats|books|install)$')
  for g in $(seq 1 "$gens"); do
    if grep -q "^phase gen$g	" "$work/times.txt"; then
      t=$((t + $(seconds "^phase gen$g\$")))
    else
      t=$((t + $(seconds "^gen$g ")))
    fi
  done
  echo "$t"
}
score() {
  local f="$work/matches/$1_l$2/score"
  if [ -e "$f" ]; then awk '{ printf "%s%% of %s games", $1, $2 }' "$f"; else echo "not played"; fi
}

# The generations copied into the work folder instead of made (a run that started from a
# shipped model): a sentence for the introduction, or nothing.
seeded_note() {
  local g list=""
  for g in $(seq 1 "$gens"); do [ -e "$work/gen$g/seeded" ] && list="$list $g"; done
  [ -n "$list" ] || return 0
  printf " The recorded run below started from the shipped generation 3: generations%s were\nnot made again (their rows are the figures of the run that made them, which took about 33\nminutes for them), so the time above leaves them out." "$list"
}

cat <<EOF
# The shipped model and books

Everything in \`modele/\` (the seven style files \`parametry9_i15_0.dat\` ...
\`_6.dat\` and the eight pattern tables \`wzorce9_i15_*.dat\`) and in \`otwarcia/\` (the
four book files) is made by one command, with fixed parameters:

\`\`\`sh
tools/pipeline.sh /work/pipeline-work      # a work folder outside the repository
\`\`\`

It needs about $(( ($(total) + 59) / 60 )) minutes on two cores (the recorded run below; the longest
step is $(awk -F'\t' '$1 !~ /^phase / && $2 > m { m = $2; n = $1 } END { printf "%s, %.0f s", n, m }' "$work/times.txt")). Every step writes under
the work folder and is skipped when its output is there, so a stopped run is resumed by
running the same command again.$(seeded_note) A single phase runs with its name as extra argument
(\`starter\`, \`gen1\` to \`gen4\`, \`styles\`, \`matches\`, \`stats\`, \`books\`, \`install\`);
\`install\` copies the files here and writes this README. The starter model, the baseline
of every comparison, is kept in the work folder (\`starter/\`); it is reproduced by
\`tools/make_starter_model.sh FOLDER\`.

## Training

Each generation plays every opening line to depth 8 (97,554 games) to the end with the
previous generation's model (generation 1: the starter model) in 8 game ranges, two at a
time on two cores, then: merge -> final positions -> pattern statistics and the eight
tables -> feature rows read with the new tables -> two fits (the default fit, which lets
only frontier and corners/X-squares in, and the fit with every column allowed) ->
smoothing (columns 5 to 64, 5 points). The fit that scores more against the previous
model (match below, levels 1 and 2) becomes the generation's model.

Levels: generation 1 plays at level 1, generations 2 and 3 at level 2. Measured before
the run: level 1 plays about 1,170 games a second on one core (the whole dump about a
minute on two), level 2 about 80 (about 10 minutes on two cores when the machine is
free), level 3 about 6.6 (about 2 hours on two cores, more than the time there was).
Generation 1 starts from a hand-set model with empty pattern tables, so its games only
need to be plausible; the later generations use the deeper level for better games.

Generation 4 is made differently: 40,000 games of generation 3 at level 2, finished by
perfect play (the exact solver for both sides) from 16 empty squares, 5,000 from each of
8 places spread over the depth-8 lines, and 4,000 more games after those held out; then
\`zedare_tool fit-patterns\` with its default options. It starts from the pattern
statistics and the weights fitted to their features (as above, every column allowed, the
side-to-move term in), then four times solves the line tables SC1, SC2, SC3 and PRZ
together for the current weights (sparse least squares of the evaluation against the
final disc difference by conjugate gradients, the values tied by the colour inversion
and the line reversal, a ridge term of 10 occurrences, positions at 40 to 52 discs
counted twice) and fits and smooths the weights again. The corner tables keep the means.
Per-configuration means of overlapping lines count the same evidence several times over
and are never balanced against the other terms; fitted together they are.

| generation | level | games | positions | chosen fit |
|---|---|---|---|---|
EOF
for g in $(seq 1 "$gens"); do
  d="$work/gen$g"
  if [ -e "$d/seeded" ]; then
    echo "| $g | $(cat "$d/seeded") |"
    continue
  fi
  level=$(grep -o "gen$g dump (level [0-9]*" "$work/times.txt" | tail -1 | grep -o '[0-9]*$')
  echo "| $g | $level | $(wc -l <"$d/finals.txt") | $(wc -l <"$d/pos.txt") | $(cat "$d/chosen") |"
done
cat <<EOF

Time of each step (seconds, as recorded in the run; a dump that was resumed shows the
time of its last sitting):

| step | s |
|---|---|
EOF
awk -F'\t' '{ printf "| %s | %s |\n", $1, $2 }' "$work/times.txt"
cat <<EOF

Error of the fit per stage (\`err.txt\`: root mean squared residual of the final disc
difference, in discs, at the disc counts shown; stages below 500 rows are not fitted):

EOF
cols="10 16 20 24 28 32 36 40 44 48 52 56 60 63"
printf "| fit |"; for c in $cols; do printf " %s |" "$c"; done; echo
printf "|---|"; for c in $cols; do printf -- "---|"; done; echo
for g in $(seq 1 "$gens"); do
  for fit in default all joint; do
    [ -e "$work/gen$g/$fit/err.txt" ] || continue
    printf "| gen %s %s |" "$g" "$fit"
    tr '\t' '\n' <"$work/gen$g/$fit/err.txt" | tr ',' '.' |
      awk -v cols="$cols" 'BEGIN { n = split(cols, c, " ") } { v[NR] = $1 }
        END { for (i = 1; i <= n; ++i) printf " %.2f |", v[c[i]]; print "" }'
  done
done
for g in $(seq 1 "$gens"); do
  [ -e "$work/gen$g/held_error.txt" ] || continue
  cat <<EOF

Error on the held-out games of generation $g ($(wc -l <"$work/gen$g/held_finals.txt") games the fit did not see; RMS in
discs of the evaluation's sum, the feature rows times the weights of their disc count,
against the final disc difference, at the disc counts shown and over every position with
a side to move):

| model | 20 | 30 | 40 | 50 | all |
|---|---|---|---|---|---|
EOF
  awk -v g="$g" '{ printf "| %s | %s | %s | %s | %s | %s |\n",
    ($1 == "joint" ? "generation " g : "generation " g - 1), $2, $3, $4, $5, $6 }' \
    "$work/gen$g/held_error.txt"
done
cat <<EOF

## Match table

\`startMatch\` on every opening line to depth 5 (349 lines), once with each colour, so
698 games per row and level; the score is that of the first-named model (win 1, draw
1/2).

| match | level 1 | level 2 |
|---|---|---|
EOF
row() { echo "| $2 | $(score "$1" 1) | $(score "$1" 2) |"; }
for g in $(seq 1 "$gens"); do
  prev="generation $((g - 1))"
  [ "$g" -eq 1 ] && prev="starter"
  if [ -e "$work/gen$g/seeded" ]; then
    :
  elif [ "$(cat "$work/gen$g/chosen")" = joint ]; then
    row "gen$g-joint-vs-prev" "generation $g, joint fit, against $prev"
  else
    row "gen$g-default-vs-prev" "generation $g, default fit, against $prev"
    row "gen$g-all-vs-prev" "generation $g, all-columns fit, against $prev"
  fi
  if [ "$g" -gt 1 ] && [ "$g" -lt "$gens" ] && [ -e "$work/matches/gen$g-vs-starter_l1/score" ]; then
    row "gen$g-vs-starter" "generation $g (chosen) against the starter"
  fi
done
row style0-vs-starter "**generation $gens = mistrzowski (style 0) against the starter**"
names=(mistrzowski gambitowy pozycyjny kombinacyjny solidny ostrożny zachłanny)
for n in 1 2 3 4 5 6; do row "style0-vs-style$n" "mistrzowski against $n ${names[$n]}"; done
cat <<EOF

## Styles

Style 0 "mistrzowski" is the last generation's model. The other six are made from it by
\`tools/make_styles\` (build target \`make_styles\`), which scales chosen weight rows and
adds a shift that fades out before the endgame (the comments in
\`tools/make_styles.cpp\` list them): 1 "gambitowy" a negative disc weight to about move
40 and mobility raised; 2 "pozycyjny" the corner, edge and diagonal pattern rows doubled;
3 "kombinacyjny" mobility and corner threats much dearer; 4 "solidny" stable discs
and corners/X-squares made dearer; 5 "ostrożny" the frontier penalty doubled and
corners/X-squares dearer; 6 "zachłanny" a positive disc weight from the start.

Against style 0 (the level-2 matches above, from the feature records of every position
from 10 discs on; each figure is the style's side minus style 0's side):

| style | discs at move 40 | mobility | stable discs | frontier | corners | positions |
|---|---|---|---|---|---|---|
EOF
awk -F'\t' -v names="${names[*]}" 'BEGIN { split(names, nm, " ") }
  { printf "| %d %s | %+.2f | %+.2f | %+.2f | %+.2f | %+.2f | %d |\n", $1, nm[$1 + 1], $2, $3, $4, $5, $6, $7 }' \
  "$work/stats/against0.txt"
cat <<EOF

In its own self-play (every opening line to depth $stats_depth at level 2, $(tail -n 1 "$work/stats/self_0.txt" | cut -f1) games, the style
on both sides; \`tools/style_stats\`). First the averages the games show, seen from the
side that has just moved, positions after the enumerated opening:

| style | discs at move 40 | mobility | stable discs | frontier | corners | edge discs | positions |
|---|---|---|---|---|---|---|---|
EOF
awk -F'\t' -v names="${names[*]}" 'BEGIN { split(names, nm, " ") }
  { printf "| %d %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %d |\n", $1, nm[$1 + 1], $2, $3, $4, $5, $6, $7, $8 }' \
  "$work/stats/self.txt"
cat <<EOF

These hardly tell the styles apart, and cannot: with the same style on both sides, 44
discs at move 40 are split evenly but for the tempo of the last move, and whatever one
side seeks (mobility, stable discs, corners) the other seeks too and denies it. What a
style prefers shows in its choices. For every move chosen by the search (not the
solvers: more than 12 empty squares), each figure is measured after every legal move,
the mover's side minus the opponent's; the chosen move's value minus the mean of the
legal moves, divided by their spread, is averaged over the positions where the moves
differ on that figure (+1: always the largest, -1: always the smallest). After each
figure, its standard error over the games:

| style | discs | mobility | stable discs | frontier | corners | edge discs | patterns | corner threats | chosen moves |
|---|---|---|---|---|---|---|---|---|---|
EOF
awk -F'\t' -v names="${names[*]}" 'BEGIN { split(names, nm, " ") }
  { printf "| %d %s |", $1, nm[$1 + 1]
    for (i = 9; i <= 23; i += 2) printf " %.3f ±%.3f |", $i, $(i + 1)
    printf " %d |\n", $25 }' "$work/stats/self.txt"
cat <<EOF

("patterns" is the pattern tables' estimate of the position: the corner patterns plus
the edge and diagonal line patterns; "corner threats" the evaluation's corner-threat
feature, about one per corner held or open to be taken.) Each style against style 0 on
the figures its name promises, in the self-play leaning above (the difference, and how
many standard errors of the difference it makes):

| style | promise | leaning against style 0 |
|---|---|---|
EOF
# promise STYLE TEXT FIGURE:SIGN...: the lean of FIGURE (1 discs .. 8 threats) of STYLE
# minus style 0's, in the promised direction SIGN, with its size in standard errors.
promise() {
  local n="$1" text="$2" out="" f
  shift 2
  for f in "$@"; do
    out="$out$(awk -F'\t' -v n="$n" -v f="${f%:*}" -v sign="${f#*:}" '
      BEGIN { split("discs mobility stable frontier corners edges patterns threats", fn, " ") }
      $1 == 0 { m0 = $(7 + 2 * f); s0 = $(8 + 2 * f) }
      $1 == n { m = $(7 + 2 * f); s = $(8 + 2 * f) }
      END { d = m - m0; z = d / sqrt(s * s + s0 * s0)
            printf "%s %+.3f (%.1f s.e., %s); ", fn[f], d, z, (sign * z >= 2 ? "as promised" : "NOT as promised") }' \
      "$work/stats/self.txt")"
  done
  echo "| $n ${names[$n]} | $text | ${out%; } |"
}
promise 1 "gives discs for mobility" 1:-1 2:1
promise 2 "leans on the patterns" 7:1
promise 3 "mobility and corner threats" 2:1 8:1
promise 4 "stable discs and edges" 3:1 6:1
promise 5 "small frontier, safe corners" 4:-1 5:1
promise 6 "takes discs" 1:1
cat <<EOF

The table of the matches against style 0 (above) is the other view: what each style's
side ends up with against style 0's in the same games.

## Books

\`otwarcia9_i15_c.dat\` (black to move, K = -1) and \`otwarcia9_i15_b.dat\` (white, K =
+1): \`generateBook\` to ply $(grep -o 'book c (ply [0-9]*' "$work/times.txt" | tail -1 | grep -o '[0-9]*$') with the final style 0 (levels 6 and 5), then
\`symmetrizeBook\`. \`kontynuacje9_i15_c.dat\` and \`kontynuacje9_i15_b.dat\`:
\`generateContinuations\` from every entry of the last book move of the colour (move 9
for black, 10 for white) to move 30, at level $(grep -o 'continuations c (level [0-9]*' "$work/times.txt" | tail -1 | grep -o '[0-9]*$') (levels 4 to 7 consult them).

| file | lines | bytes | look-up, hit on the last line (ms) | look-up, miss (ms) |
|---|---|---|---|---|
EOF
awk -F'\t' '{ sub(/.*\/\//, "", $1); printf "| %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5 }' \
  "$work/books/lookup.txt"
cat <<EOF

The look-up times come from \`tools/book_probe\` (build target \`book_probe\`), which
calls the engine's look-up on the files as shipped. The book test in \`tests/data\`
checks that every stored move is legal, that a level-3 game takes its first ten
computer moves from the book, and that level 4 answers positions spread over the
continuation books from them without scoring a position.
EOF
