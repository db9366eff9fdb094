#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: server_restart_test.sh AURELITH PLAYCHECK
#
# The real program against a private PulseAudio daemon on a private X server:
# - the daemon stopped while it plays: the program keeps running and shows no box;
#   "Start" while there is no server stays silent; once the server is back, the
#   next "Start" plays again, without a restart;
# - with nothing to play the output is closed after a few seconds (no stream
#   left on the server), and "Start" plays again;
# - with no server at start the message keeps its first line and says on the
#   next what to do.
# Exits 77 (skipped) when the tools are missing, unless CI=true.
set -u
APP=$(readlink -f "$1")
PLAYCHECK=$(readlink -f "$2")

skip() {
    echo "audio server test: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
# The display is the tests' (tests/support/test-display.sh); run by hand, the
# script starts one of its own.
[ -n "${AURELITH_TEST_DISPLAY:-}" ] || exec "$(dirname "$0")/../support/test-display.sh" run "$0" "$@"
for tool in xdotool pulseaudio pactl parec; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
source "$(dirname "$0")/../support/test-display.sh"
use_test_display
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio
export PULSE_SINK=out QT_LOGGING_RULES="aurelith.audio.info=true"
PID=
cleanup() {
    [ -n "$PID" ] && kill -KILL "$PID" 2>/dev/null
    leave_private_session
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

start_server() { start_private_pulseaudio || { echo "FAIL: PulseAudio did not start"; exit 1; }; }
stop_server() { stop_private_pulseaudio; }

# RMS of one second of what the sink plays.
level() {
    timeout -s INT 1.5 parec --device=out.monitor --format=s16le --channels=2 --rate=44100 --latency-msec=20 \
        > "$WORK/rec.raw" 2>/dev/null
    /usr/bin/python3 -c '
import array, math, sys
a = array.array("h"); a.frombytes(open(sys.argv[1], "rb").read()[-88200 * 2:])
print("%.4f" % (math.sqrt(sum(x * x for x in a) / max(len(a), 1)) / 32768))' "$WORK/rec.raw"
}
audible() { /usr/bin/python3 -c "import sys; sys.exit(0 if float('$1') > 0.01 else 1)"; }

click() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    xdotool mousemove $((X + $1)) $((Y + HEIGHT - 530 + $2)) click 1
}
start_button() { click 44 184; }
stop_button() { click 44 208; }
boxes() { xdotool search --onlyvisible --name '^Aurelith$' 2>/dev/null | wc -l; }

start_server
"$APP" >"$WORK/app.log" 2>&1 &
PID=$!
WID=$(timeout 10 xdotool search --sync --onlyvisible --name 'Aurelith Binaural' | head -1)
[ -n "$WID" ] || { cat "$WORK/app.log"; echo "FAIL: no window"; exit 1; }
sleep 0.5

start_button
l=$(level); audible "$l" || fail "nothing heard after Start (rms $l)"
echo "playing: rms $l"

stop_server
sleep 2.5
kill -0 $PID 2>/dev/null || { fail "the program ended when the server went away"; cat "$WORK/app.log"; exit 1; }
[ "$(boxes)" -eq 0 ] || fail "a box was shown when the server went away"
start_button   # no server yet: silent, no box
sleep 0.5
[ "$(boxes)" -eq 0 ] || fail "a box was shown by Start without a server"

start_server
start_button
l=$(level); audible "$l" || fail "nothing heard after Start once the server was back (rms $l)"
echo "after the server came back: rms $l"

stop_button
sleep 5
[ -z "$(pactl list short sink-inputs)" ] || fail "the output stayed open with nothing to play"
start_button
l=$(level); audible "$l" || fail "nothing heard after Start from idle (rms $l)"
echo "after idle: rms $l"
grep -q "went away" "$WORK/app.log" || fail "the lost output was not logged"

kill -TERM $PID; wait $PID; PID=
echo "--- log"; cat "$WORK/app.log"

# No server at all at start: the message the user reads.
stop_server
unset SDL_AUDIODRIVER
# (ALSA's own complaints go to the same stream first.)
message=$("$PLAYCHECK" 0.1 2>&1 | sed -n '/^no sound output: /,$p')
first=$(printf '%s\n' "$message" | sed -n 's/^no sound output: //p')
second=$(printf '%s\n' "$message" | sed -n '2p')
[ "$first" = "Unable to open the sound output" ] || fail "first line: $first"
case "$second" in
    *"PulseAudio or PipeWire"*SDL_AUDIODRIVER=alsa*) ;;
    *) fail "second line does not say what to do: $second" ;;
esac
echo "--- message without a server"; printf '%s\n' "$message"

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the program survives the sound server going and coming back"
