#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: real_audio_test.sh PLAYER MEASURE_PY [clicks CLICKS_PY | purity]
#
# With "clicks": ten band buttons pressed over the pink-noise mask instead, and
# the recording searched for clicks. With "purity": a 1 kHz sine into a sink
# that keeps float samples, recorded as float, and every other component
# measured against it.
#
# Plays "M Alpha" (160 Hz and 170 Hz) through the real SDL sound path into a
# PulseAudio null sink, records the sink's monitor and measures the recording.
# Starts a private PulseAudio server when none answers. Exits 77 (skipped) when
# the tools are missing, unless CI=true, where that is a failure.
set -u

PLAYER=$1
MEASURE_PY=$2
MODE=${3:-pitch}
CLICKS_PY=${4:-}
PYTHON=/usr/bin/python3
PLAY_SECONDS=5

skip() {
    echo "real audio test: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}

for tool in pulseaudio pactl parecord timeout; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
"$PYTHON" -c 'import numpy' 2>/dev/null || skip "$PYTHON has no numpy"

source "$(dirname "$0")/../support/test-audio.sh"
WORK=$(mktemp -d)
REC_PID=
FLOAT_MODULE=
cleanup() {
    if [ -n "$REC_PID" ]; then kill -INT "$REC_PID" 2>/dev/null; wait "$REC_PID" 2>/dev/null; fi
    [ -n "$FLOAT_MODULE" ] && pactl unload-module "$FLOAT_MODULE" 2>/dev/null
    stop_test_audio
    rm -rf "$WORK"
}
trap cleanup EXIT

if ! start_test_audio; then
    [ -n "$AURELITH_AUDIO_RUNTIME" ] && cat "$AURELITH_AUDIO_RUNTIME/pulse.log"
    echo "FAIL: no sound server with a null sink"
    exit 1
fi
# The player must play into the sink we record, whatever the server's default.
export PULSE_SINK=out
export SDL_AUDIODRIVER=pulseaudio
RECORD_FORMAT=()
if [ "$MODE" = purity ]; then
    # 16-bit steps alone would sit near -90 dB: a sink and a recording in float.
    FLOAT_MODULE=$(pactl load-module module-null-sink sink_name=outfloat format=float32le rate=44100 channels=2 \
        norewinds=1) || { echo "FAIL: cannot add a float null sink"; exit 1; }
    PULSE_SINK=outfloat
    RECORD_FORMAT=(--format=float32le)
fi

# --latency-msec=20: otherwise the last ~2 s are lost when parecord is stopped.
timeout -s INT 60 parecord --device="$PULSE_SINK.monitor" "${RECORD_FORMAT[@]}" --file-format=wav --latency-msec=20 \
    "$WORK/rec.wav" &
REC_PID=$!
sleep 0.5

# How the desktop's mixer sees the stream, looked at while it plays.
(sleep 2; pactl list sink-inputs >"$WORK/inputs.txt" 2>&1) &
LIST_PID=$!
if [ "$MODE" = clicks ]; then
    timeout 60 "$PLAYER" 6 presses
elif [ "$MODE" = purity ]; then
    timeout 60 "$PLAYER" "$PLAY_SECONDS" sine 1000
else
    timeout 60 "$PLAYER" "$PLAY_SECONDS"
fi
status=$?
wait "$LIST_PID"
sleep 0.5
kill -INT "$REC_PID" 2>/dev/null
wait "$REC_PID" 2>/dev/null
REC_PID=
if [ "$status" -ne 0 ]; then
    echo "FAIL: the player exited with $status"
    exit 1
fi
[ -s "$WORK/rec.wav" ] || { echo "FAIL: nothing was recorded"; exit 1; }
for property in 'application.name = "Aurelith"' 'media.name = "Aurelith"' 'media.role = "music"'; do
    grep -qF "$property" "$WORK/inputs.txt" || { cat "$WORK/inputs.txt"; echo "FAIL: the stream lacks $property"; exit 1; }
done
echo "the mixer lists the stream as Aurelith, role music"

# Not exec: the exit trap must still stop the sound server and remove $WORK.
if [ "$MODE" = clicks ]; then
    "$PYTHON" "$CLICKS_PY" "$WORK/rec.wav"
elif [ "$MODE" = purity ]; then
    "$PYTHON" "$MEASURE_PY" purity "$WORK/rec.wav" 1000 90
else
    "$PYTHON" "$MEASURE_PY" "$WORK/rec.wav" 160 170 10
fi
