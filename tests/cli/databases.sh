#!/usr/bin/env bash
# The database list from the command line: adding, listing, changing and removing databases.
source "$(dirname "$0")/lib.sh"

check 0 "*" init
check 0 'added mail database "Home" (250001)' db add-mail Home --address me@example.org --alt me@work.example
check 0 'added forum database "Photo Forum" (250002)' db add-forum "Photo Forum"
out=$("$QS" --home "$H" --json db list)
case "$out" in
  '[{"ID":250001,"DESCRIPTION":"Home",'*'"DIRNUMBER":1,'*'"TYPE":2,'*'"MAILADDRESS":"me@example.org","PERSONID":250000,"ALTADDRESS":["me@work.example"],'*'{"ID":250002,"DESCRIPTION":"Photo Forum",'*'"DIRNUMBER":2,'*) ;;
  *) echo "FAIL: db list JSON: $out"; failures=$((failures + 1)) ;;
esac
for f in CFG/IDX002.TPS CFG/IDX008.TPS F1/IDX005.TPS F1/IDX022.DAT F2/IDX022.DAT; do
  [ -f "$H/$f" ] || { echo "FAIL: $f missing"; failures=$((failures + 1)); }
done
check_err 1 'a database named "home" exists already' db add-forum home
check_err 2 'missing --address' db add-mail Other
check_err 2 'missing NAME' db add-forum
check_err 1 'no database is named "Nowhere"' db update-mail Nowhere --address x@y.z
check 0 'updated mail database "Home"' db update-mail Home --address new@example.org
out=$("$QS" --home "$H" --json db list)
case "$out" in
  *'"MAILADDRESS":"new@example.org","PERSONID":250000,"ALTADDRESS":["me@work.example"]'*) ;;
  *) echo "FAIL: update kept the alternatives: $out"; failures=$((failures + 1)) ;;
esac
check_err 2 'needs --yes' db remove "Photo Forum"
check 0 'removed database "Photo Forum"' db remove "Photo Forum" --yes
[ -d "$H/F2" ] && { echo "FAIL: F2 left behind"; failures=$((failures + 1)); }
check 0 'added forum database "Second" (250003)' db add-forum Second
out=$("$QS" --home "$H" --json db list)
case "$out" in
  *'"DESCRIPTION":"Second"'*'"DIRNUMBER":2,'*) ;;
  *) echo "FAIL: the freed directory number is used again: $out"; failures=$((failures + 1)) ;;
esac
# The mail database an import definition names becomes the default target of imports.
check 0 "0" config get 19
check 0 "*" db add-mail Gone --address gone@example.org
check 0 "*" batch add "Into Gone" --format "Generic Mail Type 2" --dir "$H" --mailbox Gone \
  --no-forum --no-news
check 0 "250005" config get 19
# A database whose directory has disappeared is removed with its import definitions.
rm -rf "$H/F3"
check 0 'removed database "Gone"' db remove Gone --yes
check_err 1 'no database is named "Gone"' db update-mail Gone --address x@y.z
check 0 "[]" --json batch list
finish
