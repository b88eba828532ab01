#!/usr/bin/env bash
# Prints the course spine's figures. Usage: bench/course/run.sh <build-dir>
set -euo pipefail
BUILD="${1:-build/release}"
exec "$BUILD/bin/bench_course"
