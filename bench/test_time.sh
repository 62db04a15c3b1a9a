#!/usr/bin/env bash
# Times the test suites of two built checkouts against each other, alternating runs so that both
# see the same machine: wall time and CPU time (user + system) of `ctest -j2` in build/ (plain)
# and build-asan/ (ASan + UBSan), with the medians of each.
#   bench/test_time.sh OLD_CHECKOUT NEW_CHECKOUT [RUNS=3]
set -euo pipefail
old=$1 new=$2 runs=${3:-3}
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
out=$(mktemp)
for ((i = 1; i <= runs; i++)); do
    for side in old new; do
        dir=${!side}
        for b in build build-asan; do
            t=$( { /usr/bin/time -f "%e %U %S" ctest --test-dir "$dir/$b" -j2 >/dev/null; } 2>&1 | tail -1)
            echo "$side $b $t" >>"$out"
        done
    done
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-4s %-10s %9s %9s\n' side build "wall s" "cpu s"
for side in old new; do
    for b in build build-asan; do
        rows=$(awk -v s=$side -v b=$b '$1 == s && $2 == b { print $3, $4 + $5 }' "$out")
        printf '%-4s %-10s %9s %9s\n' $side $b "$(cut -d' ' -f1 <<<"$rows" | median)" \
            "$(cut -d' ' -f2 <<<"$rows" | median)"
    done
done
rm -f "$out"
