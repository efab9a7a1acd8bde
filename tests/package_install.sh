#!/usr/bin/env bash
# Builds the .deb from an optimised build, installs it with dpkg, starts the
# installed program under Xvfb and removes the package again. Needs root.
#
#   package_install.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
source="$1" build="$2"
if [ "$(id -u)" -ne 0 ]; then
    echo "0 passed, 0 failed, 1 skipped: installing a package needs root"
    exit 0
fi
cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSARVELIN_TESTS=OFF -DSARVELIN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target sarvelin >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/sarvelin_*.deb)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6
dpkg -i "$deb" >/dev/null
trap 'dpkg -r sarvelin >/dev/null' EXIT
for installed in /usr/bin/sarvelin /usr/share/applications/sarvelin.desktop \
                 /usr/share/icons/hicolor/32x32/apps/sarvelin.png; do
    [ -e "$installed" ] || { echo "missing after install: $installed" >&2; exit 1; }
done
work="$(mktemp -d)"
cp -r "$source/examples/System" "$work/System"
(cd "$work/System" && "$source/scripts/screenshot" /usr/bin/sarvelin "$build/installed.png")
rm -rf "$work"
echo "1 passed, 0 failed"
