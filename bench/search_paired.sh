#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two builds' search commands in turn on the same home: for each benchmark search, the old and the
# new build alternate for ROUNDS rounds, each round the mean wall time of `perf stat -r RUNS`.
# For a machine whose speed drifts: the pairs stay comparable when the absolute times do not.
#
#   bench/search_paired.sh OLD_QUILLSTOW NEW_QUILLSTOW HOME [--runs N] [--rounds N]
# HOME holds an indexed mail database "Home" made by bench/peers.sh's generator (seed 4, 100,000
# mails), whose words these are.
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: $0 OLD NEW HOME [--runs N] [--rounds N]" >&2; exit 2; }
old=$1 new=$2 home=$3
shift 3
runs=10 rounds=2
while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
done
command -v perf > /dev/null || { echo "$0: perf is missing (Debian package linux-perf)" >&2; exit 2; }
searches=(
    "--and zellyku --whole-word --all-blocks"
    "--and preaguso --whole-word --all-blocks"
    "--and preaguso --and zellyku --whole-word --all-blocks"
    "--or chiobe --or fasto --whole-word --all-blocks"
    "--and poumb --starts-with --all-blocks"
    "--and poumbeck --soundex --all-blocks"
    "--and laintal --approx 1 --all-blocks"
)
mean_ms() {
    { perf stat -r "$runs" "$1" --home "$home" search Home "${@:2}" > /dev/null; } 2>&1 |
        awk '/seconds time elapsed/ { printf "%.1f", $1 * 1000 }'
}
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| search | old ms | new ms |"
echo "|---|---|---|"
for s in "${searches[@]}"; do
    read -r -a args <<< "$s"
    o=() n=()
    for ((r = 0; r < rounds; r++)); do
        o+=("$(mean_ms "$old" "${args[@]}")")
        n+=("$(mean_ms "$new" "${args[@]}")")
    done
    echo "| $s | ${o[*]} | ${n[*]} |"
done
p=(--phrase "preapiomboy creanat" --all-blocks)
o=() n=()
for ((r = 0; r < rounds; r++)); do
    o+=("$(mean_ms "$old" "${p[@]}")")
    n+=("$(mean_ms "$new" "${p[@]}")")
done
echo "| --phrase \"preapiomboy creanat\" --all-blocks | ${o[*]} | ${n[*]} |"
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
