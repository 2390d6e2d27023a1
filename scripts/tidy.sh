#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every source file of src/
# with the compile commands of a build folder (GCC-only warning options are
# passed over); fails on any finding. With a second folder, the Windows cross
# build's, the sources only it compiles (the Windows desktop program) are
# checked with its compile commands, as clang sees them for MinGW-w64 with the
# toolchain's C++ library.
# Usage: scripts/tidy.sh [build folder] [Windows build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
windows_build="${2:-}"
[ -f "$build/compile_commands.json" ] || { echo "tidy: $build/compile_commands.json missing" >&2; exit 1; }
files=$(git ls-files 'src/*.cpp' 2>/dev/null || find src -name '*.cpp')
# The Windows implementation of the platform layer and the Windows desktop
# program are compiled only by the cross build (make windows), with -Werror.
windows_only='^src/(platform/windows\.cpp|win32/.*|app/orthelev_win32_main\.cpp)$'
files=$(echo "$files" | grep -vE "$windows_only")
echo "$files" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null
if [ -n "$windows_build" ]; then
  [ -f "$windows_build/compile_commands.json" ] ||
    { echo "tidy: $windows_build/compile_commands.json missing" >&2; exit 1; }
  cross=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-Wno-unknown-warning-option)
  # The toolchain's C++ library and Windows headers; clang brings its own intrinsics.
  while read -r folder; do cross+=("--extra-arg=-isystem$folder"); done < <(
    x86_64-w64-mingw32-g++-posix -E -x c++ - -v < /dev/null 2>&1 |
      sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ ' |
      sed 's/^ //' | grep -vE '/include(-fixed)?$'
    echo /usr/x86_64-w64-mingw32/include)
  git ls-files 'src/*.cpp' | grep -E "$windows_only" | grep -v '^src/platform/' |
    xargs -P "$(nproc)" -n 3 clang-tidy -p "$windows_build" --quiet "${cross[@]}" 2>/dev/null
fi
echo "tidy: clean"
