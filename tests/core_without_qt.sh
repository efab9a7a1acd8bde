#!/usr/bin/env bash
# Builds the core (file layer, machine, command line) without the window, so
# without Qt, and runs its tests there.
#
#   core_without_qt.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
source="$1" build="$2"
cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DSARVELIN_WINDOW=OFF \
    -DSARVELIN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
if grep -qi 'qt6' "$build/CMakeCache.txt"; then
    echo "the build without the window looked for Qt" >&2
    exit 1
fi
cd "$build" && ctest -j"$(nproc)"
