#!/usr/bin/env bash
# The keyboard path a user takes, on the real program under Xvfb: focus starts
# on the package list, Space toggles, Tab reaches Save, Space presses it and
# Enter closes the message. Then the files are checked.
#
#   keyboard_save.sh PROGRAM EXAMPLE_SYSTEM_FOLDER
set -euo pipefail
program="$1" example="$2"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'kill $app $XVFB_PID 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$example" "$work/System"
cd "$work/System"

source "$source_dir/scripts/xvfb.sh"
start_xvfb

"$program" 2>/dev/null &
app=$!
wait_for() { # wait_for SECONDS COMMAND...: polls until COMMAND succeeds
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || { echo "timed out waiting for: $*" >&2; exit 1; }
        sleep 0.1
    done
}
windows() { xdotool search --onlyvisible --name '^Sarvelin$' 2>/dev/null | wc -l; }
window() { xdotool search --onlyvisible --name '^Sarvelin$' 2>/dev/null | head -1; }
shown() { [ "$(windows)" -eq "$1" ]; }
wait_for 30 shown 1
xdotool windowfocus --sync "$(window)"

# Rows: AWPStuff.u (unmarked), Core.u (marked), ...
xdotool key space Down space Tab Tab Tab Tab space
wait_for 30 shown 2 # the message
xdotool key Return
wait_for 30 test -e postal2.ini.old

cmp -s postal2.ini.old "$example/postal2.ini" || { echo "the backup differs from the old configuration" >&2; exit 1; }
saved="$(ls [Pp]ostal2.ini)" # Postal2.ini on Linux; Windows keeps the name it had
cmp -s <(grep -av '^ServerPackages=' "$saved") <(grep -av '^ServerPackages=' "$example/postal2.ini") ||
    { echo "lines other than the package lines changed" >&2; exit 1; }
grep -a '^ServerPackages=' "$saved" | tr -d '\r' > packages.txt
expected="ServerPackages=AWPStuff
ServerPackages=Editor
ServerPackages=Engine
ServerPackages=Fire
ServerPackages=GamePlay
ServerPackages=IpDrv
ServerPackages=MultiStuff
ServerPackages=Postal2Game
ServerPackages=UWeb
ServerPackages=BaseDialog
ServerPackages=AmbientSounds
ServerPackages=OldMapPack"
if [ "$(cat packages.txt)" != "$expected" ]; then
    echo "unexpected package lines:" >&2; cat packages.txt >&2; exit 1
fi
wait_for 10 shown 1 # the message closed, the window still open
echo "1 passed, 0 failed"
