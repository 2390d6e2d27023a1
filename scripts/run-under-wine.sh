#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine64, headless, in a
# wine prefix of its own (WINEPREFIX, default: wineprefix/ in the current
# folder), created on first use.
# Usage: scripts/run-under-wine.sh PROGRAM.exe [ARGUMENT]...
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"  # no Mono or Gecko prompts
unset DISPLAY  # no windows: wine's console programs need none
wine=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
  echo "run-under-wine: wine64 is not installed (Debian: wine64)" >&2
  exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init > /dev/null 2>&1 || true
fi
status=0
"$wine" "$@" || status=$?
exit "$status"
