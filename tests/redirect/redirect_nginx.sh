#!/usr/bin/env bash
# The redirect folder as players fetch it: sarvelin-cli redirect builds it
# from a copy of the demo install with a Workshop mod added to its list,
# nginx serves it on 127.0.0.1, and each
# .uz2, asked for by its name percent-encoded as the older engine writes it,
# decompresses (by Python's zlib, not ours) to its package byte for byte.
# A package left out is a 404.
#
#   redirect_nginx.sh PROGRAM SOURCE_DIR
set -euo pipefail
cli="$1" source="$2"
work="$(mktemp -d)"
chmod 755 "$work" # nginx's workers, as www-data when started by root, read the folder
nginx_pid=""
trap '[ -z "$nginx_pid" ] || kill "$nginx_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
expect() { # expect WHAT ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        echo "FAILED: $1: got [$2], expected [$3]" >&2
        failures=$((failures + 1))
    fi
}

cp -r "$source/examples/System" "$source/examples/Sounds" "$work/"
mkdir "$work/Maps"
cp "$source/examples/System/Xmas.u" "$work/Maps/MyMap.fuk"
cp "$source/examples/System/ProjectileMod.U" "$work/System/NicksCoop.u"
"$cli" -q -C "$work/System" add NicksCoop >/dev/null
web="$work/www/p2"
mkdir -p "$web"
# 1: done, though players lack OldMapPack, which the demo configures and lacks
"$cli" -q -C "$work/System" redirect "$web" --exclude Engine >/dev/null || [ $? -eq 1 ]

port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir "$work/nginx"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events {}
http {
    access_log off;
    client_body_temp_path $work/nginx;
    proxy_temp_path $work/nginx;
    fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx;
    scgi_temp_path $work/nginx;
    server {
        listen 127.0.0.1:$port;
        location /p2/ {
            alias $web/;
        }
    }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
nginx_pid=$!
for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && break
    sleep 0.1
done

served=0
for uz2 in "$web"/*.uz2; do
    name="$(basename "$uz2")"
    package="$(find "$work/System" "$work/Sounds" "$work/Maps" -name "${name%.uz2}" | head -1)"
    encoded="${name//./%2E}"
    curl -sf -o "$work/fetched" "http://127.0.0.1:$port/p2/$encoded"
    same="$(python3 - "$work/fetched" "$package" <<'PY'
import struct, sys, zlib
data, out = open(sys.argv[1], "rb").read(), b""
while data:
    size, _ = struct.unpack("<II", data[:8])
    out += zlib.decompress(data[8:8 + size])
    data = data[8 + size:]
print(out == open(sys.argv[2], "rb").read())
PY
)"
    expect "$name fetched as $encoded decompresses to its package" "$same" True
    served=$((served + 1))
done
expect "the configured packages, the mod, their imports and the map are served" "$served" 12
expect "the mod, asked for by its encoded name" \
    "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/p2/NicksCoop%2Eu%2Euz2")" 200
expect "a package left out is not found" \
    "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/p2/Engine%2Eu%2Euz2")" 404

# check --redirect-url fetches what players fetch, with faults planted.
url="http://127.0.0.1:$port/p2/"
url_problems() { # url_problems [URL]: "NAME:KIND" for each url- problem check finds
    "$cli" -q -C "$work/System" check --redirect-url ${1:+"$1"} |
        sed -n 's/.*: \(url-[a-z]*\): .*players cannot download \([A-Za-z0-9]*\) .*/\2:\1/p; s/.*: \(url-[a-z]*\): .*\/p2\/\([A-Za-z0-9]*\).*/\2:\1/p' |
        sort | tr '\n' ' '
}
expect "check --redirect-url: only the package left out" "$(url_problems "$url")" "Engine:url-missing "
# Saved as Postal2.ini on Linux; Windows keeps the name it had.
printf '[IpDrv.HTTPDownload]\r\nRedirectToURL=%s\r\nUseCompression=True\r\n' "$url" >>"$(ls "$work"/System/[Pp]ostal2.ini)"
expect "check --redirect-url: RedirectToURL= by default" "$(url_problems)" "Engine:url-missing "
rm "$web/Fire.u.uz2"
mv "$web/Core.u.uz2" "$web/core.u.uz2"
cp "$web/Editor.u.uz2" "$web/IpDrv.u.uz2"
printf 'XXXXXXXX' | dd of="$web/UWeb.u.uz2" bs=1 seek=12 conv=notrunc 2>/dev/null
chmod 600 "$web/GamePlay.u.uz2" # the web server's user may not read it
expect "check --redirect-url: each planted fault, on its kind" "$(url_problems "$url")" \
    "Core:url-missing Engine:url-missing Fire:url-missing GamePlay:url-error IpDrv:url-stale UWeb:url-damaged "
closed="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
refused="$("$cli" -q -C "$work/System" check --redirect-url "http://127.0.0.1:$closed/p2/" | grep -c ": url-error: players cannot download .*:$closed/p2/.*: ." || true)"
expect "check --redirect-url: a refused connection is an error for each package" "$((refused >= 12))" 1

kill "$nginx_pid"
wait "$nginx_pid" 2>/dev/null || true
nginx_pid=""
[ "$failures" -eq 0 ] || exit 1
echo "$((served + 7)) passed, 0 failed"
