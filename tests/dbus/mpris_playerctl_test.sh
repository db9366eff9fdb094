#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: mpris_playerctl_test.sh AURELITH
#
# playerctl, a real MPRIS client, reads the real program's status on a private
# bus while it plays into a private PulseAudio daemon: Playing while heard,
# not Playing once the sound server is gone, Playing again after the next
# start on a server that is back. Exits 77 (skipped) when a tool is missing,
# unless CI=true.
set -u
APP=$(readlink -f "$1")
skip() {
    echo "playerctl test: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
if [ -z "${AURELITH_UNDER_BUS:-}" ]; then
    for tool in playerctl pulseaudio pactl dbus-daemon; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
    done
    export AURELITH_UNDER_BUS=1
    exec "$(dirname "$0")/with_private_bus.sh" "$0" "$@"
fi

source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=offscreen PULSE_SINK=out
PID=
cleanup() {
    [ -n "$PID" ] && kill -KILL "$PID" 2>/dev/null
    leave_private_session
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
status() { playerctl -p aurelith status 2>/dev/null; }
# The status within a few seconds (the output is checked once a second).
expect_status() {
    for _ in $(seq 50); do
        [ "$(status)" = "$1" ] && return 0
        sleep 0.1
    done
    fail "$2: status $(status), not $1"
}

start_private_pulseaudio || { echo "FAIL: PulseAudio did not start"; exit 1; }
"$APP" >"$WORK/app.log" 2>&1 &
PID=$!
expect_status Stopped "after start-up"
playerctl -p aurelith play
expect_status Playing "after play"
stop_private_pulseaudio
expect_status Stopped "with the sound server gone"
start_private_pulseaudio || { echo "FAIL: PulseAudio did not come back"; exit 1; }
playerctl -p aurelith play
expect_status Playing "after play on the server that came back"
playerctl -p aurelith stop
expect_status Stopped "after stop"

kill -TERM $PID; wait $PID; PID=
[ $failures -eq 0 ] || { cat "$WORK/app.log"; echo "$failures failure(s)"; exit 1; }
echo "playerctl reads what is heard"
