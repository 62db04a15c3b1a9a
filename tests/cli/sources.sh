#!/usr/bin/env bash
# Importing today's mail sources without naming their format: each path's format is told and
# printed, and nothing is imported when one cannot be told.
source "$(dirname "$0")/lib.sh"

msg() {  # msg SUBJECT: a mail of its own text
  printf 'From: Bob <bob@example.org>\nTo: me@example.org\nSubject: %s\nDate: Mon, 5 Jan 2026 10:00:00 +0000\n\nAbout %s.\n' "$1" "$1"
}
I="$H/in"
mkdir -p "$I/Maildir/cur" "$I/Maildir/new" "$I/Maildir/tmp" "$I/Maildir/.Work/cur"
msg seen > "$I/Maildir/cur/1:2,S"
msg new > "$I/Maildir/new/2"
msg work > "$I/Maildir/.Work/cur/3:2,RF"
msg unfinished > "$I/Maildir/tmp/4"
{ echo "From - Mon Jan  5 10:00:00 2026"; msg first; echo; echo "From MAILER-DAEMON Mon Jan  5 11:00:00 2026"; msg second; } > "$I/box.mbox"
{ msg one; echo; msg two; } > "$I/run.txt"

check 0 "*" db add-mail Home --address me@example.org
check 1 "$I/Maildir: Maildir
$I/box.mbox: Unix Mailbox
$I/run.txt: cannot tell the format; it may be \"EML Files\", \"Generic Mail Type 1\", \"Becky Mail\" or \"Agent Mail\"" \
  formats --detect "$I/Maildir" "$I/box.mbox" "$I/run.txt"
check 0 "[{\"PATH\":\"$I/box.mbox\",\"FORMAT\":\"Unix Mailbox\",\"CANDIDATES\":[\"Unix Mailbox\"],\"TREE\":false}]" \
  --json formats --detect "$I/box.mbox"

# One path that cannot be told: nothing of the others is imported either.
check_err 1 'nothing was imported; name the format with --format' import --db Home "$I/Maildir" "$I/run.txt"
check 0 "" messages Home
check 0 "$I/Maildir: Maildir
$I/box.mbox: Unix Mailbox
found 3, stored 3, duplicates 0, skipped 0
The import process has finished!
found 2, stored 2, duplicates 0, skipped 0
The import process has finished!" import --db Home "$I/Maildir" "$I/box.mbox"
# The same Maildir again: nothing is stored twice.
check 0 "$I/Maildir: Maildir
found 3, stored 0, duplicates 3, skipped 0
No messages to import!" import --db Home "$I/Maildir"
# Named with --dir and the format, a Maildir is still read with its sub-folders.
check 0 "found 3, stored 0, duplicates 3, skipped 0
No messages to import!" import --format Maildir --db Home --dir "$I/Maildir"
check_err 2 '--tree and --dir need --format NAME' import --db Home --dir "$I/Maildir"
out=$("$QS" --home "$H" messages Home --by subject | awk '{print $NF}' | tr '\n' ' ')
checks=$((checks + 1))
[ "$out" = "first new second seen work " ] || { echo "FAIL: stored subjects: $out"; failures=$((failures + 1)); }
finish
