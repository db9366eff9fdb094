#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one.
# Usage: fuzz.sh [--build-only] [LIBFUZZER_OPTION...] [-- TARGET...]
#   fuzz.sh -runs=2000                 what .ci/run does: a short fixed run each
#   fuzz.sh -max_total_time=600 -- fuzz_numbers
#   fuzz.sh --build-only               builds the targets and runs none
# The committed seeds in fuzz/corpus/<target>/ are read, never written: what a
# run learns goes to a temporary folder, and a crash leaves its input in the
# current folder as crash-<hash> (libFuzzer's default) and fails the script.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
options=()
targets=()
build_only=
[[ "${1:-}" != --build-only ]] || { build_only=1; shift; }
while [[ $# -gt 0 ]]; do
  if [[ "$1" == -- ]]; then shift; targets=("$@"); break; fi
  options+=("$1"); shift
done
[[ ${#options[@]} -gt 0 ]] || options=(-runs=2000)
[[ ${#targets[@]} -gt 0 ]] || targets=(fuzz_data_record fuzz_numbers fuzz_command_line fuzz_sound_file fuzz_sequence)

cmake --preset fuzz -S "$root" >/dev/null
cmake --build "$root/build-fuzz" -j"$(nproc)" --target "${targets[@]}"
[[ -z "$build_only" ]] || exit 0

# Leaks inside system libraries only are suppressed (see the file).
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  echo "== $target ${options[*]}"
  if ! "$root/build-fuzz/fuzz/$target" "${options[@]}" -print_final_stats=1 \
       "$scratch/$target" "$root/fuzz/corpus/$target" 2>"$scratch/$target.log"; then
    tail -n 60 "$scratch/$target.log"
    echo "FAIL: $target found a fault (its input is saved in the current folder)"
    status=1
  else
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$scratch/$target.log" || true
  fi
done
exit $status
