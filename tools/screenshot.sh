#!/usr/bin/env bash
# Builds, opens the real window on a virtual X display, does what a user
# would for an M calculation (gama 1.4, M = 2) and saves the window as a PNG.
#   tools/screenshot.sh [OUTPUT.png] [SCALE]
# SCALE becomes QT_SCALE_FACTOR (1.25, 2, ...) to check high-DPI drawing.
# KALVENOR_PRESET picks the CMake preset to build with (default: release).
set -euo pipefail

out=$(realpath -m -- "${1:-docs/screenshot.png}")
scale=${2:-1}
preset=${KALVENOR_PRESET:-release}
awk -v s="$scale" 'BEGIN { exit !(s + 0 > 0) }' || { echo "screenshot.sh: bad scale '$scale'" >&2; exit 2; }

cd "$(dirname "$0")/.."
source tools/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${SCREENSHOT_PACKAGES[@]}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
app=$PWD/build/$preset/app/kalvenor

work=$(mktemp -d)
xvfb_pid='' app_pid=''
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# -displayfd lets Xvfb pick a display nobody uses, so a running desktop or a
# second run of this script is left alone. The screen is large enough for
# the window at 3x.
Xvfb -displayfd 3 -screen 0 2048x2048x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$app" &
app_pid=$!

win=''
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --class kalvenor 2>/dev/null | head -n1) && [ -n "$win" ] && break
    kill -0 "$app_pid" 2>/dev/null || { echo "screenshot.sh: kalvenor exited" >&2; exit 1; }
    sleep 0.1
done
[ -n "$win" ] || { echo "screenshot.sh: no kalvenor window" >&2; exit 1; }
sleep 1 # first paint

eval "$(xdotool getwindowgeometry --shell "$win")" # X Y WIDTH HEIGHT

# Places are the window's own layout in logical px, relative to the client
# area of 255x372 under the menu bar; the menu bar is whatever height is left
# over, since it follows the font.
click() {
    local px py
    read -r px py < <(awk -v x="$1" -v y="$2" -v s="$scale" -v h="$HEIGHT" \
        'BEGIN { printf "%d %d\n", x * s + 0.5, h - 372 * s + y * s + 0.5 }')
    xdotool mousemove --window "$win" "$px" "$py" click 1
    sleep 0.3
}

click 40 88        # option M (group at 8,56; button at 16,24, 33x17)
click 164 33       # Text_M (group at 104,8; box at 40,16, 41x19)
xdotool key --window "$win" ctrl+a
xdotool type --window "$win" --delay 50 2
sleep 0.2
click 52 156       # calculate button (8,136, 89x41)
sleep 1

mkdir -p "$(dirname "$out")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "Saved $out (${WIDTH}x${HEIGHT}, scale $scale)"
