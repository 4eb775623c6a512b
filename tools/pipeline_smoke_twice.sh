#!/usr/bin/env bash
# Runs tools/pipeline_smoke.sh twice, in two fresh folders, and compares everything the
# two runs made byte for byte (not the times and the progress logs, which hold clock
# readings). Lists each file as "same" or "DIFFERS"; exits 1 when any file differs or
# exists in one run only.
#
# Usage: tools/pipeline_smoke_twice.sh [work folder]   (default: a new folder under /tmp)
# The environment is passed on to both runs (BUILD_DIR, DEPTH, L1_GAMES, L3_GAMES).
set -euo pipefail
cd "$(dirname "$0")/.."
work="${1:-$(mktemp -d /tmp/zedare-smoke-twice-XXXXXX)}"
mkdir -p "$work/a" "$work/b"
tools/pipeline_smoke.sh "$work/a" >"$work/a.out"
tools/pipeline_smoke.sh "$work/b" >"$work/b.out"

status=0
names=$( (cd "$work/a" && find . -type f; cd "$work/b" && find . -type f) |
  grep -v -e '^\./times\.txt$' -e '\.log$' | sort -u)
for f in $names; do
  if [ ! -e "$work/a/$f" ] || [ ! -e "$work/b/$f" ]; then
    echo "ONE RUN ONLY  ${f#./}"
    status=1
  elif cmp -s "$work/a/$f" "$work/b/$f"; then
    echo "same          ${f#./}"
  else
    echo "DIFFERS       ${f#./}"
    status=1
  fi
done
exit "$status"
