#!/usr/bin/env bash
# The demo sets up the desktop program with its model: a copy beside the
# demo's settings converts a sample log with the imported EGM96 model, as a
# hidden start that quits when done.
# Usage: tests/qt/demo_desktop.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
cd "$(dirname "$0")/../.."
bash scripts/demo.sh "$build" >/dev/null
demo="$build/demo"
[ -x "$demo/orthelev" ] || { echo "demo: no desktop program in $demo" >&2; exit 1; }
rm -f "$demo/logs/boulder_walk_g.nmea"
cp "$demo/logs/boulder_walk.nmea" "$demo/logs/walk_copy.nmea"
QT_QPA_PLATFORM=offscreen timeout 60 "$demo/orthelev" "$demo/logs/walk_copy.nmea" /H /Q
# The same corrected lines the console front end wrote with the demo's settings.
"$build/orthelev-cli" --ini "$demo/orthelev.ini" --quiet convert "$demo/logs/boulder_walk.nmea" >/dev/null
cmp "$demo/logs/walk_copy_g.nmea" "$demo/logs/boulder_walk_g.nmea"
echo "demo desktop program: converted with the demo's model"
