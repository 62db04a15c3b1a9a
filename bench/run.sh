#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every benchmark built in a build directory and keeps its raw output, with the machine it
# ran on, under bench/out/.
#
#   bench/run.sh BUILD_DIR [NAME...]     (NAME: store_bench, import_bench ...; default all)
# Each runs with its default sizes; store_bench works under TMPDIR (default /tmp).
# The mail benchmarks are scripts of their own: bench/mail_import.sh BUILD_DIR (import) and
# bench/peers.sh BUILD_DIR (word index against other mail indexers).
# Build first with: cmake -S . -B BUILD_DIR -DCMAKE_BUILD_TYPE=Release -DQS_BENCH=ON
set -euo pipefail

if [[ $# -lt 1 || ! -d "$1/bench" ]]; then
    echo "usage: $0 BUILD_DIR [NAME...]  (BUILD_DIR/bench holds the built benchmarks)" >&2
    exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
out="$here/out"
mkdir -p "$out"
stamp=$(date +%Y%m%d-%H%M%S)

machine() {
    echo "date: $(date)"
    echo "processors: $(nproc)"
    echo "model: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
    echo "memory: $(grep MemTotal /proc/meminfo | awk '{printf "%.1f GiB", $2 / 1048576}')"
    echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "work dir file system: $(df -T "${TMPDIR:-/tmp}" | awk 'NR == 2 {print $2}')"
}

# Driven by the scripts instead (they need generated input): mail_import.sh, peers.sh.
helpers=" mailgen parse_bench "
names=("$@")
if [[ ${#names[@]} -eq 0 ]]; then
    for src in "$here"/*.cpp; do
        name=$(basename "$src" .cpp)
        [[ $helpers == *" $name "* ]] || names+=("$name")
    done
fi

status=0
for name in "${names[@]}"; do
    exe="$build/bench/$name"
    if [[ ! -x $exe ]]; then
        echo "$name: not built in $build" >&2
        status=1
        continue
    fi
    log="$out/$name-$stamp.txt"
    echo "== $name -> $log"
    { machine; echo "command: $exe"; echo; "$exe"; } 2>&1 | tee "$log" || status=1
done
exit $status
