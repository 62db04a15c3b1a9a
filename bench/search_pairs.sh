#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Paired timing of two builds of the search command on one indexed home: the builds take turns,
# a round of `perf stat -r RUNS` each, so that the load of a shared machine falls on both alike.
# Prints the task-clock (CPU milliseconds, mean of the round) per round and build, the medians of
# the rounds, and the load before and after. First checks that both builds print the same
# listing, plain and --json, for every search.
#
#   bench/search_pairs.sh OLD_BUILD_DIR NEW_BUILD_DIR HOME [--rounds N] [--runs N] [--only NAME]
# HOME holds the database "Home", indexed (bench/peers.sh makes one). A build directory holds
# quillstow and libstowbase.so. Needs perf.
set -euo pipefail

usage() { echo "usage: $0 OLD_BUILD_DIR NEW_BUILD_DIR HOME [--rounds N] [--runs N] [--only NAME]" >&2; exit 2; }
[[ $# -ge 3 ]] || usage
old=$(cd "$1" && pwd) new=$(cd "$2" && pwd) home=$3
shift 3
rounds=5 runs=10 only=
while [[ $# -gt 0 ]]; do
    case $1 in
        --rounds) rounds=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) usage ;;
    esac
done

# The searches of bench/peers.sh, by name.
searches=(
    "rare|--and zellyku --whole-word --all-blocks"
    "frequent|--and preaguso --whole-word --all-blocks"
    "and|--and preaguso --and zellyku --whole-word --all-blocks"
    "or|--or chiobe --or fasto --whole-word --all-blocks"
    "phrase|--phrase preapiomboy\ creanat --all-blocks"
    "prefix|--and poumb --starts-with --all-blocks"
    "soundex|--and poumbeck --soundex --all-blocks"
    "approximate|--and laintal --approx 1 --all-blocks"
)

run() {  # run BUILD_DIR [--json] ARGS...: the search's output
    local dir=$1; shift
    local json=()
    if [[ ${1:-} == --json ]]; then json=(--json); shift; fi
    LD_LIBRARY_PATH=$dir "$dir/quillstow" --home "$home" "${json[@]}" search Home "$@"
}

cpu_ms() {  # cpu_ms BUILD_DIR ARGS...: mean task-clock of a round
    local dir=$1; shift
    LD_LIBRARY_PATH=$dir perf stat -x, -e task-clock -r "$runs" "$dir/quillstow" --home "$home" \
        search Home "$@" 2>&1 > /dev/null | awk -F, '/task-clock/ { printf "%.1f", $1 }'
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for entry in "${searches[@]}"; do
    name=${entry%%|*}
    [[ -z $only || $only == "$name" ]] || continue
    eval "args=(${entry#*|})"
    for json in "" --json; do
        if ! cmp -s <(run "$old" $json "${args[@]}" 2>&1) <(run "$new" $json "${args[@]}" 2>&1); then
            echo "$name${json:+ $json}: the listings differ" >&2
            exit 1
        fi
    done
    olds="" news=""
    for ((r = 0; r < rounds; r++)); do
        olds+=" $(cpu_ms "$old" "${args[@]}")"
        news+=" $(cpu_ms "$new" "${args[@]}")"
    done
    printf "%-12s old %6s ms  new %6s ms   (rounds old:%s  new:%s)\n" "$name" \
        "$(echo "$olds" | median)" "$(echo "$news" | median)" "$olds" "$news"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
