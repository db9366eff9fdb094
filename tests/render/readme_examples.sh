#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every `aurelith --render` example of the README as written and checks
# that each file holds what the text around it promises: the tones in the ears
# they are named for, no stretch of silence (a scan must not outlast its
# limit), and a mask that can be heard.
set -uo pipefail
bin=$1 readme=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run TMPDIR=$work
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fail=0 count=0
while read -r line; do
  read -ra words <<<"$line"
  count=$((count + 1))
  (cd "$work" && timeout 300 "$bin" "${words[@]:1}") || { echo "FAIL ($?): $line"; fail=1; continue; }
  /usr/bin/python3 "$(dirname "$0")/readme_examples.py" "$work" "${words[@]:1}" || fail=1
done < <(grep -E '^ +aurelith --render ' "$readme")
[[ $count -gt 0 ]] || { echo "FAIL: no examples found in $readme"; fail=1; }
exit $fail
