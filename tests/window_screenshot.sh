#!/usr/bin/env bash
# Saves a screenshot of the real window under Xvfb, opened on a copy of the
# demo System folder, and checks that it shows the window at its designed size.
#
#   window_screenshot.sh PROGRAM SOURCE_FOLDER PNG
set -euo pipefail
program="$1" source="$2" shot="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$source/examples/System" "$work/System"
mkdir -p "$(dirname "$shot")"
cd "$work/System"
"$source/scripts/screenshot" "$program" "$shot"
size="$(identify -format '%wx%h' "$shot")"
[ "$size" = "453x290" ] || { echo "the window is $size, not 453x290" >&2; exit 1; }
echo "screenshot: $shot"
echo "1 passed, 0 failed"
