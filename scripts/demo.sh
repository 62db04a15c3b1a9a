#!/usr/bin/env bash
# The main job on bundled sample data: a fresh archive home with a mail and a forum database, and
# the sample mailboxes of every mail format imported into the mail database.
set -euo pipefail
qs="$1"
home="$2"
rm -rf "$home"
echo "== start-up of a new archive home in $home"
"$qs" --home "$home" init
echo
echo "== adding a mail database and a forum database"
"$qs" --home "$home" db add-mail "Home" --address me@example.org --alt me@work.example
"$qs" --home "$home" db add-forum "Photo Forum"
echo
echo "== the databases"
"$qs" --home "$home" db list
echo
echo "== importing the sample mailboxes of every mail format into Home"
samples="$(cd "$(dirname "$0")/.." && pwd)/samples/mail"
import() {
  echo "-- $1: $2"
  "$qs" --home "$home" import --format "$1" --db Home "$samples/$2"
}
import "Generic Mail Type 2" inbox.mbox
import "IE Mail" ie-inbox.mbx
import "Outlook Express 4 Mail" oe4-inbox.mbx
import "Netscape Mail" netscape-inbox
import "Eudora" IN.MBX
import "Generic Mail Type 1" generic1.txt
import "Becky Mail" becky.bmf
import "Agent Mail" agent.txt
import "Pegasus" winpmail.pmm
echo
echo "== the mail stored in Home, by date"
"$qs" --home "$home" messages Home --by date --limit 100
echo
echo "== the persons of Home"
"$qs" --home "$home" persons Home
echo
echo "== one mail with its carbon copies and its text"
number=$("$qs" --home "$home" messages Home --by date --limit 100 |
  awk '/Ray +Lunch on Friday/ { print $1 }')
"$qs" --home "$home" show Home "$number"
echo
echo "== today's mail: UTF-8 in every header and body encoding, with attachments"
import "Generic Mail Type 2" today.mbox
# The two mails of 2026 are the newest.
for number in $("$qs" --home "$home" messages Home --by date --limit 2 | awk '{ print $1 }'); do
  echo "-- show $number"
  "$qs" --home "$home" show Home "$number"
  echo "-- attachments $number"
  "$qs" --home "$home" attachments Home "$number"
done
echo
echo "== a CompuServe forum capture (TAPCIS, DOS code page) into Photo Forum, and one thread"
captures="$(cd "$(dirname "$0")/.." && pwd)/samples/compuserve"
"$qs" --home "$home" import --format "TAPCIS 6.x" --forum "Photo Forum" "$captures/tapcis-forum.MSG"
"$qs" --home "$home" sections "Photo Forum"
"$qs" --home "$home" threads "Photo Forum"
"$qs" --home "$home" tree "Photo Forum" 401012
"$qs" --home "$home" show "Photo Forum" 401007
echo "== news: a Unix news file into the newsgroup databases its articles name"
"$qs" --home "$home" import --format "Unix News" "$(dirname "$samples")/news/unix-news.txt"
echo "-- the threads of rec.photo.darkroom"
"$qs" --home "$home" threads rec.photo.darkroom
echo "-- the reply tree of its first article"
first=$("$qs" --home "$home" messages rec.photo.darkroom | awk 'END { print $1 }')
"$qs" --home "$home" tree rec.photo.darkroom "$first"
