#!/usr/bin/env bash
# Starts a private PulseAudio daemon whose only output is a null sink named "out",
# so tests can play and record real audio without a sound card.
# Source it: it exports XDG_RUNTIME_DIR for the clients.
if [[ -z "${AURELITH_PULSE_STARTED:-}" ]]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
  # norewinds keeps the null sink running in real time.
  pulseaudio -D --system=false -n --exit-idle-time=-1 --disallow-exit \
    --load=module-native-protocol-unix \
    --load='module-null-sink sink_name=out rate=44100 channels=2 norewinds=1' \
    --log-target=file:"$XDG_RUNTIME_DIR/pulse.log" 2>/dev/null
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 && export AURELITH_PULSE_STARTED=1
fi
