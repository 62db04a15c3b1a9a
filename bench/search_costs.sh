#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What each benchmark search costs with two builds, taken in turns on the same home: for each
# search and round, `perf stat -r RUNS` of the old build, then of the new one. Per build and round
# it prints the mean wall time and task-clock (ms), the page faults and the user-space
# instructions (millions) of one run. Faults and instructions hardly move with the load of a
# shared machine; the times do, which is why the builds alternate. Where the machine counts no
# instructions (a virtual machine without performance counters) that column says n/a: valgrind
# --tool=callgrind counts them instead.
#
#   bench/search_costs.sh OLD_QUILLSTOW NEW_QUILLSTOW HOME [--runs N] [--rounds N] [--only WORD]
# HOME holds the indexed mail database "Home" of 100,000 generated mails (mailgen --seed 4).
# --only runs the searches whose options contain WORD (e.g. preaguso).
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: $0 OLD NEW HOME [--runs N] [--rounds N] [--only WORD]" >&2; exit 2; }
old=$1 new=$2 home=$3
shift 3
runs=10 rounds=2 only=
while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
done
command -v perf > /dev/null || { echo "$0: perf is missing (Debian package linux-perf)" >&2; exit 2; }
searches=(
    "rare|--and zellyku --whole-word --all-blocks"
    "frequent|--and preaguso --whole-word --all-blocks"
    "AND|--and preaguso --and zellyku --whole-word --all-blocks"
    "OR|--or chiobe --or fasto --whole-word --all-blocks"
    "phrase|--phrase|preapiomboy creanat|--all-blocks"
    "prefix|--and poumb --starts-with --all-blocks"
    "soundex|--and poumbeck --soundex --all-blocks"
    "approximate|--and laintal --approx 1 --all-blocks"
)
# "wall task-clock faults instructions" of one build, means over the runs.
costs() {
    local qs=$1
    shift
    { perf stat -r "$runs" -e task-clock,page-faults,instructions:u \
        "$qs" --home "$home" search Home "$@" > /dev/null; } 2>&1 | tr -d , |
        awk '
            / task-clock/ { clock = $1 }
            / page-faults/ { faults = $1 }
            / instructions/ { ins = $1 ~ /^[0-9]/ ? sprintf("%.1f", $1 / 1e6) : "n/a" }
            /seconds time elapsed/ { wall = $1 * 1000 }
            END { printf "%.1f %.1f %.0f %s", wall, clock, faults, ins }'
}
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| search | round | old wall ms | new wall ms | old task-clock ms | new task-clock ms | old faults | new faults | old M instr | new M instr |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for entry in "${searches[@]}"; do
    name=${entry%%|*}
    rest=${entry#*|}
    if [[ $name == phrase ]]; then
        args=(--phrase "preapiomboy creanat" --all-blocks)
    else
        read -r -a args <<< "$rest"
    fi
    [[ -z $only || " ${args[*]} " == *"$only"* ]] || continue
    for ((r = 1; r <= rounds; r++)); do
        read -r ow oc of oi <<< "$(costs "$old" "${args[@]}")"
        read -r nw nc nf ni <<< "$(costs "$new" "${args[@]}")"
        echo "| $name | $r | $ow | $nw | $oc | $nc | $of | $nf | $oi | $ni |"
    done
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
