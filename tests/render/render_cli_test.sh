#!/usr/bin/env bash
# Exit statuses and messages of `aurelith --render`, with no display at all.
set -uo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY
fail=0
expect() { # status, then the command
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"; local got=$?
  if [[ $got -ne $want ]]; then echo "FAIL ($got, wanted $want): $*"; cat "$work/err"; fail=1; fi
}
expect 0 "$bin" --help
grep -q -- '--render' "$work/out" || { echo "FAIL: --help does not list --render"; fail=1; }
expect 0 "$bin" --version
expect 2 "$bin" --render "$work/s.wav" --left abc
expect 2 "$bin" --render "$work/s.wav" --right 20000
expect 2 "$bin" --render "$work/s.wav" --wave zigzag
expect 2 "$bin" --render "$work/s.wav" --minutes 0
expect 2 "$bin" --render "$work/s.wav" --scan sideways --scan-time 1000
expect 2 "$bin" --render "$work/s.mp3"
expect 2 "$bin" --render "$work/no/such/folder/s.wav" --minutes 0.01
grep -q 'cannot write' "$work/err" || { echo "FAIL: no message for an unwritable output"; fail=1; }
expect 0 "$bin" --render "$work/s.ogg" --left 200 --right 204 --wave triangle --minutes 0.02
[[ -s $work/s.ogg ]] || { echo "FAIL: no Ogg file written"; fail=1; }
leftovers=$(find "$work" -name '*.part*' | wc -l)
[[ $leftovers -eq 0 ]] || { echo "FAIL: $leftovers partial files left"; fail=1; }
exit $fail
