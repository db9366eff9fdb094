#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a header of a folder above its own layer:
# core < ui < ports, app, sound < handlers < shell < platform < main.cpp.
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
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${line#*:}")
  from=${file#"$src"/}; from=${from%%/*}
  to=${target%%/*}
  [[ "$target" == */* ]] || continue
  rf=$(rank "$from"); rt=$(rank "$to")
  if ((rf == 99 || rt == 99)); then echo "unknown layer: $file -> $target"; bad=1
  elif ((rt > rf)); then echo "points up: $file -> $target"; bad=1
  # Handler folders see each other only through the shared layer rules; ports never see app or sound.
  elif ((rf == 2 && rt == 2)) && [[ "$from" != "$to" && "$from" == ports ]]; then echo "points up: $file -> $target"; bad=1
  fi
done < <(grep -rn '^#include "' "$src")
((bad == 0)) && echo "layers: every include points down"
exit $bad
