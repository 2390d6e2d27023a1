#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program, frames and captions
# included, on a desktop of its own (Xvfb with openbox, with-desktop.sh): the
# main window after a start with two logs on the command line, and the
# report window that the batch brings up; then, after a longer walk that
# leaves the model, the profile window beside the report and the model's
# coverage (from the model box's context menu). Needs xvfb, openbox, xdotool and
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
# A walk of 3000 fixes over hills north of Tokyo that leaves the model's
# northern edge for a while.
python3 - "$work/hike.nmea" <<'PY'
import functools, math, operator, sys
with open(sys.argv[1], "w", newline="") as f:
    for i in range(3000):
        t = i / 2999
        lat = 39.2 + 1.3 * math.sin(math.pi * t)
        alt = 600 + 450 * math.sin(3 * math.pi * t) ** 2 + 40 * math.sin(41 * t)
        body = "GPGGA,%02d%02d%02d.00,%02d%07.4f,N,%03d%07.4f,E,1,09,0.9,%.3f,M,39.4,M,," % (
            9 + i // 3600, i // 60 % 60, i % 60, int(lat), (lat % 1) * 60, 140, 10 + 30 * t, alt)
        f.write("$%s*%02X\r\n" % (body, functools.reduce(operator.xor, body.encode(), 0)))
PY

# From a file: a program started in the background could eat a script read
# from standard input.
cat >"$work/shots.sh" <<'SH'
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
xdotool windowminimize "$(window_named '^Profile$')"   # and the profile beside it
# The inner window's place on the screen (the frame is the window manager's).
read -r X Y < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
xdotool mousemove $((X + 231 + 219 + 35)) $((Y + 8 + 46 + 11)) click 1   # Check
sleep 0.5
import -frame -window "$main" "$OLDPWD/docs/main-window.png"
echo "main window's inner top-left at $X,$Y"
xdotool mousemove $((X + 456 + 37)) $((Y + 132 + 12)) click 1   # Exit
wait "$program"

# The profile and the coverage, after a walk that leaves the model.
timeout 60 ./orthelev hike.nmea &
program=$!
main=$(window_named '^Orthelev Ver')
profile=$(window_named '^Profile$')
sleep 0.5
import -frame -window "$profile" "$OLDPWD/docs/profile-window.png"
xdotool windowminimize "$profile"
xdotool windowminimize "$(window_named '^Report$')"
read -r X Y < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
xdotool mousemove $((X + 8 + 77 + 40)) $((Y + 8 + 22 + 10)) click 3   # the model box's menu
sleep 0.5
xdotool key Up Return   # its last entry, "Coverage..."
coverage=$(window_named '^Coverage: ')
sleep 0.5
import -frame -window "$coverage" "$OLDPWD/docs/coverage-window.png"
xdotool windowclose "$coverage" 2>/dev/null || xdotool windowkill "$coverage"
xdotool mousemove $((X + 456 + 37)) $((Y + 132 + 12)) click 1   # Exit
wait "$program"
SH
bash scripts/with-desktop.sh bash "$work/shots.sh" "$work"
tr -d '\000\r' <"$work/orthelev.ini" | grep -a -E "(MainTop|MainLeft|Version)="  # 8-bit or UTF-16
