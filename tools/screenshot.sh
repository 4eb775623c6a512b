#!/usr/bin/env bash
# Takes pictures of the real program: starts a virtual X display, runs TavrinWin from a
# build (with the real engine beside it) and saves four pictures of its window:
#
#   screenshot.png          the designed size after a few moves, with "pokaż ruchy" and
#                           "pokaż ocenę" ticked;
#   screenshot_pass.png     a loaded game (tests/app/data/pass.gam) after the human's
#                           only move and the computer's forced reply: the human passes;
#   screenshot_minimum.png  the same at the minimum window size, 554 x 455;
#   screenshot_end.png      a finished game (tests/app/data/finished.gam) loaded.
#
#   tools/screenshot.sh [build folder] [output folder]
#
# Needs Xvfb, xdotool and ImageMagick's import. Without a window manager the window
# stands exactly at its designed place (224, 130), so the clicks use the form's own
# coordinates. Clicks on squares that are not legal do nothing, so a fixed list of
# squares around the centre plays a short game whatever the computer answers.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
output=${2:-$root/docs}
program=$build/bin/TavrinWin
display=:${TAVRIN_SCREENSHOT_DISPLAY:-97}

for tool in Xvfb xdotool import; do
  command -v "$tool" > /dev/null || { echo "screenshot.sh: $tool is not installed" >&2; exit 1; }
done
[ -x "$program" ] || { echo "screenshot.sh: no program at $program" >&2; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2> /dev/null || true
  kill "$xvfb" 2> /dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

for _ in $(seq 50); do
  xdotool getdisplaygeometry > /dev/null 2>&1 && break
  sleep 0.1
done

# Started from / so that the program has to find its data folder by itself.
(cd / && exec "$program") &
app=$!
window=$(xdotool search --sync --name "Pelagor v.12" | head -n 1)
sleep 1

left=224
top=130
click() {
  xdotool mousemove "$1" "$2" click 1
  sleep "${3:-0.3}"
}
# Screen square (column, row) of the board, 72 pixels each from (12, 13).
square() {
  click $((left + 12 + ($1 - 1) * 72 + 36)) $((top + 13 + ($2 - 1) * 72 + 36)) 1.5
}
shoot() {
  mkdir -p "$output"
  import -window "$window" "$output/$1"
  echo "saved $output/$1"
}
# "Wczytaj" and a file typed into Qt's own open dialog.
load() {
  click $((left + 600 + 10 + 29)) $((top + 480 + 12)) 1
  local dialog
  dialog=$(xdotool search --sync --name "Otwieranie pliku partii" | head -n 1)
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 1.5
}

# The options column: 600 to the right, its group 6 in, the boxes 10 in.
click $((left + 600 + 6 + 20)) $((top + 6 + 210 + 10))  # pokaż ruchy
click $((left + 600 + 6 + 20)) $((top + 6 + 235 + 10))  # pokaż ocenę

for move in "3 4" "3 3" "3 6" "6 5" "2 4" "5 6" "6 3" "4 6" "6 4" "2 3" "3 2" "5 3" \
  "4 3" "6 6" "3 5" "5 7" "4 7" "2 5"; do
  # shellcheck disable=SC2086
  square $move
done
sleep 1
shoot screenshot.png

# Black's only move in pass.gam is engine row 7, column 2: screen column 7, row 2.
load "$root/tests/app/data/pass.gam"
square 7 2
sleep 2
shoot screenshot_pass.png

xdotool windowsize "$window" 554 455
sleep 1.5
shoot screenshot_minimum.png

xdotool windowsize "$window" 744 627
sleep 1
load "$root/tests/app/data/finished.gam"
shoot screenshot_end.png
