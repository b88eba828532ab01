#!/usr/bin/env bash
# Checks that every tracked C and C++ file is formatted as .clang-format says.
#   scripts/format-check.sh          report the files that differ (exit 1)
#   scripts/format-check.sh --fix    reformat them in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/ld-format-check.$$; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/ld-format-check.$$ | cut -d: -f1 | sort -u |
    sed 's/^/format-check: not formatted: /' >&2
  echo "format-check: run 'make format' to fix" >&2
  rm -f /tmp/ld-format-check.$$
  exit 1
fi
rm -f /tmp/ld-format-check.$$
echo "format-check: ${#files[@]} files formatted"
