#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: second_start_test.sh AURELITH
#
# Two real copies on one data folder (Qt offscreen, SDL's dummy output): the
# second asks the first to show its window and ends with status 0; a copy that
# was killed leaves nothing that stops the next start; a copy that holds the
# folder but does not answer (stopped) is never run beside: the next start
# names it and ends with status 1. A running copy whose socket was deleted
# makes it again, and one whose folder was renamed or deleted still holds the
# folder's path: the next start raises it, as does one under another
# XDG_RUNTIME_DIR.
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
    for _ in $(seq 100); do grep -q "listening on" "$WORK/$1.log" && return; sleep 0.05; done
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
# The socket and the lock live in the runtime folder; the data folder holds
# only the user's files: after a first run the two tone files and exactly the
# 39 data files it writes.
socket=$(grep -o "listening on .*" "$WORK/first.log" | sed 's/listening on "\(.*\)"/\1/')
case "$socket" in "$XDG_RUNTIME_DIR"/*) ;; *) fail "the socket $socket is not in \$XDG_RUNTIME_DIR" ;; esac
runtime=$(find "$FOLDER" -mindepth 1 \( -type s -o -name '*lock*' \) | head -3)
[ -z "$runtime" ] || fail "runtime files in the data folder: $runtime"
files=$(find "$FOLDER" -mindepth 1 ! -name freq1.wav ! -name freq2.wav | wc -l)
[ "$files" -eq 39 ] || { fail "the data folder holds $files entries after a first run, not 39 besides the tone files"; ls -a "$FOLDER" | tr "\n" " "; }
kill -TERM $first; wait $first

# 2. A copy killed outright leaves its socket: the next start runs all the same.
start_first killed
kill -KILL $LAST; wait $LAST 2>/dev/null
"$APP" >"$WORK/after-kill.log" 2>&1 &
taker=$!; PIDS+=("$taker")
still_runs $taker 2 || { fail "a start after a killed copy did not run"; cat "$WORK/after-kill.log"; }
# ...and it is the one that answers now.
status=$(run_second third)
[ "$status" -eq 0 ] || fail "a start after the take-over ended with $status"
kill -TERM $taker; wait $taker

# 3. A copy that holds the folder but does not answer is named, never run beside.
refused_beside() { # NAME PID: a start that must end with 1 and name the copy
    status=$(run_second "$1")
    [ "$status" -eq 1 ] || fail "$1: a start beside a copy that does not answer ended with $status"
    grep -q "process $2" "$WORK/$1.log" || { fail "$1: the message does not name process $2"; cat "$WORK/$1.log"; }
}
start_first stopped
stopped=$LAST
kill -STOP $stopped
refused_beside beside-stopped $stopped
kill -CONT $stopped
still_runs $stopped 0.5 || fail "the stopped copy did not run on"
kill -TERM $stopped; wait $stopped

# 4. The running copy is answered whatever happens to its socket or its folder.
raised_by() { # NAME: a start that must raise the running copy and end with 0
    status=$(run_second "$1")
    [ "$status" -eq 0 ] || { fail "$1: a start beside the running copy ended with $status"; cat "$WORK/$1.log"; }
}
start_first running
running=$LAST
socket=$(grep -o "listening on .*" "$WORK/running.log" | sed 's/listening on "\(.*\)"/\1/')
rm -f "$socket"
sleep 0.3
raised_by socket-gone
rm -f "$socket"; echo "not a socket" >"$socket"
sleep 0.3
raised_by socket-is-a-file
# A start under another runtime folder finds the running copy through the
# folder's lock holder and its own socket.
other_runtime=$WORK/other-runtime
mkdir -m 700 "$other_runtime"
XDG_RUNTIME_DIR=$other_runtime raised_by other-runtime
mv "$FOLDER" "$FOLDER.renamed"
raised_by folder-renamed
rm -rf "$FOLDER" "$FOLDER.renamed"
raised_by folder-deleted
kill -0 $running 2>/dev/null || fail "the running copy ended"
kill -TERM $running; wait $running

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "second starts raise the first; one copy per folder, always"
