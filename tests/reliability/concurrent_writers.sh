#!/usr/bin/env bash
# Starts WRITERS sarvelin-cli edits of one configuration at the same moment,
# TRIALS times, each on a fresh copy of the demo System folder, and checks
# that nothing was lost: every writer exits 0, and the configuration and its
# backup are each the demo's file plus distinct added lines right after its
# last package line, every other byte as before. With "restore", every
# fourth writer runs restore instead of add: the two files must still be
# states a serial order of the edits gives, one line apart.
#
#   concurrent_writers.sh PROGRAM SOURCE_FOLDER WRITERS TRIALS [restore] [PAD_KB]
#
# PAD_KB grows the configuration with comment lines first, as a real
# server's is (45 KB). Prints one line per trial that went wrong and a
# summary; exits 1 if any did.
set -uo pipefail
cli="$(realpath "$1")" source="$2" writers="$3" trials="$4" mix="${5:-}" pad="${6:-0}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

original="$work/original.ini"
cp "$source/examples/System/postal2.ini" "$original"
while [ "$(stat -c %s "$original")" -lt $((pad * 1024)) ]; do
    printf '; a comment line such as admins leave in a configuration they edit by hand\r\n' >>"$original"
done
last_package_line="$(grep -an '^ServerPackages=' "$original" | tail -1 | cut -d: -f1)"

# Whether FILE is the original plus distinct W<n> lines after its last
# package line; prints how many there are.
added_lines() {
    local file="$1"
    [ -s "$file" ] || return 1
    cmp -s <(grep -av $'^ServerPackages=W[0-9]*\r$' "$file") "$original" || return 1
    local count
    count="$(grep -ac $'^ServerPackages=W[0-9]*\r$' "$file")"
    [ "$(grep -a $'^ServerPackages=W[0-9]*\r$' "$file" | sort | uniq -d | wc -l)" -eq 0 ] || return 1
    if [ "$count" -gt 0 ]; then
        local first last
        first="$(grep -an $'^ServerPackages=W[0-9]*\r$' "$file" | head -1 | cut -d: -f1)"
        last="$(grep -an $'^ServerPackages=W[0-9]*\r$' "$file" | tail -1 | cut -d: -f1)"
        [ "$first" -eq $((last_package_line + 1)) ] && [ "$last" -eq $((first + count - 1)) ] || return 1
    fi
    echo "$count"
}

lost=0 wrong=0
for trial in $(seq "$trials"); do
    sys="$work/$trial/System"
    mkdir -p "$sys"
    cp "$original" "$sys/postal2.ini"
    [ "$mix" = restore ] && cp "$original" "$sys/postal2.ini.old"
    # The writers wait on a shared lock of the gate until all have started.
    gate="$work/$trial/gate"
    exec 9>"$gate"
    flock -x 9
    pids=()
    for i in $(seq "$writers"); do
        if [ "$mix" = restore ] && [ $((i % 4)) -eq 0 ]; then
            command=(restore)
        else
            command=(add "W$i")
        fi
        (flock -s "$gate" true && exec "$cli" -C "$sys" --wait 60 -q "${command[@]}") \
            >"$work/$trial/out$i" 2>&1 &
        pids+=($!)
    done
    sleep 0.3
    flock -u 9
    exec 9>&-
    failures=0
    for pid in "${pids[@]}"; do
        wait "$pid" || failures=$((failures + 1))
    done

    config="$(ls "$sys" | grep -ix 'postal2.ini' | head -1)"
    problem=""
    if [ -z "$config" ] || [ ! -s "$sys/$config" ]; then
        problem="the configuration is missing or empty"
        lost=$((lost + 1))
    elif ! in_config="$(added_lines "$sys/$config")"; then
        problem="the configuration is not the original plus distinct lines"
    elif [ "$failures" -gt 0 ]; then
        problem="$failures writers failed: $(cat "$work/$trial"/out* | sort -u | head -3 | tr '\n' ' ')"
    elif [ "$mix" = restore ]; then
        if ! in_backup="$(added_lines "$sys/postal2.ini.old")"; then
            problem="the backup is not the original plus distinct lines"
        elif [ $((in_config - in_backup)) -ne 1 ] && [ $((in_backup - in_config)) -ne 1 ] &&
            ! cmp -s "$sys/$config" "$sys/postal2.ini.old"; then
            problem="the configuration and its backup are not one edit apart"
        fi
    elif [ "$in_config" -ne "$writers" ]; then
        problem="$in_config of $writers added lines are there"
    fi
    if [ "$(ls "$sys" | grep -vix -e postal2.ini -e postal2.ini.old)" != "" ]; then
        problem="${problem:+$problem; }files left behind: $(ls "$sys" | tr '\n' ' ')"
    fi
    if [ -n "$problem" ]; then
        wrong=$((wrong + 1))
        echo "trial $trial: $problem"
    fi
done
echo "$writers writers at once, $trials trials: $wrong went wrong, $lost left the configuration empty or missing"
[ "$wrong" -eq 0 ]
