#!/usr/bin/env bash
# The reader formats and the saved import definitions from the command line.
source "$(dirname "$0")/lib.sh"

check 0 "*" init
out=$("$QS" --home "$H" formats)
[ "$(echo "$out" | wc -l)" = 39 ] || { echo "FAIL: formats: not 38 rows"; failures=$((failures + 1)); }
case "$out" in
  "NO  NAME                    FAMILY      READER  MASK"*"17  WinCIM                  CompuServe  no      *.THD;*.MSG;*.PLX"*"36  Unix Mailbox            mail        yes"*) ;;
  *) echo "FAIL: formats table: $out"; failures=$((failures + 1)) ;;
esac
out=$("$QS" --home "$H" --json formats)
case "$out" in
  '[{"NUMBER":1,"NAME":"AUTOSIG","FAMILY":"CompuServe","READER":true,"MASK":"*.ATO"},'*'{"NUMBER":33,"NAME":"Outlook Mail","FAMILY":"mail","READER":false,"MASK":""},'*'{"NUMBER":35,"NAME":"Generic Mail Type 2","FAMILY":"mail","READER":true,"MASK":"*.*"},'*'{"NUMBER":38,"NAME":"EML Files","FAMILY":"mail","READER":true,"MASK":"*.eml"}]') ;;
  *) echo "FAIL: formats JSON: $out"; failures=$((failures + 1)) ;;
esac

check 0 "ID      FORMAT                  METHOD     DESCRIPTION" batch list
check 0 "[]" --json batch list
check 0 'added mail database "Home" (250001)' db add-mail Home --address me@example.org
mkdir -p "$H/in"
check 0 "added import definition 250002" batch add Nightly --format OzCIS --tree "$H/in" --mask "*.MSG;*.OBS" --mailbox Home --no-news
check 0 "added import definition 250003" batch add Picked --format 35 --dir "$H/in"
check 0 "added import definition 250004" batch add Chosen --format "Eudora" --file "$H/in/b.mbx" --file "$H/in/a.mbx"
check 0 "ID      FORMAT                  METHOD     DESCRIPTION
250002  OzCIS                   tree       Nightly
250003  Generic Mail Type 2     directory  Picked
250004  Eudora                  files      Chosen" batch list
check 0 '{"ID":250002,"TYPE":1,"DESCRIPTION":"Nightly","DATABASE":0,"FILETYPE":12,"IMPPATH":"'"$H/in"'","SELMETHOD":0,"MAILBOX":250001,"MAILMSG":1,"FORUMMSG":1,"NEWSGROUPMSG":0,"MSGFILTER":0,"ALLOWREIMP":0,"MAILTOPIC":0,"FILES":["*.MSG","*.OBS"]}' --json batch show 250002
check 0 "ID           250004
DESCRIPTION  Chosen
FORMAT       6 Eudora
METHOD       2 files
PATH         $H/in
DATABASE     none
MAILBOX      none
KINDS        mail forum news
REIMPORT     no
MAILTOPIC    0
FILES        $H/in/b.mbx
             $H/in/a.mbx" batch show 250004
out=$("$QS" --home "$H" --json batch list)
case "$out" in
  '[{"ID":250002,'*'"FILES":["*.MSG","*.OBS"]},{"ID":250003,'*'"FILES":["*.*"]},{"ID":250004,'*'"FILES":["'"$H/in/b.mbx"'","'"$H/in/a.mbx"'"]}]') ;;
  *) echo "FAIL: batch list JSON: $out"; failures=$((failures + 1)) ;;
esac

check_err 2 'No file extension(s) specified' batch add Empty --format "Outlook Mail" --dir "$H/in"
check_err 2 'give one of --tree DIR, --dir DIR or --file FILE' batch add Both --format Eudora --dir "$H/in" --tree "$H/in"
check_err 2 'no format Eudora2' batch add Bad --format Eudora2 --dir "$H/in"
check 0 'added forum database "Photo" (250005)' db add-forum Photo
check_err 1 '"Photo" is not a mail database' batch add Bad --format Eudora --dir "$H/in" --mailbox Photo
check_err 1 'no database is named "Nowhere"' batch add Bad --format Eudora --dir "$H/in" --database Nowhere
check_err 2 'ID must be the number of an import definition' batch show next
check_err 1 'there is no import definition 250001' batch show 250001
check 0 'deleted import definition 250003 "Picked"' batch delete 250003
check_err 1 'there is no import definition 250003' batch delete 250003
out=$("$QS" --home "$H" batch list)
case "$out" in
  *250003*) echo "FAIL: deleted definition still listed: $out"; failures=$((failures + 1)) ;;
esac
finish
