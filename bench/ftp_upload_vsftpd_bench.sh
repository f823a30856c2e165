#!/usr/bin/env bash
# Uploads one 20 MB file to Debian's vsftpd on 127.0.0.1, in the same run: in clear
# (grivendale-cli upload against curl -T), then to a second vsftpd that requires TLS for the
# login and the data, session reuse and a TLS end of every upload (grivendale-cli upload --tls
# against curl --ssl-reqd). Anonymous uploads, so no system user is needed; runs as root.
# Prints every round and the medians.
#
# usage: bench/ftp_upload_vsftpd_bench.sh [BUILD_DIR]    (SIZE_MB=20 ROUNDS=5 by default)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$source_dir/build}/grivendale-cli
size_mb=${SIZE_MB:-20}
rounds=${ROUNDS:-5}
[ -x "$cli" ] || { echo "missing $cli: build first" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/vsftpd ] || { echo "needs root and vsftpd" >&2; exit 2; }

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/map.png"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" \
    -out "$work/cert.pem" 2>/dev/null
fingerprint=$(openssl x509 -in "$work/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)

# start NAME PORT [tls]: a vsftpd whose uploads land in $work/NAME/root/up.
start() {
    mkdir -p "$work/$1/root/up" "$work/$1/empty"
    chmod 777 "$work/$1/root/up"
    {
        echo "listen=YES"
        echo "listen_address=127.0.0.1"
        echo "listen_port=$2"
        echo "background=NO"
        echo "anonymous_enable=YES"
        echo "local_enable=NO"
        echo "write_enable=YES"
        echo "anon_upload_enable=YES"
        echo "anon_other_write_enable=YES"
        echo "anon_root=$work/$1/root"
        echo "secure_chroot_dir=$work/$1/empty"
        echo "pasv_address=127.0.0.1"
        echo "pasv_min_port=$(($2 + 1))"
        echo "pasv_max_port=$(($2 + 9))"
        echo "seccomp_sandbox=NO"
        if [ -n "${3:-}" ]; then
            echo "ssl_enable=YES"
            echo "allow_anon_ssl=YES"
            echo "force_anon_logins_ssl=YES"
            echo "force_anon_data_ssl=YES"
            echo "require_ssl_reuse=YES"
            echo "strict_ssl_read_eof=YES"
            echo "rsa_cert_file=$work/cert.pem"
            echo "rsa_private_key_file=$work/key.pem"
        fi
    } >"$work/$1/vsftpd.conf"
    /usr/sbin/vsftpd "$work/$1/vsftpd.conf" &
    pids+=($!)
}
base=$((30000 + RANDOM % 1000 * 20))
start plain "$base"
start tls $((base + 10)) tls
sleep 0.5

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
# time_upload LIST FOLDER NAME COMMAND...: runs it, checks the bytes, adds its milliseconds.
time_upload() {
    local -n list=$1
    local file=$work/$2/root/up/$3
    shift 3
    rm -f "$file"
    local start
    start=$(now_ms)
    "$@" >/dev/null
    list+=($(($(now_ms) - start)))
    cmp -s "$work/map.png" "$file" || { echo "upload differs: $*" >&2; exit 1; }
}
cli_plain=() curl_plain=() cli_tls=() curl_tls=()
for round in $(seq "$rounds"); do
    time_upload cli_plain plain cli.png env GRIVENDALE_FTP_PASSWORD=x "$cli" upload \
        "$work/map.png" up/cli.png --host 127.0.0.1 --port "$base" --user ftp
    time_upload curl_plain plain curl.png curl -sS -T "$work/map.png" \
        "ftp://127.0.0.1:$base/up/curl.png" --user ftp:x
    time_upload cli_tls tls cli.png env GRIVENDALE_FTP_PASSWORD=x "$cli" upload \
        "$work/map.png" up/cli.png --host 127.0.0.1 --port $((base + 10)) --user ftp --tls \
        --accept-fingerprint "$fingerprint"
    time_upload curl_tls tls curl.png curl -sS --ssl-reqd -k -T "$work/map.png" \
        "ftp://127.0.0.1:$((base + 10))/up/curl.png" --user ftp:x
    echo "round $round: plain: grivendale-cli ${cli_plain[-1]} ms, curl -T ${curl_plain[-1]} ms;" \
        "TLS: grivendale-cli --tls ${cli_tls[-1]} ms, curl --ssl-reqd ${curl_tls[-1]} ms"
done
echo "file: $size_mb MB, $rounds rounds, medians:"
echo "plain: grivendale-cli $(median "${cli_plain[@]}") ms, curl -T $(median "${curl_plain[@]}") ms"
echo "TLS:   grivendale-cli --tls $(median "${cli_tls[@]}") ms," \
    "curl --ssl-reqd $(median "${curl_tls[@]}") ms"
