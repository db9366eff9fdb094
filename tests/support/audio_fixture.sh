#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The recordings' sound server as a CTest fixture (tests/CMakeLists.txt).
# "start DIR": where a sound server answers (a desktop's), the null sink "out"
# is loaded into it and its module noted in DIR; where none does, a private
# PulseAudio daemon with that sink runs in the runtime folder DIR. "stop DIR"
# undoes either and removes DIR. The tests that need it get
# AURELITH_TEST_AUDIO=DIR (start_test_audio in test-audio.sh follows it).
# Fails, and so fails those tests, when no server with the sink answers.
set -u
source "$(dirname "$0")/test-audio.sh"
action=$1
dir=$2
stop() {
  if [[ -f "$dir/module" ]]; then
    pactl unload-module "$(cat "$dir/module")" 2>/dev/null
  elif [[ -S "$dir/pulse/native" ]]; then
    XDG_RUNTIME_DIR=$dir stop_private_pulseaudio
  fi
  rm -rf "$dir"
}
case "$action" in
  start)
    stop # what a run that was killed left
    mkdir -p -m 700 "$dir"
    if pactl info >/dev/null 2>&1; then
      start_test_audio || exit 1
      [[ -z "$AURELITH_AUDIO_MODULE" ]] || echo "$AURELITH_AUDIO_MODULE" >"$dir/module"
      exit 0
    fi
    command -v pulseaudio >/dev/null 2>&1 || { echo "no sound server and no pulseaudio daemon"; exit 1; }
    export XDG_RUNTIME_DIR=$dir
    unset PULSE_SERVER
    start_private_pulseaudio && exit 0
    cat "$dir/pulse.log" 2>/dev/null
    echo "the private PulseAudio daemon did not start"
    exit 1
    ;;
  stop) stop ;;
  *) echo "usage: audio_fixture.sh start|stop DIR" >&2; exit 2 ;;
esac
