#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: headphone_channels_test.sh HEADPHONECHECK
#
# The headphone check takes the channels from the sink the output really
# plays to, through libpulse and through SDL: on the stereo null sink it shows
# the two ears' boxes, on a one-channel null sink only the message that two
# channels are needed.
# Exits 77 (skipped) when the tools are missing, unless CI=true.
set -u
CHECK=$(readlink -f "$1")
skip() {
    echo "headphone channels test: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
for tool in pulseaudio pactl; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
done
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
trap leave_private_session EXIT
start_private_pulseaudio || skip "the private PulseAudio daemon did not start"
pactl load-module module-null-sink sink_name=mono rate=44100 channels=1 norewinds=1 >/dev/null \
    || skip "cannot add a one-channel sink"

status=0
# Through libpulse, and through SDL's PulseAudio driver, which takes the first
# sink's channels for the default device's.
for driver in "" pulseaudio; do
    for sink_boxes in "out:left right" "mono:mono"; do
        got=$(SDL_AUDIODRIVER=$driver PULSE_SINK=${sink_boxes%%:*} "$CHECK" | xargs)
        echo "${driver:-libpulse}, sink ${sink_boxes%%:*}: boxes '$got'"
        [ "$got" = "${sink_boxes#*:}" ] || { echo "FAIL: expected '${sink_boxes#*:}'"; status=1; }
    done
done
exit $status
