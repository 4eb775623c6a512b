#!/bin/sh
# Builds the starter-model generator and writes the seven style files and the eight (empty) pattern tables into modele/.
cd "$(dirname "$0")/.." && B="${BUILD_DIR:-${TMPDIR:-/tmp}/zedare-starter-build}" && cmake -S . -B "$B" -DZEDARE_BUILD_APP=OFF -DZEDARE_BUILD_TESTS=OFF -DZEDARE_BUILD_BENCH=OFF >/dev/null && cmake --build "$B" --target make_starter_model -j2 >/dev/null && "$B/tools/make_starter_model" modele
