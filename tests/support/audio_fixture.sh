#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The recordings' sound server as a CTest fixture (tests/CMakeLists.txt):
# "start DIR" starts a private PulseAudio daemon with the null sink "out" in
# the runtime folder DIR, "stop DIR" stops it and removes DIR. The tests that
# need it get XDG_RUNTIME_DIR=DIR. Fails (and so fails those tests) when the
# daemon does not start.
set -u
source "$(dirname "$0")/test-audio.sh"
action=$1
export XDG_RUNTIME_DIR=$2
unset PULSE_SERVER
case "$action" in
  start)
    command -v pulseaudio >/dev/null 2>&1 || { echo "no pulseaudio daemon"; exit 1; }
    # One left by a run that was killed is stopped first.
    [[ -d "$XDG_RUNTIME_DIR" ]] && stop_private_pulseaudio
    rm -rf "$XDG_RUNTIME_DIR"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    start_private_pulseaudio && exit 0
    cat "$XDG_RUNTIME_DIR/pulse.log" 2>/dev/null
    echo "the private PulseAudio daemon did not start"
    exit 1
    ;;
  stop)
    [[ -d "$XDG_RUNTIME_DIR" ]] && stop_private_pulseaudio
    rm -rf "$XDG_RUNTIME_DIR"
    ;;
  *) echo "usage: audio_fixture.sh start|stop DIR" >&2; exit 2 ;;
esac
