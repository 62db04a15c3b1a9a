# SPDX-License-Identifier: MIT
# The eight benchmark searches of the 100,000-message home (mailgen --seed 4), by name: the
# arguments of `quillstow search Home` as one string each, to be split with eval, so that the
# phrase keeps its blank. Sourced by the scripts that run them (listing_check.sh,
# search_homes_paired.sh, search_instructions.sh).
# shellcheck disable=SC2034
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
