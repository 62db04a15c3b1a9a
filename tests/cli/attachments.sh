#!/usr/bin/env bash
# The attachment commands on a mail without attachments: what they print and what they refuse;
# then a mail read with its attachment, listed under its decoded name and written out whole.
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
# A MIME mail whose attachment is named in RFC 2231 form and sent in base64.
head -c 3000 /dev/urandom > "$H/photo.bin"
{
  printf 'From bob@example.org Sun Feb  4 10:00:00 2001\nFrom: Bob <bob@example.org>\n'
  printf 'To: me@example.org\nSubject: The photo\nDate: Sun, 4 Feb 2001 10:00:00 +0000\n'
  printf 'MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary="==b1=="\n\n'
  printf 'preamble\n--==b1==\nContent-Type: text/plain\n\nHere it is.\n--==b1==\n'
  printf 'Content-Type: image/jpeg\nContent-Transfer-Encoding: base64\n'
  printf "Content-Disposition: attachment; filename*=utf-8''K%%C3%%B6ln%%20Dom.jpg\n\n"
  base64 "$H/photo.bin"
  printf -- '--==b1==--\nepilogue\n'
} > "$H/photo.mbox"
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/photo.mbox"
id=$("$QS" --home "$H" messages Home | grep "The photo" | cut -d' ' -f1)
check 0 "  1       3000  image/jpeg               Köln Dom.jpg" attachments Home "$id"
check 0 "*" attachment Home "$id" 1 --out "$H/out.bin"
checks=$((checks + 1))
cmp -s "$H/photo.bin" "$H/out.bin" ||
  { echo "FAIL: the attachment written out differs"; failures=$((failures + 1)); }
checks=$((checks + 1))
case "$("$QS" --home "$H" show Home "$id")" in
  *preamble* | *epilogue* | *Content-Type*) echo "FAIL: show has more than the text"; failures=$((failures + 1)) ;;
  *"Here it is."*) ;;
  *) echo "FAIL: show lacks the text"; failures=$((failures + 1)) ;;
esac
# A news article passed over by a mail import takes its attachment with it: the mail after it
# gets none.
{
  printf 'From a@example.org Mon Feb  5 10:00:00 2001\nFrom: A <a@example.org>\n'
  printf 'Newsgroups: comp.misc\nSubject: news\nMIME-Version: 1.0\n'
  printf 'Content-Type: multipart/mixed; boundary=XY\n\n--XY\nContent-Type: text/plain\n\nhi\n'
  printf -- '--XY\nContent-Type: application/pdf; name="n.pdf"\nContent-Transfer-Encoding: base64\n'
  printf '\nJVBERi0=\n--XY--\n\nFrom a@example.org Mon Feb  5 10:00:00 2001\n'
  printf 'From: A <a@example.org>\nTo: me@example.org\nSubject: After the news\n\nno files\n'
} > "$H/news.mbox"
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/news.mbox"
id=$("$QS" --home "$H" messages Home | grep "After the news" | cut -d' ' -f1)
check 0 "" attachments Home "$id"
# Eudora saved the files out of its mail into its attachment folder and left a line naming each
# in the text: the file found beside the mailbox is kept with the mail; one not found is logged.
mkdir -p "$H/eudora/Attach"
head -c 5000 /dev/urandom > "$H/eudora/Attach/Report.PDF"
{
  printf 'From ???@??? Mon Jan 05 10:00:30 1998\r\nFrom: Bob <bob@example.org>\r\n'
  printf 'To: me@example.org\r\nSubject: Eudora report\r\nDate: Mon, 05 Jan 1998 10:00:30 +0100\r\n\r\n'
  printf 'See the file.\r\nAttachment Converted: "C:\\Eudora\\Attach\\report.pdf"\r\n'
  printf 'Attachment Converted: "C:\\Eudora\\Attach\\gone.doc"\r\n'
} > "$H/eudora/In.mbx"
check 0 "*" import --format Eudora --db Home "$H/eudora/In.mbx"
id=$("$QS" --home "$H" messages Home | grep "Eudora report" | cut -d' ' -f1)
check 0 "  1       5000  application/pdf          Report.PDF" attachments Home "$id"
check 0 "*" attachment Home "$id" 1 --out "$H/report.out"
checks=$((checks + 1))
cmp -s "$H/eudora/Attach/Report.PDF" "$H/report.out" ||
  { echo "FAIL: the Eudora attachment written out differs"; failures=$((failures + 1)); }
checks=$((checks + 1))
grep -q "the attachment gone.doc was not found" "$H/Log.txt" ||
  { echo "FAIL: the missing Eudora attachment is not logged"; failures=$((failures + 1)); }
finish
