#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: light_on_beat_test.sh BEATCHECK LIGHT_ON_BEAT_PY [slide]
#
# The strobe against the sound heard, on a private X server and a private
# PulseAudio null sink: with the window painting the light itself, as on a
# server without the Present extension (Xvfb 21 cannot leave it out), three presses of "ColorOn" at a 10 Hz
# beat and 10 s at a 6 Hz beat, then the three presses again with the
# program's output buffer forced to 200 ms; then with Present (each change
# at a target frame, its presented time known) the presses and 10 s at
# 7.83 Hz; then with "Gentle Light" on Present, the presses at 10 Hz and
# 10 s at 6 Hz, judged by gentle_light.py. With "slide", only this instead:
# painted, a sequence whose beat slides from 10 Hz to 6 Hz over a minute,
# with the strobe on for 65 s (a test of its own, so that a second try of
# either records only its own runs). Exits 77 (skipped) when the tools are
# missing, unless CI=true, where that is a failure. Every run is on the tests'
# display (tests/support/test-display.sh); run by hand, the script starts one of its own.
set -u
BEATCHECK=$1
JUDGE=$2
PYTHON=/usr/bin/python3
[ -n "${AURELITH_TEST_DISPLAY:-}" ] || exec "$(dirname "$0")/../support/test-display.sh" run "$0" "$@"

skip() {
    echo "light on the beat: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
for tool in pulseaudio pactl; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
"$PYTHON" -c 'import numpy' 2>/dev/null || skip "$PYTHON has no numpy"

source "$(dirname "$0")/../support/test-display.sh"
use_test_display
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
trap leave_private_session EXIT
start_private_pulseaudio || { echo "FAIL: the private PulseAudio daemon did not start"; exit 1; }
export PULSE_SINK=out QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='aurelith.audio.info=true'

status=0
if [ "${3:-}" = slide ]; then
    # A binaural 200 Hz carrier: both tones are read at 200 Hz, their phase
    # difference is the sliding beat.
    echo "== slide"
    mkdir -p "$WORK/slide"
    "$BEATCHECK" "$WORK/slide" slide || { echo "FAIL: the driver failed"; exit 1; }
    "$PYTHON" "$JUDGE" "$WORK/slide" 200 200 slide
    exit
fi
run() { # NAME BEATCHECK-ARGS... ; judged at 135/145 Hz
    local name=$1
    shift
    echo "== $name"
    mkdir -p "$WORK/$name"
    local judge=$JUDGE
    [ "$1" = gentle ] && judge=$(dirname "$JUDGE")/gentle_light.py
    "$BEATCHECK" "$WORK/$name" "$@" || { echo "FAIL: the driver failed"; status=1; return; }
    "$PYTHON" "$judge" "$WORK/$name" 135 145 "$@" || status=1
}
run normal paint count
PULSE_LATENCY_MSEC=200 run latency200 paint
run present count 7.83
run gentle gentle count 6
exit $status
