#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts Aurelith.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DBUILD_TESTING=OFF -DAURELITH_BENCH=OFF
exec ./build/aurelith
