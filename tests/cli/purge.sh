#!/usr/bin/env bash
# Purging and counting from the command line: a dry run lists what the purge then deletes, the
# purge prints its totals, and the count's check lists what differs and exits 1 until a count
# has repaired it.
source "$(dirname "$0")/lib.sh"

cat > "$H/in.mbx" <<'MBX'
From bob@example.org Sat Feb  3 10:00:00 2001
From: Bob Ray <bob@example.org>
To: Me <me@example.org>
Subject: Trip to the lake
Date: Sat, 3 Feb 2001 10:00:00 +0000

Shall we go on Sunday?

From ann@example.org Fri Feb  2 10:00:00 2001
From: Ann Lee <ann@example.org>
To: Me <me@example.org>
Subject: Budget
Date: Fri, 2 Feb 2001 10:00:00 +0000

The figures for March.

From ann@example.org Fri Feb  2 11:00:00 2001
From: Ann Lee <ann@example.org>
To: Me <me@example.org>
Subject: Budget again
Date: Fri, 2 Feb 2001 11:00:00 +0000

The figures for April.
MBX

check 0 "*" db add-mail Home --address me@example.org
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx"
ids=($("$QS" --home "$H" messages Home | awk '{print $1}'))  # newest first
[ "${#ids[@]}" -eq 3 ] || { echo "FAIL: import gave ${#ids[@]} mails"; exit 1; }
trip=${ids[0]} again=${ids[1]} budget=${ids[2]}

check 0 "0 stored counts differ" count Home --check
check 0 "*" mark Home delete partner "$budget"
check 0 "*" mark Home keep mail "$again"
check 0 "mail $budget
1 mails would be deleted, 0 duplicates marked" purge Home --dry-run
check 0 "{\"MESSAGES\":[$budget],\"DUPLICATES\":[],\"TOTAL\":1}" --json purge Home --dry-run
check 0 "Messages before purging: 3
Deleted during this session: 1
Messages after purging: 2" purge Home
check_err 0 " Obsolete Message Purging The time for completion was: " purge Home
check_err 0 "Deleting obsolete messages" purge Home
left=$("$QS" --home "$H" messages Home | awk '{printf "%s ", $1}')
checks=$((checks + 1))
[ "$left" = "$trip $again " ] || { echo "FAIL: left after the purge: $left"; failures=$((failures + 1)); }
check 0 "Number of messages: 2
Number of persons: 3" count Home
check 0 "0 stored counts differ" count Home --check
check_err 2 "--age must be a number of weeks" purge Home --age x
check 0 "*" mark Home delete database
check_err 1 "db remove \"Home\" --yes" purge Home
kept=$("$QS" --home "$H" messages Home | wc -l)
checks=$((checks + 1))
[ "$kept" -eq 2 ] || { echo "FAIL: a database marked delete lost mails: $kept left"; failures=$((failures + 1)); }
finish
