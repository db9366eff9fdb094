#!/usr/bin/env bash
# A one-hour sequence of four binaural voices over pink noise rendered to FLAC
# by `aurelith --render --sequence`, and the same tones and noise by sox, side
# by side in one run: wall-clock seconds of each and their ratio (target: at
# most 0.5). Usage: sequence_vs_sox.sh BUILD_DIR
set -euo pipefail
bin=${1:-build}/aurelith
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data # a first run: the default levels
cat >"$work/hour.sbg" <<'SBG'
## One hour: four binaural voices over pink noise.
four: pink/20 200-10/10 300-8/10 400-6/10 500-4/10
off: -
NOW four
+01:00 off
SBG
"$bin" --check-sequence "$work/hour.sbg" >/dev/null

seconds() { # wall time of the command
  local t
  t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 )
  echo "$t"
}
# Left ear below, right ear above, as the sequence's "-" beats are.
a=$(seconds "$bin" --render "$work/a.flac" --sequence "$work/hour.sbg")
s=$(seconds sox -n -r 44100 -b 16 "$work/s.flac" synth 3600 sine 195 sine 205 \
  synth 3600 sine mix 296 sine mix 304 synth 3600 sine mix 397 sine mix 403 \
  synth 3600 sine mix 498 sine mix 502 synth 3600 pinknoise mix)
[[ -s $work/a.flac && -s $work/s.flac ]] || { echo "a render failed" >&2; exit 1; }
echo "1 h sequence, 4 binaural + pink, FLAC:  aurelith ${a}s   sox ${s}s   ratio $(awk -v a="$a" -v s="$s" 'BEGIN { printf "%.2f", a / s }')"
