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
# Packages as mods are: a package's header and tables, then names, words and
# binary data that compress about 2.6:1.
python3 - "$work/System" "$source/examples/System/Core.u" <<'PY'
import os, random, sys
folder, header = sys.argv[1], open(sys.argv[2], "rb").read()
words = [b"Actor", b"Pawn", b"Texture", b"StaticMesh", b"Sound", b"bHidden", b"Location",
         b"Rotation", b"DrawScale", b"Default", b"Engine", b"Postal2Game", b"Weapon"]
for n in range(4):
    rnd, body = random.Random(n), bytearray()
    while len(body) < 4 << 20:
        body += rnd.choice(words) + bytes(rnd.randrange(32) for _ in range(rnd.randrange(4)))
        if rnd.random() < 0.12:
            body += rnd.randbytes(12)
    open(os.path.join(folder, "Sample%d" % n), "wb").write(header + body[: (4 << 20) - len(header)])
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
