#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Where a command's time goes from main() on, for a build with bench/startup_phases.patch
# applied (git apply bench/startup_phases.patch, build, git checkout the files again): the
# median over RUNS runs of the milliseconds between each named point and the one before.
#
#   bench/startup_phases.sh RUNS QUILLSTOW ARGS...
set -euo pipefail
[[ $# -ge 2 ]] || { echo "usage: $0 RUNS QUILLSTOW ARGS..." >&2; exit 2; }
runs=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for ((i = 0; i < runs; i++)); do
    QS_PHASES=1 "$@" 2>&1 > /dev/null | grep '^PHASE' |
        awk -v run="$i" 'NR > 1 { printf "%s %d %s %.3f\n", run, NR, $3, ($2 - last) * 1000 } { last = $2 }' >> "$out"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
sort -k2,2n -k4,4n "$out" | awk '
    { key = $2 " " $3; v[key] = v[key] " " $4; n[key]++; names[$2] = $3 }
    END {
        for (i = 2; i in names; i++) {
            key = i " " names[i]; split(substr(v[key], 2), xs, " ")
            printf "%-20s %6.2f ms\n", names[i], xs[int((n[key] + 1) / 2)]
        }
    }'
