#!/usr/bin/env bash
# Fails when a C++ source under src/, tests/, bench/ or fuzz/ differs from what
# clang-format makes of it with the project's .clang-format, or when a file
# under src/ does not start with the licence line. Fix the layout with:
#   clang-format -i $(git ls-files 'src/*.cpp' 'src/*.h' ...)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || { echo "check-format: clang-format is not installed" >&2; exit 1; }
mapfile -t files < <(find src tests bench fuzz -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
((${#files[@]})) || exit 0
clang-format --dry-run --Werror "${files[@]}"
licence='// SPDX-License-Identifier: GPL-3.0-or-later'
unlicensed=0
while IFS= read -r file; do
  [[ "$(head -n 1 "$file")" == "$licence" ]] || { echo "check-format: $file does not start with '$licence'" >&2; unlicensed=1; }
done < <(find src -type f | sort)
((unlicensed == 0)) || exit 1
echo "format: ${#files[@]} files as .clang-format lays them out"
