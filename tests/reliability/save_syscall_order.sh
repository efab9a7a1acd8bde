#!/usr/bin/env bash
# Traces saves and checks the order of their system calls. Replacing: the work
# file is flushed to disk before it is swapped in, and the folder after the
# last rename. In place: the old configuration is flushed under its own name,
# and that name with its folder, before the configuration is opened for
# writing; room is set aside before the first byte is written; the
# configuration is flushed before the old one becomes the backup. A redirect:
# each .uz2 is flushed before it is renamed into place, and the folder after.
#
#   save_syscall_order.sh SAVE_CRASH_CHILD SOURCE_FOLDER
set -euo pipefail
child="$1" source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0

trace() { # trace PLACEMENT [busy]: one save, its calls in $work/calls
    printf '[Engine.GameEngine]\r\nServerPackages=Old\r\n' >"$work/postal2.ini"
    rm -f "$work/Postal2.ini" "$work/postal2.ini.old"
    strace -f -y -e trace=fsync,fdatasync,renameat2,rename,renameat,link,unlink,openat,ftruncate,fallocate,pwrite64,write \
        -o "$work/trace" "$child" "$work" none "$@"
    grep -vE '^[0-9]+ +(\+\+\+|---)' "$work/trace" >"$work/calls"
}
line_of() { { grep -nE "$1" "$work/calls" || true; } | cut -d: -f1 | head -1; }
last_line_of() { { grep -nE "$1" "$work/calls" || true; } | cut -d: -f1 | tail -1; }
fail() { echo "$1:" >&2; cat "$work/calls" >&2; exit 1; }
before() { [ -n "$1" ] && [ -n "$2" ] && [ "$1" -lt "$2" ]; }

for placement in window add; do
    trace "$placement"
    flush_work="$(line_of "f(data)?sync\([0-9]+<$work/newp2.ini>\)")"
    swap="$(line_of 'renameat2\(.*RENAME_EXCHANGE')"
    last_rename="$(last_line_of 'rename')"
    flush_folder="$(last_line_of "fsync\([0-9]+<$work>\)")"
    before "$flush_work" "$swap" || fail "$placement: the work file is not flushed before it is swapped in"
    before "$last_rename" "$flush_folder" || fail "$placement: the folder is not flushed after the last rename"
    passed=$((passed + 1))
done

trace add busy
old_kept="$(last_line_of "f(data)?sync\([0-9]+<$work/newp2.ini>\)")"
named="$(line_of "renameat2\(.*newp2.ini\", .*postal2.ini.old.new\", RENAME_NOREPLACE")"
folder_flushed="$(line_of "fsync\([0-9]+<$work>\)")"
open_config="$(line_of "openat\(.*\"$work/postal2.ini\", O_WRONLY")"
reserve="$(line_of "fallocate\([0-9]+<$work/postal2.ini>")"
write_config="$(line_of "write\([0-9]+<$work/postal2.ini>")"
flush_config="$(last_line_of "fsync\([0-9]+<$work/postal2.ini>\)")"
to_backup="$(line_of "rename.*postal2.ini.old.new\", .*postal2.ini.old\"")"
before "$old_kept" "$named" || fail "in place: the old configuration is not flushed before it is named"
before "$named" "$folder_flushed" || fail "in place: its folder is not flushed after it is named"
before "$folder_flushed" "$open_config" || fail "in place: the configuration is opened before the old one is safe"
before "$reserve" "$write_config" || fail "in place: no room is set aside before the first write"
before "$flush_config" "$to_backup" || fail "in place: the old one becomes the backup before the configuration is flushed"
[ ! -e "$work/newp2.ini" ] && [ ! -e "$work/postal2.ini.old.new" ] || fail "in place: a work file is left"
passed=$((passed + 1))

printf '[Core.System]\r\nPaths=*.u\r\n[Engine.GameEngine]\r\nServerPackages=Xmas\r\n' >"$work/postal2.ini"
cp "$source"/examples/System/{Xmas,Core,Engine,Postal2Game}.u "$work/"
strace -f -y -e trace=fsync,fdatasync,renameat2,rename,renameat -o "$work/trace" "$child" "$work" none redirect "$work/web"
grep -vE '^[0-9]+ +(\+\+\+|---)' "$work/trace" >"$work/calls"
for uz2 in Xmas Core Engine Postal2Game; do
    flushed="$(line_of "f(data)?sync\([0-9]+<$work/web/\.$uz2\.u\.uz2\.part>\)")"
    renamed="$(line_of "rename.*\.$uz2\.u\.uz2\.part\", .*/$uz2\.u\.uz2\"")"
    before "$flushed" "$renamed" || fail "redirect: $uz2.u.uz2 is not flushed before it is renamed into place"
done
before "$(last_line_of 'rename')" "$(last_line_of "fsync\([0-9]+<$work/web>\)")" ||
    fail "redirect: the folder is not flushed after the last rename"
passed=$((passed + 1))
echo "$passed passed, 0 failed"
