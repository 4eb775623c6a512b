#!/usr/bin/env bash
# Writes the manifest of the shipped data to standard output: where the files came from
# (commit, whether the working tree had uncommitted changes, build type and compiler of
# the build that made them) and the SHA-256 of every data file in modele/ and otwarcia/.
# The data test (tests/check_data_manifest.cmake) checks the files against it.
#
# Usage: tools/write_manifest.sh [BUILD_DIR] > data-manifest.txt
#   BUILD_DIR: the build whose programs made the data; without it the build type and
#   compiler are "unknown". COMMIT and DIRTY in the environment replace what git says
#   (for data made at another commit than the one checked out).
set -euo pipefail
cd "$(dirname "$0")/.."

commit="${COMMIT:-$(git rev-parse HEAD 2>/dev/null || echo unknown)}"
if [ -n "${DIRTY:-}" ]; then
  dirty="$DIRTY"
elif [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  dirty=1
else
  dirty=0
fi
build_type=unknown
compiler=unknown
if [ $# -ge 1 ] && [ -f "$1/CMakeCache.txt" ]; then
  build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$1/CMakeCache.txt")
  cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$1/CMakeCache.txt")
  [ -n "$cxx" ] && compiler=$("$cxx" --version | head -n 1)
  [ -n "$build_type" ] || build_type=none
fi

echo "commit $commit"
echo "dirty $dirty"
echo "build-type $build_type"
echo "compiler $compiler"
for f in modele/*.dat otwarcia/*.dat; do
  echo "sha256 $(sha256sum "$f" | cut -d' ' -f1) $f"
done
