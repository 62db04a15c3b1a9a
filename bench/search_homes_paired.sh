#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two builds' benchmark searches, each on its own home (for index layouts that differ), in turn
# for ROUNDS rounds of `perf stat -r RUNS`: wall time, task-clock and user-mode instructions.
#
#   bench/search_homes_paired.sh OLD_QUILLSTOW OLD_HOME NEW_QUILLSTOW NEW_HOME [--runs N]
#       [--rounds N] [--only phrase]
# The homes hold the mail database "Home" of bench/mailgen (seed 4, 100,000 mails), indexed.
set -euo pipefail
[[ $# -ge 4 ]] || { echo "usage: $0 OLD OLD_HOME NEW NEW_HOME [--runs N] [--rounds N]" >&2; exit 2; }
old=$1 old_home=$2 new=$3 new_home=$4
shift 4
runs=10 rounds=2 only=""
while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
done
command -v perf > /dev/null || { echo "$0: perf is missing (Debian package linux-perf)" >&2; exit 2; }
. "$(dirname "$0")/searches.sh"
# "wall ms / task-clock ms / instructions M" of one perf stat run of a build.
measure() {  # measure QUILLSTOW HOME ARGS...
    { perf stat -r "$runs" -x, -e task-clock,instructions:u "$1" --home "$2" search Home \
        "${@:3}" > /dev/null; } 2>&1 |
        awk -F, '/task-clock/ { t = $1 } /instructions/ { i = $1 ~ /^[0-9.]+$/ ? sprintf("%.0f", $1 / 1e6) : "n/a" }
                 END { printf "%.1f / %s", t, i }'
}
wall() {  # wall QUILLSTOW HOME ARGS...
    { perf stat -r "$runs" "$1" --home "$2" search Home "${@:3}" > /dev/null; } 2>&1 |
        awk '/seconds time elapsed/ { printf "%.1f", $1 * 1000 }'
}
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| search | old wall ms | new wall ms | old task ms / Minstr | new task ms / Minstr |"
echo "|---|---|---|---|---|"
for k in rare frequent and or phrase prefix soundex approx; do
    [[ -z $only || $only == "$k" ]] || continue
    eval "args=(${q[$k]})"
    ow=() nw=() oc=() nc=()
    for ((r = 0; r < rounds; r++)); do
        ow+=("$(wall "$old" "$old_home" "${args[@]}")")
        nw+=("$(wall "$new" "$new_home" "${args[@]}")")
        oc+=("$(measure "$old" "$old_home" "${args[@]}")")
        nc+=("$(measure "$new" "$new_home" "${args[@]}")")
    done
    echo "| $k | ${ow[*]} | ${nw[*]} | ${oc[*]} | ${nc[*]} |"
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
