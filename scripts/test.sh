#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ sources (clang-format),
# builds everything into build-test/ and runs every
# test, the packaging checks included. Harmless on a developer's desktop: it
# adds a silent sink to a running sound server (removed again) or starts a
# private one, keeps its test locale in a temporary folder, and removes every
# temporary folder on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
bash scripts/check-format.sh
bash scripts/build.sh build-test -DBUILD_TESTING=ON -DAURELITH_BENCH=ON

temporary=()
source scripts/start-test-audio.sh
cleanup() {
  set +e
  stop_test_audio
  rm -rf "${temporary[@]}"
}
trap cleanup EXIT

bash scripts/check-packaging.sh build-test

# A locale with a decimal comma, to prove numbers never follow the user's
# locale; generated into a private folder unless the system has one.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  locales=$(mktemp -d)
  temporary+=("$locales")
  localedef -i de_DE -f UTF-8 "$locales/de_DE.UTF-8" >/dev/null 2>&1 || true
  if [[ -e "$locales/de_DE.UTF-8/LC_NUMERIC" ]]; then
    export LOCPATH=$locales
  else
    echo "note: no de_DE locale for the locale test"
  fi
fi

cd build-test
ctest --output-on-failure -j2
