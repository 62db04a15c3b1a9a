#!/bin/bash
# Paired timing of one search with two builds: perf stat -r N on each, alternated ROUNDS times,
# with the load before each round. bench/listing_pair.sh OLD NEW HOME [ROUNDS] [N] -- SEARCH ARGS
set -euo pipefail
old=$1 new=$2 home=$3 rounds=${4:-3} n=${5:-20}
shift 5 || true
[ "${1:-}" = "--" ] && shift
for r in $(seq "$rounds"); do
  echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
  for b in "$old" "$new"; do
    printf '%-40s ' "$b"
    perf stat -r "$n" "$b" --home "$home" search Home "$@" 2>&1 >/dev/null |
      awk '/task-clock/ {t=$1" ms ("$(NF-1)")"} /elapsed/ {e=$1*1000" ms ("$(NF-1)")"} END {print "task-clock " t ", elapsed " e}'
  done
done
