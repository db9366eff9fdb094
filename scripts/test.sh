#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ sources (clang-format),
# builds into build-test/ and runs every test, the packaging checks included;
# then the suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), the sound tests under ThreadSanitizer (build-tsan/), both
# with assertions on, and a short run of each fuzz target (build-fuzz/).
# The sanitizer and fuzz builds run in the background at the idle priority
# while the plain tests run: most of those wait on real time (the sound
# server, the display), so the builds take only the processor time the tests
# leave idle, and every test still runs against a finished build. During the
# timed recordings the builds keep to one processor and the rigs have the other.
# The builds are CMakePresets.json's (test, asan, tsan, fuzz): a compiler
# warning stops a build, and any CMake warning fails the run. Counts come from
# ctest's JUnit files (scripts/ctest-junit.py), and every test must carry the
# label of its harness. Ends on one line per stage's count, a line naming any
# recording that passed only on its second try, and "summary: N passed, M
# failed" (N counts every test and fuzz target run); exits non-zero on any failure.
# Harmless on a developer's desktop: the recordings' sound server is a silent
# sink the tests add to a running server (removed again) or a private server
# they start and stop (a CTest fixture, tests/support/audio_fixture.sh); the
# display is a private Xvfb on a free display number (the CTest fixture
# test_display, tests/support/test-display.sh); the test locale lives in a
# temporary folder, and every temporary folder goes on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# Most tests wait on a display, a sound server or a program they started, not
# on the processor: twice as many at once as there are processors keeps both busy.
test_jobs=$((jobs * 2))
scratch=$(mktemp -d)
temporary=("$scratch")
stage="installing the packages"
passed=0
failed=0
counts=()
checks_pid=

cleanup() {
  local status=$?
  set +e
  if [[ -n "$checks_pid" ]]; then
    kill -- -"$checks_pid" 2>/dev/null
    kill -CONT -- -"$checks_pid" 2>/dev/null # a stopped group acts on the signal once it runs
  fi
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
# The preset "test": line tables only (-g1), symbolised backtraces at two
# thirds of the compile time of full debug information (build/ keeps -g for
# the debugger); unity batches, as in every preset, parse the headers each
# test file shares once per eight files. Its output, CMake's included, is
# searched for warnings at the end.
{ cmake --preset test && cmake --build --preset test -j"$jobs"; } 2>&1 | tee "$scratch/plain.log"
stage="the harness labels"
python3 scripts/ctest-junit.py labels build-test

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

# A runtime folder, as a desktop session has, where there is none (CI).
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  temporary+=("$XDG_RUNTIME_DIR")
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

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

# Runs ctest (a preset of CMakePresets.json, from here) and reads its JUnit
# file: sets run_passed, run_failed, run_skipped, and run_failures and
# run_passes (the names).
# Usage: ctest_run NAME CTEST_OPTION...
ctest_run() {
  local name=$1 counts
  shift
  rm -f "$scratch/$name.xml"
  ctest --no-tests=error --output-junit "$scratch/$name.xml" -j"$test_jobs" "$@" 2>&1 | tee "$scratch/$name.log" || true
  run_failures=() run_passes=()
  if [[ ! -s "$scratch/$name.xml" ]]; then
    echo "FAIL: $name: ctest wrote no results"
    run_passed=0 run_failed=1 run_skipped=0
    return
  fi
  mapfile -t counts < <(python3 scripts/ctest-junit.py count "$scratch/$name.xml")
  if [[ ${#counts[@]} -eq 0 ]]; then
    echo "FAIL: $name: its JUnit file could not be read"
    run_passed=0 run_failed=1 run_skipped=0
    return
  fi
  read -r run_passed run_failed run_skipped <<<"${counts[0]}"
  local line
  for line in "${counts[@]:1}"; do
    case "$line" in
      "failed "*) run_failures+=("${line#failed }") ;;
      "passed "*) run_passes+=("${line#passed }") ;;
    esac
  done
}

# Adds counts to the totals and to a label's (a label may run in parts).
declare -A label_passed label_failed label_skipped
labels=()
add_counts() {
  local label=$1 good=$2 bad=$3 skipped=$4
  [[ -n "${label_passed[$label]+set}" ]] || { labels+=("$label"); label_passed[$label]=0; label_failed[$label]=0; label_skipped[$label]=0; }
  passed=$((passed + good))
  failed=$((failed + bad))
  label_passed[$label]=$((label_passed[$label] + good))
  label_failed[$label]=$((label_failed[$label] + bad))
  label_skipped[$label]=$((label_skipped[$label] + skipped))
}

# Runs ctest and counts it under a label. Usage: run_ctest LABEL NAME CTEST_OPTION...
run_ctest() {
  local label=$1
  shift
  ctest_run "$@"
  add_counts "$label" "$run_passed" "$run_failed" "$run_skipped"
}

# One label's counts, for the closing line.
label_counts() {
  local label=$1 text
  text="$label ${label_passed[$label]} passed"
  [[ $label != plain || ${#second_try[@]} -eq 0 ]] || text+=" (${#second_try[@]} on a second try)"
  [[ ${label_failed[$label]} -eq 0 ]] || text+=", ${label_failed[$label]} failed"
  [[ ${label_skipped[$label]} -eq 0 ]] || text+=" (${label_skipped[$label]} skipped)"
  echo "$text"
}

# Every process of the background builds, and so whatever they start next, on
# the given processors. Twice over: a compiler started while the first pass ran
# took its parent's old set.
builds_on() {
  local pid pass
  for pass in 1 2; do
    for pid in $(pgrep -g "$checks_pid"); do
      taskset -a -p -c "$1" "$pid" >/dev/null 2>&1 || true
    done
  done
}
can_hold=false
((jobs > 1)) && command -v pgrep >/dev/null && command -v taskset >/dev/null && can_hold=true
hold_builds() {
  if $can_hold; then builds_on "$((jobs - 1))"; else kill -STOP -- -"$checks_pid" 2>/dev/null || true; fi
}
release_builds() {
  if $can_hold; then builds_on "0-$((jobs - 1))"; else kill -CONT -- -"$checks_pid" 2>/dev/null || true; fi
}

stage=
run_ctest plain plain-tests --preset test
# The recordings judged by their timing or for dropouts run with the background
# builds held to the last processor, so the sound server, the display and the
# program always have one to themselves: an idle-priority compiler free to use
# every processor delayed the sound enough for the server to run dry. With a
# single processor (or without pgrep and taskset) the builds stop instead.
# On a shared machine the sound server still runs dry now and then, so a
# recording that fails is made once more; both runs print their figures. One
# that passes then counts as passed, and is named at the end.
second_try=()
hold_builds
ctest_run timing --preset test-timing
add_counts plain "$run_passed" 0 "$run_skipped"
if ((run_failed > 0)); then
  again=("${run_failures[@]}")
  echo "== once more: ${again[*]}"
  names=$(printf '%s|' "${again[@]}")
  ctest_run timing-again --preset test-timing -R "^(${names%|})\$"
  # Counted by name: only a test that passed this time is a pass.
  for name in "${again[@]}"; do
    if printf '%s\n' "${run_passes[@]}" | grep -qxF -- "$name"; then
      second_try+=("$name")
      add_counts plain 1 0 0
    else
      add_counts plain 0 1 0
    fi
  done
fi
release_builds

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
run_ctest ASan+UBSan asan-tests --preset asan

# The sound engine's threads (the audio callback, the stream readers, the pink
# noise worker) against the window thread, under ThreadSanitizer: the build
# holds only the sound suites (AURELITH_TEST_SUITES in CMakePresets.json).
stage="the TSan build"
await_build tsan
stage=
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"
run_ctest TSan tsan-tests --preset tsan
ran=$((run_passed + run_failed + run_skipped))
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS
# Those suites are all there: as many tests as the plain build has of them.
suites=$(sed -n 's/^AURELITH_TEST_SUITES:STRING=//p' build-tsan/CMakeCache.txt)
wanted=$(build-test/tests/aurelith_tests --gtest_list_tests --gtest_filter="${suites//;/*:}*" | grep -c '^  ') || true
if [[ "$ran" != "$wanted" ]]; then
  echo "FAIL: the TSan build holds ${ran:-no} tests of its suites; the plain build has $wanted"
  failed=$((failed + 1))
fi

# Each fuzz target for a short, fixed number of runs (clang, libFuzzer).
stage="the fuzz build"
await_build fuzz
stage=
fuzz_status=0
# Its own log: fuzz.log holds the fuzz build's output, searched for warnings below.
bash scripts/fuzz.sh -runs=2000 2>&1 | tee "$scratch/fuzz-run.log" || fuzz_status=$?
stage=
fuzz_done=$(grep -cE '^Done [0-9]+ runs' "$scratch/fuzz-run.log") || true
fuzz_bad=$(grep -cE '^FAIL: ' "$scratch/fuzz-run.log") || true
[[ $fuzz_status -eq 0 || $fuzz_bad -gt 0 ]] || fuzz_bad=1
runs=$(sed -nE 's/^Done ([0-9]+) runs.*/\1/p' "$scratch/fuzz-run.log" | sort -u | paste -sd/)
passed=$((passed + fuzz_done))
failed=$((failed + fuzz_bad))
text="fuzz $fuzz_done x ${runs:-0} runs"
[[ $fuzz_bad -eq 0 ]] || text+=", $fuzz_bad failed"
counts+=("$text")

# The builds print no warning; one that appears fails the run, so none creeps
# into a configuration unseen (each compiler and sanitizer warns differently).
# The compilers' stop their build already (CMAKE_COMPILE_WARNING_AS_ERROR);
# this also catches the linker's and CMake's own ("Manually-specified
# variables were not used", a deprecated call), which stop nothing.
for name in plain asan tsan fuzz; do
  [[ -s "$scratch/$name.log" ]] || { echo "FAIL: no output of the $name build to check"; failed=$((failed + 1)); }
done
warnings=$(cat "$scratch"/{plain,asan,tsan,fuzz}.log 2>/dev/null |
  grep -E ': warning: |^CMake (Deprecation )?Warning|^CMake Warning \(dev\)' | sort -u) || true
if [[ -n "$warnings" ]]; then
  echo "$warnings"
  echo "FAIL: the builds printed $(wc -l <<<"$warnings") warning(s)"
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
[[ ${#second_try[@]} -eq 0 ]] || echo "passed on a second try: $(printf '%s, ' "${second_try[@]}" | sed 's/, $//')"
echo "summary: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
