#!/usr/bin/env bash
# clang-tidy with the checks of .clang-tidy over every project source file of a
# configured build (its compile_commands.json). Fails on any finding.
#   scripts/lint.sh [build dir]     (default build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; configure first (cmake --preset dev)" >&2
  exit 2
fi
# The project's own translation units (files not in this build, such as the
# Windows platform files, are skipped by run-clang-tidy).
mapfile -t files < <(git ls-files '*.cpp' '*.c' | sed "s|^|$PWD/|")
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]}" >"$build/lint.log" 2>&1 || status=$?
sed "s/\x1b\[[0-9;]*m//g" "$build/lint.log" | grep -E "warning:|error:" | sort -u || true
if [ "${status:-0}" -ne 0 ]; then
  echo "lint: findings above (full output in $build/lint.log)" >&2
  exit 1
fi
echo "lint: ${#files[@]} files, no findings"
