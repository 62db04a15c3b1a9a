#!/usr/bin/env bash
# Duplicate persons from the command line: a dry run lists exactly what the run then corrects and
# merges, and changes nothing; a manual merge moves a person into another and never merges the
# owner of the mail database away.
source "$(dirname "$0")/lib.sh"

cat > "$H/in.mbx" <<'MBX'
From bob@example.org Sat Feb  3 10:00:00 2001
From: Bob Smith <bob@example.org>
To: Me <me@example.org>
Subject: One
Date: Sat, 3 Feb 2001 10:00:00 +0000

First.

From bob@example.org Sun Feb  4 10:00:00 2001
From: Robert Smith <BOB@example.org>
To: Me <me@example.org>
Subject: Two
Date: Sun, 4 Feb 2001 10:00:00 +0000

Second.

From ann@example.org Fri Feb  2 10:00:00 2001
From: Ann Lee <ann@example.org>
To: Me <me@example.org>
Subject: Three
Date: Fri, 2 Feb 2001 10:00:00 +0000

Third.

From x@example.org Mon Feb  5 10:00:00 2001
From: Joe <12345.678@compuserve.com>
To: Me <me@example.org>
Subject: Four
Date: Mon, 5 Feb 2001 10:00:00 +0000

Fourth.

From x@example.org Tue Feb  6 10:00:00 2001
From: Joe Bloggs <12345.678@csi.com>
To: Me <me@example.org>
Subject: Five
Date: Tue, 6 Feb 2001 10:00:00 +0000

Fifth.
MBX

check 0 "*" db add-mail Home --address me@example.org
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx"
id_of() { "$QS" --home "$H" persons Home | awk -v n="$1" '$0 ~ n {print $1}'; }
bob=$(id_of "Bob Smith") robert=$(id_of "Robert Smith") ann=$(id_of "Ann Lee")
owner=$("$QS" --home "$H" --json db list | sed 's/.*"PERSONID":\([0-9]*\).*/\1/')
before=$("$QS" --home "$H" persons Home)

planned=$("$QS" --home "$H" dedupe-persons Home --dry-run 2>/dev/null)
check 0 "$before" persons Home
joe=$(id_of "Joe <")
case "$planned" in
*"correct $joe <12345.678@compuserve.com> to <12345,678>"*) ;;
*) echo "FAIL: the dry run does not correct Joe's address:"; echo "$planned"; failures=$((failures + 1)) ;;
esac
joe_bloggs=$(id_of "Joe Bloggs")
check 0 '[{"PERSONID":'"$joe"',"LASTNAME":"Joe","ADDRESS":"12345,678","SURVIVOR":'"$joe_bloggs"',"SURVIVORLASTNAME":"Bloggs"},{"PERSONID":'"$bob"',"LASTNAME":"Smith","ADDRESS":"bob@example.org","SURVIVOR":'"$robert"',"SURVIVORLASTNAME":"Smith"}]' \
    --json dedupe-persons Home --dry-run
check_err 0 "Number of duplicate persons: 2" dedupe-persons Home --dry-run
check 0 "$planned" dedupe-persons Home
check_err 0 "Recoding Message Receiver ID" dedupe-persons Home
check 0 "" dedupe-persons Home --dry-run

check_err 1 "You are not allowed to change the mail default address!" merge-persons Home "$ann" "$owner"
check 0 '[{"PERSONID":'"$robert"',"SURVIVOR":'"$ann"'}]' --json merge-persons Home "$ann" "$robert"
check_err 1 "no person 42 in Home" merge-persons Home 42 "$ann"
check_err 2 "OTHER" merge-persons Home "$ann"
check_err 2 "KEEP" merge-persons Home x "$ann"
finish
