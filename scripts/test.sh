#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
bash scripts/build.sh -DBUILD_TESTING=ON -DAURELITH_BENCH=ON

source scripts/start-test-audio.sh
trap '[[ -n "${AURELITH_PULSE_STARTED:-}" ]] && pulseaudio --kill 2>/dev/null; true' EXIT

cd build
ctest --output-on-failure -j2
