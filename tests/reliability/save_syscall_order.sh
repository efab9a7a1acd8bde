#!/usr/bin/env bash
# Traces saves and checks the order of their system calls. Replacing: the work
# file is flushed to disk before the first rename, and the folder after the
# last. In place: the backup and its folder are flushed before the
# configuration is opened for writing, and the configuration is flushed last.
#
#   save_syscall_order.sh SAVE_CRASH_CHILD
set -euo pipefail
child="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0

trace() { # trace PLACEMENT [busy]: one save, its calls in $work/calls
    printf '[Engine.GameEngine]\r\nServerPackages=Old\r\n' >"$work/postal2.ini"
    rm -f "$work/Postal2.ini" "$work/postal2.ini.old"
    strace -f -y -e trace=fsync,fdatasync,renameat2,rename,renameat,link,unlink,openat,ftruncate \
        -o "$work/trace" "$child" "$work" none "$@"
    grep -vE '^[0-9]+ +(\+\+\+|---)' "$work/trace" >"$work/calls"
}
line_of() { grep -nE "$1" "$work/calls" | cut -d: -f1 | head -1; }
last_line_of() { grep -nE "$1" "$work/calls" | cut -d: -f1 | tail -1; }
fail() { echo "$1:" >&2; cat "$work/calls" >&2; exit 1; }
before() { [ -n "$1" ] && [ -n "$2" ] && [ "$1" -lt "$2" ]; }

for placement in window add; do
    trace "$placement"
    flush_work="$(line_of "f(data)?sync\([0-9]+<$work/newp2.ini>\)")"
    first_rename="$(line_of 'rename')"
    last_rename="$(last_line_of 'rename')"
    flush_folder="$(last_line_of "fsync\([0-9]+<$work>\)")"
    before "$flush_work" "$first_rename" || fail "$placement: the work file is not flushed before the first rename"
    before "$last_rename" "$flush_folder" || fail "$placement: the folder is not flushed after the last rename"
    passed=$((passed + 1))
done

trace add busy
flush_backup="$(line_of "fsync\([0-9]+<$work/postal2.ini.old>\)")"
flush_folder="$(line_of "fsync\([0-9]+<$work>\)")"
open_config="$(line_of "openat\(.*\"$work/postal2.ini\", O_WRONLY")"
flush_config="$(last_line_of "fsync\([0-9]+<$work/postal2.ini>\)")"
before "$flush_backup" "$flush_folder" || fail "in place: the backup is not flushed before its folder"
before "$flush_folder" "$open_config" || fail "in place: the configuration is opened before its backup is safe"
before "$open_config" "$flush_config" || fail "in place: the configuration is not flushed after it is written"
[ ! -e "$work/newp2.ini" ] || fail "in place: a work file is left"
passed=$((passed + 1))
echo "$passed passed, 0 failed"
