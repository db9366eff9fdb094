#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header of a folder above its own layer:
# core < ui < ports, app, sound < handlers < shell < platform < main.cpp.
# Also fails on a cycle between folders (two handler folders including each
# other, even through a third), which the layer ranks alone cannot see.
# A handler folder's state header (<folder>/<Name>State.h) is a node of its own
# on the shared layer: app/WindowState.h composes the groups, so the header may
# include only core, ui and ports. Each group's fields are written only in its
# own folder, or in shell (the composition root restores saved settings).
set -euo pipefail
src="${1:-$(dirname "$0")/../../src}"
# rank sets r to the layer of a folder or node (99: unknown); a function, not a
# command substitution, so the loop below forks nothing per include.
rank() {
  case "$1" in
    core) r=0 ;; ui) r=1 ;; ports | app | sound) r=2 ;;
    tone | freq | scan | photic | events | tools | sequence) r=3 ;;
    shell) r=4 ;; platform) r=5 ;; main.cpp) r=6 ;; */state) r=2 ;; *) r=99 ;;
  esac
}
# node sets n to the graph node of a path under src/: its folder, or
# <folder>/state for a handler folder's state header.
node() {
  n=${1%%/*}
  rank "$n"
  if ((r == 3)) && [[ "$1" =~ ^[a-z]+/[A-Za-z]+State\.h$ ]]; then n="$n/state"; fi
}
bad=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r line; do
  file=${line%%:*}
  [[ "${line#*:}" =~ \#include\ \"([^\"]+)\" ]] || continue
  target=${BASH_REMATCH[1]}
  [[ "$target" == */* ]] || continue
  node "${file#"$src"/}"; from=$n
  node "$target"; to=$n
  [[ "$from" == "$to" ]] || echo "$from $to" >>"$edges"
  rank "$from"; rf=$r
  rank "$to"; rt=$r
  if ((rf == 99 || rt == 99)); then echo "unknown layer: $file -> $target"; bad=1
  elif ((rt > rf)); then echo "points up: $file -> $target"; bad=1
  # Handler folders see each other only through the shared layer rules; ports never see app or sound.
  elif ((rf == 2 && rt == 2)) && [[ "$from" != "$to" && "$from" == ports ]]; then echo "points up: $file -> $target"; bad=1
  elif [[ "$from" == */state && ! "$to" =~ ^(core|ui|ports)$ ]]; then echo "state header sees more than core, ui, ports: $file -> $target"; bad=1
  fi
done < <(grep -rn '^#include "' "$src")
# tsort names the folders of every loop it finds on stderr.
if ! loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null) || [[ -n "$loops" ]]; then
  echo "folders include each other:"
  sed -E 's/^tsort: //; s/^-: input contains a loop:/a loop through:/; s/^/  /' <<<"$loops"
  bad=1
fi
# Writes to a group (app.state.<member>.<field>, s.<member>.<field>) outside
# its folder and shell: assignments, ++/--, taking its address or a non-const
# reference, mutating calls; and a non-const reference to the group itself.
# The shared group names its writers in the comment above it ("written by a/, b/").
groups() {
  find "$src" -mindepth 2 -maxdepth 2 -name '*State.h' | sort | while IFS= read -r header; do
    rel=${header#"$src"/}; folder=${rel%%/*}
    rank "$folder"
    ((r == 3)) && echo "$(basename "$rel" .h) $folder"
  done
  writers=$(grep -B3 '^struct SharedState' "$src/app/WindowState.h" | grep -io 'written by.*' | grep -o '[a-z]*/' | tr -d / | tr '\n' ' ')
  echo "SharedState ${writers:-none}"
}
while read -r type folder owners; do
  member=$(sed -nE "s/^[[:space:]]*$type[[:space:]]+([A-Za-z_][A-Za-z0-9_]*);.*/\1/p" "$src/app/WindowState.h")
  [[ -n "$member" ]] || continue
  f="\\.$member\\.[A-Za-z_][A-Za-z0-9_]*(\\[[^]]*\\])*"
  write="$f(\\.[A-Za-z_][A-Za-z0-9_]*)?[[:space:]]*([-+*/%|&^]?=[^=]|\\+\\+|--)"
  write+="|(\\+\\+|--)[[:space:]]*[A-Za-z_][A-Za-z0-9_.>-]*\\.$member\\."
  write+="|(^|[^&])&[[:space:]]*[A-Za-z_][A-Za-z0-9_.>-]*\\.$member\\."
  write+="|[A-Za-z0-9_>]&[[:space:]]+[A-Za-z_][A-Za-z0-9_]*[[:space:]]*=[[:space:]]*[A-Za-z_][A-Za-z0-9_.>-]*\\.$member\\."
  write+="|$f\\.(reset|swap|emplace|assign|push_back|clear|fill)\\(|std::swap\\([^)]*\\.$member\\."
  write+="|(^|[^A-Za-z0-9_])$type&"
  while IFS= read -r hit; do
    hitfile=${hit%%:*}; where=${hitfile#"$src"/}
    [[ " $folder $owners shell " == *" ${where%%/*} "* ]] && continue
    # const references and copies only read
    grep -qE "(^|[^A-Za-z0-9_])const[[:space:]]+([A-Za-z_:<>]+[[:space:]]*)?&" <<<"${hit#*:*:}" && ! grep -qE "$f[[:space:]]*=[^=]" <<<"${hit#*:*:}" && continue
    echo "writes $type outside ${folder}/${owners:+ $owners}: $hit"; bad=1
  done < <(grep -rnE "$write" "$src" --include='*.cpp' --include='*.h' || true)
done < <(groups)
((bad == 0)) && echo "layers: every include points down, no folder loop, each state group written only by its owner"
exit $bad
