#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The processor time of an import and an index run, per message, at two sizes: how much dearer a
# message gets as the database grows. Processor time (user + system) is measured rather than wall
# time, so that runs on a machine with other work can be compared; the peak memory is kept too.
#
#   bench/scale_cpu.sh QUILLSTOW SMALL_MBOX SMALL_COUNT LARGE_MBOX LARGE_COUNT [WORKDIR]
# The mailboxes come from bench/mailgen (same seed, two counts). Homes are made under WORKDIR
# (default a temporary directory, deleted at the end).
set -euo pipefail
[[ $# -ge 5 ]] || { echo "usage: $0 QUILLSTOW SMALL_MBOX SMALL_COUNT LARGE_MBOX LARGE_COUNT [WORKDIR]" >&2; exit 2; }
qs=$1
work=${6:-$(mktemp -d "${TMPDIR:-/tmp}/qs-scale-XXXXXX")}
[[ -n ${6:-} ]] || trap 'rm -rf "$work"' EXIT

# step NAME COUNT COMMAND...: "NAME: wall s, user s, system s, peak MB, processor ms per 1000 messages"
step() {
    local name=$1 n=$2
    shift 2
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" > /dev/null 2>&1
    read -r wall user sys peak < "$work/time"
    awk -v name="$name" -v n="$n" -v w="$wall" -v u="$user" -v s="$sys" -v p="$peak" 'BEGIN {
        printf "%s: %.1f s wall, %.1f s user, %.1f s system, peak %.0f MB, %.1f ms processor per 1000 messages\n",
               name, w, u, s, p / 1024, (u + s) * 1000 * 1000 / n }'
}

for size in small large; do
    if [[ $size == small ]]; then mbox=$2 n=$3; else mbox=$4 n=$5; fi
    home="$work/home-$size"
    rm -rf "$home"
    "$qs" --home "$home" init > /dev/null
    "$qs" --home "$home" db add-mail Home --address me@example.org > /dev/null
    step "import $n" "$n" "$qs" --home "$home" import --format "Generic Mail Type 2" --db Home "$mbox"
    step "index $n" "$n" "$qs" --home "$home" index Home
    rm -rf "$home"
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
