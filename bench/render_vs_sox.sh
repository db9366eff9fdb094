#!/usr/bin/env bash
# Ten minutes of 160/170 Hz rendered by `aurelith --render` and by sox, side by
# side, wall-clock seconds of each (best of three). Usage: render_vs_sox.sh BUILD_DIR
set -euo pipefail
bin=${1:-build}/aurelith
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data # a first run: default levels, no masks of the user's

best() { # the best wall time of three runs of the command
  local best=999999 t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 )
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (b < a) ? b : a }')
  done
  echo "$best"
}

a=$(best "$bin" --render "$work/a.wav" --left 160 --right 170 --minutes 10)
s=$(best sox -n -r 44100 -b 16 "$work/s.wav" synth 600 sine 160 sine 170)
echo "tones, WAV:            aurelith ${a}s   sox ${s}s   ratio $(awk -v a="$a" -v s="$s" 'BEGIN { printf "%.2f", a / s }')"
a=$(best "$bin" --render "$work/a.flac" --left 160 --right 170 --mask 1 --minutes 10)
s=$(best sox -n -r 44100 -b 16 "$work/s.flac" synth 600 sine 160 sine 170 pinknoise mix)
echo "tones + pink, FLAC:    aurelith ${a}s   sox ${s}s   ratio $(awk -v a="$a" -v s="$s" 'BEGIN { printf "%.2f", a / s }')"
