#!/usr/bin/env bash
# Runs a command on a desktop of its own: an Xvfb server on a free display
# number with the openbox window manager, both ended afterwards. The command
# gets DISPLAY and QT_QPA_PLATFORM=xcb; its exit status is the script's.
# Needs xvfb, openbox and x11-utils (scripts/install-deps.sh).
# Usage: scripts/with-desktop.sh [--size WxH] COMMAND [ARG]...
set -euo pipefail

size=1280x800
if [ "${1:-}" = "--size" ]; then
  size=$2
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: $0 [--size WxH] COMMAND [ARG]..." >&2; exit 2; }
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "with-desktop: $tool missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid= wm_pid=
cleanup() {
  for pid in $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

source "$(dirname "${BASH_SOURCE[0]}")/wait-for.sh"

# Xvfb picks a free display number itself and writes it once it accepts connections.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! wait_for 100 test -s "$work/display"; then
  echo "with-desktop: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

# openbox announces itself on the root window once it manages windows.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
if ! wait_for 100 wm_running; then
  echo "with-desktop: openbox did not start:" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
