#!/bin/bash
# Runs the eight benchmark searches with one build and keeps each listing (plain and --json)
# under OUT, so that two builds' listings can be compared byte for byte (diff -r):
# bench/listing_check.sh QUILLSTOW HOME OUT
set -euo pipefail
qs=$1 home=$2 out=$3
mkdir -p "$out"
declare -A q=(
  [rare]="--and zellyku --whole-word --all-blocks"
  [frequent]="--and preaguso --whole-word --all-blocks"
  [and]="--and preaguso --and zellyku --whole-word --all-blocks"
  [or]="--or chiobe --or fasto --whole-word --all-blocks"
  [phrase]="--phrase preapiomboy\ creanat --all-blocks"
  [prefix]="--and poumb --starts-with --all-blocks"
  [soundex]="--and poumbeck --soundex --all-blocks"
  [approx]="--and laintal --approx 1 --all-blocks"
)
for k in "${!q[@]}"; do
  eval "args=(${q[$k]})"
  "$qs" --home "$home" search Home "${args[@]}" >"$out/$k.txt"
  "$qs" --home "$home" --json search Home "${args[@]}" >"$out/$k.json"
  tail -1 "$out/$k.txt"
done
