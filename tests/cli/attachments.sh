#!/usr/bin/env bash
# The attachment commands on a mail without attachments: what they print and what they refuse.
source "$(dirname "$0")/lib.sh"

check 0 "*" db add-mail Home --address me@example.org
printf 'From bob@example.org Sat Feb  3 10:00:00 2001\nFrom: Bob <bob@example.org>\nTo: me@example.org\nSubject: Plain\nDate: Sat, 3 Feb 2001 10:00:00 +0000\n\nno files here\n' > "$H/plain.mbox"
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/plain.mbox"
id=$("$QS" --home "$H" messages Home | cut -d' ' -f1)
check 0 "" attachments Home "$id"
check 0 "[]" --json attachments Home "$id"
case "$("$QS" --home "$H" --json show Home "$id")" in
  *'"ATTACHMENTS":[]}') ;;
  *) echo "FAIL: show --json has no empty ATTACHMENTS"; failures=$((failures + 1)) ;;
esac
check_err 1 "message $id has no attachment 1" attachment Home "$id" 1 --out "$H/x"
check_err 1 'no message 12 in "Home"' attachments Home 12
check_err 2 '--out FILE is needed' attachment Home "$id" 1
check_err 2 'N must be an attachment number' attachment Home "$id" 0 --out -
touch "$H/there"
check_err 1 "$H/there exists; --force writes over it" attachment Home "$id" 1 --out "$H/there"
check 0 "*" attachment --help
finish
