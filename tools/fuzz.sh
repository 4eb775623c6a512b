#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for a bounded time from corpora seeded with the shipped
# files. A crash, a sanitizer report, a leak or a broken invariant fails the run; the
# input that caused it is kept in build-fuzz/artifacts/ and printed in base64, so that a
# CI log holds it too.
#   tools/fuzz.sh [seconds per target, default 45] [target...]
# Needs clang and libclang-rt-14-dev (tools/setup.sh fuzz installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-45}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(game_file book matrix_text matrix_counted offline_parsers exports transcript)

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEDARE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" >/dev/null
echo "fuzz targets built in ${SECONDS} s"

# Seeds: the shipped files themselves, and lines cut from them in each parser's format.
seeds=build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{game_file,book,matrix_text,matrix_counted,offline_parsers,exports,transcript}
cp tests/fuzz/seeds/game_file/*.gam "$seeds/game_file/"
cp tests/fuzz/seeds/transcript/* "$seeds/transcript/"
for side in c b; do
  # Byte 0 and 1 choose the game board and its symmetry; the book lines follow.
  { printf '\000\000'; head -n 8 "otwarcia/otwarcia9_i15_$side.dat"; } > "$seeds/book/opening_$side"
  { printf '\003\001'; head -n 8 "otwarcia/kontynuacje9_i15_$side.dat"; } > "$seeds/book/continuation_$side"
  head -n 1 "otwarcia/otwarcia9_i15_$side.dat" > "$seeds/offline_parsers/book_line_$side"
  head -n 1 "otwarcia/otwarcia9_i15_$side.dat" | cut -f1 | sed 's/^/7\t4\t/' \
    > "$seeds/offline_parsers/position_line_$side"
done
printf '1\t30\t1\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\n' > "$seeds/offline_parsers/feature_row"
cp modele/parametry9_i15_0.dat modele/wzorce9_i15_A2.dat "$seeds/matrix_text/"
head -n 300 modele/wzorce9_i15_A4.dat > "$seeds/matrix_text/pattern_rows"
# The counted format of the same tables: "rows cols " and the elements; byte 0 chooses
# the file (even) or a memory stream (odd).
for f in modele/parametry9_i15_0.dat modele/wzorce9_i15_A2.dat; do
  for source in 0 1; do
    { printf "\\00$source"
      awk '{ for (i = 1; i <= NF; ++i) v[n++] = $i; rows++; cols = NF }
           END { printf "%d %d ", rows, cols; for (i = 0; i < n; ++i) printf "%s ", v[i] }' "$f"
    } > "$seeds/matrix_counted/$(basename "$f" .dat)_$source"
  done
done
# A few calls of each function: a new game, a computer move, navigation, save and load.
printf '\000\010\000\000\000\017\001\000\002\003\000\000\003\001\000\000\003\000\000\000' \
  > "$seeds/exports/short_game"

mkdir -p build-fuzz/artifacts build-fuzz/corpus
status=0
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  mkdir -p "$corpus"
  log="build-fuzz/$t.log"
  echo "fuzz_$t: ${seconds} s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=20 \
       -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len=16384 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/artifacts/$t-" "$corpus" "$seeds/$t" >"$log" 2>&1; then
    status=1
    echo "fuzz_$t FAILED; its log:"
    tail -n 60 "$log"
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+[[:space:]]+DONE' "$log" | sed "s/^/  /" || true
done
for a in build-fuzz/artifacts/*; do
  [ -e "$a" ] || continue
  echo "kept input $a (base64):"
  base64 "$a"
done
echo "fuzz step: ${SECONDS} s in all"
exit $status
