#!/usr/bin/env bash
# Fails when a C++ source file differs from what clang-format (the committed
# .clang-format) makes of it; prints the files.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0
for f in $(git ls-files '*.cpp' '*.hpp'); do
  clang-format --dry-run --Werror "$f" > /dev/null 2>&1 || { echo "not formatted: $f"; bad=1; }
done
[ "$bad" -eq 0 ] && echo "format: clean"
exit "$bad"
