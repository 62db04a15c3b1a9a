#!/usr/bin/env bash
# Browsing a mail database from the command line: topics and their messages, status marks on
# mails and on a mail partner (a mail database keeps its mails by partner, not in threads), the
# listing by mark, and pages.
source "$(dirname "$0")/lib.sh"

cat > "$H/in.mbx" <<'MBX'
From bob@example.org Sat Feb  3 10:00:00 2001
From: Bob Ray <bob@example.org>
To: Me <me@example.org>
Subject: Trip to the lake
Date: Sat, 3 Feb 2001 10:00:00 +0000

Shall we go on Sunday?

From me@example.org Sat Feb  3 12:00:00 2001
From: Me <me@example.org>
To: Bob Ray <bob@example.org>
Subject: Re: Trip to the lake
Date: Sat, 3 Feb 2001 12:00:00 +0000

Sunday it is.

From ann@example.org Fri Feb  2 10:00:00 2001
From: Ann Lee <ann@example.org>
To: Me <me@example.org>
Subject: Budget
Date: Fri, 2 Feb 2001 10:00:00 +0000

The figures for March.
MBX

check 0 "*" db add-mail Home --address me@example.org
# The import links every mail to its topic; the topics list counts the links when it opens.
check 0 'added topic "Inbox"' topic add Home Inbox
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx" --topic Inbox
ids=($("$QS" --home "$H" messages Home | awk '{print $1}'))  # newest first
[ "${#ids[@]}" -eq 3 ] || { echo "FAIL: import gave ${#ids[@]} mails"; exit 1; }
reply=${ids[0]} trip=${ids[1]} budget=${ids[2]}

check_err 1 'a mail database has no threads' tree Home "$trip"
check_err 1 'a mail database has no thread to mark' mark Home keep thread "$trip"

check 0 'added topic "Travel"' topic add Home Travel
check_err 1 'A record with identical key already exists!' topic add Home TRAVEL
check 0 'added topic "Work"' topic add Home Work
check 0 "Inbox
Travel
Work" classify Home "$trip" --add trav --add Work
check 0 "Inbox
Travel" classify Home "$reply" --add Travel
check_err 0 "has topic \"Travel\" already" classify Home "$reply" --add Travel
check 0 "Home Topics [3]
      3  Inbox
      2  Travel
      1  Work" topics Home
listed() { "$QS" --home "$H" messages Home "$@" | awk '{printf "%s ", $1}'; }
expect_list() {  # expect_list "NUMBERS " ARGS...
  local want="$1"; shift; checks=$((checks + 1))
  local got; got=$(listed "$@")
  [ "$got" = "$want" ] || { echo "FAIL: messages Home $*: $got, wanted $want"; failures=$((failures + 1)); }
}
expect_list "$reply $trip " --topic Travel
check 0 "*" find Home sunday --topic work

check 0 "mail partner Bob Ray <bob@example.org> is marked delete" mark Home delete partner "$trip"
check 0 "mail $budget is marked delete" mark Home delete mail "$budget"
check 0 "mail $reply is marked keep" mark Home keep message "$reply"
expect_list "$budget " --status delete
expect_list "$reply " --status keep
check_err 2 '--status takes normal, keep or delete, not "gone"' messages Home --status gone
check_err 2 'give one of --by, --topic and --status' messages Home --status keep --by date
out=$("$QS" --home "$H" show Home "$trip")
checks=$((checks + 1))
case "$out" in
  *"Subject: Trip to the lake
Status:  normal (partner: delete)
Topics:  Inbox, Travel, Work"*) ;;
  *) echo "FAIL: show: $out"; failures=$((failures + 1)) ;;
esac

check 0 "Subject: Trip to the lake

Shall we go on Sunday?" page Home "$trip"

check 0 'renamed topic "Work" to "Jobs"' topic rename Home Work Jobs
check 0 'deleted topic "Travel" and its 2 links' topic delete Home travel
check_err 1 'no topic is named "Travel"' topic delete Home Travel
check 0 "Home Topics [2]
      3  Inbox
      1  Jobs" topics Home
check 0 "Jobs" classify Home "$budget" --add jobs --remove Inbox
finish
