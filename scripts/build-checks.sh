#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the sanitizer and fuzz configurations one after another, for
# scripts/test.sh to run later. Each build's output goes to STATUS_DIR/NAME.log
# and, when it ends, its exit status to STATUS_DIR/NAME.status (asan, tsan,
# fuzz), so the caller can start on a build's tests as soon as it is ready.
# Usage: build-checks.sh STATUS_DIR
set -uo pipefail
cd "$(dirname "$0")/.."
out=$1
build() {
  local name=$1 status
  shift
  "$@" >"$out/$name.log" 2>&1
  status=$?
  echo "$status" >"$out/$name.status"
}
build asan bash -c 'cmake --preset asan >/dev/null && cmake --build --preset asan'
build tsan bash -c 'cmake --preset tsan >/dev/null && cmake --build --preset tsan'
build fuzz bash scripts/fuzz.sh --build-only
