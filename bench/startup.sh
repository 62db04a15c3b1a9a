#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The fixed cost of a command: task-clock and wall time of a rare-word search, an AND search and a
# command that does next to nothing (db list), for two builds side by side. The builds take turns,
# round by round, so that a change of load on a shared machine falls on both; each round is one
# `perf stat -r RUNS` per build and command. Prints, per command and build, the median over the
# rounds of the mean task-clock and wall time, the new build's share of the old one, and the load
# before and after. First it checks that both builds print the same bytes for each command, and
# with valgrind at hand it counts the instructions each command runs in user space (the program
# and its libraries, the dynamic loader included), a figure that the load does not change.
#
#   bench/startup.sh BUILD_NEW BUILD_OLD [--home DIR] [--runs N] [--rounds N]
# Needs perf; valgrind for the instruction counts. The home (default /tmp/bh/h, database "Home") is searched, which rewrites its
# result set file only.
set -euo pipefail

usage() { echo "usage: $0 BUILD_NEW BUILD_OLD [--home DIR] [--runs N] [--rounds N]" >&2; exit 2; }
[[ $# -ge 2 ]] || usage
new=$(cd "$1" && pwd)/quillstow
old=$(cd "$2" && pwd)/quillstow
shift 2
home=/tmp/bh/h
runs=50
rounds=3
while [[ $# -gt 0 ]]; do
    case $1 in
        --home) home=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) usage ;;
    esac
done
for exe in "$new" "$old"; do [[ -x $exe ]] || { echo "$0: $exe is missing" >&2; exit 2; }; done
command -v perf > /dev/null || { echo "$0: perf is missing" >&2; exit 2; }

names=(rare and dblist)
args_rare=(search Home --and zellyku --whole-word --all-blocks)
args_and=(search Home --and preaguso --and zellyku --whole-word --all-blocks)
args_dblist=(db list)

work=$(mktemp -d "${TMPDIR:-/tmp}/qs-startup-XXXXXX")
trap 'rm -rf "$work"' EXIT

for name in "${names[@]}"; do
    declare -n a="args_$name"
    "$old" --home "$home" "${a[@]}" > "$work/old.out"
    "$new" --home "$home" "${a[@]}" > "$work/new.out"
    if ! cmp -s "$work/old.out" "$work/new.out"; then
        echo "$0: $name prints differently in the two builds" >&2
        exit 1
    fi
    echo "$name: $(wc -l < "$work/new.out") lines, the same bytes in both builds"
done

if command -v valgrind > /dev/null; then
    printf "%-8s %16s %16s %8s\n" command "old instructions" "new instructions" share
    for name in "${names[@]}"; do
        declare -n a="args_$name"
        # Each count follows a run of the same search, so that both builds replace a result set
        # of the same size.
        count() {
            "$1" --home "$home" "${a[@]}" > /dev/null
            valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" --home "$home" "${a[@]}" \
                2>&1 > /dev/null | awk '/Collected/ { print $NF }'
        }
        oi=$(count "$old")
        ni=$(count "$new")
        awk -v n="$name" -v o="$oi" -v w="$ni" \
            'BEGIN { printf "%-8s %16d %16d %7.0f%%\n", n, o, w, 100 * w / o }'
    done
fi

# One round: mean task-clock (ms) and wall time (ms) of RUNS runs.
measure() {
    local exe=$1
    shift
    perf stat -r "$runs" -e task-clock "$exe" --home "$home" "$@" 2>&1 > /dev/null |
        awk '/msec task-clock/ { t = $1 } /seconds time elapsed/ { w = $1 * 1000 }
             END { printf "%.3f %.3f\n", t, w }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for name in "${names[@]}"; do
    declare -n a="args_$name"
    : > "$work/$name.old"
    : > "$work/$name.new"
    for ((r = 0; r < rounds; ++r)); do
        measure "$old" "${a[@]}" >> "$work/$name.old"
        measure "$new" "${a[@]}" >> "$work/$name.new"
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-8s %12s %12s %12s %12s %8s %8s\n" command "old task ms" "new task ms" "old wall ms" \
    "new wall ms" task% wall%
for name in "${names[@]}"; do
    ot=$(cut -d' ' -f1 "$work/$name.old" | median)
    nt=$(cut -d' ' -f1 "$work/$name.new" | median)
    ow=$(cut -d' ' -f2 "$work/$name.old" | median)
    nw=$(cut -d' ' -f2 "$work/$name.new" | median)
    awk -v n="$name" -v ot="$ot" -v nt="$nt" -v ow="$ow" -v nw="$nw" \
        'BEGIN { printf "%-8s %12.2f %12.2f %12.2f %12.2f %7.0f%% %7.0f%%\n", n, ot, nt, ow, nw,
                 100 * nt / ot, 100 * nw / ow }'
done
