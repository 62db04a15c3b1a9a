#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Today's mail sources: the same generated mail (today's mix) as a Maildir and as one Unix
# mailbox, each imported without --format by `quillstow import` into a fresh home, beside
# `notmuch new` on the same Maildir in the same run. Per run: seconds, messages per second and
# peak resident memory (/usr/bin/time -v). The output, with the machine it ran on, is kept under
# bench/out/; generated files are deleted.
#
#   bench/sources.sh BUILD_DIR [--messages N]
# Needs BUILD_DIR/quillstow and BUILD_DIR/bench/mailgen; notmuch (Debian package notmuch) for
# its row. Work files go under TMPDIR (default /tmp).
set -euo pipefail

[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR [--messages N]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
messages=100000
[[ ${1:-} == --messages ]] && messages=$2
QS=$build/quillstow
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/sources-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-sources-XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
row() {  # row NAME COMMAND...: one timed run
    local name=$1 t0 s
    shift
    t0=$(now)
    /usr/bin/time -v -o "$work/time" "$@" > "$work/out" 2>&1 || { echo "| $name | failed | | |"; tail -3 "$work/out"; return; }
    s=$(awk -v a="$t0" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
    printf '| %s | %s | %.0f | %.0f MB |\n' "$name" "$s" "$(awk -v n="$messages" -v s="$s" 'BEGIN { print n / s }')" \
        "$(awk -F: '/Maximum resident/ { print $2 / 1024 }' "$work/time")"
    echo "  ($name said: $(tr '\r' '\n' < "$work/out" | grep . | head -2 | tr '\n' ' '))" >> "$work/notes"
}
home() { "$QS" --home "$work/$1" db add-mail Home --address me@example.org > /dev/null; }

{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)"
    echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'); work on $(df -T "$work" | awk 'NR == 2 {print $2}')"
    echo "notmuch: $(command -v notmuch > /dev/null && notmuch --version || echo missing)"
    "$build/bench/mailgen" --seed 7 --count "$messages" --mix today --mbox "$work/all.mbox" \
        --maildir "$work/Maildir" > /dev/null
    echo "$messages messages: Maildir $(du -sh "$work/Maildir" | cut -f1), mailbox $(du -sh "$work/all.mbox" | cut -f1)"
    echo
    echo "| run | seconds | messages/s | peak memory |"
    echo "|---|---|---|---|"
    home maildir-home
    row "quillstow import, Maildir" "$QS" --home "$work/maildir-home" import --db Home "$work/Maildir"
    home mbox-home
    row "quillstow import, Unix mailbox" "$QS" --home "$work/mbox-home" import --db Home "$work/all.mbox"
    if command -v notmuch > /dev/null; then
        export NOTMUCH_CONFIG="$work/notmuch-config"
        printf '[database]\npath=%s\n[user]\nprimary_email=me@example.org\n[new]\ntags=inbox;\n[maildir]\nsynchronize_flags=false\n' \
            "$work/Maildir" > "$NOTMUCH_CONFIG"
        row "notmuch new, Maildir" notmuch new
    fi
    cat "$work/notes"
} | tee "$log"
