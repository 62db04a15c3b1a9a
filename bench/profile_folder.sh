#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One big folder of a mail profile: generated mail (today's mix) written as the folder
# "Archive/Big" of a profile tree (the mailbox file beside its .msf index, inside Archive.sbd),
# imported with `quillstow import --format "Unix Mailbox" --tree` into a fresh home. Prints the
# seconds, messages and megabytes per second, the peak resident memory (/usr/bin/time -v) and
# the folder topic the mail was kept under. The output, with the machine it ran on, is kept
# under bench/out/; generated files are deleted.
#
#   bench/profile_folder.sh BUILD_DIR [--bytes N]     (default 2,000,000,000 bytes)
# Needs BUILD_DIR/quillstow and BUILD_DIR/bench/mailgen. Work files go under TMPDIR (/tmp).
set -euo pipefail

[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR [--bytes N]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
bytes=2000000000
[[ ${1:-} == --bytes ]] && bytes=$2
QS=$build/quillstow
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/profile_folder-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-folder-XXXXXX")
trap 'rm -rf "$work"' EXIT

folder="$work/Mail/Local Folders/Archive.sbd"
mkdir -p "$folder"
{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)"
    echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'); work on $(df -T "$work" | awk 'NR == 2 {print $2}')"
    "$build/bench/mailgen" --seed 11 --bytes "$bytes" --mix today --mbox "$folder/Big" > /dev/null
    : > "$folder/Big.msf"
    size=$(stat -c %s "$folder/Big")
    echo "folder Archive/Big: $size bytes"
    "$QS" --home "$work/home" db add-mail Home --address me@example.org > /dev/null
    t0=$(date +%s.%N)
    /usr/bin/time -v -o "$work/time" "$QS" --home "$work/home" import --db Home \
        --format "Unix Mailbox" --tree "$work/Mail" > "$work/out" 2>&1 || true
    s=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    stored=$(grep -o 'stored [0-9]*' "$work/out" | grep -o '[0-9]*' || echo 0)
    echo
    echo "| run | seconds | messages | messages/s | MB/s | peak memory |"
    echo "|---|---|---|---|---|---|"
    printf '| quillstow import --tree, one %s MB folder | %s | %s | %.0f | %.1f | %.0f MB |\n' \
        "$((size / 1000000))" "$s" "$stored" "$(awk -v n="$stored" -v s="$s" 'BEGIN { print n / s }')" \
        "$(awk -v b="$size" -v s="$s" 'BEGIN { print b / 1e6 / s }')" \
        "$(awk -F: '/Maximum resident/ { print $2 / 1024 }' "$work/time")"
    echo
    echo "import said: $(tr '\r' '\n' < "$work/out" | grep -v '^$' | tail -3 | tr '\n' ' ')"
    echo "topics: $("$QS" --home "$work/home" topics Home | tr '\n' ' ')"
} | tee "$log"
