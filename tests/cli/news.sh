#!/usr/bin/env bash
# The news readers from the command line: each news program's sample file imported into the
# newsgroup databases its articles name (made on the fly), and what those databases then show.
source "$(dirname "$0")/lib.sh"
S="$(cd "$(dirname "$0")/../.." && pwd)/samples/news"
done_ok=$'The import process has finished!'

check 0 "*" db add-mail Home --address me@example.org
# Told by its "From " lines; the article posted to two groups lands in the first.
check 0 "$S/unix-news.txt: Unix News"$'\nfound 4, stored 4, duplicates 0, skipped 0\n'"$done_ok" \
  import --db Home "$S/unix-news.txt"
check 0 $'250012    3     Developer temperature' threads rec.photo.darkroom
check 0 $'250002 250002    3     rec.photo.darkroom' sections rec.photo.darkroom
check 0 $'250011  0     1     All <>\n250010  1     1     Jane Doe <jane@example.org>\n250013  1     1     Bob Miller <bob@example.net>\n250014  1     0     Klaus Müller <klaus@example.de>' \
  persons rec.photo.darkroom
check 0 $'250006    1996-03-12 Müller      Developer temperature\n250004    1996-03-11 Miller      Developer temperature\n250003    1996-03-11 Doe         Developer temperature' \
  messages rec.photo.darkroom
# The reply names three identifiers and hangs under the last, addressed to its author; its
# ISO-8859-1 text reads as Unicode.
check 0 $'Number:  250006\nDate:    1996-03-12\nFrom:    Klaus Müller <klaus@example.de>\nTo:      Bob Miller <bob@example.net>\nSubject: Developer temperature\nStatus:  normal\n\nBob hat recht: 21 Grad. Viele Grüße aus München,\nKlaus' \
  show rec.photo.darkroom 250006
check 0 $'Jane Doe 250003 03/11/96\n  Bob Miller 250004 03/11/96\n    Klaus Müller 250006 03/12/96' \
  tree rec.photo.darkroom 250003
check 0 "*" index rec.photo.darkroom
check 0 $'250006    1996-03-12 Müller      Developer temperature\n1 found; words: MÜNCHEN' \
  search rec.photo.darkroom --and münchen
# Each hit of a thread lists the thread's heading, newest first.
check 0 $'250006    1996-03-12 Müller      Developer temperature\n250004    1996-03-11 Miller      Developer temperature\n250003    1996-03-11 Doe         Developer temperature\n3 found; words: DEGREES GRAD' \
  search rec.photo.darkroom --or degrees --or grad
check 0 $'250009    1996-03-13 Berg        Enlarger lens for sale' messages rec.photo.equipment
# Read again: every article is known by its Message-ID.
check 0 $'found 4, stored 0, duplicates 4, skipped 0\nNo messages to import!' \
  import --format "Unix News" "$S/unix-news.txt"

check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Agent News" "$S/agent.txt"
check 0 $'250030    2     Reading a file in blocks' threads comp.lang.c
# "Lines: 0": the first article has no text; the reply keeps its quoted "From:" line.
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Netscape News" "$S/netscape.snm"
check 0 $'Number:  250033\nDate:    1996-03-15\nFrom:    Jane Doe <jane@example.org>\nTo:      All <>\nSubject: Announcement without a body\nStatus:  normal' \
  show alt.test.news 250033
out=$("$QS" --home "$H" show alt.test.news 250034)
checks=$((checks + 1))
echo "$out" | grep -q "^From: the top of the page" ||
  { echo "FAIL: the Netscape reply keeps its body"; echo "$out"; failures=$((failures + 1)); }
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" import --format "Gravity" "$S/gravity.txt"
check 0 $'found 2, stored 2, duplicates 0, skipped 0\n'"$done_ok" \
  import --format "Outlook Express 4 News" "$S/ie-news.nch"
# VirtualAccess: forum messages go to their forum, the article to its group; only forum
# messages are asked for here, so the article is skipped and counted.
check 0 $'found 4, stored 3, duplicates 0, skipped 1\n'"$done_ok"$'\n(see '"$H"'/Log.txt)' \
  import --format "VirtualAccess" --forum-msgs "$S/PHOTO"
grep -q "kind of message not selected" "$H/Log.txt" ||
  { echo "FAIL: Log.txt names the article left out"; failures=$((failures + 1)); }
check 0 $'4     250059    3     Darkroom' sections PHOTOFORUM
check 0 $'50000     1996-04-02 Berg        Fixer exhaustion\n10005     1996-03-11 Miller      Fixer exhaustion\n10000     1996-03-11 Doe         Fixer exhaustion' \
  messages PHOTOFORUM
finish
