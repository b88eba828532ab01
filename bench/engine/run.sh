#!/usr/bin/env bash
# Download engine against curl, wget and aria2c, all fetching from nginx on loopback:
#   1. one file unthrottled,
#   2. the same file with nginx limiting each connection to 2 MB/s.
# Prints wall time, throughput, peak RSS and CPU seconds per GiB for each tool, and the
# ratios the engine aims for (ours/curl >= 0.95 unthrottled; >= 3.5 throttled; ours/aria2c
# >= 0.95 throttled; peak RSS < 50 MB).
#
# Usage: bench/engine/run.sh <build-dir>
# BENCH_SIZE_MB (default 1024) sets the file size; BENCH_THROTTLED_SIZE_MB (default: the
# same) the size used for the throttled round, which takes size/2 MB/s seconds with curl.
# Each unthrottled download runs BENCH_REPEAT times (default 3) and the fastest run counts,
# since other work on the machine disturbs single runs.
set -euo pipefail

BUILD="$(cd "${1:-build/release}" && pwd)"
OURS="$BUILD/bin/xldl-get"
SIZE_MB="${BENCH_SIZE_MB:-1024}"
THROTTLED_MB="${BENCH_THROTTLED_SIZE_MB:-$SIZE_MB}"
PORT="${BENCH_PORT:-18731}"
REPEAT="${BENCH_REPEAT:-3}"

if [ ! -x "$OURS" ]; then
    echo "missing $OURS: build the xldl-get target first" >&2
    exit 1
fi

missing=()
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx)
command -v curl >/dev/null || missing+=(curl)
command -v wget >/dev/null || missing+=(wget)
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

mkdir -p "$WORK/www" "$WORK/out" "$WORK/logs"
echo "creating the ${SIZE_MB} MiB test file"
head -c "$((SIZE_MB * 1024 * 1024))" /dev/urandom >"$WORK/www/file.bin"
if [ "$THROTTLED_MB" != "$SIZE_MB" ]; then
    head -c "$((THROTTLED_MB * 1024 * 1024))" "$WORK/www/file.bin" >"$WORK/www/small.bin"
else
    ln "$WORK/www/file.bin" "$WORK/www/small.bin"
fi

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
mkdir -p "$WORK/tmp"
"$NGINX" -c "$WORK/nginx.conf" -p "$WORK" -g 'daemon off;' &
NGINX_PID=$!
for _ in $(seq 50); do
    curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$PORT/file.bin" && break
    sleep 0.1
done

# run <label> <bytes> <command...>: prints "label seconds rss_kb cpu_seconds" to results.
RESULTS="$WORK/results"
: >"$RESULTS"
run() {
    local label="$1" bytes="$2"
    shift 2
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    /usr/bin/time -v -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/stderr.txt" || {
        echo "$label failed:" >&2
        cat "$WORK/stderr.txt" >&2
        return 1
    }
    local got
    got="$(stat -c %s "$WORK/out/f" 2>/dev/null || echo 0)"
    if [ "$got" != "$bytes" ]; then
        echo "$label: got $got bytes, expected $bytes" >&2
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
    ' "$WORK/time.txt" >>"$RESULTS"
}

round() {
    local scenario="$1" url="$2" bytes="$3" repeat="$4"
    echo "== $scenario: $((bytes / 1024 / 1024)) MiB from $url, best of $repeat"
    for _ in $(seq "$repeat"); do
        run "$scenario/ours" "$bytes" "$OURS" "$url" "$WORK/out" f
        run "$scenario/curl" "$bytes" curl -s -o "$WORK/out/f" "$url"
        run "$scenario/wget" "$bytes" wget -q -O "$WORK/out/f" "$url"
        run "$scenario/aria2c" "$bytes" aria2c -x4 -s4 -q --file-allocation=falloc \
            --allow-overwrite=true -d "$WORK/out" -o f "$url"
    done
}

round unthrottled "http://127.0.0.1:$PORT/file.bin" "$((SIZE_MB * 1024 * 1024))" "$REPEAT"
round throttled "http://127.0.0.1:$PORT/throttled/small.bin" "$((THROTTLED_MB * 1024 * 1024))" 1

# Fastest run per label, in the order the labels first appeared.
awk '
    !($1 in best) || $3 < best[$1] { if (!($1 in best)) order[++n] = $1; best[$1] = $3; line[$1] = $0 }
    END { for (i = 1; i <= n; i++) print line[order[i]] }
' "$RESULTS" | awk '
    {
        split($1, k, "/"); scenario = k[1]; tool = k[2]
        gib = $2 / 1073741824
        secs[$1] = $3
        mbps = ($2 / 1048576) / ($3 > 0 ? $3 : 1e-9)
        speed[$1] = mbps
        printf "%-12s %-7s %9.2f s %9.1f MiB/s %8.1f MB RSS %8.2f CPU s/GiB\n",
               scenario, tool, $3, mbps, $4 / 1024, $5 / gib
    }
    END {
        print ""
        printf "unthrottled ours/curl   %.2f  (target >= 0.95)\n", speed["unthrottled/ours"] / speed["unthrottled/curl"]
        printf "throttled   ours/curl   %.2f  (target >= 3.5)\n", speed["throttled/ours"] / speed["throttled/curl"]
        printf "throttled   ours/aria2c %.2f  (target >= 0.95)\n", speed["throttled/ours"] / speed["throttled/aria2c"]
    }
'
