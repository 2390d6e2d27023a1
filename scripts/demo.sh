#!/usr/bin/env bash
# The main job on a bundled default model: EGM96 at 15' (public domain,
# shipped by Debian's proj-data as egm96_15.gtx) imported as a custom geoid
# model, then the sample logs converted with orthelev-cli; the desktop
# program, when built, is put beside the demo's settings.
# Usage: scripts/demo.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cli="$build/orthelev-cli"
demo="$build/demo"
source_grid=/usr/share/proj/egm96_15.gtx

[ -f "$source_grid" ] || { echo "demo: $source_grid missing (Debian package proj-data)" >&2; exit 1; }
rm -rf "$demo"
mkdir -p "$demo/logs"
cp examples/boulder_walk.nmea examples/fuji_trail.csv examples/wellington_rtk.pos \
  examples/hoernli_hike.gpx "$demo/logs/"

echo "== Importing $source_grid as a custom geoid model"
"$cli" import-grid "$source_grid" "$demo/egm96_15.cdat"

# A settings file of the demo's own: the custom model, heights to 4 decimals.
cat > "$demo/orthelev.ini" <<INI
[Option]
GeoidModel=Custom Geoid
DataPath=$(cd "$demo" && pwd)/
OpenPath=$(cd "$demo/logs" && pwd)/
[Custom Geoid]
fname=egm96_15.cdat
INI

echo
echo "== Geoid height at the default check point (35 40 37.8 N, 139 44 52.3 E)"
"$cli" --ini "$demo/orthelev.ini" check "35 40 37.8" "139 44 52.3"

echo
echo "== Converting the sample logs"
"$cli" --ini "$demo/orthelev.ini" --quiet convert \
  "$demo/logs/boulder_walk.nmea" "$demo/logs/fuji_trail.csv" "$demo/logs/wellington_rtk.pos" \
  "$demo/logs/hoernli_hike.gpx"

show() {  # a few lines of a log and of its corrected copy
  local input="$1" output="$2" pattern="$3" count="$4"
  echo
  echo "-- $(basename "$input"), before:"
  grep -a -m "$count" -E "$pattern" "$input" | tr -d '\r'
  echo "-- $(basename "$output"), after:"
  grep -a -m "$count" -E "$pattern" "$output" | tr -d '\r'
}
show "$demo/logs/boulder_walk.nmea" "$demo/logs/boulder_walk_g.nmea" '^\$G[PN]GGA,[0-9.]+,[0-9]' 2
show "$demo/logs/fuji_trail.csv" "$demo/logs/fuji_trail_g.csv" '^[0-9]+,' 2
show "$demo/logs/wellington_rtk.pos" "$demo/logs/wellington_rtk_g.pos" '^[0-9]{4}/' 2
show "$demo/logs/hoernli_hike.gpx" "$demo/logs/hoernli_hike_g.gpx" '<ele>' 3
echo
echo "Corrected copies are in $demo/logs/"

# The desktop program keeps its settings beside itself: a copy in the demo
# folder opens with the demo's settings and model.
if [ -x "$build/orthelev" ]; then
  cp "$build/orthelev" "$demo/orthelev"
  echo "The desktop program with the demo's model: $demo/orthelev"
  echo "  (model Custom Geoid, file $demo/egm96_15.cdat; Browse opens $demo/logs/)"
fi
