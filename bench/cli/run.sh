#!/usr/bin/env bash
# The terminal mode's figures: `lecture-downloader list` of the 2000-lecture
# course against the window's search and resolution, the peak memory of
# `lecture-downloader list` with a 63 MiB catalogue and with 60 MiB play-info
# answers, and the peak memory of `lecture-downloader download` saving 1 GiB
# videos against the engine's own, a rerun of a finished course (time and body
# bytes), and 600 tiny lectures end to end (lectures per second). Writes about
# 6 GiB into the system's temporary folder (removed again).
# Usage: bench/cli/run.sh <build-dir> [listing|large-answers|download-memory|rerun|tiny-lectures]
set -euo pipefail
BUILD="$(cd "${1:-build/release}" && pwd)"
exec "$BUILD/bin/bench_cli" "$BUILD/bin" ${2:+"$2"}
