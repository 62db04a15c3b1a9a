#!/usr/bin/env bash
# Import from the command line: its checks of what is asked, and its accounting.
source "$(dirname "$0")/lib.sh"

check 0 "*" db add-mail Home --address me@example.org
check_err 1 'x.mbx: there is no such file or directory' import x.mbx
check_err 2 'no format named "Nonsense"' import --format Nonsense x.mbx
check_err 2 'mail formats need --db' import --format Eudora x.mbx
check_err 1 'no database is named "Away"' import --format Eudora --db Away x.mbx
check_err 2 'name the files' import --format Eudora --db Home
check_err 2 'give --tree or --dir, not both' import --format Eudora --db Home --tree a --dir b
out=$("$QS" --home "$H" import --format "Eudora" --db Home "$H/missing.mbx" 2>"$H.err")
status=$?
checks=$((checks + 1))
if [ $status -ne 1 ] || ! grep -q 'does not exist and will be skipped' "$H.err" \
   || [ "$out" != $'found 0, stored 0, duplicates 0, skipped 0\nNo messages found in selected file(s)!\n(see '"$H"'/Log.txt)' ]; then
  echo "FAIL: import of a missing file: exit $status"; echo "$out"; cat "$H.err"; failures=$((failures + 1))
fi
grep -q "not read: the file does not exist" "$H/Log.txt" || { echo "FAIL: Log.txt"; failures=$((failures + 1)); }
# A file without a single message: said so, and a failure.
: > "$H/empty.mbox"
check 1 $'found 0, stored 0, duplicates 0, skipped 0\nNo messages found in selected file(s)!' \
  import --format "Generic Mail Type 2" --db Home "$H/empty.mbox"
check_err 1 'No messages found in selected file(s)!' import --format "Generic Mail Type 2" --db Home "$H/empty.mbox"
# Outlook cannot be run here: as if it were not installed.
check_err 1 'Outlook Is Not Installed' import --format "Outlook Mail" --db Home
check_err 1 'no message 12' show Home 12
check 0 "[]" --json messages Home
check_err 2 'no order "thread" here' messages Home --by thread
finish
