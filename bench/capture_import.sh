#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Capture import benchmark: a generated TAPCIS forum capture (DOS code page, threads of about
# eight messages by reply number in 12 sections, about 2,000 members, texts of 3 to 30 lines)
# imported with `quillstow import` into a forum database, in messages per second, with its peak
# resident memory (/usr/bin/time -v). Work files go under TMPDIR (default /tmp) and are deleted.
#   bench/capture_import.sh BUILD_DIR [MESSAGES]     (default 100,000)
set -euo pipefail
build=$(cd "$1" && pwd)
messages=${2:-100000}
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-capture-XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 - "$messages" > "$work/forum.MSG" <<'PY'
import random, sys
random.seed(7)
n = int(sys.argv[1])
words = ("lens film print flash shutter camera tripod f-stop grain d\x81rer gr\x81\xe1e " * 4).split()
out = sys.stdout.buffer
for i in range(n):
    number = 100000 + i
    root = number - (i % 8)
    section = (i // 8) % 12 + 1
    sb = f"#{root}-Thread {root}" if i % 8 else f"Thread {root}"
    sender = random.randrange(2000)
    lines = [" ".join(random.choice(words) for _ in range(random.randrange(4, 14)))
             for _ in range(random.randrange(3, 30))]
    block = (f"#: {number} S{section}/Section {section}\r\n"
             f"    {(i % 28) + 1:02d}-Mar-95  10:{i % 60:02d}:00\r\n"
             f"Sb: {sb}\r\nFm: Member {sender} {70000 + sender},{sender}\r\n"
             f"To: All\r\n\r\n" + "\r\n".join(lines) + "\r\n\r\n")
    out.write(block.encode("latin-1"))
PY
home="$work/home"
"$build/quillstow" --home "$home" init > /dev/null
"$build/quillstow" --home "$home" db add-forum Bench > /dev/null
echo "machine: $(nproc) cores, $(uname -sr), load $(cut -d' ' -f1 /proc/loadavg)"
echo "capture: $messages messages, $(du -h "$work/forum.MSG" | cut -f1)"
start=$(date +%s.%N)
/usr/bin/time -v "$build/quillstow" --home "$home" import --format "TAPCIS 6.x" --forum Bench \
    "$work/forum.MSG" 2> "$work/time" | tail -2
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc)
echo "seconds: $seconds; messages/s: $(echo "$messages / $seconds" | bc)"
grep -E "Maximum resident|User time|System time" "$work/time"
