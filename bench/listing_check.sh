#!/bin/bash
# Runs the eight benchmark searches with one build and keeps each listing (plain and --json)
# under OUT, so that two builds' listings can be compared byte for byte (diff -r):
# bench/listing_check.sh QUILLSTOW HOME OUT
set -euo pipefail
qs=$1 home=$2 out=$3
mkdir -p "$out"
. "$(dirname "$0")/searches.sh"
for k in "${!q[@]}"; do
  eval "args=(${q[$k]})"
  "$qs" --home "$home" search Home "${args[@]}" >"$out/$k.txt"
  "$qs" --home "$home" --json search Home "${args[@]}" >"$out/$k.json"
  tail -1 "$out/$k.txt"
done
