#!/usr/bin/env bash
# Checks the Debian package that `make package` left in BUILD: unpacks it
# into a scratch root and fails when
# - a file the install rules put under the prefix is missing from it or
#   differs from the build's,
# - a file names the build or source folder, or a binary keeps an RPATH,
# - a library the binaries need comes from a package its Depends leave out,
# - the desktop entry is not valid or names a program, icon or file type
#   that neither the package nor the system has,
# - the unpacked orthelev-cli does not tell the build's version, import the
#   demo's EGM96 grid through the unpacked GDAL module and convert a sample
#   log as the build's orthelev-cli does,
# - the unpacked desktop program, started hidden and quitting when done on
#   the offscreen platform, does not convert that log the same way.
# With ORTHELEV_INSTALL_PACKAGE=1 (CI) it then installs the package with
# dpkg, runs it from /usr/bin and purges it; without, nothing is installed.
# Usage: scripts/check-package.sh BUILD
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD" >&2; exit 2; }
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
grid=/usr/share/proj/egm96_15.gtx

fail() {
  echo "check-package: $*" >&2
  exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/orthelev_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb missing (make package)"
[ -f "$grid" ] || fail "$grid missing (Debian package proj-data)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

[ "$(dpkg-deb -f "$deb" Package)" = orthelev ] || fail "package name is not orthelev"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
# The package names in Depends, one a line (alternatives too).
depended=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (:].*//')

is_elf() { [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '177ELF' ]; }

# Every file the install rules put under the prefix, as they put it but for
# the stripped binaries and the compressed manual pages.
cmake --install "$build" --prefix "$work/expected" >/dev/null
count=0
while IFS= read -r -d '' expected; do
  file=/usr/${expected#"$work/expected/"}
  packed="$root$file" unpack=cat
  case "$file" in
    /usr/share/man/*) packed="$packed.gz" unpack="gzip -dc" ;;
  esac
  [ -f "$packed" ] || fail "$file missing from the package"
  is_elf "$expected" || $unpack "$packed" | cmp -s - "$expected" ||
    fail "$file in the package differs from the build's (make package)"
  count=$((count + 1))
done < <(find "$work/expected" -type f -print0)

elf_files=()
while IFS= read -r -d '' file; do
  grep -a -q -F -e "$build" -e "$source_dir" "$file" &&
    fail "${file#"$root"} names the build or source folder"
  if is_elf "$file"; then elf_files+=("$file"); fi
done < <(find "$root" -type f -print0)

# Each library a binary needs directly, found where the system finds it,
# belongs to a package the Depends name.
for file in "${elf_files[@]}"; do
  readelf -d "$file" | grep -q -E '\((RPATH|RUNPATH)\)' && fail "${file#"$root"} has an RPATH"
  for needed in $(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    library=$(ldd "$file" | awk -v name="$needed" '
      $1 == name && $2 == "=>" { print $3 }
      $2 != "=>" && substr($1, length($1) - length(name)) == "/" name { print $1 }')
    [ -n "$library" ] && [ "$library" != "not" ] || fail "${file#"$root"}: $needed not found"
    owner=$(dpkg -S "$library" 2>/dev/null || dpkg -S "$(realpath "$library")" 2>/dev/null) ||
      fail "$library (needed by ${file#"$root"}) belongs to no package"
    owner=${owner%%:*}
    grep -q -x -F "$owner" <<<"$depended" ||
      fail "${file#"$root"} needs $needed of $owner, which Depends leaves out: $depends"
  done
done

# The desktop entry: valid, and naming the package's program and icon and
# file types that the package's MIME types or the system's define.
entry="$root/usr/share/applications/orthelev.desktop"
desktop-file-validate "$entry" || fail "desktop entry not valid"
program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$root/usr/bin/$program" ] || fail "desktop entry runs $program, which the package lacks"
icon=$(sed -n 's/^Icon=//p' "$entry")
compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.*" >/dev/null ||
  fail "desktop entry shows icon $icon, which the package lacks"
mkdir "$work/mime"
cp -r "$root/usr/share/mime/packages" "$work/mime/"
mime_messages=$(update-mime-database "$work/mime" 2>&1)
for type in $(sed -n 's/^MimeType=//p' "$entry" | tr ';' ' '); do
  grep -q -x -F "$type" "$work/mime/types" /usr/share/mime/types ||
    fail "desktop entry offers file type $type, which neither the package nor the system defines" \
      "$mime_messages"
done

cli="$root/usr/bin/orthelev-cli"
desktop="$root/usr/bin/orthelev"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$work/logs"
mkdir -m 700 "$XDG_RUNTIME_DIR"
version_title=$("$build/orthelev-cli" --version)
for program in "$cli" "$desktop"; do
  [ "$("$program" --version)" = "$version_title" ] ||
    fail "unpacked ${program#"$root"} --version does not tell $version_title"
done

# The demo's model, imported through the unpacked GDAL module.
"$cli" import-grid "$grid" "$work/egm96_15.cdat" >/dev/null ||
  fail "unpacked orthelev-cli could not import $grid"
cat >"$work/orthelev.ini" <<INI
[Option]
GeoidModel=Custom Geoid
DataPath=$work/
[Custom Geoid]
fname=egm96_15.cdat
INI
for copy in by_build by_cli by_desktop; do
  cp "$source_dir/examples/boulder_walk.nmea" "$work/logs/$copy.nmea"
done
"$build/orthelev-cli" --ini "$work/orthelev.ini" --quiet convert "$work/logs/by_build.nmea" >/dev/null ||
  fail "the build's orthelev-cli could not convert a sample log"
"$cli" --ini "$work/orthelev.ini" --quiet convert "$work/logs/by_cli.nmea" >/dev/null ||
  fail "unpacked orthelev-cli could not convert a sample log"
cmp "$work/logs/by_build_g.nmea" "$work/logs/by_cli_g.nmea" ||
  fail "unpacked orthelev-cli and the build's converted the sample log differently"

# The desktop program reads the settings file beside itself.
cp "$work/orthelev.ini" "$root/usr/bin/orthelev.ini"
QT_QPA_PLATFORM=offscreen timeout 60 "$desktop" "$work/logs/by_desktop.nmea" /H /Q ||
  fail "unpacked desktop program failed"
cmp "$work/logs/by_build_g.nmea" "$work/logs/by_desktop_g.nmea" ||
  fail "unpacked desktop program and the build's orthelev-cli converted the sample log differently"
echo "package: $(basename "$deb") holds its $count files; unpacked, its programs convert"

# On a machine given over to the tests (CI sets ORTHELEV_INSTALL_PACKAGE=1;
# root, and no orthelev package installed), dpkg installs the package for
# real, so that its Depends must be met and its files must not clash with
# another package's; the installed programs find their GDAL module; then
# the package is purged.
[ "${ORTHELEV_INSTALL_PACKAGE:-0}" = 1 ] || exit 0
[ "$(id -u)" -eq 0 ] || fail "ORTHELEV_INSTALL_PACKAGE=1 needs root"
status=$(dpkg-query -W -f='${Status}' orthelev 2>/dev/null || true)
[ -z "$status" ] || [ "${status##* }" = not-installed ] ||
  fail "a package orthelev is on this machine ($status): left alone, not installed over"
trap 'dpkg --purge orthelev >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
dpkg -i "$deb" >/dev/null || fail "dpkg could not install $deb"
/usr/bin/orthelev-cli import-grid "$grid" "$work/installed.cdat" --region 33,38,137,142 >/dev/null ||
  fail "installed /usr/bin/orthelev-cli could not import $grid"
expected=$("$cli" --custom "$work/egm96_15.cdat" check 35.68 139.75)
[ "$(/usr/bin/orthelev-cli --custom "$work/installed.cdat" check 35.68 139.75)" = "$expected" ] ||
  fail "installed /usr/bin/orthelev-cli tells another geoid height than $expected"
dpkg --purge orthelev >/dev/null || fail "dpkg could not purge orthelev"
echo "package: installed with dpkg, run from /usr/bin, purged"
