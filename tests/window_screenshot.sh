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

# Where the game lives: a Steam install in the home folder, a second Steam
# library with an install of the same name, and the window started in the
# first one's System folder; then the drive list opened.
home="$work/home"
steam="$home/.local/share/Steam"
mkdir -p "$steam/steamapps/common/POSTAL2Complete" "$work/Games/SteamLibrary/steamapps/common/POSTAL2Complete"
cp -r "$source/examples/System" "$steam/steamapps/common/POSTAL2Complete/System"
cp -r "$source/examples/System" "$work/Games/SteamLibrary/steamapps/common/POSTAL2Complete/System"
printf '"libraryfolders"\n{\n\t"1"\n\t{\n\t\t"path"\t\t"%s"\n\t}\n}\n' "$work/Games/SteamLibrary" \
    >"$steam/steamapps/libraryfolders.vdf"
cd "$steam/steamapps/common/POSTAL2Complete/System"
deep="${shot%.png}-steam.png" opened="${shot%.png}-drives.png"
HOME="$home" "$source/scripts/screenshot" "$program" "$deep"
HOME="$home" CLICK="80 50" "$source/scripts/screenshot" "$program" "$opened"
echo "screenshots: $deep $opened"
echo "1 passed, 0 failed"
