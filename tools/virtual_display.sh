# Sourced by the scripts that run the real program on a virtual X display (screenshot.sh,
# memory_check.sh): starts Xvfb on $display (1280 x 1024), ends it and the program (its
# process id in $app, once set) when the script exits, and waits until the display
# answers. Needs Xvfb and xdotool.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
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
