#!/usr/bin/env bash
# Peak resident memory of converting a 1 GiB NMEA log (generated in /tmp and
# deleted afterwards). Must stay under 64 MiB. Usage: bench/peak_rss_1gib.sh [build folder]
set -euo pipefail
build="${1:-build}"
"$build/orthelev_bench" --benchmark_filter='BM_NmeaPeakRss1GiB' --benchmark_counters_tabular=true
