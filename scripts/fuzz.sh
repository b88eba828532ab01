#!/usr/bin/env bash
# Runs every fuzz target of a build for a set time each.
#   scripts/fuzz.sh <build dir> [seconds per target] [target ...]
# New inputs go to <build dir>/fuzz-corpus/<target> (the seeds in fuzz/corpus stay
# untouched); an input that breaks a target is saved under
# <build dir>/fuzz-findings/<target>/ and the script ends with status 1.
# Keep such an input as fuzz/regressions/<target>/<name> once it is fixed: the
# GoogleTest suites replay that folder.
set -uo pipefail

build=${1:?usage: fuzz.sh <build dir> [seconds] [target ...]}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for bin in "$build"/bin/fuzz_*; do
    [ -x "$bin" ] && targets+=("$(basename "$bin" | sed 's/^fuzz_//')")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets in $build/bin" >&2
  exit 2
fi

failed=()
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  findings="$build/fuzz-findings/$target"
  mkdir -p "$corpus" "$findings"
  seeds=()
  for dir in "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target"; do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  echo "fuzz: $target for ${seconds}s"
  if ! ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}" \
       UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
       "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
         -max_len=8192 -print_final_stats=1 -artifact_prefix="$findings/" \
         "$corpus" "${seeds[@]}" >"$build/fuzz-$target.log" 2>&1; then
    failed+=("$target")
    echo "fuzz: $target FAILED, see $build/fuzz-$target.log and $findings/" >&2
    tail -n 30 "$build/fuzz-$target.log" >&2
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' \
      "$build/fuzz-$target.log" | sed "s/^/fuzz: $target /"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets clean"
