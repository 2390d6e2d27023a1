#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program, frames and captions
# included, on a desktop of its own (Xvfb with openbox, with-desktop.sh): the
# main window after a start with two logs on the command line, and the
# report window that the batch brings up. Needs xvfb, openbox, xdotool and
# imagemagick (scripts/install-deps.sh).
# Usage: scripts/screenshots.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/orthelev" "$work/"

# A custom geoid grid around Tokyo (30..40 N, 130..145 E, every 0.25 degrees),
# the settings file choosing it, and two short NMEA logs.
python3 scripts/sample-desktop-folder.py "$work" "$work/"

bash scripts/with-desktop.sh bash -s "$work" <<'SH'
set -euo pipefail
work=$1
cd "$work"
# Waits up to 10 s for a window whose name matches $1; prints its id.
window_named() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
    sleep 0.1
  done
  echo "screenshots: no window $1" >&2
  return 1
}
timeout 60 ./orthelev walk.nmea flight.nmea &
program=$!
main=$(window_named '^Orthelev Ver')
report=$(window_named '^Report$')
sleep 0.5   # the last paint
import -frame -window "$report" "$OLDPWD/docs/report-window.png"
xdotool windowminimize "$report"   # it pops up over the main window
# The inner window's place on the screen (the frame is the window manager's).
read -r X Y < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
xdotool mousemove $((X + 231 + 219 + 35)) $((Y + 8 + 46 + 11)) click 1   # Check
sleep 0.5
import -frame -window "$main" "$OLDPWD/docs/main-window.png"
echo "main window's inner top-left at $X,$Y"
xdotool mousemove $((X + 456 + 37)) $((Y + 132 + 12)) click 1   # Exit
wait "$program"
SH
tr -d '\000\r' <"$work/orthelev.ini" | grep -a -E "(MainTop|MainLeft|Version)="  # 8-bit or UTF-16
