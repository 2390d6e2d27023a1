#!/usr/bin/env bash
# Converts every log of ../shared/corpus with the EGM96 demo model (spline
# and bilinear) into OUT, with the reports, so that two builds can be
# compared byte for byte: scripts/corpus-snapshot.sh BUILD OUT; diff -r.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$1"; out="$2"
cli="$(cd "$build" && pwd)/orthelev-cli"
corpus="$(pwd)/../shared/corpus"
rm -rf "$out"; mkdir -p "$out"
out="$(cd "$out" && pwd)"
"$cli" import-grid /usr/share/proj/egm96_15.gtx "$out/egm96.cdat" > /dev/null
for mode in spline bilinear; do
  mkdir -p "$out/$mode"
  cp "$corpus"/*/* "$out/$mode/"
  rm -f "$out/$mode/README.md"
  flag=--spline; [ $mode = bilinear ] && flag=--bilinear
  printf '[Option]\nNMEAext=.nme.nmea.nma.txt.text.ubx.log\n' > "$out/$mode.ini"
  (cd "$out/$mode" && "$cli" --ini "$out/$mode.ini" --custom "$out/egm96.cdat" $flag \
      convert $(ls | sort) > "$out/$mode.report" 2> "$out/$mode.status" || true)
done
rm -f "$out/egm96.cdat"
