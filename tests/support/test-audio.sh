#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The one place that starts a sound server for the tests: a sound output named
# "out" (a null sink, 44.1 kHz stereo) that nobody hears. Source it; it only
# defines functions.
#
# start_private_pulseaudio / stop_private_pulseaudio: a private PulseAudio
# daemon with that sink, in $XDG_RUNTIME_DIR (a private folder the caller
# made). For rigs that own their server (and may stop and start it again).
#
# start_test_audio / stop_test_audio: the server of the tests' CTest fixture
# when AURELITH_TEST_AUDIO names its folder. Else, where a sound server already answers (a
# developer's PipeWire or PulseAudio) the sink is loaded into it and unloaded
# again; the desktop's own devices are left alone. Where none answers, a
# private daemon is started in a temporary runtime folder, and XDG_RUNTIME_DIR
# is exported so the clients find it. start_test_audio fails when no server
# with the sink answers afterwards.
#
# enter_private_session: for rigs that run the real program. Makes $WORK, a
# temporary folder holding the runtime folder (for a private sound server and
# the program's lock) and the program's data, so nothing of the user's is read
# or touched; clients find no server but a private one. leave_private_session
# stops the private server, if one runs, and removes $WORK.
AURELITH_AUDIO_MODULE=
AURELITH_AUDIO_RUNTIME=

enter_private_session() {
  WORK=$(mktemp -d)
  export XDG_RUNTIME_DIR=$WORK/run XDG_DATA_HOME=$WORK/data
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset PULSE_SERVER
}

leave_private_session() {
  command -v pulseaudio >/dev/null 2>&1 && stop_private_pulseaudio
  rm -rf "$WORK"
}

start_private_pulseaudio() {
  # norewinds=1: without it the null sink runs slower than real time.
  pulseaudio -D --system=false -n --exit-idle-time=-1 --disallow-exit \
    --load=module-native-protocol-unix \
    --load='module-null-sink sink_name=out rate=44100 channels=2 norewinds=1' \
    --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" 2>/dev/null
  local _
  for _ in $(seq 200); do pactl info >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}

stop_private_pulseaudio() {
  pulseaudio --kill 2>/dev/null
  local _
  for _ in $(seq 100); do pulseaudio --check 2>/dev/null || return 0; sleep 0.05; done
  return 0
}

start_test_audio() {
  # The CTest fixture's private server (tests/support/audio_fixture.sh), when it runs one.
  if [[ -n "${AURELITH_TEST_AUDIO:-}" && -S "$AURELITH_TEST_AUDIO/pulse/native" ]]; then
    export XDG_RUNTIME_DIR=$AURELITH_TEST_AUDIO
    unset PULSE_SERVER
  fi
  if pactl info >/dev/null 2>&1; then
    pactl list short sinks 2>/dev/null | awk '{print $2}' | grep -qx out && return 0
    local args='sink_name=out rate=44100 channels=2'
    # norewinds keeps PulseAudio's null sink in real time; PipeWire's does not know it.
    pactl info 2>/dev/null | grep -q 'PipeWire' || args+=' norewinds=1'
    AURELITH_AUDIO_MODULE=$(pactl load-module module-null-sink $args) \
      || { AURELITH_AUDIO_MODULE=; echo "note: cannot add a null sink to the running sound server"; return 1; }
    return 0
  fi
  command -v pulseaudio >/dev/null 2>&1 || { echo "note: no sound server and no pulseaudio daemon"; return 1; }
  AURELITH_AUDIO_RUNTIME=$(mktemp -d)
  chmod 700 "$AURELITH_AUDIO_RUNTIME"
  export XDG_RUNTIME_DIR=$AURELITH_AUDIO_RUNTIME
  start_private_pulseaudio || { echo "note: the private PulseAudio daemon did not start"; return 1; }
}

stop_test_audio() {
  if [[ -n "$AURELITH_AUDIO_MODULE" ]]; then
    pactl unload-module "$AURELITH_AUDIO_MODULE" 2>/dev/null
    AURELITH_AUDIO_MODULE=
  fi
  if [[ -n "$AURELITH_AUDIO_RUNTIME" ]]; then
    XDG_RUNTIME_DIR=$AURELITH_AUDIO_RUNTIME stop_private_pulseaudio
    rm -rf "$AURELITH_AUDIO_RUNTIME"
    AURELITH_AUDIO_RUNTIME=
  fi
  return 0
}
