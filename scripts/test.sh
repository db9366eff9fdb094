#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
bash scripts/build.sh -DBUILD_TESTING=ON -DAURELITH_BENCH=ON

# A locale with a decimal comma, to prove numbers never follow the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf-\?8$'; then
  sudo_cmd=(); [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: no de_DE locale for the locale test"
fi

source scripts/start-test-audio.sh
trap '[[ -n "${AURELITH_PULSE_STARTED:-}" ]] && pulseaudio --kill 2>/dev/null; true' EXIT

cd build
ctest --output-on-failure -j2
