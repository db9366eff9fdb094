#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: weston_flash_test.sh BEATCHECK LIGHT_ON_BEAT_PY WESTON_FLASH_PY
#
# The strobe under Qt's Wayland platform on a private headless Weston (its
# presentation-time feedback on CLOCK_MONOTONIC_RAW, tens of ms from commit
# to present) and a private PulseAudio null sink: 20 s at a 7.83 Hz beat with
# the flash log, judged by weston_flash.py. Exits 77 (skipped) when the tools
# are missing, unless CI=true, where that is a failure. KEEP=DIR keeps the
# run's files there.
set -u
BEATCHECK=$1
LIGHT_ON_BEAT=$2
JUDGE=$3
PYTHON=/usr/bin/python3

skip() {
    echo "light on the beat under Weston: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
for tool in weston pulseaudio pactl; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing (scripts/install-deps.sh --test installs it)"
done
"$PYTHON" -c 'import numpy' 2>/dev/null || skip "$PYTHON has no numpy"
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 || skip "Qt's Wayland platform (qt6-wayland) is missing"

source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
WESTON=
finish() {
    [ -n "$WESTON" ] && kill "$WESTON" 2>/dev/null && wait "$WESTON" 2>/dev/null
    [ -n "${KEEP:-}" ] && cp -r "$WORK/run1/." "$KEEP"
    leave_private_session
}
trap finish EXIT
start_private_pulseaudio || { echo "FAIL: the private PulseAudio daemon did not start"; exit 1; }

socket=aurelith-test-$$
weston --backend=headless-backend.so --socket="$socket" --idle-time=0 >"$WORK/weston.log" 2>&1 &
WESTON=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || { echo "FAIL: weston did not start"; cat "$WORK/weston.log"; exit 1; }

export WAYLAND_DISPLAY=$socket PULSE_SINK=out QT_QPA_PLATFORM=wayland QT_LOGGING_RULES='aurelith.audio.info=true'
unset DISPLAY
mkdir -p "$WORK/run1"
"$BEATCHECK" "$WORK/run1" wayland count 7.83 >"$WORK/run1/program.log" 2>&1 \
    || { echo "FAIL: the driver failed"; tail -20 "$WORK/run1/program.log"; exit 1; }
grep -E 'flash surface|light on the beat' "$WORK/run1/program.log" | sed -n '1,3p;$p'
"$PYTHON" "$JUDGE" "$LIGHT_ON_BEAT" "$WORK/run1" 160 167.83 7.83
