#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Mail import benchmarks on generated mailboxes ("Generic Mail Type 2"):
#  (a) the parse phase alone (reader into the temporary import file, nothing stored) over a
#      mailbox of about 1 GB, in MB/s, beside `cat FILE > /dev/null` on the same file, and the
#      reader alone (messages counted and dropped);
#  (b) a whole import (parse and store) of 100,000 messages with `quillstow import`, in messages
#      per second, with its peak resident memory;
#  (c) the import of one message of about 150 MB (a text and a base64 attachment of 110 MB of
#      random bytes), with its peak resident memory and the attachment's bytes checked.
# The output, with the machine it ran on, is kept under bench/out/. Generated files are deleted.
# --mix today generates today's mail (UTF-8, base64, attachments; see bench/mailgen.cpp) instead of
# the classic Latin-1 mix. --vs OLD_BUILD_DIR runs an older build on the same files too, old and
# new in turn, each run printed with the build it used.
#
#   bench/mail_import.sh BUILD_DIR [--bytes N] [--messages N] [--only parse|import|big]
#                        [--mix classic|today] [--vs OLD_BUILD_DIR]
# Work files go under TMPDIR (default /tmp). Build first with:
#   cmake -S . -B BUILD_DIR -DCMAKE_BUILD_TYPE=Release -DQS_BENCH=ON
#   cmake --build BUILD_DIR --target quillstow mailgen parse_bench
set -euo pipefail

usage() {
    echo "usage: $0 BUILD_DIR [--bytes N] [--messages N] [--only parse|import|big] [--mix classic|today] [--vs OLD_BUILD_DIR]" >&2
    exit 2
}
[[ $# -ge 1 ]] || usage
build=$(cd "$1" && pwd)
shift
bytes=1000000000
messages=100000
only=
mix=classic
builds=()
while [[ $# -gt 0 ]]; do
    case $1 in
        --bytes) bytes=$2; shift 2 ;;
        --messages) messages=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        --mix) mix=$2; shift 2 ;;
        --vs) builds+=("$(cd "$2" && pwd)"); shift 2 ;;
        *) usage ;;
    esac
done
gen=$build/bench/mailgen
builds+=("$build")
for exe in "$gen" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing (see the build line at the top)" >&2; exit 2; }
done
for b in "${builds[@]}"; do
    for exe in "$b/quillstow" "$b/bench/parse_bench"; do
        [[ -x $exe ]] || { echo "$0: $exe is missing (see the build line at the top)" >&2; exit 2; }
    done
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
    echo "mail mix: $mix"
    for b in "${builds[@]}"; do echo "build $b: $(git -C "$b/.." log -1 --format='%h %s' 2>/dev/null || echo '?')"; done
}

parse_run() {
    local box="$work/big.mbox"
    echo "== (a) parse phase of a ~$((bytes / 1000000)) MB mailbox"
    $NICE "$gen" --seed 7 --bytes "$bytes" --mbox "$box" --mix "$mix"
    local b
    for b in "${builds[@]}"; do parse_one "$box" "$b"; done
    rm -f "$box"
}

parse_one() {
    local box=$1 build=$2
    echo "-- build $build"
    rm -rf "$work/parse-home"  # builds may differ in their files' layout
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
    echo "target parse >= 150 MB/s: $(verdict "$mbs" 150)"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

import_run() {
    local box="$work/mail.mbox"
    echo "== (b) whole import of $messages messages"
    $NICE "$gen" --seed 11 --count "$messages" --mbox "$box" --mix "$mix"
    local b
    for b in "${builds[@]}"; do import_one "$box" "$b"; done
    rm -f "$box"
}

import_one() {
    local box=$1 build=$2 home="$work/home"
    echo "-- build $build"
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
    rm -rf "$home"
}

big_run() {
    local box="$work/big-message.mbox" raw="$work/attachment.bin"
    echo "== (c) one message of about 150 MB"
    head -c 110000000 /dev/urandom > "$raw"
    {
        printf 'From big@example.org Mon Mar  2 10:00:00 2026\nFrom: Big <big@example.org>\n'
        printf 'To: Me <me@example.org>\nSubject: The whole film\nDate: Mon, 2 Mar 2026 10:00:00 +0100\n'
        printf 'MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary="b1"\n\n--b1\n'
        printf 'Content-Type: text/plain; charset=UTF-8\n\nThe film is attached.\n\n--b1\n'
        printf 'Content-Type: video/mp4\nContent-Disposition: attachment; filename="film.mp4"\n'
        printf 'Content-Transfer-Encoding: base64\n\n'
        base64 -w 76 "$raw"
        printf -- '--b1--\n'
    } > "$box"
    echo "message: $(stat -c %s "$box") bytes, attachment $(stat -c %s "$raw") bytes"
    local b
    for b in "${builds[@]}"; do big_one "$box" "$raw" "$b"; done
    rm -f "$box" "$raw"
}

big_one() {
    local box=$1 raw=$2 build=$3 home="$work/home"
    echo "-- build $build"
    "$build/quillstow" --home "$home" init > /dev/null
    "$build/quillstow" --home "$home" db add-mail Home --address me@example.org > /dev/null
    /usr/bin/time -v -o "$work/big.time" $NICE "$build/quillstow" --home "$home" import \
        --format "Generic Mail Type 2" --db Home "$box" | tail -2
    local rss number same=no
    rss=$(max_rss_mb "$work/big.time")
    number=$("$build/quillstow" --home "$home" messages Home | awk 'NR == 1 { print $1 }')
    if "$build/quillstow" --home "$home" attachment Home "$number" 1 --out "$work/out.bin" \
        > /dev/null 2>&1 && cmp -s "$raw" "$work/out.bin"; then
        same=yes
    fi
    echo "import: CPU $(cpu_s "$work/big.time") s, peak memory $rss MB," \
         "attachment written out byte for byte: $same"
    echo "target peak memory < 128 MB: $(verdict "$rss" 128 less)"
    rm -rf "$home" "$work/out.bin"
}

{
    machine
    [[ -n $only && $only != parse ]] || parse_run
    [[ -n $only && $only != import ]] || import_run
    [[ -n $only && $only != big ]] || big_run
} 2>&1 | tee "$log"
echo "(kept in $log)"
