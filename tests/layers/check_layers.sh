#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header of a folder above its own layer:
# core < ui < ports, app, state, sound < handlers < shell < platform < main.cpp.
# Also fails on a cycle between folders (two handler folders including each
# other, even through a third), which the layer ranks alone cannot see.
# The compiler keeps each state group's writes in its folder (app/App.h); a
# folder's <Name>Writes.h, the way in, is included only there and by shell.
set -euo pipefail
src="${1:-$(dirname "$0")/../../src}"
# rank sets r to the layer of a folder (99: unknown); a function, not a
# command substitution, so the loop below forks nothing per include.
rank() {
  case "$1" in
    core) r=0 ;; ui) r=1 ;; ports | app | state | sound) r=2 ;;
    tone | freq | scan | photic | events | tools | sequence) r=3 ;;
    shell) r=4 ;; platform) r=5 ;; main.cpp) r=6 ;; *) r=99 ;;
  esac
}
bad=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r line; do
  file=${line%%:*}
  [[ "${line#*:}" =~ \#include\ \"([^\"]+)\" ]] || continue
  target=${BASH_REMATCH[1]}
  [[ "$target" == */* ]] || continue
  from=${file#"$src"/}; from=${from%%/*}
  to=${target%%/*}
  [[ "$from" == "$to" ]] || echo "$from $to" >>"$edges"
  rank "$from"; rf=$r
  rank "$to"; rt=$r
  if ((rf == 99 || rt == 99)); then echo "unknown layer: $file -> $target"; bad=1
  elif ((rt > rf)); then echo "points up: $file -> $target"; bad=1
  # Handler folders see each other only through the shared layer rules; ports never see app, state
  # or sound, and state sees only ports (App holds the state, so state never sees app).
  elif ((rf == 2 && rt == 2)) && [[ "$from" != "$to" && ("$from" == ports || ("$from" == state && "$to" != ports)) ]]; then
    echo "points up: $file -> $target"; bad=1
  elif [[ "$target" == */*Writes.h && "$from" != "$to" && "$from" != shell ]]; then echo "writes another folder's state: $file -> $target"; bad=1
  fi
done < <(grep -rn '^#include "' "$src")
# tsort names the folders of every loop it finds on stderr.
if ! loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null) || [[ -n "$loops" ]]; then
  echo "folders include each other:"
  sed -E 's/^tsort: //; s/^-: input contains a loop:/a loop through:/; s/^/  /' <<<"$loops"
  bad=1
fi
((bad == 0)) && echo "layers: every include points down, no folder loop, no folder includes another's state writer"
exit $bad
