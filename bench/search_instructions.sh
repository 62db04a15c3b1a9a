#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Instructions of the benchmark searches under callgrind (for hosts whose perf counts no
# instructions), two builds each on its own home.
#
#   bench/search_instructions.sh OLD_QUILLSTOW OLD_HOME NEW_QUILLSTOW NEW_HOME [NAME...]
# NAME: rare frequent and or phrase prefix soundex approx (all without any).
set -euo pipefail
[[ $# -ge 4 ]] || { echo "usage: $0 OLD OLD_HOME NEW NEW_HOME [NAME...]" >&2; exit 2; }
old=$1 old_home=$2 new=$3 new_home=$4
shift 4
. "$(dirname "$0")/searches.sh"
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(rare frequent and or phrase prefix soundex approx)
count() {  # count QUILLSTOW HOME ARGS...
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" --home "$2" search Home \
        "${@:3}" 2>&1 > /dev/null | awk '/Collected/ { printf "%.1f", $4 / 1e6 }'
}
echo "| search | old Minstr | new Minstr |"
echo "|---|---|---|"
for k in "${names[@]}"; do
    eval "args=(${q[$k]})"
    echo "| $k | $(count "$old" "$old_home" "${args[@]}") | $(count "$new" "$new_home" "${args[@]}") |"
done
