#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer checker must pass the real tree and fail on each kind of fault
# planted into a copy of it: a grep that silently stops matching would
# otherwise let every later fault through.
set -euo pipefail
here=$(dirname "$0")
src="${1:-$here/../../src}"
check="$here/check_layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$check" "$src" >/dev/null || { echo "the real tree fails:"; "$check" "$src"; exit 1; }

failed=0
# expect NAME FILE LINE MESSAGE: appends LINE to FILE in a fresh copy and expects MESSAGE.
expect() {
  local name=$1 file=$2 line=$3 message=$4 copy="$work/$1"
  cp -r "$src" "$copy"
  printf '%s\n' "$line" >>"$copy/$file"
  if out=$("$check" "$copy" 2>&1); then
    echo "not caught: $name"; failed=1
  elif ! grep -qF "$message" <<<"$out"; then
    echo "caught for the wrong reason: $name"; echo "$out"; failed=1
  fi
}
expect up-include ports/Dialogs.h '#include "scan/Scanner.h"' "points up"
expect folder-loop photic/ColourSets.cpp '#include "freq/Adjusters.h"' "folders include each other"
expect state-sees-handler state/ToneState.h '#include "tone/Playback.h"' "points up"
expect state-sees-app state/ToneState.h '#include "app/App.h"' "points up"
expect foreign-writer photic/Strobe.cpp '#include "tone/ToneWrites.h"' "writes another folder's state"
((failed == 0)) && echo "layer checker: catches every planted fault"
exit $failed
