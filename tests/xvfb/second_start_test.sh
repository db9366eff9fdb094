#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: second_start_test.sh AURELITH
#
# Two real copies on one data folder (Qt offscreen, SDL's dummy output): the
# second asks the first to show its window and ends with status 0; a lock left
# by a copy that was killed, or held by a copy that no longer answers, is taken over.
set -u
APP=$(readlink -f "$1")
source "$(dirname "$0")/../support/test-audio.sh"
enter_private_session
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy QT_LOGGING_RULES="aurelith.instance.info=true"
FOLDER=$XDG_DATA_HOME/aurelith
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill -KILL "$p" 2>/dev/null; done
    leave_private_session
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts a copy in the background; LAST is its pid. Waits until it listens.
start_first() {
    "$APP" >"$WORK/$1.log" 2>&1 &
    LAST=$!
    PIDS+=("$LAST")
    for _ in $(seq 100); do [ -S "$FOLDER/aurelith.socket" ] && [ -e "$FOLDER/aurelith.lock" ] && return; sleep 0.05; done
    fail "$1 never listened"; cat "$WORK/$1.log"
}

# Runs a copy that should end by itself within 3 s; echoes its status.
run_second() {
    timeout 3 "$APP" >"$WORK/$1.log" 2>&1
    echo $?
}

still_runs() { sleep "$2"; kill -0 "$1" 2>/dev/null; }

# 1. A second start raises the first and ends; the first keeps running.
start_first first
first=$LAST
status=$(run_second second)
[ "$status" -eq 0 ] || fail "second start ended with $status (124: it did not end)"
for _ in $(seq 40); do grep -q "second start asked" "$WORK/first.log" && break; sleep 0.05; done
grep -q "second start asked" "$WORK/first.log" || fail "the first copy was not asked to show its window"
kill -0 $first 2>/dev/null || fail "the first copy ended"
# A clean end removes the lock, so the next start runs.
kill -TERM $first; wait $first
[ -e "$FOLDER/aurelith.lock" ] && fail "the lock outlived a clean end"

# 2. A copy killed outright leaves its lock and socket: the next start takes over.
start_first killed
kill -KILL $LAST; wait $LAST 2>/dev/null
"$APP" >"$WORK/after-kill.log" 2>&1 &
taker=$!; PIDS+=("$taker")
still_runs $taker 2 || { fail "a start after a killed copy did not run"; cat "$WORK/after-kill.log"; }
# ...and it is the one that answers now.
status=$(run_second third)
[ "$status" -eq 0 ] || fail "a start after the take-over ended with $status"
kill -TERM $taker; wait $taker

# 3. A copy that holds the lock but no longer answers (stopped) is taken over.
start_first stopped
stopped=$LAST
kill -STOP $stopped
"$APP" >"$WORK/after-stop.log" 2>&1 &
taker=$!; PIDS+=("$taker")
still_runs $taker 4 || { fail "a start beside a stopped copy did not run"; cat "$WORK/after-stop.log"; }
grep -q "does not answer" "$WORK/after-stop.log" || fail "the take-over was not noted"
kill -KILL $stopped; kill -TERM $taker; wait $taker

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "second starts raise the first; stale locks are taken over"
