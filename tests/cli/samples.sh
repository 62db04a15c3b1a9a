#!/usr/bin/env bash
# The sample mailboxes of `make run`: each format's file imports whole, and the Eudora message
# its table of contents leaves out is counted as skipped.
source "$(dirname "$0")/lib.sh"
S="$(cd "$(dirname "$0")/../.." && pwd)/samples/mail"

check 0 "*" db add-mail Home --address me@example.org --alt me@work.example
done_ok=$'The import process has finished!'
check 0 $'found 3, stored 3, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Generic Mail Type 2" --db Home "$S/inbox.mbox"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "IE Mail" --db Home "$S/ie-inbox.mbx"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Outlook Express 4 Mail" --db Home "$S/oe4-inbox.mbx"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Netscape Mail" --db Home "$S/netscape-inbox"
check 0 $'found 4, stored 3, duplicates 0, skipped 1\n'"$done_ok"$'\n(see '"$H"'/Log.txt)' \
  import --format "Eudora" --db Home "$S/IN.MBX"
grep -q "deleted: not in the table of contents" "$H/Log.txt" ||
  { echo "FAIL: Log.txt names the deleted Eudora message"; failures=$((failures + 1)); }
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Generic Mail Type 1" --db Home "$S/generic1.txt"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Becky Mail" --db Home "$S/becky.bmf"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Agent Mail" --db Home "$S/agent.txt"
check 0 $'found 3, stored 3, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Pegasus" --db Home "$S/winpmail.pmm"
# Read again, every mail is a duplicate.
check 0 $'found 3, stored 0, duplicates 3, skipped 0\nNo messages to import!' \
  import --format "Pegasus" --db Home "$S/winpmail.pmm"
out=$("$QS" --home "$H" messages Home --by date --limit 100)
checks=$((checks + 1))
# The German subject is an encoded word: decoded, whatever the listing's character set.
if [ "$(echo "$out" | wc -l)" != 21 ] || ! echo "$out" | grep -q "Termin im M" ||
  echo "$out" | grep -q "=E4"; then
  echo "FAIL: 21 mails listed, the German subject decoded"; echo "$out"; failures=$((failures + 1))
fi
finish
