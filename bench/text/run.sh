#!/usr/bin/env bash
# Prints the text conversion figures. Usage: bench/text/run.sh <build-dir>
set -euo pipefail
BUILD="${1:-build/release}"
exec "$BUILD/bin/bench_text"
