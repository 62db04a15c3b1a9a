#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The desktop program over a big mail database: N generated mails (default 1,000,000, the
# classic mix) imported into a fresh home, then bench/desktop/desktop_open opens the mail browse
# on the offscreen platform three times: time to the first page shown, time per page scrolling
# down 200 pages, peak memory. The output, with the machine it ran on, is kept under bench/out/;
# generated files are deleted.
#
#   bench/desktop_open.sh BUILD_DIR [--messages N]
# Needs BUILD_DIR/quillstow, BUILD_DIR/bench/mailgen and BUILD_DIR/bench/desktop_open.
set -euo pipefail

[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR [--messages N]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
messages=1000000
[[ ${1:-} == --messages ]] && messages=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/desktop_open-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-desktop-XXXXXX")
trap 'rm -rf "$work"' EXIT

{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)"
    "$build/bench/mailgen" --seed 5 --count "$messages" --mbox "$work/all.mbox" > /dev/null
    "$build/quillstow" --home "$work/home" db add-mail Home --address me@example.org > /dev/null
    t0=$(date +%s.%N)
    "$build/quillstow" --home "$work/home" import --db Home "$work/all.mbox" | tail -2
    echo "import: $(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
    rm -f "$work/all.mbox"
    echo "home: $(du -sh "$work/home" | cut -f1); load $(cut -d' ' -f1 /proc/loadavg)"
    for run in 1 2 3; do
        echo "-- run $run"
        QT_QPA_PLATFORM=offscreen "$build/bench/desktop_open" "$work/home" Home 200 2>/dev/null
    done
} | tee "$log"
