#!/usr/bin/env bash
# Peak resident memory of converting a 1 GiB NMEA log, a 1 GiB CSV log and a
# 1 GiB GPX track, and of one million random points worldwide, with a
# synthetic 2.5' and with a 1' EGM2008-layout grid, each in a fresh process
# (written in /tmp and removed afterwards). The anonymous memory must stay
# under 64 MiB; the file-backed pages of the mapped grid are told apart.
# Usage: bench/peak_rss_1gib.sh [build folder]
set -euo pipefail
build="${1:-build}"
for grid in egm25 egm10; do
  for kind in nmea csv gpx random; do
    "$build/orthelev_peak_rss" "$kind" 1024 "$grid"
  done
done
