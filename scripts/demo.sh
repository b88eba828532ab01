#!/usr/bin/env bash
# The whole tool, offline: starts the sample course platform on a free loopback
# port and the program with http_proxy pointing at it, so the default course
# address, "搜索", "一键加入下载列表" and "开始下载" work without the internet.
#
#   bash scripts/demo.sh [build-dir]        (make demo runs it on build/release)
#
# With a display the window opens for you to use. Without one (no DISPLAY or
# WAYLAND_DISPLAY), or with DEMO_AUTOPILOT=1, the program plays the user itself
# in an offscreen window, prints each stage and the files it wrote, and saves a
# picture of each stage under build/demo/. Then demo-check compares every
# downloaded file with the platform's bytes and looks for the pictures; the
# script exits non-zero unless the flow completed and the check passed.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build/release}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
bin="$build/bin"
demo="$root/build/demo"

for file in "$bin/lecture-downloader" "$bin/lecture-downloader-window.so" "$bin/sample-platform" \
            "$bin/libxldl.so" "$bin/demo-check"; do
  if [ ! -e "$file" ]; then
    echo "demo: $file is missing; build first (make demo builds build/release)" >&2
    exit 1
  fi
done
mkdir -p "$demo"

# The platform prints its port as the first line of its output. Its videos go
# out at DEMO_RATE bytes per second per connection (0: no limit), slow enough
# to watch the progress line.
port_file="$demo/platform.port"
: >"$port_file"
"$bin/sample-platform" --port 0 --rate "${DEMO_RATE:-4194304}" >"$port_file" 2>"$demo/platform.log" &
platform_pid=$!
stop_platform() {
  if kill -0 "$platform_pid" 2>/dev/null; then
    kill "$platform_pid" 2>/dev/null || true
    wait "$platform_pid" 2>/dev/null || true
  fi
}
trap stop_platform EXIT

port=""
for _ in $(seq 1 100); do
  port="$(head -n 1 "$port_file" 2>/dev/null || true)"
  [ -n "$port" ] && break
  if ! kill -0 "$platform_pid" 2>/dev/null; then
    echo "demo: the sample platform did not start:" >&2
    cat "$demo/platform.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "demo: the sample platform did not report its port" >&2
  exit 1
fi
echo "demo: sample course platform on http://127.0.0.1:$port (log: $demo/platform.log)"

# Every request of the program (catalogue, play addresses, videos) goes to the
# sample platform; nothing is exempt from the proxy.
export http_proxy="http://127.0.0.1:$port"
export no_proxy="" NO_PROXY=""
unset HTTP_PROXY ALL_PROXY all_proxy || true

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ "${DEMO_AUTOPILOT:-0}" = 1 ]; then
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: no display here, so the program runs the flow by itself in an offscreen window"
    export QT_QPA_PLATFORM=offscreen
  fi
  # Start clean: pictures or files of an earlier run must not pass for this one's.
  rm -rf "$demo/downloads"
  rm -f "$demo"/*.png
  status=0
  "$bin/lecture-downloader" --demo-autopilot "$demo" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "demo: the flow did not complete (exit code $status)" >&2
    exit "$status"
  fi
  # The picture taken while data flows needs a paced platform to be certain.
  pictures=(1-parsed.png 2-download-list.png 4-finished.png 5-about.png)
  if [ "${DEMO_RATE:-4194304}" != 0 ]; then
    pictures+=(3-downloading.png)
  fi
  "$bin/demo-check" 141 "$demo/downloads" "$demo" "${pictures[@]}"
  echo "demo: pictures in $demo, downloaded files in $demo/downloads"
else
  cat <<TEXT
demo: the window opens now. Try:
  1. "搜索" with the address already in the box (course 141 of the sample platform);
  2. "删除失败", then "一键加入下载列表";
  3. on the page "下载列表", "浏览" to choose a folder, then "开始下载".
Close the window to end the demo.
TEXT
  "$bin/lecture-downloader"
fi
