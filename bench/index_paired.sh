#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two builds' word index runs on copies of one imported, not yet indexed home, in turn for ROUNDS
# rounds: wall time, messages per second, peak memory (/usr/bin/time) and the growth of the home
# (du -sk before and after). Each build's last indexed copy is kept as OUT/old and OUT/new, for
# searches whose index layouts differ.
#
#   bench/index_paired.sh OLD_QUILLSTOW NEW_QUILLSTOW TEMPLATE_HOME OUT [--rounds N] [--messages N]
# TEMPLATE_HOME holds the mail database "Home" imported and not indexed (see bench/RESULTS.md).
set -euo pipefail
[[ $# -ge 4 ]] || { echo "usage: $0 OLD NEW TEMPLATE OUT [--rounds N] [--messages N]" >&2; exit 2; }
old=$1 new=$2 template=$3 out=$4
shift 4
rounds=2 messages=100000
while [[ $# -gt 0 ]]; do
    case $1 in
        --rounds) rounds=$2; shift 2 ;;
        --messages) messages=$2; shift 2 ;;
        *) echo "$0: unknown option $1" >&2; exit 2 ;;
    esac
done
mkdir -p "$out"
run() {  # run NAME QUILLSTOW
    local home=$out/$1
    rm -rf "$home"
    cp -a "$template" "$home"
    sync
    local before after t
    before=$(du -sk "$home" | cut -f1)
    t=$( { /usr/bin/time -f "%e %M" "$2" --home "$home" index Home > /dev/null; } 2>&1 | tail -1)
    after=$(du -sk "$home" | cut -f1)
    read -r secs kb <<< "$t"
    awk -v n="$1" -v s="$secs" -v kb="$kb" -v g="$((after - before))" -v m="$messages" \
        'BEGIN { printf "| %s | %.2f | %.0f | %.1f | %.1f |\n", n, s, m / s, kb / 1024, g / 1024 }'
}
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| build | wall s | messages/s | peak MB | index MB |"
echo "|---|---|---|---|---|"
for ((r = 0; r < rounds; r++)); do
    run old "$old"
    run new "$new"
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
