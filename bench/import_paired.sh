#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two builds' imports of one mailbox into fresh homes, in turn for ROUNDS rounds: wall time,
# messages per second and peak memory (/usr/bin/time). Each build's last home is kept as OUT/old
# and OUT/new (imported, not indexed: templates for bench/index_paired.sh).
#
#   bench/import_paired.sh OLD_QUILLSTOW NEW_QUILLSTOW MBOX OUT [--rounds N] [--messages N]
# MBOX is written by bench/mailgen (bench/peers.sh: --seed 4 --count N --mbox FILE).
set -euo pipefail
[[ $# -ge 4 ]] || { echo "usage: $0 OLD NEW MBOX OUT [--rounds N] [--messages N]" >&2; exit 2; }
old=$1 new=$2 mbox=$3 out=$4
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
    local home=$out/$1 t
    rm -rf "$home"
    "$2" --home "$home" init > /dev/null
    "$2" --home "$home" db add-mail Home --address me@example.org > /dev/null
    sync
    t=$( { /usr/bin/time -f "%e %M" "$2" --home "$home" import --format "Generic Mail Type 2" \
        --db Home "$mbox" > /dev/null; } 2>&1 | tail -1)
    read -r secs kb <<< "$t"
    awk -v n="$1" -v s="$secs" -v kb="$kb" -v m="$messages" \
        'BEGIN { printf "| %s | %.2f | %.0f | %.1f |\n", n, s, m / s, kb / 1024 }'
}
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| build | wall s | messages/s | peak MB |"
echo "|---|---|---|---|"
for ((r = 0; r < rounds; r++)); do
    run old "$old"
    run new "$new"
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
