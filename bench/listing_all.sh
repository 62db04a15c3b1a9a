#!/bin/bash
# The eight benchmark searches, each timed paired with two builds (bench/listing_pair.sh):
# bench/listing_all.sh OLD NEW HOME [ROUNDS] [N]
set -euo pipefail
old=$1 new=$2 home=$3 rounds=${4:-3} n=${5:-10}
here=$(dirname "$0")
run() {
  echo "== $1"
  shift
  "$here/listing_pair.sh" "$old" "$new" "$home" "$rounds" "$n" -- "$@"
}
run rare --and zellyku --whole-word --all-blocks
run frequent --and preaguso --whole-word --all-blocks
run AND --and preaguso --and zellyku --whole-word --all-blocks
run OR --or chiobe --or fasto --whole-word --all-blocks
run phrase --phrase "preapiomboy creanat" --all-blocks
run prefix --and poumb --starts-with --all-blocks
run soundex --and poumbeck --soundex --all-blocks
run approximate --and laintal --approx 1 --all-blocks
