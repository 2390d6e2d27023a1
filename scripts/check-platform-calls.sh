#!/usr/bin/env bash
# Fails when a source file outside src/platform/ (and src/win32/, the native
# Windows desktop program, whose whole job is the system's windows) calls the operating system
# directly (POSIX or Windows headers and calls, narrow-name file opens that
# Windows reads in its ANSI code page): such calls go through
# platform/platform.hpp, so that the core, the console front end and the
# desktop program build and behave alike on Linux and Windows.
# Usage: scripts/check-platform-calls.sh [source folder, default src]
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"

headers='unistd\.h|fcntl\.h|sys/[a-z_]+\.h|dlfcn\.h|pwd\.h|csignal|signal\.h|windows\.h|io\.h|shellapi\.h|direct\.h'
calls='::(open|close|read|write|pread|pwrite|lseek|unlink|rename|access|fsync|ftruncate|umask|fchmod|fchown|readlink|realpath|memrchr|mkstemps?|mkostemps?|dlopen|dlsym|isatty|fileno)[[:space:]]*\('
calls+='|\b(f|l)?stat(x)?[[:space:]]*\(|\bstd::(signal|getenv|rename|remove|fopen|system)[[:space:]]*\(|\b(sigaction|getenv|setenv|isatty|fopen|_wfopen|_wopen|popen)[[:space:]]*\('
calls+='|/proc/self'

found=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)>|$calls" "$src" \
          --include='*.cpp' --include='*.hpp' --include='*.h' |
        grep -v "^$src/platform/" | grep -v "^$src/win32/" || true)
if [ -n "$found" ]; then
  echo "$found"
  echo "check-platform-calls: system calls outside $src/platform/ (use platform/platform.hpp)" >&2
  exit 1
fi
echo "No system calls outside $src/platform/."
