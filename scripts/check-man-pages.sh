#!/usr/bin/env bash
# Formats every manual page of data/man/ with groff's warnings on and fails
# on any warning or error it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
failed=0
for page in data/man/*.[1-9]; do
  report=$(groff -man -ww -z "$page" 2>&1) || failed=1
  if [ -n "$report" ]; then
    echo "$page:"; echo "$report"; failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "manual pages: no warnings"
exit "$failed"
