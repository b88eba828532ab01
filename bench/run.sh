#!/usr/bin/env bash
# Runs every benchmark against the given build folder and prints its figures.
# Usage: bench/run.sh <build-dir>
set -euo pipefail
BUILD="${1:-build/release}"
HERE="$(cd "$(dirname "$0")" && pwd)"
status=0
for script in "$HERE"/*/run.sh; do
    [ -e "$script" ] || continue
    echo "== $(basename "$(dirname "$script")") =="
    bash "$script" "$BUILD" || status=1
done
exit $status
