#!/usr/bin/env bash
# Resident memory of the real program around a game at level 6: started on a virtual
# display, before the game (level 6 set), after a whole game played by clicks (the
# computer answers, thinking in the background), and after "Nowa partia" (Ctrl+N).
#
#   tools/memory_check.sh [build folder]
#
# The game is over when the window has not changed for a while; every round clicks all
# 64 squares, of which only a legal one plays, and "Następny ruch" where it shows after
# the player's pass. Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
display=:${TAVRIN_MEMORY_DISPLAY:-93}
quiet_seconds=${TAVRIN_QUIET_SECONDS:-120}

# shellcheck source=tools/virtual_display.sh
. "$root/tools/virtual_display.sh"

cd /
"$build/bin/TavrinWin" > /dev/null 2>&1 &
app=$!
window=$(xdotool search --sync --name "Pelagor v.12" | head -n 1)
sleep 2
rss() { awk '/VmRSS/ { print $2 / 1024 " MB" }' "/proc/$app/status"; }
left=224
top=130

echo "fresh start: $(rss)"
xdotool mousemove $((left + 600 + 6 + 35)) $((top + 6 + 154 + 12)) click 1
sleep 0.5
xdotool key End
sleep 1
echo "level 6 set, before the game: $(rss)"

last=
quiet=0
start=$(date +%s)
while [ "$quiet" -lt "$quiet_seconds" ]; do
  for column in $(seq 8); do
    for row in $(seq 8); do
      xdotool mousemove $((left + 12 + (column - 1) * 72 + 36)) $((top + 13 + (row - 1) * 72 + 36)) click 1
    done
  done
  xdotool mousemove $((left + 600 + 10 + 60)) $((top + 512 + 12)) click 1  # Następny ruch
  sleep 3
  now=$(import -window "$window" -crop 600x603+0+0 rgb:- | md5sum)
  if [ "$now" = "$last" ]; then quiet=$((quiet + 3 + 2)); else quiet=0; fi
  last=$now
done
echo "after the game ($(($(date +%s) - start)) s): $(rss)"
import -window "$window" "${TAVRIN_MEMORY_PICTURE:-/tmp/memory_check_end.png}"
xdotool windowfocus --sync "$window" key ctrl+n
sleep 3
echo "after Nowa partia: $(rss)"
