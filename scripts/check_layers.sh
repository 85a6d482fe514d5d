#!/usr/bin/env bash
# Checks that #include lines point down the layer order of the source tree:
#
#   platform < engine < modules < document < app < panel < hosting < plugin < tools
#
# platform wraps the operating system; the engine runs unit generators on it; modules are
# the unit-generator families and the module catalogue (modules/registry) that lists them;
# the document model makes its objects from the catalogue; the application object owns a
# document and its engine; the panel draws the document; hosting loads other plug-ins and
# module libraries into the application; plugin is the VST 2 boundary around all of it;
# tools are command-line programs built on everything. A file may include its own layer
# and any layer below it, never one above. tests/ and bench/ may include anything.
#
# Within modules/, the families include the engine only: the registry alone names them.
#
# Inversions that other work removes are listed in ALLOWED ("file include" pairs) with what
# removes them; an entry that no longer matches anything is reported so that the list only
# shrinks. Exit status 1 on any other inversion.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(platform engine modules document app panel hosting plugin tools)

# file -> include that is tolerated for now.
ALLOWED=(
)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
declare -A used=()
for layer in "${layers[@]}"; do
  [ -d "$layer" ] || continue
  own=$(rank "$layer")
  while IFS=: read -r file _ include; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$include")
    top=${target%%/*}
    theirs=$(rank "$top")
    [ "$theirs" -ge 0 ] || continue
    bad=0
    if [ "$theirs" -gt "$own" ]; then
      bad=1
    elif [ "$layer" = modules ] && [[ "$file" != modules/registry/* ]] && [[ "$target" == modules/registry/* ]]; then
      bad=1  # a family naming the catalogue that names it
    fi
    [ "$bad" = 1 ] || continue
    allowed=0
    for entry in "${ALLOWED[@]}"; do
      if [ "$entry" = "$file $target" ]; then allowed=1; used[$entry]=1; fi
    done
    if [ "$allowed" = 0 ]; then
      echo "layer inversion: $file includes $target ($layer must not depend on $top)" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" --include='*.h' --include='*.cpp' --include='*.c' || true)
done

for entry in "${ALLOWED[@]}"; do
  [ -n "${used[$entry]:-}" ] || echo "check_layers: allow-list entry no longer needed: $entry" >&2
done

[ "$status" = 0 ] && echo "layers: every include points down"
exit "$status"
