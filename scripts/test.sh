#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ sources (clang-format),
# builds into build-test/ and runs every test, the packaging checks included;
# then the suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), the sound tests under ThreadSanitizer (build-tsan/), both
# with assertions on, and a short run of each fuzz target (build-fuzz/).
# The sanitizer and fuzz builds run in the background at the idle priority
# while the plain tests run: most of those wait on real time (the sound
# server, the display), so the builds take only the processor time the tests
# leave idle, and every test still runs against a finished build.
# Ends on one line per stage's count and "summary: N passed, M failed" (N
# counts every test and fuzz target run); exits non-zero on any failure.
# Harmless on a developer's desktop: it adds a silent sink to a running sound
# server (removed again) or starts a private one, keeps its test locale in a
# temporary folder, and removes every temporary folder on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
scratch=$(mktemp -d)
temporary=("$scratch")
stage="installing the packages"
passed=0
failed=0
counts=()
audio_started=
checks_pid=

cleanup() {
  local status=$?
  set +e
  if [[ -n "$checks_pid" ]]; then
    kill -- -"$checks_pid" 2>/dev/null
    kill -CONT -- -"$checks_pid" 2>/dev/null # a stopped group acts on the signal once it runs
  fi
  [[ -n "$audio_started" ]] && stop_test_audio
  rm -rf "${temporary[@]}"
  if [[ $status -ne 0 && -n "$stage" ]]; then
    echo "FAILED: $stage"
    echo "summary: $passed passed, $((failed + 1)) failed"
  fi
  exit $status
}
trap cleanup EXIT

bash scripts/install-deps.sh --test
stage="the format check"
bash scripts/check-format.sh
stage="the build (build-test)"
# Line tables only (-g1): symbolised backtraces at two thirds of the compile
# time of full debug information; build/ keeps -g for the debugger.
# Unity batches (as in every preset): the headers each test file shares are
# parsed once per eight files, a third less compile time in all.
bash scripts/build.sh build-test -DBUILD_TESTING=ON -DAURELITH_BENCH=ON -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  | tee "$scratch/plain.log"

# setsid: the builds form their own process group, which cleanup can stop whole.
# SCHED_IDLE (chrt -i): they get a processor only when no test wants it, so a
# timed test (the light against the sound) is never held up by a compiler.
idle=(chrt -i 0)
"${idle[@]}" true 2>/dev/null || idle=() # a system without SCHED_IDLE still has nice
setsid "${idle[@]}" nice -n 19 bash scripts/build-checks.sh "$scratch" &
checks_pid=$!

# Waits for one of the background builds and shows its output; fails when it did.
await_build() {
  local name=$1
  while [[ ! -e "$scratch/$name.status" ]] && kill -0 "$checks_pid" 2>/dev/null; do
    sleep 1
  done
  cat "$scratch/$name.log" 2>/dev/null
  [[ "$(cat "$scratch/$name.status" 2>/dev/null)" == 0 ]]
}

source scripts/start-test-audio.sh
audio_started=1

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

# Runs ctest in a build folder and adds its counts, read from ctest's own
# closing lines, to the totals and to its label's (a label may run in parts).
# Usage: run_ctest LABEL DIR [CTEST_OPTION...]
declare -A label_passed label_failed label_skipped
labels=()
run_ctest() {
  local label=$1 dir=$2 status=0
  shift 2
  (cd "$dir" && ctest --output-on-failure -j"$jobs" "$@") 2>&1 | tee "$scratch/$label.log" || status=$?
  local line total bad skipped
  [[ -n "${label_passed[$label]+set}" ]] || { labels+=("$label"); label_passed[$label]=0; label_failed[$label]=0; label_skipped[$label]=0; }
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$scratch/$label.log" | tail -n 1) || true
  if [[ -z "$line" ]]; then
    echo "FAIL: $label: ctest ran no tests"
    label_failed[$label]=$((label_failed[$label] + 1))
    failed=$((failed + 1))
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$scratch/$label.log") || true
  [[ $status -eq 0 || $bad -gt 0 ]] || bad=1 # ctest failed on its own
  passed=$((passed + total - bad - skipped))
  failed=$((failed + bad))
  label_passed[$label]=$((label_passed[$label] + total - bad - skipped))
  label_failed[$label]=$((label_failed[$label] + bad))
  label_skipped[$label]=$((label_skipped[$label] + skipped))
}

# One label's counts, for the closing line.
label_counts() {
  local label=$1 text
  text="$label ${label_passed[$label]} passed"
  [[ ${label_failed[$label]} -eq 0 ]] || text+=", ${label_failed[$label]} failed"
  [[ ${label_skipped[$label]} -eq 0 ]] || text+=" (${label_skipped[$label]} skipped)"
  echo "$text"
}

stage=
run_ctest plain build-test -LE sound_timing
# The recordings judged by their timing or for dropouts run with the background
# builds stopped: on this kind of machine even an idle-priority compiler
# delayed the sound enough for the server to run dry.
# On a shared machine the sound server still runs dry now and then, so a
# recording that fails is made once more; both runs print their figures.
kill -STOP -- -"$checks_pid" 2>/dev/null || true
run_ctest plain build-test -L sound_timing --repeat until-pass:2
kill -CONT -- -"$checks_pid" 2>/dev/null || true

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (undefined behaviour aborts), leaks included; only leaks inside system
# libraries are suppressed (tests/sanitizers/lsan.supp). The tests that keep
# time with the wall clock (label wall_clock: the real-audio recordings, the
# Xvfb strobe timing and ScanWindowTest) stay in the plain run: the sanitizers
# slow them too much. The build has assertions on, so the death tests run.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
stage="the ASan+UBSan build"
await_build asan
stage=
run_ctest ASan+UBSan build-asan -LE wall_clock

# The sound engine's threads (the audio callback, the stream readers, the pink
# noise worker) against the window thread, under ThreadSanitizer: the build
# holds only the sound suites (AURELITH_TEST_SUITES in CMakePresets.json).
stage="the TSan build"
await_build tsan
stage=
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"
run_ctest TSan build-tsan -L unit
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS
# Those suites are all there: as many tests as the plain build has of them.
suites=$(sed -n 's/^AURELITH_TEST_SUITES:STRING=//p' build-tsan/CMakeCache.txt)
wanted=$(build-test/tests/aurelith_tests --gtest_list_tests --gtest_filter="${suites//;/*:}*" | grep -c '^  ') || true
ran=$(grep -E '^[0-9]+% tests passed' "$scratch/TSan.log" | sed -E 's/.* out of ([0-9]+).*/\1/') || true
if [[ "$ran" != "$wanted" ]]; then
  echo "FAIL: the TSan build holds ${ran:-no} tests of its suites; the plain build has $wanted"
  failed=$((failed + 1))
fi

# Each fuzz target for a short, fixed number of runs (clang, libFuzzer).
stage="the fuzz build"
await_build fuzz
stage=
fuzz_status=0
bash scripts/fuzz.sh -runs=2000 2>&1 | tee "$scratch/fuzz.log" || fuzz_status=$?
stage=
fuzz_done=$(grep -cE '^Done [0-9]+ runs' "$scratch/fuzz.log") || true
fuzz_bad=$(grep -cE '^FAIL: ' "$scratch/fuzz.log") || true
[[ $fuzz_status -eq 0 || $fuzz_bad -gt 0 ]] || fuzz_bad=1
runs=$(sed -nE 's/^Done ([0-9]+) runs.*/\1/p' "$scratch/fuzz.log" | sort -u | paste -sd/)
passed=$((passed + fuzz_done))
failed=$((failed + fuzz_bad))
text="fuzz $fuzz_done x ${runs:-0} runs"
[[ $fuzz_bad -eq 0 ]] || text+=", $fuzz_bad failed"
counts+=("$text")

# The builds print no warning; one that appears fails the run, so none creeps
# into a configuration unseen (each compiler and sanitizer warns differently).
warnings=$(cat "$scratch"/{plain,asan,tsan,fuzz}.log 2>/dev/null | grep ': warning: ' | sort -u) || true
if [[ -n "$warnings" ]]; then
  echo "$warnings"
  echo "FAIL: the builds printed $(wc -l <<<"$warnings") compiler warning(s)"
  failed=$((failed + 1))
fi

echo
ordered=()
for label in "${labels[@]}"; do ordered+=("$(label_counts "$label")"); done
counts=("${ordered[@]}" "${counts[@]}")
summary=$(printf '%s, ' "${counts[@]}")
if [[ $failed -eq 0 ]]; then
  echo "${summary%, }: all passed"
else
  echo "${summary%, }: FAILED"
fi
echo "summary: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
