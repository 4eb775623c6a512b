#!/usr/bin/env bash
# Sets up a Debian 12 machine for this project and builds it, then does one of:
#   play      start the game window (needs a display; see README)
#   test      build and run every test, print CTest's summary
#   sanitize  the tests again in build-asan with AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan      the threading tests in build-tsan with ThreadSanitizer
#   debug     the engine's tests in build-debug, a Debug build in which the search checks
#             every board it plays (ZEDARE_CHECK_TREE; the window is not built)
#   fuzz      the fuzz targets in build-fuzz (clang, libFuzzer), each for a bounded time
#             (seconds per target: FUZZ_SECONDS, default 45)
#   package   the Debian package in build-deb, installed, started and removed again
#             (tools/package.sh)
# Installs only the Debian packages that are missing (as root, or through sudo).
# ZEDARE_WERROR=ON makes every compiler warning an error (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-test}"
packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libeigen3-dev
          qt6-base-dev libgl-dev xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core
          fonts-liberation2 qt6-translations-l10n qemu-user)
# The fuzz targets need clang and its libFuzzer runtime; only that mode installs them.
if [ "$mode" = fuzz ]; then packages+=(clang libclang-rt-14-dev); fi
# Making the package needs dpkg-shlibdeps; its AppStream metadata and desktop entry are
# validated.
if [ "$mode" = package ]; then packages+=(dpkg-dev appstream desktop-file-utils); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
build() {  # folder, extra cmake options...
  local dir="$1"; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEDARE_WERROR="${ZEDARE_WERROR:-OFF}" \
    "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  play)
    build build
    exec build/bin/TavrinWin
    ;;
  test)
    build build
    ctest --test-dir build --output-on-failure -j "$jobs"
    ;;
  sanitize)
    build build-asan -DZEDARE_SANITIZE=ON -DZEDARE_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/tools/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan --output-on-failure -j "$jobs"
    ;;
  tsan)
    build build-tsan -DZEDARE_TSAN=ON -DZEDARE_BUILD_BENCH=OFF
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
      ctest --test-dir build-tsan --output-on-failure -L threads -j "$jobs"
    ;;
  debug)
    # Built with the portable kernels only, so that the SSE2 and scalar twins of the faster
    # levels' kernels pass every test too.
    build build-debug -DCMAKE_BUILD_TYPE=Debug -DZEDARE_CHECK_TREE=ON -DZEDARE_BUILD_APP=OFF \
      -DZEDARE_X86_64_V2=OFF -DZEDARE_X86_64_V3=OFF
    ctest --test-dir build-debug --output-on-failure -j "$jobs"
    ;;
  fuzz)
    bash tools/fuzz.sh "${FUZZ_SECONDS:-45}"
    ;;
  package)
    bash tools/package.sh
    ;;
  *)
    echo "usage: $0 play|test|sanitize|tsan|debug|fuzz|package" >&2
    exit 2
    ;;
esac
