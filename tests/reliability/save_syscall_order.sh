#!/usr/bin/env bash
# Traces one save and checks the order of its system calls: the work file is
# flushed to disk before the first rename, and the folder after the last.
#
#   save_syscall_order.sh SAVE_CRASH_CHILD
set -euo pipefail
child="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '[Engine.GameEngine]\r\nServerPackages=Old\r\n' > "$work/postal2.ini"
strace -f -y -e trace=fsync,fdatasync,renameat2,rename,renameat,link,unlink -o "$work/trace" \
    "$child" "$work" none
grep -vE '^[0-9]+ +(\+\+\+|---)' "$work/trace" > "$work/calls"

line_of() { grep -nE "$1" "$work/calls" | cut -d: -f1 | head -1; }
last_line_of() { grep -nE "$1" "$work/calls" | cut -d: -f1 | tail -1; }
flush_work="$(line_of "f(data)?sync\([0-9]+<$work/newp2.ini>\)")"
first_rename="$(line_of 'rename')"
last_rename="$(last_line_of 'rename')"
flush_folder="$(last_line_of "fsync\([0-9]+<$work>\)")"

if [ -z "$flush_work" ] || [ -z "$first_rename" ] || [ "$flush_work" -gt "$first_rename" ]; then
    echo "the work file is not flushed before the first rename:" >&2; cat "$work/calls" >&2; exit 1
fi
if [ -z "$flush_folder" ] || [ "$flush_folder" -lt "$last_rename" ]; then
    echo "the folder is not flushed after the last rename:" >&2; cat "$work/calls" >&2; exit 1
fi
echo "1 passed, 0 failed"
