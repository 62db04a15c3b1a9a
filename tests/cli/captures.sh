#!/usr/bin/env bash
# The CompuServe capture files of samples/compuserve: their formats told, each imported into a
# forum or the mail database, and what was stored listed, shown and searched.
source "$(dirname "$0")/lib.sh"
S="$(cd "$(dirname "$0")/../../samples/compuserve" && pwd)"

check 0 "*" db add-mail Home --address me@example.org --alt 70000,100
check 0 "*" db add-forum PHOTOFORUM
check 1 "$S/autosig.ATO: AUTOSIG
$S/golden.MSG: GoldenCompass
$S/navcis.SAV: NavCIS Save format
$S/ozcis-mail.MSG: cannot tell the format; it may be \"OzWin I\", \"OzWin II\" or \"OzCIS\"
$S/ozwin2-forum.MSG: OzWin II
$S/tapcis-forum.MSG: cannot tell the format; it may be \"TAPCIS 5.x\", \"TAPCIS 6.x\", \"AUTOSIG\", \"OzCIS\" or \"GoldenCompass\"
$S/tapcis-mail.MSG: cannot tell the format; it may be \"TAPCIS 5.x\", \"TAPCIS 6.x\", \"AUTOSIG\" or \"GoldenCompass\"" \
  formats --detect "$S"/*

done_msg() { printf 'found %s, stored %s, duplicates 0, skipped 0\nThe import process has finished!' "$1" "$1"; }
check 0 "$(done_msg 5)" import --format "TAPCIS 6.x" --forum PHOTOFORUM "$S/tapcis-forum.MSG"
# OzWin and NavCIS name the forum themselves.
check 0 "$(done_msg 2)" import --format "OzWin II" "$S/ozwin2-forum.MSG"
check 0 "$(done_msg 2)" import --format "NavCIS Save format" "$S/navcis.SAV"
check 0 "$S/golden.MSG: GoldenCompass
$(done_msg 2)" import --forum PHOTOFORUM "$S/golden.MSG"
check 0 "$(done_msg 2)" import --format "AUTOSIG" --forum PHOTOFORUM "$S/autosig.ATO"
# A forum named with --db is the forum the messages go to.
check 0 "found 2, stored 0, duplicates 2, skipped 0
No messages to import!" import --format "AUTOSIG" --db PHOTOFORUM "$S/autosig.ATO"
# A TAPCIS file imported into the mail database is read as mail.
check 0 "$(done_msg 2)" import --format "TAPCIS 6.x" --db Home "$S/tapcis-mail.MSG"
check 0 "$(done_msg 2)" import --format "OzCIS" --db Home "$S/ozcis-mail.MSG"
# The same capture again: every message was imported before, which is no failure.
check 0 "found 5, stored 0, duplicates 5, skipped 0
No messages to import!" import --format "TAPCIS 6.x" --forum PHOTOFORUM "$S/tapcis-forum.MSG"
# A mail file is not a forum file of OzWin II.
check_err 1 "Not a Forum message or mail file!" import --format "OzWin II" "$S/navcis.SAV"

check 0 "2     250021    2     Tripods
3     250013    2     Film Scanners
4     250017    2     Flash
5     250005    3     Lenses
7     250009    2     Darkroom
9     250025    2     Classic Cameras" sections PHOTOFORUM
# Threads by reply number (TAPCIS "Sb: #", OzWin II "Par:", NavCIS "#...#") and by subject.
check 0 "250022    2     Carbon legs
250010    2     Fixer life
250018    2     Flash sync speeds
250026    2     Rangefinder repair
250014    2     Scanning negatives
250006    3     Wide angle for the F3" threads PHOTOFORUM
check 0 "623410    1996-06-02 Berg        Flash sync speeds
512300    1995-04-12 Kay         Scanning negatives" messages PHOTOFORUM --by sender --limit 2
check 0 "Ann Lee 401000 03/05/94
  Bob Ray 401007 03/05/94
    Ann Lee 401012 03/06/94" tree PHOTOFORUM 401012
check 0 "Number:  401007
Date:    1994-03-05
From:    Bob Ray <72345,678>
To:      Ann Lee <71234,567>
Subject: Wide angle for the F3
Status:  normal

The 24 mm, every time. Grüße aus Köln, Bob." show PHOTOFORUM 401007
check 0 "Number:  512305
Date:    1995-04-12
From:    Finn Ode <76789,012>
To:      Eve Kay <75678,901>
Subject: Scanning negatives
Status:  normal

2700 dpi is enough for prints up to A4." show PHOTOFORUM 512305
check 0 "250003  0     6     All <>
250019  1     0     Ines Berg <79012,345>
250012  1     1     Eve Kay <75678,901>
250004  2     1     Ann Lee <71234,567>" persons PHOTOFORUM --limit 4
check 0 "250000  2     2     Home <me@example.org>
250034  1     1     Gail Hunt <77890,123>
250030  1     0     Bob Ray <72345,678>
250031  0     1     Bob Ray <bob.ray@example.net>" persons Home
check 0 "Number:  250032
Date:    1995-05-14 08:30:00
From:    Gail Hunt <77890,123>
To:      Home <me@example.org>
Subject: Film order
Status:  normal

Your film arrived today; the bill is on its way. Grüße, Gail." show Home 250032

check 0 $'Full indexing needed!\nIndexing finished!' index PHOTOFORUM
check 0 "*" search PHOTOFORUM --and grüße
out=$("$QS" --home "$H" search PHOTOFORUM --and grüße 2>&1)
checks=$((checks + 1))
case "$out" in *401007*) ;; *) echo "FAIL: search for grüße: $out"; failures=$((failures + 1)) ;; esac
finish
