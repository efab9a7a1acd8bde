#!/usr/bin/env bash
# The redirect rows' measurements, in milliseconds, one "key value" a line:
# sarvelin-cli redirect of 100 packages of 4 MB against pigz -6 on every
# core, a second run against the first, and check --redirect against cat of
# the .uz2 files. Medians of three.
#
#   redirect_bench.sh SARVELIN_CLI SOURCE_DIR
set -euo pipefail
cli="$1" source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/System"
# Packages as mods are: a package's header, then its name table, script
# bytecode, 8-bit textures and 16-bit sounds; together they compress about
# 2.6:1.
python3 - "$work/System" "$source/examples/System/Core.u" <<'PY'
import math, os, random, struct, sys
folder, header = sys.argv[1], open(sys.argv[2], "rb").read()
words = [b"Actor", b"Pawn", b"Texture", b"StaticMesh", b"Sound", b"bHidden", b"Location",
         b"Rotation", b"DrawScale", b"Default", b"Engine", b"Postal2Game", b"Weapon",
         b"PlayerController", b"Inventory", b"Emitter", b"AmbientSound", b"bStatic"]
size = (4 << 20) - len(header)
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
with open(os.path.join(folder, "postal2.ini"), "wb") as ini:
    ini.write(b"[Core.System]\r\nPaths=..\\System\\*.u\r\n[Engine.GameEngine]\r\n")
    for i in range(100):
        os.link(os.path.join(folder, "Sample%d" % (i % 4)), os.path.join(folder, "Pkg%03d.u" % i))
        ini.write(b"ServerPackages=Pkg%03d\r\n" % i)
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
echo "redirect_second $(median "${second[@]}")"
echo "redirect_check $(median "${check[@]}")"
echo "cat_uz2 $(median "${cat[@]}")"
echo "pigz $(median "${pigz[@]}")"
# The .uz2 files' size against zlib -6 over the same 32 KB chunks, which is
# what the engine's own tool writes: the four distinct packages, in KB.
echo "uz2_kb $(cat "$work"/web/Pkg00[0-3].u.uz2 | wc -c | awk '{print $1 / 1024}')"
# Peak memory of a redirect of one 1 GB package, text-like so that its .uz2
# is written (about 3:4), against the 64 MB a small game server can spare.
mkdir -p "$work/Big/System"
{ cat "$source/examples/System/Core.u"; head -c 1000000000 < <(base64 -w 76 /dev/urandom); } >"$work/Big/System/Huge.u"
printf '[Core.System]\r\nPaths=*.u\r\n[Engine.GameEngine]\r\nServerPackages=Huge\r\n' >"$work/Big/System/postal2.ini"
echo "redirect_peak_kb $(python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$cli" -q -C "$work/Big/System" redirect "$work/Big/web")"
rm -rf "$work/Big"
python3 - "$work/System" <<'PY'
import sys, zlib
total = 0
for n in range(4):
    data = open("%s/Sample%d" % (sys.argv[1], n), "rb").read()
    total += sum(8 + len(zlib.compress(data[at:at + 32768], 6)) for at in range(0, len(data), 32768))
print("zlib6_kb", total / 1024)
PY
