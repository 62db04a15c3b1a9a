#!/usr/bin/env bash
# Numbers on the command line: each must be a whole word of digits within its range, or the
# command stops with exit 2 and says which option takes what.
source "$(dirname "$0")/lib.sh"

check 0 "*" db add-mail Home --address me@example.org
check 0 "*" db add-forum Photos

count='must be a count (0 to 4294967295)'
message='must be a message number (1 to 4294967295)'
definition='must be the number of an import definition (1 to 4294967295)'
# Each row: the error expected in stderr | the words of the command (quoted as in a shell).
while IFS='|' read -r want words; do
    eval "set -- $words"
    check_err 2 "$want" "$@"
done <<ROWS
--limit $count, not "2x"|messages Home --limit 2x
--limit $count, not "-1"|messages Home --limit -1
--limit $count, not ""|messages Home --limit ''
--limit $count, not "+3"|persons Home --limit +3
--limit $count, not " 5"|persons Home --limit ' 5'
--limit $count, not "4294967296"|threads Photos --limit 4294967296
--limit $count, not "99999999999999999999"|words Home --limit 99999999999999999999
--limit $count, not "0x10"|words Home --limit 0x10
NUMBER $message, not "250003abc"|show Home 250003abc
NUMBER $message, not "0"|show Home 0
--from $message, not "12 "|find Home cat --from '12 '
--from $message, not "1e3"|find Home cat --from 1e3
--approx must be a degree of mismatch (0 to 40), not "x"|search Home --and cat --approx x
--approx must be a degree of mismatch (0 to 40), not "-1"|search Home --and cat --approx -1
--approx must be a degree of mismatch (0 to 40), not "41"|search Home --and cat --approx 41
ID $definition, not "next"|batch show next
ID $definition, not "7.0"|batch delete 7.0
--format must be a format name or number (1 to 38), not "39"|batch add X --format 39 --dir /tmp
--format must be a format name or number (1 to 38), not "0"|batch add X --format 0 --dir /tmp
ROWS

# Good numbers still pass: a leading zero is a digit like any other.
check 0 "" messages Home --limit 007
check 0 "" words Home --limit 0
check_err 1 'no message 4294967295 in "Home"' show Home 4294967295
check 0 "added import definition 250003" batch add X --format 035 --dir /tmp
finish
