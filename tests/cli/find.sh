#!/usr/bin/env bash
# The standard search from the command line over a small mailbox written here.
source "$(dirname "$0")/lib.sh"

cat > "$H/in.mbx" <<'MBX'
From bob@example.org Sat Feb  3 10:00:00 2001
From: Bob Ray <bob@example.org>
To: Me <me@example.org>
Subject: Catalog news
Date: Sat, 3 Feb 2001 10:00:00 +0000

See our CATALOG and SCAT records.

From ann@example.org Fri Feb  2 10:00:00 2001
From: Ann Lee <ann@example.org>
To: Me <me@example.org>
Subject: Pets
Date: Fri, 2 Feb 2001 10:00:00 +0000

I have a (cat).

From cy@example.org Thu Feb  1 10:00:00 2001
From: Cy Doe <cy@example.org>
To: Me <me@example.org>
Subject: Orders
Date: Thu, 1 Feb 2001 10:00:00 +0000

Order A12 please, not 123.
MBX

check 0 "*" db add-mail Home --address me@example.org
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx"
ids=($("$QS" --home "$H" messages Home | awk '{print $1}'))  # newest first
[ "${#ids[@]}" -eq 3 ] || { echo "FAIL: import gave ${#ids[@]} mails"; exit 1; }
catalog=${ids[0]} pets=${ids[1]} orders=${ids[2]}

check 0 "Number:  $catalog
Date:    2001-02-03
From:    Bob Ray <bob@example.org>
Subject: Catalog news
Found:   in the subject at 1" find Home cat
check 0 "Number:  $pets
Date:    2001-02-02
From:    Ann Lee <ann@example.org>
Subject: Pets
Found:   in the text at 11" find Home cat --words
check_err 1 'No more messages in this direction!' find Home cat --words --from "$pets"
check_err 1 'No more messages in this direction!' find Home cat --subject-only --from "$catalog"
check_err 1 'No more messages in this direction!' find Home cat --backward --from "$catalog"
check 0 "*" find Home cat --backward
first() { "$QS" --home "$H" "$@" | head -1; }
expect_first() {  # expect_first NUMBER ARGS...: the message found
  local want="$1"; shift; checks=$((checks + 1))
  local got; got=$(first "$@")
  [ "$got" = "Number:  $want" ] || { echo "FAIL: quillstow $*: $got, wanted $want"; failures=$((failures + 1)); }
}
expect_first "$pets" find Home cat --backward
expect_first "$orders" find Home 12 --words
expect_first "$orders" find Home 23
check_err 1 'No more messages in this direction!' find Home 23 --words
expect_first "$catalog" find Home Cat --case
expect_first "$pets" find Home cat --case
expect_first "$orders" find Home a --since 2001-02-01 --until 2001-02-01
expect_first "$pets" find Home a --since 2001-02-02 --until 2001-02-02
expect_first "$orders" find Home "Order A12 please, noZ"
expect_first "$pets" find Home "(CAT)" --by subject
json=$("$QS" --home "$H" --json find Home 12 --words)
checks=$((checks + 1))
case "$json" in
  *"\"MAILID\":$orders,"*'"FOUNDIN":"text","POSITION":8}') ;;
  *) echo "FAIL: find --json: $json"; failures=$((failures + 1)) ;;
esac
check_err 1 'No more messages in this direction!' find Home cat --in-result
check_err 1 'message 12 is not in "Home"' find Home cat --from 12
check_err 2 'TEXT must not be empty' find Home ""
check_err 2 '--since takes a date' find Home cat --since yesterday
check_err 2 'give one of --by, --topic and --in-result' find Home cat --in-result --by date
check_err 2 'no order "thread" here' find Home cat --by thread

check 0 "Hyphens and underscores                   256 start 185  inside 193  end 185
Standard                                  256 start 184  inside 192  end 184" wordsets
check 0 '[{"SETNAME":"Hyphens and underscores","RECORDS":256,"START":185,"INSIDE":193,"END":185},{"SETNAME":"Standard","RECORDS":256,"START":184,"INSIDE":192,"END":184}]' --json wordsets
finish
