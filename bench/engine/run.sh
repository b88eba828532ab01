#!/usr/bin/env bash
# Download engine against curl and aria2c, all fetching from nginx on loopback:
#   1. one file unthrottled, into a new file and over an existing file of the same size,
#      median of BENCH_REPEAT runs (default 5), ours and curl alternating which goes first;
#   2. a smaller file with nginx limiting each request to 2 MiB/s, median of
#      BENCH_THROTTLED_REPEAT runs (default 3), against `aria2c -x4 -s4 -k1M` and curl.
# Every run starts after `sync`, so no run pays for writing back the one before. Prints each
# run, the medians, the spread (slowest minus fastest) and the ratios the engine aims for:
# ours/curl >= 1.0 unthrottled in both cases with a spread no wider than curl's,
# ours/aria2c >= 1.05 throttled, peak RSS < 50 MB.
#
# Usage: bench/engine/run.sh <build-dir>
# BENCH_SIZE_MB (default 1024) and BENCH_THROTTLED_SIZE_MB (default 48) set the sizes;
# BENCH_ONLY=unthrottled|throttled runs one part.
set -euo pipefail

BUILD="$(cd "${1:-build/release}" && pwd)"
OURS="$BUILD/bin/xldl-get"
SIZE_MB="${BENCH_SIZE_MB:-1024}"
THROTTLED_MB="${BENCH_THROTTLED_SIZE_MB:-48}"
PORT="${BENCH_PORT:-18731}"
REPEAT="${BENCH_REPEAT:-5}"
THROTTLED_REPEAT="${BENCH_THROTTLED_REPEAT:-3}"
ONLY="${BENCH_ONLY:-}"

if [ ! -x "$OURS" ]; then
    echo "missing $OURS: build the xldl-get target first" >&2
    exit 1
fi

missing=()
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx)
command -v curl >/dev/null || missing+=(curl)
command -v aria2c >/dev/null || missing+=(aria2)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"

WORK="$(mktemp -d /tmp/xldl-bench-XXXXXX)"
chmod 755 "$WORK"  # nginx workers run as another user
NGINX_PID=""
cleanup() {
    if [ -n "$NGINX_PID" ]; then
        kill "$NGINX_PID" 2>/dev/null || true
        wait "$NGINX_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/www" "$WORK/out" "$WORK/logs" "$WORK/tmp"
echo "creating the ${SIZE_MB} MiB and ${THROTTLED_MB} MiB test files"
head -c "$((SIZE_MB * 1024 * 1024))" /dev/urandom >"$WORK/www/file.bin"
head -c "$((THROTTLED_MB * 1024 * 1024))" "$WORK/www/file.bin" >"$WORK/www/small.bin"
# The file an "existing" run replaces: same size, other bytes.
head -c "$((SIZE_MB * 1024 * 1024))" /dev/urandom >"$WORK/old.bin"

cat >"$WORK/nginx.conf" <<EOF
worker_processes 1;
error_log $WORK/logs/error.log;
pid $WORK/nginx.pid;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    client_body_temp_path $WORK/tmp;
    proxy_temp_path $WORK/tmp;
    fastcgi_temp_path $WORK/tmp;
    uwsgi_temp_path $WORK/tmp;
    scgi_temp_path $WORK/tmp;
    server {
        listen 127.0.0.1:$PORT;
        root $WORK/www;
        location /throttled/ {
            alias $WORK/www/;
            limit_rate 2m;
        }
    }
}
EOF
"$NGINX" -c "$WORK/nginx.conf" -p "$WORK" -g 'daemon off;' &
NGINX_PID=$!
for _ in $(seq 50); do
    curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$PORT/file.bin" && break
    sleep 0.1
done

# run <label> <bytes> <existing: 0|1> <command...>: appends "label bytes wall rss_kb cpu" to
# the results and checks the downloaded file against the served one.
RESULTS="$WORK/results"
: >"$RESULTS"
run() {
    local label="$1" bytes="$2" existing="$3"
    shift 3
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    if [ "$existing" = 1 ]; then
        cp "$WORK/old.bin" "$WORK/out/f"
    fi
    sync
    /usr/bin/time -v -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/stderr.txt" || {
        echo "$label failed:" >&2
        cat "$WORK/stderr.txt" >&2
        return 1
    }
    local source="$WORK/www/file.bin"
    [ "$bytes" = "$((SIZE_MB * 1024 * 1024))" ] || source="$WORK/www/small.bin"
    if ! cmp -s "$WORK/out/f" "$source"; then
        echo "$label: the downloaded file differs from the served one" >&2
        return 1
    fi
    awk -v label="$label" -v bytes="$bytes" '
        /Elapsed \(wall clock\)/ {
            n = split($NF, p, ":"); s = 0
            for (i = 1; i <= n; i++) s = s * 60 + p[i]
            wall = s
        }
        /User time/ { user = $NF }
        /System time/ { sys = $NF }
        /Maximum resident set size/ { rss = $NF }
        END { printf "%s %s %.3f %d %.3f\n", label, bytes, wall, rss, user + sys }
    ' "$WORK/time.txt" | tee -a "$RESULTS"
}

ours() { run "$1/ours" "$2" "$3" "$OURS" "$4" "$WORK/out" f; }
curl_() { run "$1/curl" "$2" "$3" curl -s -o "$WORK/out/f" "$4"; }
aria() {
    run "$1/aria2c" "$2" 0 aria2c -x4 -s4 -k1M -q --file-allocation=falloc \
        --allow-overwrite=true -d "$WORK/out" -o f "$4"
}

BIG="http://127.0.0.1:$PORT/file.bin"
BIG_BYTES=$((SIZE_MB * 1024 * 1024))
if [ "$ONLY" != throttled ]; then
    echo "== unthrottled: ${SIZE_MB} MiB, $REPEAT runs each, alternating"
    for i in $(seq "$REPEAT"); do
        for existing in 0 1; do
            case="new"
            [ "$existing" = 1 ] && case="existing"
            if [ $((i % 2)) = 1 ]; then
                ours "$case" "$BIG_BYTES" "$existing" "$BIG"
                curl_ "$case" "$BIG_BYTES" "$existing" "$BIG"
            else
                curl_ "$case" "$BIG_BYTES" "$existing" "$BIG"
                ours "$case" "$BIG_BYTES" "$existing" "$BIG"
            fi
        done
    done
fi
SMALL="http://127.0.0.1:$PORT/throttled/small.bin"
SMALL_BYTES=$((THROTTLED_MB * 1024 * 1024))
if [ "$ONLY" != unthrottled ]; then
    echo "== throttled: ${THROTTLED_MB} MiB at 2 MiB/s per request, $THROTTLED_REPEAT runs each"
    for _ in $(seq "$THROTTLED_REPEAT"); do
        ours throttled "$SMALL_BYTES" 0 "$SMALL"
        aria throttled "$SMALL_BYTES" 0 "$SMALL"
        curl_ throttled "$SMALL_BYTES" 0 "$SMALL"
    done
fi

echo
awk '
    {
        n[$1]++; t[$1, n[$1]] = $3; bytes[$1] = $2
        if ($4 > rss[$1]) rss[$1] = $4
        cpu[$1] += $5
        if (!($1 in seen)) { seen[$1] = 1; order[++labels] = $1 }
    }
    function median(label,    i, j, k, v, tmp) {
        k = n[label]
        for (i = 1; i <= k; i++) v[i] = t[label, i]
        for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (v[j] < v[i]) { tmp = v[i]; v[i] = v[j]; v[j] = tmp }
        return k % 2 ? v[(k + 1) / 2] : (v[k / 2] + v[k / 2 + 1]) / 2
    }
    function spread(label,    i, lo, hi) {
        lo = hi = t[label, 1]
        for (i = 2; i <= n[label]; i++) { if (t[label, i] < lo) lo = t[label, i]; if (t[label, i] > hi) hi = t[label, i] }
        return hi - lo
    }
    END {
        printf "%-20s %5s %9s %9s %11s %9s %12s\n", "case/tool", "runs", "median s", "spread s", "MiB/s", "peak RSS", "CPU s/GiB"
        for (i = 1; i <= labels; i++) {
            l = order[i]; m[l] = median(l)
            printf "%-20s %5d %9.2f %9.2f %11.1f %6.1f MB %12.2f\n", l, n[l], m[l], spread(l),
                   bytes[l] / 1048576 / m[l], rss[l] / 1024, cpu[l] / n[l] / (bytes[l] / 1073741824)
        }
        print ""
        if ("new/ours" in m) {
            printf "unthrottled new file       ours/curl %.2fx  spread ours %.2f s, curl %.2f s  (goal >= 1.0x, spread <= curl)\n",
                   m["new/curl"] / m["new/ours"], spread("new/ours"), spread("new/curl")
            printf "unthrottled existing file  ours/curl %.2fx  spread ours %.2f s, curl %.2f s  (goal >= 1.0x, spread <= curl)\n",
                   m["existing/curl"] / m["existing/ours"], spread("existing/ours"), spread("existing/curl")
        }
        if ("throttled/ours" in m) {
            printf "throttled                  ours/aria2c %.2fx  (goal >= 1.05x)\n", m["throttled/aria2c"] / m["throttled/ours"]
            printf "throttled                  ours/curl %.2fx\n", m["throttled/curl"] / m["throttled/ours"]
        }
        peak = 0
        for (l in rss) if (l ~ /\/ours$/ && rss[l] > peak) peak = rss[l]
        printf "peak RSS ours              %.1f MB  (goal < 50 MB)\n", peak / 1024
    }
' "$RESULTS"
