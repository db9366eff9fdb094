#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: mpris_playerctl_test.sh AURELITH
#
# playerctl, a real MPRIS client, reads the real program's status on a private
# bus while it plays into a private PulseAudio daemon: Playing while heard,
# not Playing once the sound server is gone, Playing again after the next
# start on a server that is back; Playing through a scan's steps, retunes
# included, and Stopped after Stop. The window is on Xvfb so the scan can be
# started as a user does (the tests' display, tests/support/test-display.sh;
# run by hand, the script starts one of its own). Exits 77 (skipped) when a
# tool is missing, unless CI=true.
set -u
APP=$(readlink -f "$1")
skip() {
    echo "playerctl test: $1"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
}
[ -n "${AURELITH_TEST_DISPLAY:-}" ] || exec "$(dirname "$0")/../support/test-display.sh" run "$0" "$@"
if [ -z "${AURELITH_UNDER_BUS:-}" ]; then
    for tool in playerctl pulseaudio pactl dbus-daemon xdotool; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing"
    done
    export AURELITH_UNDER_BUS=1
    exec "$(dirname "$0")/with_private_bus.sh" "$0" "$@"
fi

source "$(dirname "$0")/../support/test-display.sh"
use_test_display
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=xcb PULSE_SINK=out
PID= FOLLOW=
cleanup() {
    [ -n "$PID" ] && kill -KILL "$PID" 2>/dev/null
    [ -n "$FOLLOW" ] && kill "$FOLLOW" 2>/dev/null
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

# A click at logical pixels of the form, below the menu bar.
click() {
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    xdotool mousemove $((X + $1)) $((Y + HEIGHT - 530 + $2)) click 1
}

start_private_pulseaudio || { echo "FAIL: PulseAudio did not start"; exit 1; }
"$APP" >"$WORK/app.log" 2>&1 &
PID=$!
WID=$(timeout 10 xdotool search --sync --onlyvisible --name 'Aurelith Binaural' | head -1)
[ -n "$WID" ] || { cat "$WORK/app.log"; echo "FAIL: no window"; exit 1; }
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

# A scan of 300 ms steps (ScanTime, Custom), started with ScanOn: every status
# playerctl hears while six steps retune must be Playing, then Stopped after
# ScanOff. (Stop alone leaves the scanner running: its next step plays again.)
xdotool mousemove --window "$WID" 320 9 click 1 # the menu bar's "&ScanTime"
sleep 0.5
xdotool key c
sleep 0.5
xdotool type 300; xdotool key Return
sleep 0.5
click 492 232 # "ScanOn"
expect_status Playing "after ScanOn"
playerctl -p aurelith --follow status >"$WORK/follow.log" 2>/dev/null &
FOLLOW=$!
sleep 1.8
grep -v '^Playing$' "$WORK/follow.log" | grep -q . && fail "during the scan playerctl heard: $(tr '\n' ' ' <"$WORK/follow.log")"
click 492 256 # "ScanOff"
expect_status Stopped "after ScanOff"
kill $FOLLOW; FOLLOW=

kill -TERM $PID; wait $PID; PID=
[ $failures -eq 0 ] || { cat "$WORK/app.log"; echo "$failures failure(s)"; exit 1; }
echo "playerctl reads what is heard"
