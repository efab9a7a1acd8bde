#!/usr/bin/env bash
# The redirect rows' measurements, in milliseconds, one "key value" a line:
# sarvelin-cli redirect of 100 packages of 4 MB against pigz -6 on every
# core, a second run against the first, and check --redirect against cat of
# the .uz2 files. Medians of three. With a second program (the Windows build
# under Wine), its first redirect too.
#
#   redirect_bench.sh SARVELIN_CLI SOURCE_DIR [WINDOWS_SARVELIN_CLI]
set -euo pipefail
cli="$1" source="$2" windows_cli="${3:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/System"
mkdir -p "$work/Script/System"
# Packages as mods are: a package's header, then its name table, script
# bytecode, 8-bit textures and 16-bit sounds; together they compress about
# 2.6:1. Two more of script alone, names and small numbers as compiled
# UnrealScript holds them. Beside each kind, what zlib -6 makes of the same
# 32 KB chunks, as the engine's own tool writes them, in KB.
python3 - "$work/System" "$work/Script/System" "$source/examples/System/Core.u" <<'PY'
import math, os, random, struct, sys, zlib
folder, scripts, header = sys.argv[1], sys.argv[2], open(sys.argv[3], "rb").read()
def zlib6_bytes(data):
    return sum(8 + len(zlib.compress(data[at:at + 32768], 6)) for at in range(0, len(data), 32768))
words = [b"Actor", b"Pawn", b"Texture", b"StaticMesh", b"Sound", b"bHidden", b"Location",
         b"Rotation", b"DrawScale", b"Default", b"Engine", b"Postal2Game", b"Weapon",
         b"PlayerController", b"Inventory", b"Emitter", b"AmbientSound", b"bStatic"]
size, total = (4 << 20) - len(header), 0
for n in range(4):
    rnd, body = random.Random(n), bytearray()
    while len(body) < size * 4 // 100:
        body += b"\x0c" + rnd.choice(words) + b"%d\0" % rnd.randrange(100) + struct.pack("<I", 0x70010)
    while len(body) < size * 30 // 100:
        body += bytes([rnd.choice((0x00, 0x01, 0x04, 0x0B, 0x0F, 0x12, 0x16, 0x19, 0x1B))])
        body += bytes(min(int(rnd.expovariate(0.3)), 63) for _ in range(rnd.randrange(1, 4)))
    while len(body) < size * 85 // 100:
        shade = rnd.randrange(256)
        for y in range(256):
            body += bytes((shade + (x * y >> 9) + rnd.randrange(2) * (x & 7 == 0)) & 0xFF
                          for x in range(256))
    t, pitch = 0, rnd.uniform(0.01, 0.05)
    while len(body) < size:
        wave = 6000 * math.sin(t * pitch) + 2000 * math.sin(t * pitch * 3.1)
        body += struct.pack("<h", int(wave) + rnd.randrange(-2, 3))
        t += 1
    open(os.path.join(folder, "Sample%d" % n), "wb").write(header + body[:size])
    total += zlib6_bytes(header + body[:size])
print("zlib6_kb", total / 1024)
with open(os.path.join(folder, "postal2.ini"), "wb") as ini:
    ini.write(b"[Core.System]\r\nPaths=..\\System\\*.u\r\n[Engine.GameEngine]\r\n")
    for i in range(100):
        os.link(os.path.join(folder, "Sample%d" % (i % 4)), os.path.join(folder, "Pkg%03d.u" % i))
        ini.write(b"ServerPackages=Pkg%03d\r\n" % i)
total = 0
with open(os.path.join(scripts, "postal2.ini"), "wb") as ini:
    ini.write(b"[Core.System]\r\nPaths=..\\System\\*.u\r\n[Engine.GameEngine]\r\n")
    for n in range(2):
        rnd, body = random.Random(100 + n), bytearray()
        while len(body) < size:
            if rnd.random() < 0.3:
                body += rnd.choice(words) + b"\0"
            body += bytes([rnd.choice((0x00, 0x01, 0x04, 0x0B, 0x0F, 0x12, 0x16, 0x19, 0x1B, 0x24))])
            body += bytes(min(int(rnd.expovariate(0.2)), 255) for _ in range(rnd.randrange(1, 6)))
            if rnd.random() < 0.2:
                body += struct.pack("<i", rnd.randrange(-5000, 5000))
        open(os.path.join(scripts, "Script%d.u" % n), "wb").write(header + body[:size])
        total += zlib6_bytes(header + body[:size])
        ini.write(b"ServerPackages=Script%d\r\n" % n)
print("script_zlib6_kb", total / 1024)
PY
ms() { local start=$(date +%s%N); "$@" >/dev/null 2>&1; echo $(( ($(date +%s%N) - start) / 1000000 )); }
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
first=() second=() pigz=() check=() cat=()
for _ in 1 2 3; do
    rm -rf "$work/web" "$work/pigz" && mkdir "$work/pigz"
    sync
    first+=("$(ms "$cli" -q -C "$work/System" redirect "$work/web")")
    second+=("$(ms "$cli" -q -C "$work/System" redirect "$work/web")")
    check+=("$(ms "$cli" -q -C "$work/System" check --redirect "$work/web")")
    cat+=("$(ms sh -c "cat '$work'/web/*.uz2 >/dev/null")")
    pigz+=("$(ms sh -c "pigz -6 -p $(nproc) -c '$work'/System/Pkg*.u >'$work/pigz/all.gz'")")
done
echo "redirect_first $(median "${first[@]}")"
if [ -n "$windows_cli" ]; then
    windows=()
    for _ in 1 2 3; do
        rm -rf "$work/web-windows" && sync
        windows+=("$(ms "$windows_cli" -q -C "$work/System" redirect "$work/web-windows")")
    done
    rm -rf "$work/web-windows"
    echo "redirect_windows $(median "${windows[@]}")"
fi
echo "redirect_second $(median "${second[@]}")"
echo "redirect_check $(median "${check[@]}")"
echo "cat_uz2 $(median "${cat[@]}")"
echo "pigz $(median "${pigz[@]}")"
# The .uz2 files' size against zlib -6 over the same 32 KB chunks, which is
# what the engine's own tool writes: the four distinct packages, in KB.
echo "uz2_kb $(cat "$work"/web/Pkg00[0-3].u.uz2 | wc -c | awk '{print $1 / 1024}')"
# check --redirect-url of the 100 packages against nginx on 127.0.0.1, and
# the same first chunks fetched by curl one after another.
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$work/nginx"
chmod 755 "$work"
printf 'daemon off; worker_processes 1; pid %s/nginx.pid; error_log %s/error.log;\nevents {}\nhttp { access_log off; client_body_temp_path %s; proxy_temp_path %s; fastcgi_temp_path %s; uwsgi_temp_path %s; scgi_temp_path %s;\nserver { listen 127.0.0.1:%s; location /p2/ { alias %s/; } } }\n' \
    "$work/nginx" "$work/nginx" "$work/nginx" "$work/nginx" "$work/nginx" "$work/nginx" "$work/nginx" "$port" "$work/web" >"$work/nginx/nginx.conf"
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
nginx_pid=$!
trap 'kill "$nginx_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
url_check=() curl_loop=()
for _ in 1 2 3; do
    url_check+=("$(ms "$cli" -q -C "$work/System" check --redirect-url "http://127.0.0.1:$port/p2/")")
    curl_loop+=("$(ms sh -c "for f in '$work'/web/*.uz2; do curl -s -r 0-33103 -o /dev/null \"http://127.0.0.1:$port/p2/\$(basename \"\$f\")\"; done")")
done
kill "$nginx_pid"
echo "url_check $(median "${url_check[@]}")"
echo "curl_loop $(median "${curl_loop[@]}")"
# Peak memory of a redirect of one 1 GB package, text-like so that its .uz2
# is written (about 3:4), against the 64 MB a small game server can spare.
mkdir -p "$work/Big/System"
{ cat "$source/examples/System/Core.u"; head -c 1000000000 < <(base64 -w 76 /dev/urandom); } >"$work/Big/System/Huge.u"
printf '[Core.System]\r\nPaths=*.u\r\n[Engine.GameEngine]\r\nServerPackages=Huge\r\n' >"$work/Big/System/postal2.ini"
echo "redirect_peak_kb $(python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$cli" -q -C "$work/Big/System" redirect "$work/Big/web")"
# And of --verify, which reads the package and its .uz2 side by side.
echo "verify_peak_kb $(python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$cli" -q -C "$work/Big/System" redirect --verify "$work/Big/web")"
rm -rf "$work/Big"
# The size row again on the packages of script alone.
"$cli" -q -C "$work/Script/System" redirect "$work/Script/web" >/dev/null || true
echo "script_uz2_kb $(cat "$work"/Script/web/*.uz2 | wc -c | awk '{print $1 / 1024}')"
