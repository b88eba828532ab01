#!/usr/bin/env bash
# Prints the course spine's figures: the client's time per row beyond the
# server's, and the line "resolution speedup: N.NN×" (requests in flight
# against one at a time, every play-info answer 20 ms late).
# Usage: bench/course/run.sh <build-dir>
set -euo pipefail
BUILD="${1:-build/release}"
exec "$BUILD/bin/bench_course"
