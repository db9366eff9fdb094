#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tests' X display: Xvfb on a display number it finds free itself (so
# builds and users on one machine never meet), a CTest fixture
# (tests/CMakeLists.txt).
#   test-display.sh start DIR    starts it; DIR/display holds its number
#   test-display.sh stop DIR     stops it and removes DIR
#   test-display.sh run CMD...   CMD with a display of its own (a rig run by hand)
# A test gets AURELITH_TEST_DISPLAY=DIR, sources this file and calls
# use_test_display, which exports DISPLAY. Without Xvfb, start and
# use_test_display exit 77 (skipped), unless CI=true, where that is a failure.

use_test_display() {
  local dir=${AURELITH_TEST_DISPLAY:?no test display: run through ctest or test-display.sh run}
  if [[ ! -s "$dir/display" ]]; then
    echo "no test display (is Xvfb installed?)"
    [[ "${CI:-}" == true ]] && exit 1
    exit 77
  fi
  DISPLAY=":$(cat "$dir/display")"
  export DISPLAY
}

[[ "${BASH_SOURCE[0]}" == "$0" ]] || return 0

set -u
stop() {
  local dir=$1 pid _
  pid=$(cat "$dir/pid" 2>/dev/null)
  # Only our Xvfb: a pid left by a killed run may be another process's by now.
  if [[ -n "$pid" && "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xvfb ]]; then
    kill "$pid"
    wait "$pid" 2>/dev/null # ours when `run` started it
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  fi
  rm -rf "$dir"
}
start() {
  local dir=$1 _
  stop "$dir" # what a run that was killed left
  if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Xvfb is missing"
    [[ "${CI:-}" == true ]] && exit 1
    exit 77
  fi
  mkdir -m 700 "$dir"
  # Its own session, every descriptor on a file: it outlives this script, and
  # ctest waits for no pipe of it. -displayfd: the number, once it is ready.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/number" </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do [[ -s "$dir/number" ]] && break; sleep 0.1; done
  if [[ ! -s "$dir/number" ]]; then
    cat "$dir/xvfb.log"
    echo "FAIL: Xvfb did not start"
    stop "$dir"
    exit 1
  fi
  mv "$dir/number" "$dir/display"
  echo "test display :$(cat "$dir/display")"
}

case "${1:-}" in
  start | stop) "$1" "$2" ;;
  run)
    shift
    export AURELITH_TEST_DISPLAY
    AURELITH_TEST_DISPLAY=$(mktemp -d)
    trap 'stop "$AURELITH_TEST_DISPLAY"' EXIT
    start "$AURELITH_TEST_DISPLAY"
    "$@"
    ;;
  *) echo "usage: test-display.sh start|stop DIR | run COMMAND..." >&2; exit 2 ;;
esac
