#!/usr/bin/env bash
# The terminal mode on Windows, run under Wine against the Linux sample course
# platform (make windows-check runs it after the Windows build):
#   - `lecture-downloader-cli.exe list` lists course 141 (exit 0);
#   - `download` of course 141 into a folder with a Chinese name: the seven
#     lectures with a play address byte-identical to the platform's (demo-check),
#     exit 1 for the one without;
#   - a Ctrl+C (SIGINT, which Wine hands to the program as CTRL_C_EVENT) during a
#     download of course 142 pauses the current file (exit 130, its data kept);
#     the same command again resumes it and ends with every file identical, exit 0;
#   - a closed pipe (`| head -n 2`) ends the run as Ctrl+C does (exit 130);
#   - the output is UTF-8 with "\n" line breaks and reads as it should;
#   - --help, a usage error, a missing engine library (exit 1), and the window
#     program asked for `list` (exit 2 and a note pointing to
#     lecture-downloader-cli.exe on standard error).
# It builds the Linux sample-platform and demo-check in build/release when needed.
#   bash scripts/windows-cli-check.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

windows="$root/build/windows"
release="$root/build/release"
work="$windows/cli-check"
cli="$windows/lecture-downloader-cli.exe"
jobs="${JOBS:-$(nproc)}"
for file in "$cli" "$windows/lecture-downloader.exe" "$windows/xldl.dll"; do
  if [ ! -f "$file" ]; then
    echo "windows-cli-check: $file is missing; build the windows preset first" >&2
    exit 1
  fi
done
if [ ! -f "$release/build.ninja" ]; then
  cmake --preset release >/dev/null
fi
nice cmake --build --preset release -j "$jobs" --target sample-platform demo-check >/dev/null

rm -rf "$work"
mkdir -p "$work"
# Wine turns the Unix arguments into the Windows command line in the locale's
# encoding: UTF-8, so a Chinese folder name arrives whole.
export LC_ALL=C.UTF-8
unset HTTP_PROXY ALL_PROXY all_proxy || true
export no_proxy="" NO_PROXY=""

failures=0
fail() {
  echo "windows-cli-check: FAILED: $*" >&2
  failures=$((failures + 1))
}
pass() {
  echo "windows-cli-check: ok: $*"
}

platform_pids=()
stop_platforms() {
  local pid
  for pid in "${platform_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_platforms EXIT

# Starts a sample platform (videos at $2 bytes per second, 0: no limit) and
# sets the variable named $1 to its address.
start_platform() {
  local name="$1" rate="$2" port_file="$work/platform-$1.port" port=""
  "$release/bin/sample-platform" --port 0 --rate "$rate" >"$port_file" 2>"$work/platform-$1.log" &
  platform_pids+=($!)
  for _ in $(seq 1 100); do
    port="$(head -n 1 "$port_file" 2>/dev/null || true)"
    [ -n "$port" ] && break
    sleep 0.1
  done
  if [ -z "$port" ]; then
    echo "windows-cli-check: the sample platform did not start" >&2
    exit 1
  fi
  printf -v "$name" 'http://127.0.0.1:%s' "$port"
}
start_platform fast 0
start_platform slow 50000

course() {
  echo "http://www.course.example/#/mid/guide?courseId=$1"
}

# Runs the console program with the proxy $1; its output in $work/$2.out and .err.
# Sets `status` to its exit code.
run_cli() {
  local proxy="$1" name="$2"
  shift 2
  status=0
  http_proxy="$proxy" bash scripts/wine.sh run "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err" ||
    status=$?
}

expect_status() {
  local name="$1" want="$2"
  if [ "$status" -ne "$want" ]; then
    fail "$name: exit code $status, not $want"
    sed 's/^/    /' "$work/$name.out" "$work/$name.err" >&2
    return 1
  fi
}

expect_text() {
  local name="$1" file="$2" text="$3"
  if grep -qF -- "$text" "$file"; then
    return 0
  fi
  fail "$name: '$text' is not in $(basename "$file")"
  return 1
}

# Readable UTF-8 with Linux line breaks, as the same run writes on Linux.
expect_utf8() {
  local name="$1" file="$2"
  if ! iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1; then
    fail "$name: $(basename "$file") is not UTF-8"
  elif grep -q $'\r' "$file"; then
    fail "$name: $(basename "$file") holds carriage returns"
  fi
}

demo_check() {
  local name="$1" course_id="$2" folder="$3"
  if "$release/bin/demo-check" "$course_id" "$folder" "$folder" >"$work/$name.check" 2>&1; then
    return 0
  fi
  fail "$name: the files are not the platform's:"
  sed 's/^/    /' "$work/$name.check" >&2
  return 1
}

# 1. list
run_cli "$fast" list list "$(course 141)"
if expect_status list 0 &&
  expect_text list "$work/list.out" $'1\t第1讲 课程导论\thttp://media.video.example/flvs/' &&
  expect_text list "$work/list.out" $'4\t第4讲 指针*与引用\t解析失败' &&
  expect_text list "$work/list.out" "共 8 讲，7 讲有播放地址"; then
  pass "list lists course 141"
fi
expect_utf8 list "$work/list.out"

# 2. download into a folder with a Chinese name
folder141="$work/课程 141"
run_cli "$fast" download141 download "$(course 141)" --output "$folder141"
if expect_status download141 1 &&
  expect_text download141 "$work/download141.out" "[7/7] 第8讲 期末复习：综合练习  下载完毕  64.00MB" &&
  expect_text download141 "$work/download141.out" "下载完毕 7 讲，未下载 1 讲" &&
  expect_text download141 "$work/download141.out" "4  第4讲 指针*与引用  解析失败" &&
  demo_check download141 141 "$folder141"; then
  pass "download of course 141: 7 files byte-identical in '$(basename "$folder141")', exit 1 for lecture 4"
fi
expect_utf8 download141 "$work/download141.out"

# 3. Ctrl+C during a download, then the same command resumes
folder142="$work/中断后继续"
status=0
http_proxy="$slow" bash scripts/wine.sh run "$cli" download "$(course 142)" --output "$folder142" \
  >"$work/interrupted.out" 2>"$work/interrupted.err" &
program=$!  # wine.sh execs Wine, which runs the program in this process
for _ in $(seq 1 300); do
  grep -q "开始下载" "$work/interrupted.out" 2>/dev/null && break
  sleep 0.1
done
sleep 1  # well inside the first file (4 s at this rate)
kill -INT "$program" 2>/dev/null || true
wait "$program" || status=$?
partial=$(find "$folder142" -name '*.xldl' 2>/dev/null | wc -l)
if expect_status interrupted 130 &&
  expect_text interrupted "$work/interrupted.out" "已中断：未完成的文件已保留" &&
  [ "$partial" -ge 1 ]; then
  pass "Ctrl+C paused the current file (exit 130, $partial partial file kept)"
elif [ "$partial" -lt 1 ]; then
  fail "interrupted: no partial file (.xldl) kept in $folder142"
fi
run_cli "$fast" resumed download "$(course 142)" --output "$folder142"
if expect_status resumed 0 &&
  expect_text resumed "$work/resumed.out" "下载完毕 5 讲，未下载 0 讲" &&
  demo_check resumed 142 "$folder142"; then
  pass "the same command again finished course 142, every file byte-identical"
fi

# 4. nobody reads the output any more
set +e +o pipefail
http_proxy="$slow" bash scripts/wine.sh run "$cli" download "$(course 142)" --output "$work/pipe" \
  2>"$work/pipe.err" | head -n 2 >"$work/pipe.out"
status=${PIPESTATUS[0]}
set -e -o pipefail
if expect_status pipe 130 && expect_text pipe "$work/pipe.err" "已中断"; then
  pass "a closed pipe ended the run as Ctrl+C does (exit 130)"
fi

# 5. JSON lines
run_cli "$fast" json list "$(course 142)" --json
if expect_status json 0 &&
  expect_text json "$work/json.out" '{"event":"listed","number":1,"title":"第1讲 线性表"}' &&
  expect_text json "$work/json.out" '"event":"summary"'; then
  pass "--json writes the events"
fi

# 6. help, usage errors, and the window program asked for a command
run_cli "$fast" help --help
if expect_status help 0 && expect_text help "$work/help.out" "用法: lecture-downloader-cli list"; then
  pass "--help"
fi
run_cli "$fast" usage download
if expect_status usage 2 && expect_text usage "$work/usage.err" "缺少课程地址"; then
  pass "a usage error exits with 2"
fi
mkdir -p "$work/no-engine"
cp "$cli" "$work/no-engine/"
status=0
http_proxy="$fast" bash scripts/wine.sh run "$work/no-engine/lecture-downloader-cli.exe" list \
  "$(course 142)" >"$work/no-engine.out" 2>"$work/no-engine.err" || status=$?
if expect_status no-engine 1 && expect_text no-engine "$work/no-engine.err" "“xldl.dll”"; then
  pass "without xldl.dll beside it: the reason on standard error, exit 1"
fi
status=0
bash scripts/wine.sh run "$windows/lecture-downloader.exe" list "$(course 141)" \
  >"$work/window.out" 2>"$work/window.err" || status=$?
if expect_status window 2 && expect_text window "$work/window.err" "lecture-downloader-cli.exe"; then
  pass "the window program points list to lecture-downloader-cli.exe (exit 2)"
fi

if [ "$failures" -ne 0 ]; then
  echo "windows-cli-check: $failures check(s) failed (outputs in $work)" >&2
  exit 1
fi
echo "windows-cli-check: passed (outputs in $work)"
