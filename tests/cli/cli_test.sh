#!/usr/bin/env bash
# Runs sarvelin-cli as a script would, on temporary System folders, and checks
# its output, exit status and files, command by command.
#
#   cli_test.sh PROGRAM SOURCE_FOLDER [GAME_STAND_IN]
#
# Given GAME_STAND_IN, a Windows program that waits as the game's server does,
# PROGRAM is the Windows build under Wine, and rows where Windows differs
# expect what Windows does.
set -uo pipefail
cli="$(realpath "$1")" source="$2" stand_in="${3:+$(realpath "$3")}"
work="$(mktemp -d)"
trap 'stop; rm -rf "$work"' EXIT
holder=""
passed=0 failed=0

expect() { # expect WHAT ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  got:      %q\n  expected: %q\n  stderr:   %s\n' "$1" "$2" "$3" "$(cat "$work/stderr" 2>/dev/null)"
    fi
}
run() { "$cli" "$@" 2>"$work/stderr"; }
status() { "$cli" "$@" >/dev/null 2>"$work/stderr"; echo $?; }
fresh() { # a copy of the demo System folder, as $sys
    sys="$work/$1/System"
    mkdir -p "$(dirname "$sys")"
    cp -r "$source/examples/System" "$sys"
}
digest() { (cd "$1" && md5sum $(ls -A | sort) | md5sum); }
on_windows() { [ -n "$stand_in" ]; }
# A path as the program shows it; on Windows a drive makes it absolute, and
# Wine's Z: is the Linux root.
shown() { if on_windows; then printf '%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
absolute() { if on_windows; then printf 'Z:'; fi; shown "$1"; }
# A save names the configuration as the game does, on Windows as it is on disk.
saved=Postal2.ini
on_windows && saved=postal2.ini
# start COMMAND...: a holder or game that prints its pid once it holds what it
# holds, as $holder; $pid is that pid, as the system it runs on knows it.
start() {
    "$@" >"$work/ready" 2>/dev/null &
    holder=$!
    for _ in $(seq 200); do [ -s "$work/ready" ] && break; sleep 0.05; done
    pid="$(cat "$work/ready")"
    rm -f "$work/ready"
}
# hold save|read FILE: another program saving or reading FILE, until killed.
hold() {
    if on_windows; then
        start wine "$stand_in" "$1" "$2"
    else
        local how=-x
        [ "$1" = read ] && how=-s
        start flock --no-fork "$how" "$2" sh -c 'echo $$; exec sleep 60'
    fi
}
stop() {
    [ -n "$holder" ] || return 0
    pkill -P "$holder"
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
}
# holding save|read PATH: what the program says of the holder; Windows tells neither.
holding() {
    local doing=saving
    [ "$1" = read ] && doing=reading
    if on_windows; then echo "using $(shown "$2")"; else echo "$doing $2 (pid $holder, sleep)"; fi
}

# --- list
fresh list
printf '[Engine.GameEngine]\r\nServerPackages=Engine\r\nServerPackages=BaseDialog\r\nServerPackages=fire \r\n' >"$sys/postal2.ini"
expect "list: names as written, in file order" "$(run -C "$sys" list | tr '\n' '|')" "Engine|BaseDialog|fire |"
expect "list --all: files in the window's order, then names without a file" \
    "$(run -C "$sys" list --all | sed -n '4p;5p;15p;16p' | tr '\n' '|')" \
    "[x] Engine.u|[ ] Fire.u|[x] BaseDialog  (not found)|[x] fire   (not found)|"
mkdir -p "$sys/../Sounds"
cp "$source/examples/Sounds/BaseDialog.uax" "$sys/../Sounds/"
printf '[Core.System]\r\nPaths=..\\System\\*.u\r\nPaths=..\\Sounds\\*.uax\r\n' >>"$sys/postal2.ini"
expect "list --all: where Paths= finds a package without a .u file" \
    "$(run -C "$sys" list --all | grep BaseDialog)" "[x] BaseDialog  ($(shown ../Sounds/BaseDialog.uax))"
expect "list --json: valid, with the file, both lists, and where each name is found" \
    "$(run -C "$sys" list --json | /usr/bin/python3 -c 'import json,sys; d=json.load(sys.stdin); c=d["configured"]; print(c[1]["name"], c[1]["found"], c[1]["flags"], c[2]["found"], len(d["files"]), d["files"][3])')" \
    "BaseDialog $(shown ../Sounds/BaseDialog.uax) ['AllowDownload'] None 14 {'name': 'Engine.u', 'configured': True}"
expect "options after the command: list -C DIR --json" "$(run list -C "$sys" --json | grep -c '"file"')" 1
expect "an unknown command" "$(status bogus; cat "$work/stderr")" \
    "2
sarvelin-cli: unknown command \"bogus\"; see sarvelin-cli --help"
expect "placeholders name what they take" "$(run --help | grep -c -e '-C,--folder DIR' -e '-f,--ini FILE')" 2
printf '[URL]\r\nServerPackages=Elsewhere\r\n' >"$sys/postal2.ini"
expect "list: no section prints nothing, and warns" "$(run -C "$sys" list; echo "rc=$?"; cat "$work/stderr")" \
    "rc=0
sarvelin-cli: warning: $(shown "$sys/postal2.ini") has no [Engine.GameEngine] section, so the game reads no server packages from it"
expect "-q: no warning" "$(run -C "$sys" list -q; cat "$work/stderr")" ""
expect "list: a missing file is a file error" "$(status -C "$work" list)" 3
expect "the error names the file" "$(cat "$work/stderr")" \
    "sarvelin-cli: Cannot open $(shown "$work/postal2.ini") for reading: No such file or directory"

# --- add
fresh add
before="$(digest "$sys")"
expect "add -n: a one-line change, CR kept" "$(run -C "$sys" add Xmas.u -n | grep -c $'^[-+][^-+]')" 1
expect "add -n: the line as the file ends it" "$(run -C "$sys" add Xmas.u -n | grep -c $'^+ServerPackages=Xmas\r$')" 1
expect "add -n: changes nothing" "$(digest "$sys")" "$before"
expect "add: saves behind the backup" "$(run -C "$sys" add Xmas.u NEWMOD)" \
    "saved; previous configuration kept as postal2.ini.old"
expect "add: the window's file names" "$(cd "$sys" && ls $saved postal2.ini.old newp2.ini 2>/dev/null | tr '\n' ' ')" \
    "$saved postal2.ini.old "
expect "add: after the last package line in argument order" "$(run -C "$sys" list | tail -2 | tr '\n' ' ')" "Xmas NEWMOD "
expect "add: no other line moved" "$(diff <(grep -av '^ServerPackages=' "$sys/postal2.ini.old") <(grep -av '^ServerPackages=' "$sys/$saved") && echo same)" same
after="$(digest "$sys")"
expect "add again: unchanged" "$(run -C "$sys" add xmas newmod.U)" "unchanged"
expect "add again: nothing written, not even the backup" "$(digest "$sys")" "$after"
expect "add Foo.uax: the name without its extension" "$(run -C "$sys" add Sound.uax -n | grep -c $'^+ServerPackages=Sound\r$')" 1
expect "add a name no Paths= folder holds: a warning" "$(run -C "$sys" add Inventroy -n >/dev/null; cat "$work/stderr")" \
    "sarvelin-cli: warning: Inventroy: no Paths= folder of [Core.System] holds this package"
expect "options after the command: add --force X" "$(status -C "$sys" add --force Core -q)" 0
long63="$(printf 'N%.0s' $(seq 63))"
huge="$(printf 'N%.0s' $(seq 120000))"
on_windows && huge="${huge:0:32000}" # a Windows command line holds at most 32767 characters
for bad in ".u" "a=b" " Spaced " $'Tab\t' "[Section]" "[[X]]" "a/b" '..\System\Evil' ";Comment" "#Hash" \
    'Quo"te' $'Tab\tinside' "${long63}N" "$huge" "Жара"; do
    expect "add \"${bad:0:20}\": a usage error" "$(status -C "$sys" add "$bad")" 2
done
expect "add \"Жара\": says why" "$(cat "$work/stderr")" \
    "sarvelin-cli: \"Жара\": the character \"Ж\" cannot be stored in this configuration file (Windows-1252)"
expect "add 63 characters: the longest name the engine holds" "$(status -C "$sys" -q -n add "$long63")" 0
expect "set --from: a comment after a name" \
    "$(printf 'CoopMod ; the co-op mod\nNewMod#again\n' | run -C "$sys" -n -q set --from - | grep -c -e '^+ServerPackages=CoopMod.$' -e '^+ServerPackages=NewMod.$')" 2
expect "usage errors changed nothing" "$(digest "$sys")" "$after"
printf '[URL]\r\nPort=7777\r\n' >"$sys/$saved"
expect "add without the section fails" "$(status -C "$sys" add Fire)" 3
expect "and says so" "$(grep -c 'has no \[Engine.GameEngine\] section' "$work/stderr")" 1

# --- remove and set
fresh edit
run -C "$sys" remove engine fire.U >/dev/null
expect "remove: drops every line naming one of the names" "$(run -C "$sys" list | grep -ci -e '^engine$' -e '^fire$')" 0
run -C "$sys" remove --all >/dev/null
expect "remove --all: no package line left" "$(run -C "$sys" list | wc -l)" 0
run -C "$sys" set Core.u Engine core Fire >/dev/null
expect "set: exactly the names, repeats dropped" "$(run -C "$sys" list | tr '\n' ' ')" "Core Engine Fire "
printf '; the server list\n\n# mods\nXmas.u\n  Fire  \r\n' | run -C "$sys" set --from - >/dev/null
expect "set --from -: comments and blanks skipped" "$(run -C "$sys" list | tr '\n' ' ')" "Xmas Fire "
expect "set with no names: a usage error" "$(status -C "$sys" set)" 2
printf '[Engine.GameEngine]\r\nServerPackages=Engine\r\nServerPackages=Core\r\nServerPackages=ENGINE\r\n' >"$sys/$saved"
run -C "$sys" remove engine >/dev/null
expect "remove engine: Engine and ENGINE go" "$(run -C "$sys" list | tr '\n' ' ')" "Core "
expect "set --from a missing file: a file error that says why" "$(status -C "$sys" set --from "$work/none.txt"; cat "$work/stderr")" \
    "3
sarvelin-cli: Cannot open $work/none.txt for reading: No such file or directory"
expect "set --from a folder: refused as one" "$(status -C "$sys" set --from "$work"; cat "$work/stderr")" \
    "3
sarvelin-cli: Cannot read $work: Is a directory"
expect "remove a name not configured: a warning" "$(run -C "$sys" remove NotThere; cat "$work/stderr")" \
    "unchanged
sarvelin-cli: warning: NotThere is not configured"
printf '[URL]\r\n' >"$sys/$saved"
expect "remove on a file without the section: a warning" "$(run -C "$sys" remove Fire; cat "$work/stderr")" \
    "unchanged
sarvelin-cli: warning: $(shown "$sys/$saved") has no [Engine.GameEngine] section, so it has no package to remove"

# --- a read-only configuration
fresh readonly
chmod 444 "$sys/postal2.ini"
before="$(digest "$sys")"
for edit in "add Xmas" "remove Core" "set Core" "restore"; do
    expect "$edit on a read-only file: refused" "$(status -C "$sys" $edit; cat "$work/stderr")" \
        "3
sarvelin-cli: postal2.ini is read-only; use --force to change it anyway"
done
expect "nothing changed" "$(digest "$sys")" "$before"
if on_windows; then # ReplaceFileW will not replace a read-only file
    expect "--force: refused whole" "$(status -C "$sys" add Xmas --force; digest "$sys")" "3
$before"
else
    expect "--force goes on, and keeps the mode" "$(status -C "$sys" add Xmas --force; stat -c %a "$sys/Postal2.ini")" "0
444"
fi

# --- restore
fresh restore
run -C "$sys" add Xmas >/dev/null
before="$(digest "$sys")"
expect "restore -n: shows the change" "$(run -C "$sys" restore -n | grep -c '^-ServerPackages=Xmas')" 1
expect "restore -n: changes nothing" "$(digest "$sys")" "$before"
run -C "$sys" restore >/dev/null
expect "restore: the backup is the configuration again" "$(run -C "$sys" list | grep -c '^Xmas$')" 0
run -C "$sys" restore >/dev/null
expect "restore twice: the folder as it was" "$(digest "$sys")" "$before"
rm "$sys/postal2.ini.old"
expect "restore without a backup fails" "$(status -C "$sys" restore)" 3
expect "and changes nothing" "$(run -C "$sys" list | grep -c '^Xmas$')" 1

# --- a usage error writes nothing, wherever the word stands
fresh usage
{ cat "$sys/postal2.ini"; printf 'ServerPackages=OnlyInTheBackup\r\n'; } >"$sys/postal2.ini.old" # a restore would show
before="$(digest "$sys")"
for shape in "-n add Foo" "--dry-run add Bar" "-n restore" "-n remove --all" "-n set Core"; do
    expect "$shape: a dry run before the command" "$(cd "$sys" && status $shape)" 0
done
for shape in "add X --dryrun" "--jsn add X" "add X -x" "restore extra" "lst add Foo" "-n server add Bar" "-n add X --bogus"; do
    expect "$shape: exit 2" "$(cd "$sys" && status $shape)" 2
done
expect "the message names the word" "$(cat "$work/stderr")" \
    "sarvelin-cli: unexpected word \"--bogus\"; see sarvelin-cli --help"
expect "and none of them changed a byte" "$(digest "$sys")" "$before"
expect "no command: exit 2, in the tool's own words" "$(status; cat "$work/stderr")" \
    "2
sarvelin-cli: which command? see sarvelin-cli --help"
expect "usage lines name the words a command takes" \
    "$(for c in add 'workshop remove' info; do run $c --help | grep Usage; done)" \
    "Usage: sarvelin-cli add [OPTIONS] NAME...
Usage: sarvelin-cli workshop remove [OPTIONS] ID...
Usage: sarvelin-cli info [OPTIONS] FILE..."

# --- another program holding the configuration
fresh busy
before="$(digest "$sys")"
hold save "$sys/postal2.ini"
expect "--wait 0 meets a save: exit 5, naming it" "$(status -C "$sys" --wait 0 add Xmas; cat "$work/stderr")" \
    "5
sarvelin-cli: another program is $(holding save "$sys/postal2.ini"); try again, or raise --wait"
expect "a reader waits for a save too" "$(status -C "$sys" --wait 0 list)" 5
started=$(date +%s%N)
expect "--wait 0.5 waits, then gives up" "$(status -C "$sys" --wait 0.5 remove Core)" 5
waited=$(($(date +%s%N) - started))
expect "... after half a second or more, not the 10 s of no --wait" "$((waited >= 500000000 && waited < 5000000000))" 1
stop
expect "nothing was written meanwhile" "$(digest "$sys")" "$before"
expect "the lock goes with its holder: the edit goes on at once" "$(status -C "$sys" --wait 0 add Xmas)" 0
hold read "$sys/$saved"
expect "readers read side by side" "$(status -C "$sys" --wait 0 list)" 0
expect "a writer waits for a reader" \
    "$(status -C "$sys" --wait 0 add Fire; grep -cF "another program is $(holding read "$sys/$saved")" "$work/stderr")" "5
1"
stop
mkdir -p "$work/busy/managed"
mv "$sys/$saved" "$work/busy/managed/server.ini"
ln -s ../managed/server.ini "$sys/postal2.ini"
for held in "$work/busy/managed/server.ini" "$sys/postal2.ini"; do
    hold save "$held"
    expect "a link and its target are one configuration ($(basename "$held") held)" \
        "$(status -C "$sys" --wait 0 add Xmas2) $(status -f "$work/busy/managed/server.ini" --wait 0 add Xmas2)" "5 5"
    stop
done

# --- a configuration of another owner
if [ "$(id -u)" -eq 0 ] && ! on_windows; then
    fresh owner
    chmod 755 "$work" "$work/owner"
    chown -R nobody:nogroup "$sys"
    chown root:root "$sys/postal2.ini"
    as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$cli" "$@" 2>"$work/stderr"; }
    before="$(digest "$sys")"
    expect "root's file in nobody's folder: refused" "$(as_nobody -C "$sys" add Xmas; echo "$?"; cat "$work/stderr")" \
        "3
sarvelin-cli: postal2.ini belongs to root:root; saving it as nobody would give it to nobody:nogroup: run as root, or use --force"
    expect "nothing written" "$(digest "$sys")" "$before"
    expect "--force goes on, and says what changed" "$(as_nobody -C "$sys" --force add Xmas >/dev/null; echo "$?"; cat "$work/stderr")" \
        "0
sarvelin-cli: warning: Postal2.ini now belongs to nobody:nogroup; it belonged to root:root"
    chown nobody:games "$sys/Postal2.ini"
    chmod 660 "$sys/Postal2.ini"
    before="$(digest "$sys")"
    expect "a group nobody is not in: refused" "$(as_nobody -C "$sys" -q add NewMod; echo "$?"; cat "$work/stderr")" \
        "3
sarvelin-cli: Postal2.ini belongs to nobody:games; saving it as nobody would give it to nobody:nogroup: run as root, or use --force"
    expect "nothing written" "$(digest "$sys")" "$before"
    expect "root keeps both" "$(status -C "$sys" add NewMod; stat -c %U:%G "$sys/Postal2.ini")" "0
nobody:games"
fi

# --- another configuration file
fresh mp
cp "$sys/postal2.ini" "$sys/Postal2MP.ini"
expect "-f: any file" "$(run -f "$sys/Postal2MP.ini" add Xmas)" "saved; previous configuration kept as Postal2MP.ini.old"
expect "-f: keeps its name, its own backup" \
    "$(cd "$sys" && ls Postal2MP.ini Postal2MP.ini.old Postal2MP.ini.new postal2.ini.old 2>/dev/null | tr '\n' ' ')" \
    "Postal2MP.ini Postal2MP.ini.old "
expect "-C and -f together: a usage error" "$(status -C "$sys" -f "$sys/Postal2MP.ini" list)" 2

# --- the game running, per install
fresh running
# start_game FOLDER PROGRAM [ARGUMENT...]: a stand-in for the game, started
# from FOLDER; on Windows it is in FOLDER, since there its program's folder counts.
start_game() {
    local folder="$1" program="$2"
    shift 2
    if on_windows; then
        cp "$stand_in" "$folder/$program"
        start env -C "$folder" wine "$folder/$program" "$@"
    else
        cp "$(command -v dash)" "$work/$program"
        start env -C "$folder" "$work/$program" -c 'echo $$; sleep 60; :' "$@"
    fi
}
game=postal2-bin why="its working folder"
on_windows && game=Postal2.exe why="its program's folder"
start_game "$work" $game
expect "a game in another folder does not block" "$(status -C "$sys" add Core)" 0
stop
start_game "$work" $game "ini=$(absolute "$sys/postal2.ini")"
expect "a game started with ini= naming it: exit 4" "$(status -C "$sys" add Xmas)" 4
stop
start_game "$sys" $game
before="$(digest "$sys")"
expect "a game in its folder: exit 4" "$(status -C "$sys" add Xmas)" 4
expect "the message names the process, its pid and why it counts" "$(cat "$work/stderr")" \
    "sarvelin-cli: $game (pid $pid) is running with $(shown "$sys/postal2.ini"): $why is the configuration's folder. The game writes its whole configuration back when it quits, so this change would be lost. Quit it first, or use --force."
expect "even when nothing would change" "$(status -C "$sys" add Core)" 4
expect "a dry run still shows the change" "$(status -C "$sys" add Xmas -n)" 0
expect "nothing changed" "$(digest "$sys")" "$before"
expect "--force goes on" "$(status -C "$sys" --force add Xmas)" 0
stop
for program in Postal2.exe UCC.exe; do # the Windows builds, on Windows or under Wine
    start_game "$sys" $program
    expect "$program counts as the game" "$(status -C "$sys" add Xmas)" 4
    stop
done
# A co-op server writes back only the configuration its ini= names.
cp "$sys/$saved" "$sys/Postal2CoOp.ini"
winepath="Z:$(tr / '\\' <<<"$sys")\\Postal2CoOp.ini"
for ini in "ini=Postal2CoOp.ini" "ini=..\\System\\Postal2CoOp.ini" "ini=$winepath"; do
    start_game "$sys" UCC.exe server 'MapName.fuk?Game=NicksCoop.CoopGameInfo' "$ini"
    expect "UCC.exe $ini: its configuration is blocked" "$(status -f "$sys/Postal2CoOp.ini" add Xmas)" 4
    expect "UCC.exe $ini: the one beside it is not" "$(status -C "$sys" -n --strict add Xmas)" 0
    stop
done
if on_windows; then
    start_game "$sys" UCC.exe server "ini=Postal2CoOp.ini"
else
    mkdir -p "$work/prefix/dosdevices" && ln -s "$(dirname "$sys")" "$work/prefix/dosdevices/d:"
    WINEPREFIX="$work/prefix" start_game "$work" UCC.exe server 'ini=D:\System\Postal2CoOp.ini'
    expect "UCC.exe ini=D:\\...: a drive of its Wine prefix" "$(status -f "$sys/Postal2CoOp.ini" add Xmas)" 4
fi
expect "where: each configuration with the servers that use it" \
    "$(HOME="$work/nohome" run -C "$sys" where | grep -o -e "$saved .*" -e 'Postal2CoOp.ini .*' | grep -o -e '^[^ ]*' -e '(used by .*)' | tr '\n' ' ')" \
    "$saved Postal2CoOp.ini (used by UCC.exe, pid $pid) "
stop

# --- servers of other users
if [ "$(id -u)" -eq 0 ] && ! on_windows; then
    fresh others
    chmod 755 "$work" "$work/others"
    chown -R 1234:1234 "$sys"
    mkdir -p "$work/elsewhere"
    cp "$(command -v dash)" "$work/elsewhere/postal2-bin"
    as_user() { setpriv --reuid=1234 --regid=1234 --clear-groups "$cli" "$@" >/dev/null 2>"$work/stderr"; echo $?; }
    start_server() { # start_server USER FOLDER PROGRAM: a server run by USER from FOLDER
        start env -C "$2" setpriv --reuid="$1" --regid="$1" --clear-groups "$3" -c 'echo $$; sleep 60; :'
    }
    start_server 65534 "$work/elsewhere" ./postal2-bin
    expect "another user's server that cannot write the file does not block" "$(as_user -C "$sys" add Xmas)" 0
    chmod 666 "$sys/Postal2.ini"
    expect "one that could, and tells nothing of where it runs, does" \
        "$(as_user -C "$sys" add Fire; grep -o 'it could write the configuration, and where it runs cannot be read' "$work/stderr")" \
        "4
it could write the configuration, and where it runs cannot be read"
    stop
    start_server 65534 "$work/elsewhere" "$work/elsewhere/postal2-bin"
    expect "one started by its path in another install does not" "$(as_user -C "$sys" add Fire)" 0
    stop
    start_server 1234 "$sys" "$work/elsewhere/postal2-bin"
    expect "one of the same user in this install does, saying why" \
        "$(as_user -C "$sys" add Core.u; grep -o "is running with $sys/Postal2.ini: its working folder is the configuration's folder" "$work/stderr")" \
        "4
is running with $sys/Postal2.ini: its working folder is the configuration's folder"
    stop
fi

# --- the dry run's diff applies with patch, and gives the saved bytes
for shape in crlf lf cr noend; do
    fresh "patch-$shape"
    case "$shape" in
    crlf) printf '; a\r\n[Engine.GameEngine]\r\nServerActors=X.Y\r\nServerPackages=Core\r\nServerPackages=Fire\r\nA=1\r\n' ;;
    lf) printf '[Engine.GameEngine]\nServerPackages=Core\nServerPackages=Fire\nA=1\n' ;;
    cr) printf '[Engine.GameEngine]\rServerPackages=Core\rServerPackages=Fire\rA=1\r' ;;
    noend) printf '[Engine.GameEngine]\r\nServerPackages=Core\r\nServerPackages=Fire' ;;
    esac >"$sys/postal2.ini"
    cp "$sys/postal2.ini" "$work/patched.txt"
    for edit in "add Xmas" "remove Fire" "set Engine Core"; do
        run -C "$sys" $edit -n >"$work/diff"
        patch -s "$work/patched.txt" "$work/diff" || echo "patch failed: $shape $edit"
        run -C "$sys" $edit >/dev/null
        expect "patch gives what $edit saves ($shape)" "$(cmp -s "$work/patched.txt" "$sys/$saved" && echo same)" same
    done
done
expect "a file without a last line end still has none" "$(tail -c 4 "$sys/$saved")" "Core"

# --- JSON results of the edits
fresh json
json_field() { /usr/bin/python3 -c "import json,sys; d=json.load(sys.stdin); print($1)"; }
expect "add --json -n: the change, nothing written" \
    "$(run -C "$sys" add Xmas --json -n | json_field 'd["changed"], d["backup"], d["after"][-1], d["diff"].count("\n+ServerPackages=Xmas")')" \
    "True None Xmas 1"
expect "add --json: the files as saved, absolute, and the lists" \
    "$(cd "$sys" && run add Xmas --json | json_field 'd["file"], d["changed"], d["backup"], len(d["after"]) - len(d["before"])')" \
    "$(absolute "$sys/$saved") True $(absolute "$sys/postal2.ini.old") 1"
expect "add --json again: unchanged" "$(run -C "$sys" add Xmas --json | json_field 'd["changed"], d["backup"]')" "False None"
expect "restore --json" "$(run -C "$sys" restore --json | json_field 'd["changed"], "Xmas" in d["before"], "Xmas" in d["after"]')" \
    "True True False"
expect "--json: warnings in the result" "$(run -C "$sys" -q add Nope -n --json | json_field 'd["warnings"]')" \
    "['Nope: no Paths= folder of [Core.System] holds this package']"
expect "--json --diff: a real change with its diff" \
    "$(run -C "$sys" add Xmas3 -q --json --diff | json_field 'd["diff"].count("\n+ServerPackages=Xmas3")')" 1
error_of() { "$cli" --json "$@" 2>/dev/null | json_field 'd["error"]["kind"], d["error"]["status"], d["error"]["file"]'; }
config="$(absolute "$sys/$saved")"
expect "--json error: usage" "$(error_of -C "$sys" add "a/b")" "usage 2 $config"
for shape in "--wait x list" "list -C" "--wait -5 add X" "lst add Foo"; do
    expect "--json $shape: a usage error in JSON" "$(error_of $shape | cut -d' ' -f1-2)" "usage 2"
done
expect "--json error: file" "$(error_of -C "$work/json" list)" "file 3 $(absolute "$work/json/postal2.ini")"
chmod 444 "$sys/$saved"
expect "--json error: configuration" "$(error_of -C "$sys" add Fire)" "configuration 3 $config"
chmod 644 "$sys/$saved"
hold save "$sys/$saved"
expect "--json error: busy" "$(error_of -C "$sys" --wait 0 add Fire)" "busy 5 $config"
stop
start_game "$sys" $game
expect "--json error: game-running" "$(error_of -C "$sys" add Fire)" "game-running 4 $config"
stop

# --- check
fresh check
game_folder="$(dirname "$sys")"
mkdir -p "$game_folder/Sounds" "$game_folder/WorkshopContent/737631813/Scripts"
for package in Sounds/BaseDialog.uax WorkshopContent/737631813/Scripts/CoopMod.u System/engine.U; do
    cp "$source/examples/System/Core.u" "$game_folder/$package"
done
printf '%s\r\n' '[Core.System]' 'Paths=..\System\*.u' 'Paths=..\sounds\*.uax' \
    'Paths=../WorkshopContent/737631813/Scripts/*.u' '[Engine.GameEngine]' 'ServerPackages=Engine' \
    'ServerPackages=BaseDialog' 'ServerPackages=CoopMod' 'ServerPackages=Foo.u' 'ServerPackages= Fire' \
    'ServerPackages=ENGINE' 'ServerPackages =Bar' 'ServerPackages=Gone' >"$sys/postal2.ini"
expect "check: one line per problem, by line" "$(cd "$sys" && run check | cut -d: -f2,3 | tr '\n' ' ')" \
    "6: case-twins 9: extension 10: blank 11: duplicate 12: not-read 13: missing "
expect "check: exit 1 on problems" "$(status -C "$sys" check)" 1
expect "check: the message says what to do" "$(run -C "$sys" check | grep extension | cut -d: -f4-)" \
    " ServerPackages=Foo.u: the game wants \"Foo\", without \".u\"; sarvelin-cli -f $(shown "$sys/postal2.ini") check --fix mends it"
expect "check --json" "$(run -C "$sys" check --json | /usr/bin/python3 -c 'import json,sys; d=json.load(sys.stdin)["problems"]; print(len(d), d[3]["kind"], d[3]["name"], d[3]["line"])')" \
    "6 duplicate ENGINE 11"
printf '\xEF\xBB\xBF[Engine.GameEngine]\r\nServerPackages=Core\r\n' >"$sys/postal2.ini"
expect "check: a byte-order mark hiding the header" "$(run -C "$sys" check | grep -c ':1: no-section: a UTF-8 byte-order mark')" 1
rm -rf "$work/check"
cp -r "$source/examples" "$work/check"
expect "check: the demo finds the map pack removed from the disk" \
    "$(run -C "$sys" check | cut -d: -f2- | tr '\n' '|')" \
    "56: missing: ServerPackages=OldMapPack: no Paths= folder of [Core.System] holds this package; install it or remove this line|"
expect "check: exit 1 on the demo" "$(status -C "$sys" check)" 1

# --- mending what check finds
fresh fix
printf '%s\r\n' '[Core.System]' 'Paths=*.u' '[Engine.GameEngine]' 'ServerPackages=Engine' 'ServerPackages=Core.u' \
    'ServerPackages=Fire ' 'ServerPackages=ENGINE' 'ServerPackages =Xmas' 'ServerPackages=Engine.u' \
    'ServerPackages=a/b' 'Other=1' >"$sys/postal2.ini"
before="$(digest "$sys")"
expect "check --fix -n: the change as a diff, nothing written" \
    "$(run -C "$sys" check --fix -n -q | grep -c '^[-+]Server'; digest "$sys")" "8
$before"
expect "check --fix: one save, and says what it left" \
    "$(run -C "$sys" check --fix; cat "$work/stderr")" \
    "fixed; previous configuration kept as postal2.ini.old
sarvelin-cli: warning: $(shown "$sys/postal2.ini"):10: bad-name: left as it is (a package name cannot hold \"/\")"
expect "then check finds only what needs a person (Xmas imports Postal2Game, which imports BaseDialog, not in Paths=)" \
    "$(run -C "$sys" check | cut -d: -f3 | tr '\n' ' ')" " missing-import  bad-name "
expect "the lines as the game reads them, in place" "$(run -C "$sys" list | tr '\n' ' ')" "Engine Core Fire Xmas a/b "
printf '%s\r\n' '[Engine.GameEngine]' 'ServerPackages=Engine.u' 'ServerPackages=Core ' 'ServerPackages=Fire' >"$sys/$saved"
run -C "$sys" remove engine core >/dev/null
expect "remove by what a line means: an extension, a blank" "$(run -C "$sys" list | tr '\n' ' ')" "Fire "
expect "remove --line: not a package line is a usage error" "$(status -C "$sys" remove --line 1)" 2
expect "remove --line N: that line" "$(status -C "$sys" remove --line 2; run -C "$sys" list | wc -l)" "0
0"

# --- where
home="$work/home"
steam="$home/.local/share/Steam/steamapps/common/POSTAL2Complete/System"
wine="$home/.wine/drive_c/GOG Games/POSTAL 2/System"
server="$home/.local/share/Steam/steamapps/common/Postal2Server/System"
mkdir -p "$steam" "$home/.lgp/postal2/System" "$wine" "$server"
for folder in "$steam" "$home/.lgp/postal2/System" "$wine"; do
    printf '[Engine.GameEngine]\r\nServerPackages=Core\r\n' >"$folder/Postal2.ini"
    touch -d '2020-01-01' "$folder/Postal2.ini"
done
printf '[Engine.GameEngine]\r\nServerPackages=A\r\nServerPackages=B\r\n' >"$steam/Postal2CoOp.ini"
printf '[Engine.GameEngine]\r\nServerPackages=Core\r\n' >"$steam/Default.ini"
printf '[Other]\r\n' >"$steam/User.ini"
printf '[Engine.GameEngine]\r\nServerPackages=Core\r\n' >"$server/Postal2MP.ini"
touch -d '2020-01-01' "$steam/Postal2CoOp.ini" "$server/Postal2MP.ini"
touch -d '2020-01-01 00:00:00.1' "$home/.lgp/postal2/System/Postal2.ini"
touch -d '2020-01-01 00:00:00.5' "$wine/Postal2.ini"
touch -d '2030-01-01' "$steam/Default.ini"
# Windows looks in the registry, not under HOME: its own table tests that.
if ! on_windows; then
    listing="$(cd "$work" && HOME="$home" run where)"
    expect "where: every planted configuration, the template marked, none other" \
        "$(grep -c -e 'Postal2' -e 'Default.ini.*(template)$' <<<"$listing")" 6
    expect "where: the newest to the nanosecond, never a template" "$(grep '^\*' <<<"$listing" | cut -d' ' -f2-)" \
        "$wine/Postal2.ini  1 package  changed 2020-01-01 00:00:00  (newest)"
    touch -d '2020-01-01 00:00:00.5' "$home/.lgp/postal2/System/Postal2.ini"
    expect "where: files that tie are all newest" "$(cd "$work" && HOME="$home" run where | grep -c '^\*')" 2
    expect "where: an install with only Postal2MP.ini" "$(grep -c "$server/Postal2MP.ini  1 package" <<<"$listing")" 1
    expect "where: counts the packages" "$(grep -c 'Postal2CoOp.ini  2 packages' <<<"$listing")" 1
fi
expect "where -C DIR looks there first" "$(HOME="$home" run where -C "$steam" | head -1 | cut -c3- | cut -d' ' -f1)" "$(shown "$steam/Postal2.ini")"
expect "where -f: refused" "$(status where -f "$steam/Postal2.ini")" 2
expect "where -C a missing folder: a file error" "$(status where -C "$work/none")" 3
if ! on_windows; then # case twins, and homes
    printf '[Engine.GameEngine]\r\nServerPackages=Core\r\n' >"$steam/postal2.ini"
    expect "where: both spellings, the one edits use marked" \
        "$(HOME="$home" run where -C "$steam" | grep -c "$steam/postal2.ini  changed .*(the same name in other letters; the edits use Postal2.ini")" 1
    expect "check: the twin" "$(run -C "$steam" check | grep -c "case-twins: $steam holds both Postal2.ini and postal2.ini")" 1
    rm "$steam/postal2.ini"
    if getent passwd nobody >/dev/null; then
        expect "where under sudo: the invoking user's home too" \
            "$(cd "$work" && HOME="$work/empty" SUDO_USER=nobody status where; grep -c "under HOME=$work/empty and nobody's home" "$work/stderr")" "1
1"
    fi
    expect "where finding nothing says where it looked" \
        "$(cd "$work" && HOME="$work/empty" status where; grep -c "no configuration found in . or under HOME=$work/empty: looked in Steam" "$work/stderr")" \
        "1
1"
fi

# --- a package that cannot be read is a problem, and the rest is still done
fresh unreadable
status_out() { "$cli" "$@" >"$work/stdout" 2>"$work/stderr"; echo $?; }
cp -r "$source/examples/Sounds" "$work/unreadable/"
ln -s "$work/removed/737631813/Gone.u" "$sys/Gone.u" # a Workshop item since removed
gone=unreadable gone_said='Gone.u cannot be read'
on_windows && gone=missing gone_said='Gone: no Paths= folder holds it' # Wine shows no file there
run -C "$sys" -q add Gone >/dev/null
expect "check: $gone, on its line, beside the other problems" \
    "$(status_out -C "$sys" check; grep -v actor "$work/stdout" | cut -d: -f2-3 | tr '\n' ' ')" "1
56: missing 57: $gone "
expect "check --json: the same problems" \
    "$(run -C "$sys" check --json | json_field '[p["kind"] for p in d["problems"] if p["kind"] != "actor-missing"]')" \
    "['missing', '$gone']"
expect "info: every file it can, in order, and exit 3" \
    "$(status_out -C "$sys" info Core.u Gone.u Engine.u; grep -c '^[/\\]' "$work/stdout"; cat "$work/stderr")" "3
2
sarvelin-cli: $(shown "$sys/Gone.u") cannot be read (No such file or directory)"
expect "info --json: an entry for each" \
    "$(run -C "$sys" --json info Core.u Gone.u Engine.u | json_field '[__import__("ntpath").basename(e["file"]) + ": " + e.get("error", "ok") for e in d]')" \
    "['Core.u: ok', 'Gone.u: cannot be read (No such file or directory)', 'Engine.u: ok']"
expect "redirect: every other package written, Gone named, exit 1" \
    "$(status_out -C "$sys" redirect "$work/unreadable/web"; tail -1 "$work/stdout"; grep -c "$gone_said" "$work/stderr")" "1
written 11, 1.4 KB → 1.1 KB
1"
if [ "$(id -u)" -eq 0 ] && ! on_windows; then
    rm "$sys/Gone.u"
    cp "$sys/Fire.u" "$sys/Gone.u"
    chmod 755 "$work"
    chmod -R a+rX "$work/unreadable"
    chmod 600 "$sys/Gone.u" # root's, as a package copied in with sudo
    expect "check as another user: unreadable, not an abort" \
        "$(setpriv --reuid=nobody --regid=nogroup --clear-groups "$cli" -C "$sys" check | grep -c 'unreadable: .*Permission denied')" 1
fi


# --- Workshop items by ID: the co-op mod's layout, in both slash styles and line ends
workshop_layout() { # workshop_layout NAME: $sys, with item 737631813 beside it
    fresh "$1"
    rm "$sys/postal2.ini" # saved as the game names it
    item="$work/$1/WorkshopContent/737631813"
    mkdir -p "$item/Scripts" "$item/Animations" "$item/Maps" "$work/$1/WorkshopContent/42/Scripts"
    cp "$sys/Xmas.u" "$item/Scripts/NicksCoop.u"
    cp "$sys/Fire.u" "$item/Animations/NicksCoopAnims.ukx"
    cp "$sys/UWeb.u" "$item/Maps/CoopMap.fuk"
    cp "$sys/IpDrv.u" "$item/Scripts/CoopServer.u"
    printf '\x05' | dd of="$item/Scripts/CoopServer.u" bs=1 seek=8 conv=notrunc status=none # server-side only
    cp "$sys/AWPStuff.u" "$work/$1/WorkshopContent/42/Scripts/Other.u"
}
for style in 'crlf \' 'lf /'; do
    read -r ends slash <<<"$style"
    workshop_layout "workshop-$ends"
    printf '[Core.System]\nPaths=..%sSystem%s*.u\n[Engine.GameEngine]\nServerPackages=Engine\n' "$slash" "$slash" >"$sys/Postal2.ini"
    [ "$ends" = crlf ] && sed -i 's/$/\r/' "$sys/Postal2.ini"
    cp "$sys/Postal2.ini" "$work/before.ini"
    expect "workshop add ($style): the item's folders in the file's slashes, its packages but maps and server-only" \
        "$(run -C "$sys" workshop add 737631813; grep -c 'CoopServer.u is not added: it is marked server-side only' "$work/stderr"; tr -d '\r' <"$sys/Postal2.ini" | grep -e Paths= -e ServerPackages= | tr '\n' '|')" \
        "saved; previous configuration kept as postal2.ini.old
1
Paths=..${slash}System${slash}*.u|Paths=..${slash}WorkshopContent${slash}737631813${slash}Animations${slash}*.ukx|Paths=..${slash}WorkshopContent${slash}737631813${slash}Maps${slash}*.fuk|Paths=..${slash}WorkshopContent${slash}737631813${slash}Scripts${slash}*.u|ServerPackages=Engine|ServerPackages=NicksCoopAnims|ServerPackages=NicksCoop|"
    expect "workshop add again ($style): nothing changes" "$(run -C "$sys" -q workshop add 737631813)" "unchanged"
    expect "workshop list ($style)" "$(run -C "$sys" workshop list | head -1)" "42  Paths= lines: none, ServerPackages= lines: none"
    expect "workshop remove ($style): the bytes as before add" \
        "$(run -C "$sys" workshop remove 737631813 >/dev/null; cmp "$sys/Postal2.ini" "$work/before.ini" && echo same)" "same"
done
printf '[Core.System]\r\nPaths=..\\System\\*.u\r\nPaths=..\\WorkshopContent/737631813/Scripts/*.u\r\n[Engine.GameEngine]\r\nServerPackages=NicksCoop\r\nServerPackages=Xmas\r\n' >"$sys/Postal2.ini"
expect "workshop list: an item configured by hand, in half" \
    "$(run -C "$sys" --json workshop list | json_field '[(i["id"], i["paths"], i["packages"]) for i in d["items"]]')" \
    "[('42', 'none', 'none'), ('737631813', 'some', 'some')]"
expect "workshop -n add: only what is missing, as a diff" \
    "$(run -C "$sys" -n workshop add 737631813 | grep '^+[^+]' | tr -d '\r' | tr '\n' '|')" \
    "+Paths=..\\WorkshopContent\\737631813\\Animations\\*.ukx|+Paths=..\\WorkshopContent\\737631813\\Maps\\*.fuk|+ServerPackages=NicksCoopAnims|"
expect "workshop remove: its lines in any slashes, and only the packages no other folder holds" \
    "$(run -C "$sys" workshop remove 737631813 >/dev/null; tr -d '\r' <"$sys/Postal2.ini" | grep -e Paths= -e ServerPackages= | tr '\n' '|')" \
    "Paths=..\\System\\*.u|ServerPackages=Xmas|"
cp "$sys/Postal2.ini" "$work/before.ini"
expect "workshop add: an ID that is no number is a usage error that writes nothing" \
    "$(status -C "$sys" workshop add 737631813 abc; cmp "$sys/Postal2.ini" "$work/before.ini" && echo same)" "2
same"
expect "workshop add: a missing item is reported and the others are added" \
    "$(status -C "$sys" workshop add 99 42; grep -c 'no Workshop item 99' "$work/stderr"; grep -c 'ServerPackages=Other' "$sys/Postal2.ini")" "1
1
1"
run -C "$sys" workshop add 737631813 >/dev/null
rm -r "$item"
expect "check: a Paths= line into an item that is gone, once per item" \
    "$(run -C "$sys" check | grep workshop-missing | cut -d: -f2-3 | tr '\n' '|')" "4: workshop-missing|"

# --- redirect
fresh redirect
web="$work/redirect/web"
expect "redirect -n: makes nothing" "$(run -C "$sys" -q -n redirect "$web" | tail -1; ls "$web" 2>&1 | grep -c 'No such')" \
    "to write 9, 1.2 KB
1"
expect "redirect: every configured package and what it imports" "$(run -C "$sys" -q redirect "$web" | tail -1)" \
    "written 9, 1.2 KB → 0.9 KB"
before="$(digest "$web")"
uz2s() { (cd "$1" && md5sum *.uz2 | md5sum); } # the manifest notes when each was written
made="$(uz2s "$web")"
expect "redirect: no progress line where standard error is no terminal" "$(cat "$work/stderr")" ""
# Wine's console hides the cursor while it writes.
expect "redirect on a terminal: a progress line, then erased" \
    "$(script -qec "'$cli' -C '$sys' redirect '$work/redirect/tty'" /dev/null | sed 's/\x1b\[?25[hl]//g' | grep -c $'9/9 files, 1.2 KB of 1.2 KB, .*/s, 0 s left\r\033\\[K')" 1
expect "redirect -q on a terminal: none" \
    "$(rm -r "$work/redirect/tty"; script -qec "'$cli' -C '$sys' -q redirect '$work/redirect/tty' -q" /dev/null | grep -c 'files, ')" 0
expect "redirect again: nothing written" "$(run -C "$sys" -q redirect "$web" | tail -1; digest "$web")" \
    "written 0, unchanged 9, 1.2 KB → 0.9 KB
$before"
expect "redirect without DIR: a usage error that makes nothing" "$(status -C "$sys" redirect; digest "$web")" "2
$before"
expect "redirect --level 13: a usage error that makes no folder" \
    "$(status -C "$sys" redirect "$work/redirect/other" --level 13; ls "$work/redirect/other" 2>/dev/null | wc -l)" "2
0"
big="$work/big/System"
mkdir -p "$big"
{ cat "$sys/Core.u"; head -c 200000000 < <(base64 -w 76 /dev/urandom); } >"$big/Huge.u"
printf '[Core.System]\r\nPaths=*.u\r\n[Engine.GameEngine]\r\nServerPackages=Huge\r\n' >"$big/postal2.ini"
peak_mb() { ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=0" python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024)' "$@"; }
expect "redirect of a 200 MB package holds a few chunks, not the package" \
    "$(($(peak_mb "$cli" -q -C "$big" redirect "$work/big/web") < 150)) $(ls "$work/big/web" | grep -c Huge.u.uz2)" "1 1"
rm -r "$work/big"
rm "$web"/*.uz2
"$cli" -C "$sys" -q redirect "$web" >"$work/one" 2>&1 &
one=$!
"$cli" -C "$sys" -q redirect "$web" >"$work/two" 2>&1 &
two=$!
wait $one; first=$?
wait $two; second=$?
expect "two redirects at once: both finish, one after the other" \
    "$first $second $(cat "$work/one" "$work/two" | grep -c '^written 9,') $(cat "$work/one" "$work/two" | grep -c '^written 0, unchanged 9,')" "1 1 1 1"
expect "two redirects at once: the folder is whole" "$(uz2s "$web")" "$made"
if on_windows; then
    start wine "$stand_in" folder "$web"
    held_by="using $web"
else
    start flock -x "$web" sh -c 'echo $$; exec sleep 60'
    held_by="saving $web (pid $holder, flock)"
fi
expect "redirect: another run holds the folder" "$(status -C "$sys" -q --wait 0 redirect "$web"; cat "$work/stderr")" \
    "5
sarvelin-cli: another program is $held_by; try again, or raise --wait"
(sleep 1 && stop) &
expect "redirect --wait: goes on once it is free (1: players lack OldMapPack)" \
    "$(status -C "$sys" -q --wait 5 redirect "$web")" 1
printf '[Core.System]\r\nPaths=..\\System\\*.u\r\n[Engine.GameEngine]\r\nServerPackages=Fire\r\nServerPackages=Postal2Game\r\n' >"$sys/postal2.ini"
rm "$web/Engine.u.uz2"
expect "check --redirect: an import's problem on the line of the first package that imports it" \
    "$(run -C "$sys" -q check --redirect "$web" | grep redirect-missing | cut -d: -f2-3)" "4: redirect-missing"
expect "check --redirect: the settings that send no player there" "$(run -C "$sys" check --redirect "$web" >/dev/null; grep -c -e 'RedirectToURL=' -e 'UseCompression=' "$work/stderr")" 2

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
