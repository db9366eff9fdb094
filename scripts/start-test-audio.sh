#!/usr/bin/env bash
# Gives the tests a sound output named "out" that nobody hears. Source it, and
# call stop_test_audio on exit.
#
# Where a sound server already answers (a developer's PipeWire or PulseAudio)
# a null sink is loaded into it and unloaded again by stop_test_audio; the
# desktop's own devices are left alone. Where none answers (CI), a private
# PulseAudio daemon is started in a temporary runtime folder, and
# XDG_RUNTIME_DIR is exported so the clients find it.
AURELITH_AUDIO_MODULE=
AURELITH_AUDIO_RUNTIME=

start_test_audio() {
  if pactl info >/dev/null 2>&1; then
    pactl list short sinks 2>/dev/null | awk '{print $2}' | grep -qx out && return 0
    local args='sink_name=out rate=44100 channels=2'
    # norewinds keeps PulseAudio's null sink in real time; PipeWire's does not know it.
    pactl info 2>/dev/null | grep -q 'PipeWire' || args+=' norewinds=1'
    AURELITH_AUDIO_MODULE=$(pactl load-module module-null-sink $args) \
      || { AURELITH_AUDIO_MODULE=; echo "note: cannot add a null sink to the running sound server"; }
    return 0
  fi
  command -v pulseaudio >/dev/null 2>&1 || { echo "note: no sound server and no pulseaudio daemon"; return 0; }
  AURELITH_AUDIO_RUNTIME=$(mktemp -d)
  chmod 700 "$AURELITH_AUDIO_RUNTIME"
  export XDG_RUNTIME_DIR=$AURELITH_AUDIO_RUNTIME
  pulseaudio -D --system=false -n --exit-idle-time=-1 --disallow-exit \
    --load=module-native-protocol-unix \
    --load='module-null-sink sink_name=out rate=44100 channels=2 norewinds=1' \
    --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" 2>/dev/null
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || echo "note: the private PulseAudio daemon did not start"
}

stop_test_audio() {
  if [[ -n "$AURELITH_AUDIO_MODULE" ]]; then
    pactl unload-module "$AURELITH_AUDIO_MODULE" 2>/dev/null
    AURELITH_AUDIO_MODULE=
  fi
  if [[ -n "$AURELITH_AUDIO_RUNTIME" ]]; then
    XDG_RUNTIME_DIR=$AURELITH_AUDIO_RUNTIME pulseaudio --kill 2>/dev/null
    rm -rf "$AURELITH_AUDIO_RUNTIME"
    AURELITH_AUDIO_RUNTIME=
  fi
  return 0
}

start_test_audio
