#!/usr/bin/env bash
# Side-by-side timing of the NMEA conversion against two geoid engines that
# only read and write numbers, on the same generated points (best of 3 wall
# times of each, the runs interleaved; one core each, warm page cache):
#   orthelev-cli convert        a 500,000-sentence GGA track (1 Hz fixes),
#                               synthetic EGM2008-layout 2.5' grid, spline and bilinear
#   GeoidEval --haetomsl        GeographicLib, the same grid as PGM, the same
#                               points as "lat lon h" lines
#   cct +proj=vgridshift        PROJ, bilinear on egm96_15.gtx (4 MB)
# and then "orthelev-cli heights" against the same two on one million
# "lat lon h" points read from standard input (the fixes of a track of a
# million sentences), all three writing the height above the geoid; then
# the CPU time per byte of converting the same track as NMEA, GPX and
# RTKLIB solution file, and of "heights" on one million random points
# worldwide (median of 5 each).
# and checks that the conversion's output and report are byte for byte the
# ones the reference build gave (their SHA-256 below).
# Usage: bench/compare.sh [build folder]; installs what it needs as root.
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
sentences=500000
points=1000000
runs=3

# The output and report of the reference build for this generated data.
reference_spline=4a25163c17c0d2c7229e1b85349628e2c4240d7c8523ff4b9f0dafbdaf55bc51
reference_bilinear=fd84d279a4cff730b6d5548cc4d110b03d2ca2892eb497423b4c9268a135a884
reference_report_spline=8ae47b170ca578d9c8223928025fe88da3e716262b4f75f63dc20b151585e26c
reference_report_bilinear=64fe1c90b273d0b2c310d9a035183a90ba6e06cfaf6254e5909b158c60cb924b

needed=(geographiclib-tools proj-bin proj-data)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then echo "compare: needs root to install ${missing[*]}" >&2; exit 1; fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/orthelev-compare-XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$build/orthelev_compare_data" "$work" "$sentences" "$points"
: > "$work/orthelev.ini"
gtx=/usr/share/proj/egm96_15.gtx

orthelev() {  # orthelev MODE: converts the track, the report to $work/report.MODE
  (cd "$work" && "$build/orthelev-cli" --ini orthelev.ini --model "EGM2008 2.5'x2.5'" \
    --data-dir "$work" "--$1" --quiet convert track.nmea > "report.$1")
}
geoideval() {
  GeoidEval -n egm2008-2_5 -d "$work" --haetomsl < "$work/points.txt" > "$work/geoideval.out"
}
cct_run() {
  cct -c 2,1,3 -t 0 +proj=vgridshift +grids="$gtx" "$work/points.txt" > "$work/cct.out"
}
heights() {  # heights MODE: the million points from standard input
  "$build/orthelev-cli" --ini "$work/orthelev.ini" --model "EGM2008 2.5'x2.5'" --data-dir "$work" \
    "--$1" heights < "$work/heights.txt" > "$work/heights.$1"
}
geoideval_million() {
  GeoidEval -n egm2008-2_5 -d "$work" --haetomsl < "$work/heights.txt" > "$work/geoideval.million"
}
cct_million() {
  cct -c 2,1,3 -t 0 +proj=vgridshift +grids="$gtx" < "$work/heights.txt" > "$work/cct.million"
}

# Wall seconds of one run of the command.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.6f", ns / 1e9 }'
}

declare -A best
cases=("orthelev spline" "orthelev bilinear" "geoideval" "cct_run"
       "heights spline" "heights bilinear" "geoideval_million" "cct_million")
for ((i = 0; i < runs; i++)); do
  for c in "${cases[@]}"; do
    t=$(seconds $c)
    if [ -z "${best[$c]:-}" ] || awk -v a="$t" -v b="${best[$c]}" 'BEGIN { exit !(a < b) }'; then
      best[$c]=$t
    fi
  done
done

check() {  # check MODE OUTPUT_SHA REPORT_SHA
  orthelev "$1"
  local out report
  out=$(sha256sum < "$work/track_g.nmea" | cut -d' ' -f1)
  report=$(sha256sum < "$work/report.$1" | cut -d' ' -f1)
  if [ "$out" = "$2" ] && [ "$report" = "$3" ]; then
    echo "  $1: output and report identical to the reference"
  else
    echo "  $1: DIFFERS from the reference (output $out, report $report)"; status=1
  fi
}

rate() { awk -v n="${2:-$sentences}" -v t="$1" 'BEGIN { printf "%.0f", n / t }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
status=0
echo "$sentences points, best of $runs wall times (each program single-threaded):"
printf '  %-34s %8.3f s %10s /s\n' "orthelev-cli convert, spline" "${best["orthelev spline"]}" \
  "$(rate "${best["orthelev spline"]}")"
printf '  %-34s %8.3f s %10s /s\n' "orthelev-cli convert, bilinear" "${best["orthelev bilinear"]}" \
  "$(rate "${best["orthelev bilinear"]}")"
printf '  %-34s %8.3f s %10s /s\n' "GeoidEval --haetomsl (cubic)" "${best[geoideval]}" \
  "$(rate "${best[geoideval]}")"
printf '  %-34s %8.3f s %10s /s\n' "cct +proj=vgridshift (bilinear)" "${best[cct_run]}" \
  "$(rate "${best[cct_run]}")"
echo "  time ratio orthelev spline / GeoidEval:   $(ratio "${best["orthelev spline"]}" "${best[geoideval]}")"
echo "  time ratio orthelev bilinear / cct:       $(ratio "${best["orthelev bilinear"]}" "${best[cct_run]}")"
echo "  time ratio orthelev spline / cct:         $(ratio "${best["orthelev spline"]}" "${best[cct_run]}")"
echo "$points points from standard input, best of $runs wall times:"
for c in "heights spline:orthelev-cli heights, spline" "heights bilinear:orthelev-cli heights, bilinear" \
  "geoideval_million:GeoidEval --haetomsl (cubic)" "cct_million:cct +proj=vgridshift (bilinear)"; do
  printf '  %-34s %8.3f s %10s /s\n' "${c#*:}" "${best[${c%%:*}]}" "$(rate "${best[${c%%:*}]}" "$points")"
done
echo "  time ratio heights spline / GeoidEval:    $(ratio "${best["heights spline"]}" "${best[geoideval_million]}")"
echo "  time ratio heights bilinear / cct:        $(ratio "${best["heights bilinear"]}" "${best[cct_million]}")"
for mode in spline bilinear; do
  lines=$(wc -l < "$work/heights.$mode")
  [ "$lines" -eq "$points" ] || { echo "  heights $mode: $lines lines for $points points"; status=1; }
done
# CPU seconds (user + system) of one run of the command.
cpu_seconds() {
  local TIMEFORMAT='%3U %3S' t
  t=$( { time "$@" > /dev/null 2>&1; } 2>&1 )
  awk -v u="${t% *}" -v s="${t#* }" 'BEGIN { printf "%.3f", u + s }'
}
# The median CPU seconds of 5 runs.
median_cpu() {
  for ((i = 0; i < 5; i++)); do cpu_seconds "$@"; echo; done | sort -n | sed -n 3p
}
convert_log() {  # convert_log FILE: spline
  (cd "$work" && "$build/orthelev-cli" --ini orthelev.ini --model "EGM2008 2.5'x2.5'" \
    --data-dir "$work" --spline --quiet convert "$1")
}
random_heights() {
  "$build/orthelev-cli" --ini "$work/orthelev.ini" --model "EGM2008 2.5'x2.5'" --data-dir "$work" \
    --spline heights < "$work/random.txt" > "$work/random.out"
}
echo "CPU time per byte of the conversions (spline, median of 5; $sentences fixes each):"
nmea_per_byte=""
for log in track.nmea track.gpx track.pos; do
  cpu=$(median_cpu convert_log "$log")
  bytes=$(stat -c %s "$work/$log")
  per_byte=$(awk -v c="$cpu" -v b="$bytes" 'BEGIN { printf "%.2f", c * 1e9 / b }')
  [ -n "$nmea_per_byte" ] || nmea_per_byte=$per_byte
  printf '  %-10s %10s bytes %7.3f s CPU %6s ns/byte  %s x NMEA\n' "$log" "$bytes" "$cpu" \
    "$per_byte" "$(ratio "$per_byte" "$nmea_per_byte")"
done
cpu=$(median_cpu random_heights)
echo "orthelev-cli heights, 1,000,000 random points worldwide, spline: $cpu s CPU" \
  "($(awk -v c="$cpu" 'BEGIN { printf "%.2f", c }') us a point, median of 5)"
check spline "$reference_spline" "$reference_report_spline"
check bilinear "$reference_bilinear" "$reference_report_bilinear"
exit $status
