#!/usr/bin/env bash
# The benchmarks' mail generator: the same seed gives the same bytes, the sizes asked for, and
# mailboxes whose every message the mailbox readers take.
source "$(dirname "$0")/lib.sh"
GEN="$(dirname "$QS")/bench/mailgen"
if [ ! -x "$GEN" ]; then
  echo "mailgen is not built here (benchmarks off): nothing to check"
  exit 0
fi

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() {  # expect WHAT GOT WANTED
  checks=$((checks + 1))
  [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"
}

N=300
"$GEN" --seed 5 --count $N --mbox "$H/a.mbox" --eudora "$H/a.mbx" --maildir "$H/md" --stats "$H/a.stats" > /dev/null
"$GEN" --seed 5 --count $N --mbox "$H/b.mbox" --eudora "$H/b.mbx" --maildir "$H/md2" > /dev/null
"$GEN" --seed 6 --count $N --mbox "$H/c.mbox" > /dev/null

# The same seed writes the same files; another seed other ones.
expect "same seed, mbox" "$(cmp -s "$H/a.mbox" "$H/b.mbox" && echo same)" same
expect "same seed, Eudora" "$(cmp -s "$H/a.mbx" "$H/b.mbx" && echo same)" same
expect "same seed, Maildir" "$(diff -r "$H/md" "$H/md2" > /dev/null && echo same)" same
expect "other seed" "$(cmp -s "$H/a.mbox" "$H/c.mbox" || echo differs)" differs

# Every message once in each output, with the separator lines each layout wants.
expect "mbox separators" "$(grep -c '^From [^ ]*@' "$H/a.mbox")" $N
expect "Eudora separators" "$(grep -c $'^From ???@??? [A-Z][a-z][a-z] [A-Z][a-z][a-z] [0-9][0-9] [0-9:]\\{8\\} [0-9]\\{4\\}\r$' "$H/a.mbx")" $N
expect "Eudora lines end in CR LF" "$(grep -vc $'\r$' "$H/a.mbx")" 0
expect "Maildir files" "$(find "$H/md/cur" "$H/md/new" -type f | wc -l)" $N
expect "Maildir tmp empty" "$(find "$H/md/tmp" -type f | wc -l)" 0
expect "body lines escaped" "$(awk '/^From / && !/@/' "$H/a.mbox" | wc -l)" 0

# The mix of mail the benchmarks rely on is there.
for what in '^Content-Type: multipart/alternative; boundary=' '^Content-Type: text/html' \
            '^Content-Transfer-Encoding: quoted-printable' '^Subject: .*=?ISO-8859-1?Q?' \
            '^Subject: Re: ' '^In-Reply-To: <' '^References: <' '^From: .*=?ISO-8859-1?Q?'; do
  checks=$((checks + 1))
  grep -q -- "$what" "$H/a.mbox" || fail "no line $what"
done
expect "correspondents are many" "$(sed -n 's/^Return-Path: <\(.*\)>/\1/p' "$H/a.mbox" | sort -u | wc -l | awk '{ print ($1 > 50) }')" 1
years=$(sed -n 's/^Date: ..., .. ... \([0-9]\{4\}\) .*/\1/p' "$H/a.mbox" | sort -u | wc -l)
expect "dates over several years" "$((years >= 5))" 1

# Threads: every reply names a message written before it, last among its references.
bad=$(awk '/^Message-ID: / { seen[$2] = 1 }
           /^In-Reply-To: / { if (!seen[$2]) bad++; parent = $2 }
           /^References: / { if ($NF != parent) bad++ }
           END { print bad + 0 }' "$H/a.mbox")
expect "replies to earlier messages" "$bad" 0
expect "dates in order" "$(sed -n 's/^From [^ ]* ... \(...\) *\([0-9]*\) \(.*\) \([0-9]\{4\}\)$/\4 \1 \2 \3/p' "$H/a.mbox" |
  while read -r y m d t; do date -u -d "$m $d $y $t" +%s; done | sort -nc 2>&1 && echo ordered)" ordered

# Headers are plain ASCII (Latin-1 names and subjects go into encoded words), and every
# quoted-printable line is at most 76 characters long.
expect "8-bit header lines" "$(LC_ALL=C awk '/^From .*@/ { head = 1; next } head && /^$/ { head = 0 }
  head && /[\200-\377]/ { n++ } END { print n + 0 }' "$H/a.mbox")" 0
expect "long quoted-printable lines" "$(awk '/^Content-Transfer-Encoding: quoted-printable/ { qp = 1; next }
  /^--/ || /^From .*@/ { qp = 0 } qp && length($0) > 76 { n++ } END { print n + 0 }' "$H/a.mbox")" 0

# The Maildir holds the mbox's messages, in order, byte for byte but for the separator lines
# and the body lines beginning "From ", which the mbox escapes as ">From ".
expect "escaped body lines" "$(grep -c '^>From ' "$H/a.mbox" | awk '{ print ($1 > 0) }')" 1
checks=$((checks + 1))
awk '/^From [^ ]*@/ { if (NR > 1) printf "%s", buf; buf = ""; next } { buf = buf $0 "\n" }
     END { printf "%s", buf }' "$H/a.mbox" | sed -e '$d' -e 's/^>From /From /' > "$H/a.bodies"
find "$H/md/cur" "$H/md/new" -type f | sed 's/.*\.M\([0-9]*\)P1.*/\1 &/' | sort -n | cut -d' ' -f2 |
  while read -r f; do cat "$f"; echo; done | sed '$d' > "$H/md.bodies"
cmp -s "$H/a.bodies" "$H/md.bodies" || fail "Maildir and mbox hold different messages"
# Eudora writes no Date header into the mail it sent; the rest keeps it.
sent=$(grep -c '^From: .*me@example.org' "$H/a.mbox")
expect "Eudora Date headers" "$(grep -c $'^Date: ' "$H/a.mbx")" $((N - sent))

# A size target: the first message past it ends the file.
"$GEN" --seed 5 --bytes 200000 --mbox "$H/d.mbox" > /dev/null
size=$(stat -c %s "$H/d.mbox")
expect "size reached" "$((size >= 200000 && size < 260000))" 1

# The word counts: every rank once and in order, the most common word in nearly every message,
# a phrase never in more messages than its rarer word.
expect "ranks in order" "$(awk -F'\t' '/^#phrases/ { exit } $2 != NR { bad++ } END { print bad + 0 }' "$H/a.stats")" 0
expect "most common word" "$(awk -F'\t' 'NR == 1 { print ($3 > '$N' * 0.9) }' "$H/a.stats")" 1
bad=$(awk -F'\t' '/^#phrases/ { p = 1; next }
                  !p { n[$1] = $3; next }
                  { split($1, w, " "); if ($3 > n[w[1]] || $3 > n[w[2]]) bad++ } END { print bad + 0 }' "$H/a.stats")
expect "phrases within their words" "$bad" 0

# The readers take every message: both mailboxes into their own database, nothing skipped.
check 0 "*" db add-mail Home --address me@example.org
check 0 "*" db add-mail Eudora --address me@example.org
check 0 "found $N, stored $N, duplicates 0, skipped 0
The import process has finished!" import --format "Generic Mail Type 2" --db Home "$H/a.mbox"
check 0 "found $N, stored $N, duplicates 0, skipped 0
The import process has finished!" import --format Eudora --db Eudora "$H/a.mbx"
# Encoded words in subjects come out decoded.
checks=$((checks + 1))
"$QS" --home "$H" --json messages Home | grep -q '=?ISO' && fail "an encoded subject stayed encoded"

# Today's mix: UTF-8 in base64 and 8bit, attachments, one logo shared by many mails; still
# every message once, and the same seed the same bytes.
"$GEN" --seed 5 --count $N --mbox "$H/t.mbox" --mix today --stats "$H/t.stats" > /dev/null
"$GEN" --seed 5 --count $N --mbox "$H/t2.mbox" --mix today > /dev/null
expect "today, same seed" "$(cmp -s "$H/t.mbox" "$H/t2.mbox" && echo same)" same
for what in '^Subject: .*=?UTF-8?B?' '^Content-Type: text/plain; charset=UTF-8' \
            '^Content-Transfer-Encoding: base64' '^Content-Type: multipart/mixed; boundary=".*=="' \
            "filename\\*=UTF-8''Gr%C3%BC%C3%9Fe" 'filename="logo.png"'; do
  checks=$((checks + 1))
  grep -q -- "$what" "$H/t.mbox" || fail "today: no line $what"
done
expect "today, logo in many mails" "$(grep -c 'filename="logo.png"' "$H/t.mbox" | awk '{ print ($1 > 5) }')" 1
expect "today, most common word" "$(awk -F'\t' 'NR == 1 { print ($3 > '$N' * 0.9) }' "$H/t.stats")" 1
check 0 "*" db add-mail Today --address me@example.org
check 0 "found $N, stored $N, duplicates 0, skipped 0
The import process has finished!" import --format "Generic Mail Type 2" --db Today "$H/t.mbox"

checks=$((checks + 1))
"$GEN" --count 5 > /dev/null 2>&1; [ $? = 2 ] || fail "no output named: not refused"
checks=$((checks + 1))
"$GEN" --count 5 --bytes 9 --mbox "$H/e.mbox" > /dev/null 2>&1; [ $? = 2 ] || fail "--count with --bytes: not refused"
finish
