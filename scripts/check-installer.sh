#!/usr/bin/env bash
# Installs and uninstalls the Windows installer silently under wine64, per
# machine and per user, in a wine prefix of its own, and checks the files,
# the Start-menu entry and the registry after each step: the program's file
# types are offered without taking over an extension the user gave to
# another program, and the uninstaller leaves nothing of its own behind.
# Exit codes are not enough: a setup that installs nothing may still end with 0.
# Usage: scripts/check-installer.sh orthelev-setup-<version>-x86_64.exe
set -euo pipefail
setup=$(realpath "$1")
cd "$(dirname "$0")/.."
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
wine() { bash scripts/run-under-wine.sh "$@"; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -w; rm -rf "$work"' EXIT
failed=0
fail() { echo "check-installer: $*" >&2; failed=1; }

# The default value (or the named value) of a registry key; "" when missing.
value() {
  local key=$1 name=${2:-}
  local args=(/ve)
  [ -n "$name" ] && args=(/v "$name")
  wine reg query "$key" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -nE 's/^ +[^ ].*REG_[A-Z_]+ +(.*)$/\1/p' | head -1
}
has_key() { wine reg query "$1" > /dev/null 2>&1; }
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
start_entry() { find "$WINEPREFIX/drive_c" -name 'Orthelev.lnk' 2>/dev/null | head -1; }

# The user's own choice for one of the program's extensions.
wine reg add 'HKCU\Software\Classes\.pos' /ve /d Mine.pos /f > /dev/null

for mode in AllUsers CurrentUser; do
  hive=HKLM
  [ "$mode" = CurrentUser ] && hive=HKCU
  classes="$hive\\Software\\Classes"
  uninstall="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orthelev"
  wine "$setup" /S "/$mode" || fail "$mode: setup ended with $?"
  "$wineserver" -w
  location=$(value "$uninstall" InstallLocation)
  [ -n "$location" ] || { fail "$mode: no uninstall entry"; continue; }
  folder=$(unix_path "$location")
  for file in orthelev.exe orthelev-cli.exe uninstall.exe; do
    [ -f "$folder/$file" ] || fail "$mode: $location\\$file missing"
  done
  [ -n "$(start_entry)" ] || fail "$mode: no Start-menu entry"
  case "$(value "$classes\\Orthelev.log\\shell\\open\\command")" in
    *orthelev.exe*) ;;
    *) fail "$mode: the log type opens no orthelev.exe" ;;
  esac
  [ "$(value "$classes\\.gpx")" = Orthelev.log ] || fail "$mode: .gpx is not the program's"
  [ "$(value 'HKCU\Software\Classes\.pos')" = Mine.pos ] || fail "$mode: .pos taken from the user"
  has_key "$classes\\.pos\\OpenWithProgids" || fail "$mode: .pos is not offered to the program"
  echo "check-installer: $mode: installed in $location"

  # As the system's list of programs runs it.
  quiet=$(value "$uninstall" QuietUninstallString)
  eval "args=($quiet)"
  wine "$(unix_path "${args[0]}")" "${args[@]:1}" || fail "$mode: uninstaller ended with $?"
  "$wineserver" -w
  [ ! -e "$folder" ] || fail "$mode: $location left behind: $(ls "$folder")"
  [ -z "$(start_entry)" ] || fail "$mode: Start-menu entry left behind"
  for key in "$uninstall" "$classes\\Orthelev.log" "$classes\\.gpx" "$classes\\Applications\\orthelev.exe"; do
    has_key "$key" && fail "$mode: $key left behind"
  done
  [ "$(value 'HKCU\Software\Classes\.pos')" = Mine.pos ] || fail "$mode: the user's .pos was changed"
  echo "check-installer: $mode: uninstalled"
done
exit "$failed"
