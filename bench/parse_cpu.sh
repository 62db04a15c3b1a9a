#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The parse phase of two builds in turn on the same generated mailbox, by the processor time
# each run takes (user and system), for a machine that is not quiet: wall times then measure
# the other work as much as ours, while processor time moves less and moves both builds alike
# when they alternate. Prints each run and the mean per build in MB per processor second.
#
#   bench/parse_cpu.sh BUILD_DIR OLD_BUILD_DIR [--bytes N] [--rounds N] [--mix classic|today]
# Needs BUILD_DIR/bench/mailgen and bench/parse_bench in both builds (see mail_import.sh).
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR OLD_BUILD_DIR [--bytes N] [--rounds N] [--mix classic|today]" >&2; exit 2; }
[[ $# -ge 2 ]] || usage
new=$(cd "$1" && pwd)
old=$(cd "$2" && pwd)
shift 2
bytes=200000000
rounds=4
mix=classic
while [[ $# -gt 0 ]]; do
    case $1 in
        --bytes) bytes=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --mix) mix=$2; shift 2 ;;
        *) usage ;;
    esac
done
for exe in "$new/bench/mailgen" "$new/bench/parse_bench" "$old/bench/parse_bench" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-parse-cpu-XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'), load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for b in "$old" "$new"; do echo "build $b: $(git -C "$b/.." log -1 --format='%h %s' 2>/dev/null || echo '?')"; done
"$new/bench/mailgen" --seed 7 --bytes "$bytes" --mbox "$work/box.mbox" --mix "$mix" > /dev/null
mb=$(awk -v b="$(stat -c %s "$work/box.mbox")" 'BEGIN { printf "%.1f", b / 1000000 }')
echo "mailbox: $mb MB, mix $mix, $rounds rounds"
for ((r = 1; r <= rounds; ++r)); do
    for b in "$old" "$new"; do
        rm -rf "$work/home"
        /usr/bin/time -f "%U %S %e" -o "$work/t" "$b/bench/parse_bench" "$work/box.mbox" \
            "Generic Mail Type 2" "$work/home" > /dev/null
        read -r user sys wall < "$work/t"
        echo "$b $user $sys $wall"
    done
done | awk -v mb="$mb" '
    { cpu = $2 + $3; sum[$1] += cpu; n[$1]++; order[$1] = order[$1] ? order[$1] : ++k; name[k] = $1
      printf "%s: user %s s, system %s s, wall %s s\n", $1, $2, $3, $4 }
    END { for (i = 1; i <= k; ++i) { b = name[i]; m = sum[b] / n[b]
          printf "%s: mean %.2f processor s = %.1f MB per processor second\n", b, m, mb / m } }'
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
