#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Mail import benchmarks on generated mailboxes ("Generic Mail Type 2"):
#  (a) the parse phase alone (reader into the temporary import file, nothing stored) over a
#      mailbox of about 1 GB, in MB/s, beside `cat FILE > /dev/null` on the same file, and the
#      reader alone (messages counted and dropped);
#  (b) a whole import (parse and store) of 100,000 messages with `quillstow import`, in messages
#      per second, with its peak resident memory.
# The output, with the machine it ran on, is kept under bench/out/. Generated files are deleted.
#
#   bench/mail_import.sh BUILD_DIR [--bytes N] [--messages N] [--only parse|import]
# Work files go under TMPDIR (default /tmp). Build first with:
#   cmake -S . -B BUILD_DIR -DCMAKE_BUILD_TYPE=Release -DQS_BENCH=ON
#   cmake --build BUILD_DIR --target quillstow mailgen parse_bench
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR [--bytes N] [--messages N] [--only parse|import]" >&2; exit 2; }
[[ $# -ge 1 ]] || usage
build=$(cd "$1" && pwd)
shift
bytes=1000000000
messages=100000
only=
while [[ $# -gt 0 ]]; do
    case $1 in
        --bytes) bytes=$2; shift 2 ;;
        --messages) messages=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        *) usage ;;
    esac
done
for exe in "$build/quillstow" "$build/bench/mailgen" "$build/bench/parse_bench" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing (see the build line at the top)" >&2; exit 2; }
done

here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/mail_import-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-mail-import-XXXXXX")
trap 'rm -rf "$work"' EXIT
NICE="nice -n 10"

now() { date +%s.%N; }
# seconds since START
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
cpu_s() { awk -F: '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$1"; }
max_rss_mb() { awk -F: '/Maximum resident/ { printf "%.1f", $2 / 1024 }' "$1"; }
verdict() { awk -v v="$1" -v t="$2" -v less="${3:-}" 'BEGIN { ok = less ? v < t : v >= t; print (ok ? "met" : "NOT met") }'; }

machine() {
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "processors: $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
    echo "memory: $(grep MemTotal /proc/meminfo | awk '{printf "%.1f GiB", $2 / 1048576}')"
    echo "system: $(. /etc/os-release && echo "$PRETTY_NAME"), $(uname -r)"
    echo "work file system: $(df -T "$work" | awk 'NR == 2 {print $2}'), $(df -h "$work" | awk 'NR == 2 {print $4}') free"
    echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
}

parse_run() {
    local box="$work/big.mbox"
    echo "== (a) parse phase of a ~$((bytes / 1000000)) MB mailbox"
    $NICE "$build/bench/mailgen" --seed 7 --bytes "$bytes" --mbox "$box"
    local size
    size=$(stat -c %s "$box")
    cat "$box" > /dev/null  # both runs below read from the page cache
    local t0 cat_s
    t0=$(now)
    cat "$box" > /dev/null
    cat_s=$(since "$t0")
    /usr/bin/time -v -o "$work/reader.time" $NICE "$build/bench/parse_bench" --reader-only "$box" \
        "Generic Mail Type 2" "$work/parse-home" | tee "$work/reader.out"
    /usr/bin/time -v -o "$work/parse.time" $NICE "$build/bench/parse_bench" "$box" \
        "Generic Mail Type 2" "$work/parse-home" | tee "$work/parse.out"
    local parse_s mbs cat_mbs reader_s mb=$((size / 1000000))
    parse_s=$(sed -n 's/^parse phase \([0-9.]*\) s.*/\1/p' "$work/parse.out")
    reader_s=$(sed -n 's/^reader alone \([0-9.]*\) s.*/\1/p' "$work/reader.out")
    mbs=$(ratio "$mb" "$parse_s")
    cat_mbs=$(ratio "$mb" "$cat_s")
    echo "cat FILE > /dev/null: $cat_s s, $cat_mbs MB/s"
    echo "reader alone (messages dropped): $reader_s s = $(ratio "$mb" "$reader_s") MB/s," \
         "CPU $(cpu_s "$work/reader.time") s = $(ratio "$mb" "$(cpu_s "$work/reader.time")") MB per CPU second"
    echo "parse phase (temporary file written): $parse_s s = $mbs MB/s ($(ratio "$cat_mbs" "$mbs") times" \
         "the time of cat), CPU $(cpu_s "$work/parse.time") s = $(ratio "$mb" "$(cpu_s "$work/parse.time")")" \
         "MB per CPU second, peak memory $(max_rss_mb "$work/parse.time") MB"
    echo "target parse >= 100 MB/s: $(verdict "$mbs" 100)"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
    rm -f "$box"
}

import_run() {
    local box="$work/mail.mbox" home="$work/home"
    echo "== (b) whole import of $messages messages"
    $NICE "$build/bench/mailgen" --seed 11 --count "$messages" --mbox "$box"
    "$build/quillstow" --home "$home" init > /dev/null
    "$build/quillstow" --home "$home" db add-mail Home --address me@example.org > /dev/null
    local t0 import_s
    t0=$(now)
    /usr/bin/time -v -o "$work/import.time" $NICE "$build/quillstow" --home "$home" import \
        --format "Generic Mail Type 2" --db Home "$box" | tee "$work/import.out"
    import_s=$(since "$t0")
    local stored rate rss
    stored=$(sed -n 's/.*stored \([0-9]*\),.*/\1/p' "$work/import.out")
    rate=$(ratio "$stored" "$import_s")
    rss=$(max_rss_mb "$work/import.time")
    echo "import: $stored messages stored in $import_s s = $rate messages/s," \
         "CPU $(cpu_s "$work/import.time") s, peak memory $rss MB, archive $(du -sm "$home" | cut -f1) MB"
    echo "target whole import >= 3000 messages/s: $(verdict "$rate" 3000)"
    echo "target peak memory < 128 MB: $(verdict "$rss" 128 less)"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
    rm -rf "$box" "$home"
}

{
    machine
    [[ $only == import ]] || parse_run
    [[ $only == parse ]] || import_run
} 2>&1 | tee "$log"
echo "(kept in $log)"
