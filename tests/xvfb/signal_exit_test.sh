#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: signal_exit_test.sh AURELITH
#
# The real program on a private X server ends within a second with status 0 on
# SIGTERM, SIGINT and SIGHUP, both idle and while it plays and flashes, and
# leaves no half-written file behind. Plays into a private PulseAudio null sink
# when PulseAudio is installed, else into SDL's dummy output.
# Exits 77 (skipped) without Xvfb or xdotool. The display is the tests'
# (tests/support/test-display.sh); run by hand, the script starts one of its own.
set -u
APP=$(readlink -f "$1")

[ -n "${AURELITH_TEST_DISPLAY:-}" ] || exec "$(dirname "$0")/../support/test-display.sh" run "$0" "$@"
for tool in xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool not installed: skipped"; exit 77; }
done
source "$(dirname "$0")/../support/test-display.sh"
use_test_display
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=xcb
PULSE=
trap leave_private_session EXIT

if command -v pulseaudio >/dev/null 2>&1 && command -v pactl >/dev/null 2>&1; then
    start_private_pulseaudio && PULSE=1
    export SDL_AUDIODRIVER=pulseaudio
fi
[ -n "$PULSE" ] || export SDL_AUDIODRIVER=dummy

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Colour of one screen pixel as "r,g,b".
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'; }

# Clicks a point given in the window's client area (792 x 530 below the menu bar).
click() {
    local geometry width height
    geometry=$(xdotool getwindowgeometry --shell "$WID")
    eval "$geometry"
    local menu=$((HEIGHT - 530))
    xdotool mousemove $((X + $1)) $((Y + menu + $2)) click 1
    LAMP_X=$((X + 368)) LAMP_Y=$((Y + menu + 30))
}

# run SIGNAL playing|idle
run() {
    local signal=$1 mode=$2
    "$APP" >"$WORK/out.log" 2>&1 &
    local pid=$!
    WID=$(timeout 10 xdotool search --sync --onlyvisible --name 'Aurelith Binaural' | head -1)
    if [ -z "$WID" ]; then
        fail "$signal/$mode: no window"; cat "$WORK/out.log"; kill -KILL $pid; wait $pid 2>/dev/null; return
    fi
    sleep 0.5
    if [ "$mode" = playing ]; then
        click 44 184    # Start
        click 108 184   # Strobe On
        sleep 0.7
        [ "$(pixel "$LAMP_X" "$LAMP_Y")" = "255,0,0" ] || fail "$signal/$mode: the SND lamp did not light"
        if [ -n "$PULSE" ] && [ -z "$(pactl list short sink-inputs)" ]; then
            fail "$signal/$mode: nothing plays into the sound server"
        fi
    fi
    local sent
    sent=$(date +%s%N)
    kill -"$signal" $pid
    local waited=0
    while kill -0 $pid 2>/dev/null && [ $waited -lt 30 ]; do sleep 0.05; waited=$((waited + 1)); done
    local took=$((($(date +%s%N) - sent) / 1000000))
    if kill -0 $pid 2>/dev/null; then
        fail "$signal/$mode: still running 1.5 s after the signal"
        kill -KILL $pid
    fi
    wait $pid
    local status=$?
    [ $status -eq 0 ] || fail "$signal/$mode: exit status $status"
    [ $took -le 1000 ] || fail "$signal/$mode: took $took ms"
    local half
    half=$(find "$XDG_DATA_HOME/aurelith" -name '.*.??????' -o -type f -empty | head -1)
    [ -z "$half" ] || fail "$signal/$mode: left $half"
    echo "SIG$signal while $mode: exit $status after $took ms"
}

for signal in TERM INT HUP; do
    run $signal idle
    run $signal playing
done
[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all signals end the program cleanly"
