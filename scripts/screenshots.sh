#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program under Xvfb: the main
# window after a start with two logs on the command line, and the report
# window that the batch brings up. Needs xvfb, xdotool and imagemagick.
# Usage: scripts/screenshots.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/orthelev" "$work/"

# A custom geoid grid around Tokyo (30..40 N, 130..145 E, every 0.25 degrees),
# the settings file choosing it, and two short NMEA logs.
python3 - "$work" <<'PY'
import struct, sys, functools, operator
work = sys.argv[1]
rows, cols, lat0, lon0, step = 41, 61, 30.0, 130.0, 0.25
with open(f"{work}/tokyo.cdat", "wb") as f:
    for r in range(rows):
        lat = lat0 + (rows - 1 - r) * step
        for c in range(cols):
            lon = lon0 + c * step
            f.write(struct.pack("<f", 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130)))
    f.write(struct.pack("<iidddd", rows, cols, lat0, lon0, step, step))
with open(f"{work}/orthelev.ini", "w", newline="") as f:
    f.write(f"[Option]\r\nGeoidModel=Custom Geoid\r\nDataPath={work}/\r\n"
            "[Custom Geoid]\r\nfname=tokyo.cdat\r\n")
def sentence(body):
    return "$%s*%02X\r\n" % (body, functools.reduce(operator.xor, body.encode(), 0))
for name, lats in (("walk.nmea", ["3540.1000", "3540.2000", "3540.3000"]),
                   ("flight.nmea", ["3540.1000", "4130.0000", "4131.0000", "3540.2000"])):
    with open(f"{work}/{name}", "w", newline="") as f:
        for i, lat in enumerate(lats):
            f.write(sentence(f"GPGGA,0930{i:02d}.00,{lat},N,13945.0000,E,1,09,0.9,45.300,M,39.4,M,,"))
PY

xvfb-run -a -s "-screen 0 1280x800x24" bash -s "$work" <<'SH'
set -euo pipefail
work=$1
cd "$work"
./orthelev walk.nmea flight.nmea &
program=$!
for _ in $(seq 50); do xdotool search --name '^Report$' >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
main=$(xdotool search --name '^Orthelev Ver')
report=$(xdotool search --name '^Report$')
import -window "$report" "$OLDPWD/docs/report-window.png"
xdotool windowmove "$report" 0 0   # it pops up over the main window
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 231 + 219 + 35)) $((Y + 8 + 46 + 11)) click 1   # Check
sleep 0.5
import -window "$main" "$OLDPWD/docs/main-window.png"
echo "main window at $X,$Y size ${WIDTH}x$HEIGHT"
xdotool mousemove $((X + 456 + 37)) $((Y + 132 + 12)) click 1   # Exit
wait "$program"
SH
grep -E "^(MainTop|MainLeft|Version)=" "$work/orthelev.ini"
