#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine64 in a wine prefix of
# its own (WINEPREFIX, default: wineprefix/ in the current folder), created
# on first use with Wine's Tahoma (Debian: fonts-wine) among its fonts.
# Without an option the program runs headless (console programs need no
# display); --null-display gives it wine's display driver without a display
# (windows exist and can be tested in the process, nothing is drawn on a
# screen); --display keeps DISPLAY (an X server such as Xvfb).
# Usage: scripts/run-under-wine.sh [--null-display|--display] PROGRAM.exe [ARGUMENT]...
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"  # no Mono or Gecko prompts
display=none
case "${1:-}" in
  --null-display) display=null; shift ;;
  --display) display=x11; shift ;;
esac
[ "$display" = x11 ] || unset DISPLAY
wine=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -z "$wine" ]; then
  echo "run-under-wine: wine64 is not installed (Debian: wine64)" >&2
  exit 1
fi
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init > /dev/null 2>&1 || true
  "$wineserver" -w  # the prefix complete before a program uses it
fi
# Wine does not find its own Tahoma by itself: without it labels are clipped.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -f /usr/share/wine/fonts/tahoma.ttf ] && [ ! -f "$fonts/tahoma.ttf" ]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$fonts/" 2>/dev/null || true
fi
driver=$(grep -A2 -F '[Software\\Wine\\Drivers]' "$WINEPREFIX/user.reg" 2>/dev/null | grep -o '"Graphics"="[a-z0-9,]*"' || true)
if [ "$display" = null ] && [ "$driver" != '"Graphics"="null"' ]; then
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
  "$wineserver" -w
elif [ "$display" = x11 ] && [ -n "$driver" ]; then
  "$wine" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f > /dev/null 2>&1
  "$wineserver" -w
fi
status=0
"$wine" "$@" || status=$?
exit "$status"
