#!/usr/bin/env bash
# Takes pictures of the real program: starts a virtual X display, runs TavrinWin from a
# build (with the real engine beside it) and saves pictures of its windows:
#
#   screenshot_start.png    the window at the start;
#   screenshot.png          the designed size after a few moves, with "pokaż ruchy",
#                           "pokaż ocenę" and "wartości ruchów" ticked: the coordinates,
#                           the values of the player's moves, the last move named;
#   screenshot_analysis.png "Ocena pozycji" (F2) for that position;
#   screenshot_help.png     the help window (F1), on its page of levels;
#   screenshot_level6.png   the report of a search at level 6;
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

# shellcheck source=tools/virtual_display.sh
. "$root/tools/virtual_display.sh"

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

# A window of the program other than the main one, by its title.
shoot_window() {
  local other
  other=$(xdotool search --sync --name "$1" | head -n 1)
  sleep 1
  mkdir -p "$output"
  import -window "$other" "$output/$2"
  echo "saved $output/$2"
  xdotool windowfocus --sync "$other" key Escape
  sleep 0.5
}
key() {
  xdotool windowfocus --sync "$window" key "$@"
  sleep 1
}

shoot screenshot_start.png

# The options column: 600 to the right, its group 6 in, the boxes 10 in.
click $((left + 600 + 6 + 20)) $((top + 6 + 210 + 10))  # pokaż ruchy
click $((left + 600 + 6 + 20)) $((top + 6 + 235 + 10))  # pokaż ocenę
click $((left + 16)) $((top + 603 + 15))                 # wartości ruchów, below the board

for move in "3 4" "3 3" "3 6" "6 5" "2 4" "5 6" "6 3" "4 6" "6 4" "2 3" "3 2" "5 3"; do
  # shellcheck disable=SC2086
  square $move
done
sleep 3
shoot screenshot.png

key F2
shoot_window "Ocena pozycji" screenshot_analysis.png
key F1
xdotool search --sync --name "Pomoc" > /dev/null
# The level table is the fourth page.
help=$(xdotool search --name "Pomoc" | head -n 1)
xdotool windowfocus --sync "$help" key ctrl+Tab ctrl+Tab ctrl+Tab
shoot_window "Pomoc" screenshot_help.png

# Level 6: the slider takes the focus by a click, End moves it to its last step. Without
# background thinking the computer's next move is the only search.
click $((left + 600 + 6 + 15 + 20)) $((top + 6 + 154 + 12))
key End
click $((left + 600 + 6 + 20)) $((top + 6 + 285 + 10))  # myślenie w tle
for move in "2 6" "4 2" "7 4" "5 2" "2 2" "7 6" "6 2" "4 7" "5 7" "3 7" "6 7" "7 3" "7 5"; do
  # shellcheck disable=SC2086
  square $move
done
sleep "${TAVRIN_LEVEL6_SECONDS:-90}"
shoot screenshot_level6.png
click $((left + 600 + 6 + 20)) $((top + 6 + 285 + 10))  # myślenie w tle again

# Black's only move in pass.gam is engine row 7, column 2: screen column 7, row 2.
load "$root/tests/app/data/pass.gam"
square 7 2
sleep 2
shoot screenshot_pass.png

xdotool windowsize "$window" 554 455
sleep 1.5
shoot screenshot_minimum.png

xdotool windowsize "$window" 744 657
sleep 1
load "$root/tests/app/data/finished.gam"
shoot screenshot_end.png
