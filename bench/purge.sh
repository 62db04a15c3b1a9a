#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Purge and recount benchmark: N generated mails (default 100,000, the classic mix) imported into
# a fresh home and word-indexed; the partners of about a tenth of the mails marked delete; then
# `quillstow purge Home` (duplicates, the mails with their texts, attachments and word index
# entries, the recount) and `quillstow count Home` on what is left, each timed with its peak
# resident memory. The output, with the machine it ran on, is kept under bench/out/.
#
#   bench/purge.sh BUILD_DIR [--messages N]
# Work files go under TMPDIR (default /tmp). Build first with:
#   cmake -S . -B BUILD_DIR -DCMAKE_BUILD_TYPE=Release -DQS_BENCH=ON
#   cmake --build BUILD_DIR --target quillstow mailgen
set -euo pipefail

usage() {
    echo "usage: $0 BUILD_DIR [--messages N]" >&2
    exit 2
}
[[ $# -ge 1 ]] || usage
build=$(cd "$1" && pwd)
shift
messages=100000
while [[ $# -gt 0 ]]; do
    case $1 in
        --messages) messages=$2; shift 2 ;;
        *) usage ;;
    esac
done
QS=$build/quillstow
for exe in "$QS" "$build/bench/mailgen" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing (see the build line at the top)" >&2; exit 2; }
done
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/purge-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-purge-XXXXXX")
trap 'rm -rf "$work"' EXIT
home=$work/home

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
max_rss_mb() { awk -F: '/Maximum resident/ { printf "%.1f", $2 / 1024 }' "$1"; }
timed() {  # timed NAME COMMAND...: runs it, prints seconds and peak memory
    local name=$1 t0
    shift
    t0=$(now)
    /usr/bin/time -v -o "$work/$name.time" "$@" > "$work/$name.out" 2> "$work/$name.err"
    echo "$name: $(since "$t0") s, peak memory $(max_rss_mb "$work/$name.time") MB"
}

{
    echo "== purge and recount of $messages mails, $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine: $(nproc) processors, $(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"
    "$build/bench/mailgen" --count "$messages" --mbox "$work/box" > /dev/null
    "$QS" --home "$home" db add-mail Home --address me@example.org > /dev/null
    timed import "$QS" --home "$home" import --format "Generic Mail Type 2" --db Home "$work/box"
    timed index "$QS" --home "$home" index Home
    # The partners of the first mails listed, until they hold a tenth of the mails.
    "$QS" --home "$home" --json messages Home | grep -o '"MAILID":[0-9]*\|"PAIRID":[0-9]*' |
        awk -F: -v want="$((messages / 10))" '
            /MAILID/ { mail = $2; next }
            { n[$2]++; if (!($2 in first)) { first[$2] = mail; order[++k] = $2 } }
            END { for (i = 1; i <= k && total < want; i++) { total += n[order[i]]; print first[order[i]] } }' \
        > "$work/partners"
    while read -r mail; do "$QS" --home "$home" mark Home delete partner "$mail" > /dev/null; done \
        < "$work/partners"
    echo "partners marked delete: $(wc -l < "$work/partners")"
    timed purge "$QS" --home "$home" purge Home
    grep -E "before|Deleted|after" "$work/purge.out"
    timed count "$QS" --home "$home" count Home
    "$QS" --home "$home" count Home --check 2> /dev/null | tail -1
} | tee "$log"
