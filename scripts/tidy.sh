#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) over every source file of src/
# with the compile commands of a build folder (GCC-only warning options are
# passed over); fails on any finding.
# Usage: scripts/tidy.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/compile_commands.json" ] || { echo "tidy: $build/compile_commands.json missing" >&2; exit 1; }
files=$(git ls-files 'src/*.cpp' 2>/dev/null || find src -name '*.cpp')
# The Windows implementation of the platform layer is compiled only by the
# cross build (make windows), with -Wall -Wextra -Werror.
files=$(echo "$files" | grep -v '^src/platform/windows\.cpp$')
echo "$files" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option 2>/dev/null
echo "tidy: clean"
