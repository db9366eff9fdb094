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
expect state-sees-app tone/ToneState.h '#include "app/App.h"' "state header sees more"
expect foreign-assignment events/ConditionsEvents.cpp \
  'namespace aurelith { void probe(App& app) { app.state.tone.leftFreq = 1; } }' "writes ToneState"
expect foreign-increment photic/ColourSets.cpp \
  'namespace aurelith { void probe(App& app) { ++app.state.scan.loopNumber; } }' "writes ScanState"
expect foreign-reference events/ConditionsEvents.cpp \
  'namespace aurelith { void probe(App& app) { StrobeState& s = app.state.strobe; (void)s; } }' "writes StrobeState"
expect foreign-reset photic/Strobe.cpp \
  'namespace aurelith { void probe(App& app) { app.state.tone.soundBuffers[SoundSlot::mask].reset(); } }' "writes ToneState"
expect foreign-shared tone/Playback.cpp \
  'namespace aurelith { void probe(App& app) { app.state.shared.durationMs = 1; } }' "writes SharedState"
# Reading another folder's group is allowed.
cp -r "$src" "$work/read"
printf '%s\n' 'namespace aurelith { bool probe(const App& app, int x) { const ScanState& s = app.state.scan;' \
  'return x <= s.loopNumber && app.state.strobe.colourSetIndex == Value(1); } }' >>"$work/read/events/ConditionsEvents.cpp"
"$check" "$work/read" >/dev/null || { echo "a read was taken for a write:"; "$check" "$work/read"; failed=1; }
((failed == 0)) && echo "layer checker: catches every planted fault"
exit $failed
