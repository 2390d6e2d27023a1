#!/usr/bin/env bash
# The Windows desktop program end to end under wine64, on a desktop of its
# own (Xvfb with openbox, with-desktop.sh) with real X input: installed per
# user by the installer and started from its Start-menu entry; a log path
# typed into the source field with Enter, a log dropped on the window by an
# X drag source (XDND, as a file manager drops), both converted byte for byte
# as the Linux build converts them; the window's place kept over a restart;
# a /H /Q batch ending with the Linux desktop program's exit status.
# With --screenshot FILE the main window is saved after the typed batch.
# Needs xvfb, openbox, xdotool, x11-utils, imagemagick, libx11-dev, wine64.
# Usage: scripts/check-windows-desktop.sh [--screenshot FILE] WINDOWS_BUILD LINUX_BUILD
set -euo pipefail
shot=
if [ "${1:-}" = --screenshot ]; then
  shot=$(realpath "$2")
  shift 2
fi
setup=$(ls "$1"/orthelev-setup-*-x86_64.exe | head -1)
linux=$(realpath "$2")
cd "$(dirname "$0")/.."
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
cc -O2 -o "$work/xdnd_drop" tests/win32/xdnd_drop.c -lX11

# The same logs converted by the Linux build, for comparison.
mkdir "$work/data" "$work/linux"
python3 scripts/sample-desktop-folder.py "$work/linux" "$work/linux/"
cp "$linux/orthelev" "$work/linux/"
for log in walk flight; do
  "$linux/orthelev-cli" --quiet --custom "$work/linux/tokyo.cdat" convert "$work/linux/$log.nmea" > /dev/null
done
status=0
QT_QPA_PLATFORM=offscreen "$work/linux/orthelev" /H /Q "$work/linux/walk.nmea" "$work/linux/none.nmea" \
  || status=$?
echo "$status" > "$work/linux/status"

bash scripts/with-desktop.sh bash -s "$work" "$setup" "$shot" <<'SH'
set -euo pipefail
work=$1 setup=$2 shot=$3
wine() { bash scripts/run-under-wine.sh --display "$@"; }
fail() { echo "check-windows-desktop: $*" >&2; exit 1; }
source scripts/wait-for.sh
main_window() { xdotool search --onlyvisible --name '^Orthelev Ver' 2>/dev/null | head -1; }
# The client area's top-left on the screen: "X Y".
client_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}'
}
click_at() { xdotool mousemove "$1" "$2" click 1; }
same_as_linux() {
  wait_for 100 test -s "$work/data/$1" || fail "no $1"
  cmp "$work/data/$1" "$work/linux/$1" || fail "$1 differs from the Linux build's"
}

wine "$setup" /S /CurrentUser
"$(command -v wineserver || echo /usr/lib/wine/wineserver64)" -w
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orthelev'
location=$(wine reg query "$key" /v InstallLocation | tr -d '\r' | sed -nE 's/.*REG_SZ +(.*)$/\1/p')
folder=$(wine winepath -u "$location" | tr -d '\r')
entry=$(find "$WINEPREFIX/drive_c" -name Orthelev.lnk | head -1)
[ -f "$folder/orthelev.exe" ] && [ -n "$entry" ] || fail "the installer installed no program"
python3 scripts/sample-desktop-folder.py "$work/data" "$(wine winepath -w "$work/data/" | tr -d '\r')"
cp "$work/data/orthelev.ini" "$folder/orthelev.ini"

start_from_menu() {
  wine start /unix "$entry"
  wait_for 300 main_window > /dev/null || fail "the Start-menu entry started no window"
  main=$(main_window)
  sleep 0.5
}
close_program() {
  read -r X Y < <(client_origin "$main")
  click_at $((X + 456 + 37)) $((Y + 132 + 12))  # Exit: never alt+F4, which Xvfb keeps held
  wait_for 100 sh -c '! xdotool search --onlyvisible --name "^Orthelev Ver" >/dev/null 2>&1' ||
    fail "Exit did not close the program"
  sleep 0.5
}

start_from_menu
read -r X Y < <(client_origin "$main")
click_at $((X + 68 + 20)) $((Y + 106 + 10))  # the source field
xdotool type --delay 15 "$(wine winepath -w "$work/data/walk.nmea" | tr -d '\r')"
xdotool key Return
same_as_linux walk_g.nmea
if [ -n "$shot" ]; then
  click_at $((X + 231 + 219 + 35)) $((Y + 8 + 46 + 11))  # Check
  xdotool mousemove 0 0  # no hint over the window
  sleep 1
  import -frame -window "$main" "$shot"
fi

"$work/xdnd_drop" "$main" $((X + 250)) $((Y + 115)) "$work/data/flight.nmea" || fail "the drop was refused"
same_as_linux flight_g.nmea
# Positions outside the model bring up the report, over the main window.
report=$(xdotool search --onlyvisible --name '^Report$' 2>/dev/null | head -1 || true)
[ -n "$report" ] || fail "the report did not come up for positions outside the model"
xdotool windowminimize --sync "$report" > /dev/null
# The profile window comes up beside the report; out of the way too.
profile=$(xdotool search --onlyvisible --name '^Profile$' 2>/dev/null | head -1 || true)
[ -z "$profile" ] || xdotool windowminimize --sync "$profile" > /dev/null

xdotool windowmove --sync "$main" 150 120 > /dev/null || true
sleep 0.5
before=$(client_origin "$main")
close_program
start_from_menu
after=$(client_origin "$main")
[ "$before" = "$after" ] || fail "placed at $after after a restart, was at $before"
close_program

status=0
wine "$folder/orthelev.exe" /H /Q "$work/data/walk.nmea" "$work/data/none.nmea" || status=$?
[ "$status" = "$(cat "$work/linux/status")" ] || fail "/H /Q ended with $status, on Linux with $(cat "$work/linux/status")"
echo "check-windows-desktop: typed and dropped logs converted as on Linux; place kept at $after; /H /Q status $status"
"$(command -v wineserver || echo /usr/lib/wine/wineserver64)" -k  # before the display goes
SH
