#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Runs as root (CI and fresh machines); as another user it only reports what is missing.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev clang-format clang-tidy googletest libgtest-dev libgmock-dev libbenchmark-dev locales libgdal-dev gdal-bin proj-data proj-bin
          geographiclib-tools groff-base
          qt6-base-dev xvfb
          # make package: dpkg-shlibdeps and the file type probe CPack runs
          # first; its check validates the desktop entry and MIME types
          dpkg-dev file desktop-file-utils shared-mime-info
          # the desktop tests and screenshots: a window manager, X tools, and
          # Wine's Tahoma-metric font for the windows' designed font
          openbox x11-utils xdotool imagemagick fonts-wine
          # the Windows cross build and its tests under wine
          g++-mingw-w64-x86-64-posix wine64
          # the Windows installer
          nsis
          # the Windows desktop program's drop test: an X drag source
          libx11-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else
    echo "install-deps: needs root for: $*" >&2; return 1; fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number-format tests run the process in a decimal-comma locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen 2>/dev/null || true
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null || echo "install-deps: locale-gen failed; decimal-comma tests will skip" >&2
  else
    echo "install-deps: de_DE.UTF-8 locale missing; decimal-comma tests will skip" >&2
  fi
fi
