#!/usr/bin/env bash
# Peak resident memory of converting a 1 GiB NMEA log, a 1 GiB CSV log and a
# 1 GiB GPX track, each in a fresh process (written in /tmp and removed
# afterwards). All must stay under 64 MiB. Usage: bench/peak_rss_1gib.sh [build folder]
set -euo pipefail
build="${1:-build}"
"$build/orthelev_peak_rss" nmea 1024
"$build/orthelev_peak_rss" csv 1024
"$build/orthelev_peak_rss" gpx 1024
