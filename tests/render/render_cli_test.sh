#!/usr/bin/env bash
# Exit statuses and messages of the command line, with no display at all:
# nothing but Qt's own window options ever opens the window.
set -uo pipefail
bin=$1
work=$(mktemp -d)
full=$work/small
cleanup() {
  mountpoint -q "$full" && umount "$full"
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
fail=0
expect() { # status, then the command
  local want=$1; shift
  timeout 60 "$@" >"$work/out" 2>"$work/err"; local got=$?
  if [[ $got -ne $want ]]; then echo "FAIL ($got, wanted $want): $*"; cat "$work/err"; fail=1; fi
}
said() { # what the last command should have printed on stderr
  grep -q -- "$1" "$work/err" || { echo "FAIL: no '$1' in: $(cat "$work/err")"; fail=1; }
}
expect 0 "$bin" --help
grep -q -- '--render' "$work/out" || { echo "FAIL: --help does not list --render"; fail=1; }
expect 0 "$bin" --help-all
grep -q -- '-platform' "$work/out" || { echo "FAIL: --help-all does not list Qt's options"; fail=1; }
expect 0 "$bin" --version
expect 0 "$bin" -platform offscreen --version
expect 2 "$bin" --bogus
said "bogus"
expect 2 "$bin" -platform offscreen --bogus
said "bogus"
expect 2 "$bin" --left 200
said "--render"
expect 2 "$bin" stray.txt
said "stray.txt"
expect 2 "$bin" --render "$work/s.wav" --left abc
expect 2 "$bin" --render "$work/s.wav" --right 20000
expect 2 "$bin" --render "$work/s.wav" --wave zigzag
expect 2 "$bin" --render "$work/s.wav" --minutes 0
expect 2 "$bin" --render "$work/s.wav" --scan sideways --scan-time 1000
# Every option out of range names its range, never the window's own texts.
expect 2 "$bin" --render "$work/s.wav" --scan up --scan-time 100
said "more than 200"
expect 2 "$bin" --render "$work/s.wav" --mask 9
said "1 to 8"
expect 2 "$bin" --render "$work/s.wav" --right 204 --scan up --scan-time 1000 --limit 200
said "above the right tone"
expect 2 "$bin" --render "$work/s.wav" --right 204 --scan up --scan-time 1000 --limit 210 --minutes 1
said "0.1 minutes"
expect 2 "$bin" --render "$work/s.wav" --minutes 1441
said "24 hours"
for level in tone-vol mask-vol tone-mod; do
  expect 2 "$bin" --render "$work/s.wav" --$level 5001
  said "0 to 5000"
done
expect 2 "$bin" --tone-mod 100
said "--render"
expect 0 "$bin" --help
grep -q -- 'default 160' "$work/out" || { echo "FAIL: --help gives no defaults"; fail=1; }
# The first run's levels --help names are the ones a render with no saved data uses.
tone=$(tr '\n' ' ' <"$work/out" | sed -n 's/.*first run.s (tone \([0-9]*\), mask \([0-9]*\)).*/\1/p')
mask=$(tr '\n' ' ' <"$work/out" | sed -n 's/.*first run.s (tone \([0-9]*\), mask \([0-9]*\)).*/\2/p')
if [[ -z $tone || -z $mask ]]; then
  echo "FAIL: --help names no first-run levels"; fail=1
else
  XDG_DATA_HOME=$work/fresh1 expect 0 "$bin" --render "$work/saved.wav" --mask 1 --minutes 0.01
  XDG_DATA_HOME=$work/fresh2 expect 0 "$bin" --render "$work/given.wav" --mask 1 --minutes 0.01 \
    --tone-vol "$tone" --mask-vol "$mask"
  cmp -s "$work/saved.wav" "$work/given.wav" ||
    { echo "FAIL: a first-run render differs from --tone-vol $tone --mask-vol $mask"; fail=1; }
fi
expect 2 "$bin" --render "$work/s.mp3"
expect 2 "$bin" --render "$work/no/such/folder/s.wav" --minutes 0.01
said 'cannot write'
head -c 8192 /dev/urandom >"$work/random.bin"
expect 2 "$bin" --render "$work/m.wav" --mask "$work/random.bin" --minutes 0.01
said "random.bin"
TMPDIR=/nonexistent expect 2 "$bin" --render "$work/t.wav" --minutes 0.01
said "/nonexistent"
expect 0 "$bin" --render "$work/s.ogg" --left 200 --right 204 --wave triangle --minutes 0.02
[[ -s $work/s.ogg ]] || { echo "FAIL: no Ogg file written"; fail=1; }
# Qt's window options still reach the window: it runs until stopped.
expect 124 timeout -s TERM 3 "$bin" -platform offscreen

# A signal mid-render: status 128 + the signal, nothing beside the output,
# nothing in the temporary folder.
mkdir -p "$work/tmp" "$work/sig"
for sig in INT TERM HUP; do
  TMPDIR=$work/tmp "$bin" --render "$work/sig/long.ogg" --minutes 60 --mask 1 2>"$work/err" &
  pid=$!
  sleep 1.5
  kill -$sig $pid
  wait $pid; got=$?
  want=$((128 + $(kill -l $sig)))
  [[ $got -eq $want ]] || { echo "FAIL: SIG$sig gave $got, wanted $want"; cat "$work/err"; fail=1; }
  left=$(find "$work/sig" "$work/tmp" -mindepth 1)
  [[ -z $left ]] || { echo "FAIL: SIG$sig left: $left"; fail=1; }
done

mkdir "$full"
if mount -t tmpfs -o size=200k tmpfs "$full" 2>/dev/null; then
  expect 2 "$bin" --render "$full/long.ogg" --minutes 1
  said "needs about"
  [[ -z $(ls -A "$full") ]] || { echo "FAIL: a refused render left $(ls -A "$full")"; fail=1; }
else
  echo "note: a full disk is not checked here (cannot mount a small tmpfs)"
fi
# --check-sequence: the length and voices, or each error as FILE:LINE: message.
printf 'a: pink/20 200-10/20\nNOW a\n+00:10 a\n' >"$work/ok.sbg"
expect 0 "$bin" --check-sequence "$work/ok.sbg"
grep -q 'ok: 10:00 long' "$work/out" || { echo "FAIL: check printed: $(cat "$work/out")"; fail=1; }
printf 'a: spin:300+4/20\n' >"$work/bad.sbg"
expect 2 "$bin" --check-sequence "$work/bad.sbg"
said "$work/bad.sbg:1: 'spin:' voices are not supported"
# --render --sequence: the whole sequence (10 s here) and its light track; a bad
# file's errors as FILE:LINE: message and nothing written; options it decides refused.
printf 'a: 200-10/50\nNOW a\n+00:00:10 a\n' >"$work/short.sbg"
expect 0 "$bin" --render "$work/seq.flac" --sequence "$work/short.sbg" --light-track "$work/seq.csv" --tone-vol 4000
[[ $(soxi -s "$work/seq.flac" 2>/dev/null) == 441000 ]] || { echo "FAIL: the sequence render is not 10 s"; fail=1; }
grep -q '^[0-9.]*,#[0-9a-f]\{6\},stim$' "$work/seq.csv" || { echo "FAIL: no stim rows in the sequence's light track"; fail=1; }
expect 2 "$bin" --render "$work/bad.flac" --sequence "$work/bad.sbg"
said "$work/bad.sbg:1: 'spin:' voices are not supported"
[[ ! -e $work/bad.flac ]] || { echo "FAIL: a bad sequence wrote a file"; fail=1; }
for option in "--left 200" "--minutes 1" "--scan up" "--mask 1"; do
  expect 2 "$bin" --render "$work/x.flac" --sequence "$work/short.sbg" $option
  said "cannot be used with --sequence"
done
leftovers=$(find "$work" -name '*.part*' | wc -l)
[[ $leftovers -eq 0 ]] || { echo "FAIL: $leftovers partial files left"; fail=1; }
exit $fail
