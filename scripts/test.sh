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
sanitizer_excluded='^(real_audio_|real_window_|ScanWindowTest$)'
tsan_filter='Mixer*:Limiter*:MaskStream*:SoundEngine*:PinkNoise*:SoundDecoder*:Playback*'

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

(cd build-test && ctest --output-on-failure -j2)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (undefined behaviour aborts), leaks included; only leaks inside system
# libraries are suppressed (tests/sanitizers/lsan.supp). The tests that keep
# time with the wall clock (the real-audio recordings, the Xvfb strobe timing
# and ScanWindowTest) stay in the plain run: the sanitizers slow them too much.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
cmake --preset asan >/dev/null
cmake --build --preset asan
(cd build-asan && ctest --output-on-failure -j2 -E "$sanitizer_excluded")

# The sound engine's threads (the audio callback, the stream readers, the pink
# noise worker) against the window thread, under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp" \
  build-tsan/tests/aurelith_tests --gtest_filter="$tsan_filter"
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

# Each fuzz target for a short, fixed number of runs (clang, libFuzzer).
bash scripts/fuzz.sh -runs=2000
