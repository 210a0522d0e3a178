#!/usr/bin/env bash
# Checks that C++ files follow .clang-format, changing nothing.
#   scripts/format-check.sh            every tracked .cpp and .h file
#   scripts/format-check.sh REV        only those changed since REV (the files a change touches)
# To format a file: clang-format -i FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- '*.cpp' '*.h')
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
((${#files[@]})) || exit 0
clang-format --dry-run -Werror "${files[@]}"
echo "== Formatting: ${#files[@]} files follow .clang-format"
