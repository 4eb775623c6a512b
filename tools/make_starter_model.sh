#!/bin/sh
# Builds the starter-model generator and writes the seven style files and the eight (empty)
# pattern tables into the folder given (the trained model in modele/ is not touched).
# Usage: tools/make_starter_model.sh FOLDER        (BUILD_DIR: build folder to use)
set -e
[ $# -eq 1 ] || { echo "usage: tools/make_starter_model.sh FOLDER" >&2; exit 2; }
mkdir -p "$1"
out="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
B="${BUILD_DIR:-${TMPDIR:-/tmp}/zedare-starter-build}"
[ -e "$B/CMakeCache.txt" ] ||
  cmake -S . -B "$B" -DZEDARE_BUILD_APP=OFF -DZEDARE_BUILD_TESTS=OFF -DZEDARE_BUILD_BENCH=OFF >/dev/null
cmake --build "$B" --target make_starter_model -j2 >/dev/null
"$B/tools/make_starter_model" "$out"
