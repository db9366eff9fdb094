#!/usr/bin/env bash
# Configures and builds. Usage: build.sh [BUILD_DIR [cmake configure options...]]
# (default ./build). Running and testing use separate folders: build/ and build-test/.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
