#!/usr/bin/env bash
# Uploads one 20 MB file to a local FTP server (pyftpdlib on 127.0.0.1) with
# `grivendale-cli upload` and with `curl -T`, several rounds each in the same run, checks every
# upload byte for byte, and prints the best and median times and the ratio of the best times.
# Target: grivendale-cli takes at most 1.2 times curl's time.
# With --tls, the server also offers explicit FTPS (a self-signed certificate made for the run)
# and each round adds `grivendale-cli upload --tls` to the same server, timed against the
# plain upload.
#
# usage: bench/ftp_upload_bench.sh [--tls | --vsftpd] [BUILD_DIR]    (SIZE_MB=20 ROUNDS=5 by default)
set -euo pipefail

# --vsftpd: against Debian's vsftpd (as root), in clear then with TLS required.
if [ "${1:-}" = --vsftpd ]; then
    shift
    exec "$(dirname "$0")/ftp_upload_vsftpd_bench.sh" "$@"
fi
tls=false
if [ "${1:-}" = --tls ]; then
    tls=true
    shift
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build}
cli=$build_dir/grivendale-cli
size_mb=${SIZE_MB:-20}
rounds=${ROUNDS:-5}
python=${GRIVENDALE_PYTHON:-/usr/bin/python3}
[ -x "$python" ] || python=python3

[ -x "$cli" ] || { echo "missing $cli: build first" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 2; }
if $tls; then
    command -v openssl >/dev/null || { echo "openssl is not installed" >&2; exit 2; }
fi

work=$(mktemp -d)
server_pid=
cleanup() {
    exec 3>&- 2>/dev/null || true # the server ends when its input closes
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/root"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/map.png"

tls_args=()
fingerprint=
if $tls; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 \
        -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" \
        -out "$work/cert.pem" 2>/dev/null
    cat "$work/cert.pem" "$work/key.pem" >"$work/server.pem"
    fingerprint=$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)
    tls_args=(--tls-cert "$work/server.pem" --tls-optional)
fi

mkfifo "$work/keep"
first_passive=$((40000 + RANDOM % 2000 * 10))
"$python" "$source_dir/tests/support/ftp_server.py" --root "$work/root" --user bench \
    --password bench-pw --passive-ports "$first_passive-$((first_passive + 9))" "${tls_args[@]}" \
    <"$work/keep" >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
exec 3>"$work/keep"
for _ in $(seq 100); do
    grep -q '^PORT ' "$work/server.out" 2>/dev/null && break
    sleep 0.1
done
port=$(awk '/^PORT /{print $2}' "$work/server.out")
[ -n "$port" ] || { echo "the FTP server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }

now_ns() { date +%s%N; }

# One upload with each tool; elapsed milliseconds are appended to the tool's list.
cli_times=()
curl_times=()
tls_times=()
for round in $(seq "$rounds"); do
    rm -f "$work/root/"*
    start=$(now_ns)
    GRIVENDALE_FTP_PASSWORD=bench-pw "$cli" upload "$work/map.png" cli.png --host 127.0.0.1 \
        --port "$port" --user bench >/dev/null
    cli_times+=($((($(now_ns) - start) / 1000000)))
    cmp -s "$work/map.png" "$work/root/cli.png" || { echo "grivendale-cli upload differs" >&2; exit 1; }

    start=$(now_ns)
    curl -sS -T "$work/map.png" "ftp://127.0.0.1:$port/curl.png" --user bench:bench-pw
    curl_times+=($((($(now_ns) - start) / 1000000)))
    cmp -s "$work/map.png" "$work/root/curl.png" || { echo "curl upload differs" >&2; exit 1; }
    line="round $round: grivendale-cli ${cli_times[-1]} ms, curl ${curl_times[-1]} ms"

    if $tls; then
        start=$(now_ns)
        GRIVENDALE_FTP_PASSWORD=bench-pw "$cli" upload "$work/map.png" tls.png --host 127.0.0.1 \
            --port "$port" --user bench --tls --accept-fingerprint "$fingerprint" >/dev/null
        tls_times+=($((($(now_ns) - start) / 1000000)))
        cmp -s "$work/map.png" "$work/root/tls.png" ||
            { echo "grivendale-cli upload --tls differs" >&2; exit 1; }
        line="$line, grivendale-cli --tls ${tls_times[-1]} ms"
    fi
    echo "$line"
done

# What starting each program costs, with nothing to transfer: grivendale-cli links the whole
# Qt GUI library for its render command, and loading it is a fixed cost per run.
cli_start=()
curl_start=()
for _ in $(seq "$rounds"); do
    start=$(now_ns)
    "$cli" upload >/dev/null 2>&1 || true
    cli_start+=($((($(now_ns) - start) / 1000000)))
    start=$(now_ns)
    curl --version >/dev/null
    curl_start+=($((($(now_ns) - start) / 1000000)))
done

best() { printf '%s\n' "$@" | sort -n | head -1; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
cli_best=$(best "${cli_times[@]}")
curl_best=$(best "${curl_times[@]}")
echo "file: $size_mb MB, $rounds rounds"
echo "grivendale-cli upload: best $cli_best ms, median $(median "${cli_times[@]}") ms"
echo "curl -T:               best $curl_best ms, median $(median "${curl_times[@]}") ms"
if $tls; then
    tls_best=$(best "${tls_times[@]}")
    echo "grivendale-cli --tls:  best $tls_best ms, median $(median "${tls_times[@]}") ms"
    awk -v t="$tls_best" -v p="$cli_best" 'BEGIN {
        printf "TLS / plain (best times): %.2f\n", (p > 0 ? t / p : 0) }'
fi
cli_start_best=$(best "${cli_start[@]}")
curl_start_best=$(best "${curl_start[@]}")
echo "program start alone:   grivendale-cli $cli_start_best ms, curl $curl_start_best ms"
awk -v a="$cli_best" -v b="$curl_best" -v sa="$cli_start_best" -v sb="$curl_start_best" 'BEGIN {
    printf "ratio (best times): %.2f (target <= 1.20)\n", (b > 0 ? a / b : 0)
    if (b - sb > 0)
        printf "ratio without program start: %.2f\n", (a - sa) / (b - sb)
}'
