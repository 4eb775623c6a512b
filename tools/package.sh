#!/usr/bin/env bash
# Makes the Debian package and tries it as a user would get it:
#
#   bash tools/package.sh          build build-deb/zedare_<version>_<arch>.deb, check its
#                                  contents and AppStream metadata, install it, start the
#                                  installed game from its desktop entry under a virtual
#                                  display, play one move, remove the package again
#   bash tools/package.sh build    only build and check the .deb
#
# Needs root (or sudo) to install; the packages it uses (dpkg-dev, appstream, xvfb,
# xauth, x11-utils, xdotool, imagemagick, desktop-file-utils) are installed by `bash tools/setup.sh package`, which then
# runs this script. The build folder build-deb/ is configured for the prefix /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=${1:-all}
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
title="Pelagor v.12"  # the main window's title
error_title="Tavrin Reversi"  # the title of the program's error boxes

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

# --- Inside the virtual display: the installed game started as the menu starts it. ---
if [ "$mode" = try-installed ]; then
  entry=/usr/share/applications/pl.zedare.TavrinWin.desktop
  command=$(sed -n 's/^Exec=//p' "$entry")
  [ -n "$command" ] || fail "no Exec line in $entry"
  # A menu starts the program by name from the user's home, with no build around it.
  home=$(mktemp -d)
  app=
  cleanup() {
    [ -n "$app" ] && kill "$app" 2> /dev/null || true
    rm -rf "$home"
  }
  trap cleanup EXIT
  # shellcheck disable=SC2086  # the entry's command line, split as a launcher splits it
  (cd "$home" && exec env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" \
    XAUTHORITY="${XAUTHORITY:-}" QT_QPA_PLATFORM=xcb $command) &
  app=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
    fail "no window \"$title\" appeared"
  sleep 2
  kill -0 "$app" 2> /dev/null || fail "the game ended by itself"
  # A launcher ties the window to its entry by the window's X11 class.
  class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
  wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
  [ -n "$class" ] && [ "$class" = "$wanted" ] ||
    fail "the window's class is \"$class\", the entry's StartupWMClass \"$wanted\""
  if xdotool search --onlyvisible --name "^$error_title\$" > /dev/null 2>&1; then
    fail "the game shows an error box"
  fi
  maps=$(cat "/proc/$app/maps")
  grep -q " /usr/lib/.*libzedare\.so" <<< "$maps" || fail "the installed engine is not loaded"
  [ "$(readlink "/proc/$app/cwd")" = /usr/share/zedare ] ||
    fail "the game works in $(readlink "/proc/$app/cwd"), not in /usr/share/zedare"

  # The two pictures stay in build-deb/ for a look afterwards.
  shots=$root/build-deb
  import -window "$window" "$shots/installed_start.png"
  colours=$(convert "$shots/installed_start.png" -format %k info:)
  [ "$colours" -ge 16 ] || fail "the window is blank ($colours colours)"
  # Black (the human) plays f5: the board's column 6 from the left, row 5 from the top,
  # squares of 72 pixels from (12, 13); the engine answers at level 1 at once. One disc
  # covers some 2800 pixels: fewer changed means that no move was played.
  xdotool mousemove --window "$window" $((12 + 5 * 72 + 36)) $((13 + 4 * 72 + 36)) click 1
  sleep 3
  import -window "$window" "$shots/installed_moved.png"
  changed=$(compare -metric AE "$shots/installed_start.png" "$shots/installed_moved.png" null: 2>&1 || true)
  [ "${changed%% *}" -ge 2000 ] 2> /dev/null ||
    fail "the board did not change after a move (${changed} pixels)"
  kill -0 "$app" 2> /dev/null || fail "the game ended after a move"
  echo "the installed game runs from $home: window \"$title\", $colours colours," \
    "$changed pixels changed by one move and the reply"
  exit 0
fi

# --- The package. ---
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DZEDARE_BUILD_TESTS=OFF -DZEDARE_BUILD_BENCH=OFF -DZEDARE_WERROR="${ZEDARE_WERROR:-OFF}" \
  > /dev/null
cmake --build build-deb -j "$(nproc)"
rm -f build-deb/zedare_*.deb
(cd build-deb && cpack -G DEB > /dev/null)
deb=$(ls build-deb/zedare_*.deb)
echo "made $deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
libdir=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for path in usr/bin/TavrinWin "usr/lib/$libdir/libzedare.so.0" "usr/lib/$libdir/libzedare.so" \
    usr/include/zedare.h "usr/lib/$libdir/pkgconfig/zedare.pc" \
    "usr/lib/$libdir/cmake/Zedare/ZedareConfig.cmake" \
    usr/share/zedare/modele/parametry9_i15_0.dat usr/share/zedare/otwarcia/otwarcia9_i15_c.dat \
    usr/share/applications/pl.zedare.TavrinWin.desktop usr/share/icons/hicolor/scalable/apps/pl.zedare.TavrinWin.svg \
    usr/share/metainfo/pl.zedare.TavrinWin.metainfo.xml usr/share/doc/zedare/copyright; do
  grep -qx "\./$path" <<< "$contents" || fail "$deb lacks /$path"
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q libqt6widgets6 <<< "$depends" || fail "the package does not depend on Qt 6 Widgets: $depends"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
grep -qx "prefix=/usr" "$unpacked/usr/lib/$libdir/pkgconfig/zedare.pc" ||
  fail "zedare.pc in the package does not name the prefix /usr"
# The metadata and the desktop entry pass their validators with nothing overridden, and
# the package's version is the metadata's newest release.
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/pl.zedare.TavrinWin.metainfo.xml"
desktop-file-validate "$unpacked/usr/share/applications/pl.zedare.TavrinWin.desktop"
version=$(dpkg-deb -f "$deb" Version)
grep -q "<release version=\"$version\"" "$unpacked/usr/share/metainfo/pl.zedare.TavrinWin.metainfo.xml" ||
  fail "the metainfo has no release $version"
echo "Depends: $depends"
[ "$mode" = build ] && exit 0

# --- Installed, tried, removed. ---
remove() {
  "${sudo_cmd[@]}" dpkg --purge zedare > /dev/null || true
  rm -rf "$unpacked"
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$root/$deb" > /dev/null
[ "$(dpkg-query -W -f='${Status}' zedare)" = "install ok installed" ] || fail "zedare is not installed"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash "$root/tools/package.sh" try-installed
remove
trap - EXIT
[ ! -e /usr/bin/TavrinWin ] || fail "/usr/bin/TavrinWin is left after removing the package"
echo "installed, started and removed $deb"
