#!/usr/bin/env bash
# Prints the regular-expression figures. Usage: bench/web/run.sh <build-dir>
set -euo pipefail
BUILD="${1:-build/release}"
exec "$BUILD/bin/bench_regex"
