#!/usr/bin/env bash
# Runs fuzz targets for a while each, two at a time, at the lowest priority, on their seed corpora,
# then merges what each run found into its corpus (only inputs that add coverage) and prints one
# table row per target for RUNS.md. A run that stops on a finding leaves its crash file in the
# scratch directory and says so in the row.
#   fuzz/run.sh BUILD_FUZZ_DIR SECONDS TARGET...
# Build first:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQS_FUZZ=ON -DQS_BENCH=OFF
#   cmake --build build-fuzz --target TARGET...
set -uo pipefail
build=$(cd "$1" && pwd) seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/qs-fuzz-XXXXXX")

one() {
    local t=$1 dir="$scratch/$1"
    mkdir -p "$dir/new" "$dir/crash"
    cp "$here/corpus/$t"/* "$dir/new/"
    local start
    start=$(ls "$dir/new" | wc -l)
    nice -n 19 "$build/fuzz/$t" "$dir/new" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
        -artifact_prefix="$dir/crash/" > "$dir/log" 2>&1
    local rc=$? execs cov0 cov1 findings=none
    execs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$dir/log")
    cov0=$(grep -m1 -o 'INITED cov: [0-9]*' "$dir/log" | grep -o '[0-9]*$')
    cov1=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 | grep -o '[0-9]*$')
    if [[ $rc != 0 ]] || [[ -n $(ls "$dir/crash") ]]; then
        findings="FINDING: $(ls "$dir/crash" | tr '\n' ' ')(in $dir/crash)"
    fi
    local before after
    before=$(ls "$here/corpus/$t" | wc -l)
    nice -n 19 "$build/fuzz/$t" -merge=1 "$here/corpus/$t" "$dir/new" > "$dir/merge.log" 2>&1
    after=$(ls "$here/corpus/$t" | wc -l)
    printf '| %s | %s | %s | %s | %s → %s | %s → %s, %s kept | %s |\n' "$(date -u +%F)" "$t" \
        "$seconds" "$execs" "$start" "$(ls "$dir/new" | wc -l)" "$cov0" "$cov1" \
        "$((after - before))" "$findings"
}

printf '| date (UTC) | target | seconds | executions | corpus (start → end) | coverage (start → end), new inputs kept | findings |\n'
printf '|---|---|---|---|---|---|---|\n'
set -- "$@"
while [[ $# -gt 0 ]]; do
    one "$1" > "$scratch/$1.row" &
    if [[ $# -gt 1 ]]; then one "$2" > "$scratch/$2.row" & fi
    wait
    cat "$scratch/$1.row"; [[ $# -gt 1 ]] && cat "$scratch/$2.row"
    shift $(( $# > 1 ? 2 : 1 ))
done
echo "(scratch: $scratch)"
