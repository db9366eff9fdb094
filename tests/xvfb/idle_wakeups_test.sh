#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: idle_wakeups_test.sh AURELITH [SECONDS]
#
# The real program on Xvfb, its caret in a box, nothing playing or flashing:
# over SECONDS (10) `strace -f -c` must see no wait that timed out, that is no
# wake-up at all. Prints the summary, the figure the README's idle row gives.
# Exits 77 (skipped) without Xvfb or strace, unless CI=true. The display is
# the tests' (tests/support/test-display.sh); run by hand, the script starts
# one of its own.
set -u
APP=$(readlink -f "$1")
SECONDS_IDLE=${2:-10}
[ -n "${AURELITH_TEST_DISPLAY:-}" ] || exec "$(dirname "$0")/../support/test-display.sh" run "$0" "$@"
for tool in xdotool strace; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is missing"
        [ "${CI:-}" = true ] && exit 1
        exit 77
    fi
done
source "$(dirname "$0")/../support/test-display.sh"
use_test_display
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    leave_private_session
}
trap cleanup EXIT

export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
unset DBUS_SESSION_BUS_ADDRESS
"$APP" >"$WORK/app.log" 2>&1 &
app_pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Aurelith' | head -1)
[ -n "$win" ] || { cat "$WORK/app.log"; echo "FAIL: no window"; exit 1; }
# The caret in the left frequency box, as after a click there; then the
# output opened at the start closes once it has played 3 s of silence.
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool mousemove --window "$win" 30 40 click 1
sleep 5
timeout -s INT "$SECONDS_IDLE" strace -f -c -p "$app_pid" -o "$WORK/strace.txt" 2>/dev/null
cat "$WORK/strace.txt"
waits=$(awk '$NF ~ /^(poll|ppoll|select|pselect6|epoll_wait|epoll_pwait)$/ {n += $4} END {print n + 0}' "$WORK/strace.txt")
echo "idle: $waits waits in ${SECONDS_IDLE} s"
[ "$waits" -eq 0 ] || { echo "FAIL: the idle window woke up"; exit 1; }
