#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header of a folder above its own layer:
# core < ui < ports, app, sound < handlers < shell < platform < main.cpp.
# Also fails on a cycle between folders (two handler folders including each
# other, even through a third), which the layer ranks alone cannot see.
set -euo pipefail
src="${1:-$(dirname "$0")/../../src}"
rank() {
  case "$1" in
    core) echo 0 ;; ui) echo 1 ;; ports | app | sound) echo 2 ;;
    tone | freq | scan | photic | events | tools) echo 3 ;;
    shell) echo 4 ;; platform) echo 5 ;; main.cpp) echo 6 ;; *) echo 99 ;;
  esac
}
bad=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${line#*:}")
  from=${file#"$src"/}; from=${from%%/*}
  to=${target%%/*}
  [[ "$target" == */* ]] || continue
  [[ "$from" == "$to" ]] || echo "$from $to" >>"$edges"
  rf=$(rank "$from"); rt=$(rank "$to")
  if ((rf == 99 || rt == 99)); then echo "unknown layer: $file -> $target"; bad=1
  elif ((rt > rf)); then echo "points up: $file -> $target"; bad=1
  # Handler folders see each other only through the shared layer rules; ports never see app or sound.
  elif ((rf == 2 && rt == 2)) && [[ "$from" != "$to" && "$from" == ports ]]; then echo "points up: $file -> $target"; bad=1
  fi
done < <(grep -rn '^#include "' "$src")
# tsort names the folders of every loop it finds on stderr.
if ! loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null) || [[ -n "$loops" ]]; then
  echo "folders include each other:"
  sed -E 's/^tsort: //; s/^-: input contains a loop:/a loop through:/; s/^/  /' <<<"$loops"
  bad=1
fi
((bad == 0)) && echo "layers: every include points down, no folder loop"
exit $bad
