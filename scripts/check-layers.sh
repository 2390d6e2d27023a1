#!/usr/bin/env bash
# Prints the include graph between the top-level folders of src/ and fails
# when a folder includes one of a higher layer (which is also what any
# cycle needs) or a folder missing from the list of layers below.
# Usage: scripts/check-layers.sh [source folder, default src]
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"

# Bottom to top; a folder may include only folders listed before it.
layers=(platform base ini flags services geoid settings models conversion program import console qt win32 app)

rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}

edges=$(grep -rHoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/[^"]+"' "$src" \
          --include='*.cpp' --include='*.hpp' |
        sed -E "s|^$src/([^/]+)/[^:]*:.*\"([^/\"]+)/.*|\1 \2|" |
        awk '$1 != $2' | sort | uniq -c | awk '{print $2, $3, $1}')

echo "Include graph of $src/ (folder -> folder: includes):"
failed=0
while read -r from to count; do
  [ -z "$from" ] && continue
  mark=""
  rf=$(rank "$from"); rt=$(rank "$to")
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ]; then
    mark="   <-- folder not in the list of layers"; failed=1
  elif [ "$rt" -ge "$rf" ]; then
    mark="   <-- points up"; failed=1
  fi
  printf '  %-11s -> %-11s %3d%s\n' "$from" "$to" "$count" "$mark"
done <<< "$edges"

for dir in "$src"/*/; do
  name=$(basename "$dir")
  [ "$(rank "$name")" -ge 0 ] || { echo "  folder $name is not in the list of layers"; failed=1; }
done

if [ "$failed" -ne 0 ]; then
  echo "check-layers: the folders of $src/ do not form layers (order: ${layers[*]})" >&2
  exit 1
fi
echo "Layers, bottom to top: ${layers[*]}"
