#!/usr/bin/env bash
# The Windows downloads as a user gets them, under Wine: the zip holds the
# program, README and licence; the program carries its icon, version and
# manifest; the installer puts the program in Program Files with a Start-menu
# folder and an Apps entry, and its uninstaller takes away only those.
#
#   installer.sh BUILD_FOLDER VERSION
set -euo pipefail
build="$1" version="$2"
failures=0
expect() { # expect WHAT ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        echo "FAILED: $1: got [$2], expected [$3]" >&2
        failures=$((failures + 1))
    fi
}
base="sarvelin-$version-windows-x64"
expect "the zip's files" "$(unzip -Z1 "$build/$base.zip" | sort | tr '\n' ' ')" \
    "$base/ $base/LICENSE.txt $base/README.md $base/sarvelin-cli.exe $base/sarvelin.exe "
for program in cli/sarvelin-cli app/sarvelin; do
    expect "$program's resources: icon, version, manifest" \
        "$(wrestool -l "$build/$program.exe" | sed -n 's/.*--type=\([0-9]*\).*/\1/p' | sort -n | uniq | tr '\n' ' ')" \
        "3 14 16 24 "
done

installed="$WINEPREFIX/drive_c/Program Files/Sarvelin"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Sarvelin"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sarvelin'
wine "$build/sarvelin-$version-setup.exe" /S
expect "installed" "$(ls "$installed" | tr '\n' ' ')" \
    "LICENSE.txt README.md sarvelin-cli.exe sarvelin.exe uninstall.exe "
expect "it runs from there" "$(wine "$installed/sarvelin-cli.exe" --version | tr -d '\r')" \
    "sarvelin-cli $version"
expect "the Start-menu folder" "$(ls "$menu" | tr '\n' ' ')" \
    "Sarvelin command line.lnk Sarvelin.lnk Uninstall Sarvelin.lnk "
expect "the Apps entry" "$(wine reg query "$key" /v DisplayVersion | grep -c "$version")" 1
touch "$installed/notes.txt" # the user's own file
# _?= runs the uninstaller where it is, and waits for it; it must reach the
# uninstaller unquoted, as a batch file passes it on.
batch="$WINEPREFIX/drive_c/uninstall-sarvelin.bat"
printf '"C:\\Program Files\\Sarvelin\\uninstall.exe" /S _?=C:\\Program Files\\Sarvelin\r\n' >"$batch"
wine cmd /c 'C:\uninstall-sarvelin.bat' >/dev/null
rm "$batch"
rm "$installed/uninstall.exe"
expect "uninstalled: only the user's file left" "$(ls "$installed" | tr '\n' ' ')" "notes.txt "
rm -r "$installed"
expect "the Start-menu folder gone" "$(ls -d "$menu" 2>/dev/null)" ""
expect "the Apps entry gone" "$(wine reg query "$key" >/dev/null 2>&1; echo $?)" 1
[ "$failures" -eq 0 ] || exit 1
echo "10 passed, 0 failed"
