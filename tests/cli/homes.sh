#!/usr/bin/env bash
# An archive home: its settings are kept, a copy of it works on its own files, and a record file
# found empty or damaged is reported and never written into.
source "$(dirname "$0")/lib.sh"
C=$(mktemp -d "$TMP_ROOT/qs-cli-XXXXXX")
trap 'rm -rf "$H" "$C"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() {  # expect WHAT GOT WANTED
  checks=$((checks + 1))
  [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"
}
mailbox() {  # mailbox FILE FIRST LAST: one short mail for each number
  for i in $(seq "$2" "$3"); do
    printf 'From ann@example.org Mon Jan 05 10:00:00 2004\nFrom: Ann Smith <ann@example.org>\n'
    printf 'To: me@example.org\nSubject: Beans %s\nDate: Mon, 5 Jan 2004 10:%02d:00 +0000\n\n' "$i" "$i"
    printf 'Beans number %s.\n\n' "$i"
  done > "$1"
}
mails() {  # mails HOME: the number of mails `messages` lists
  "$QS" --home "$1" --json messages Home | grep -o '"MAILID"' | wc -l
}

# The export settings are read before they are shown or changed.
check 0 "1" config get 61
check 0 "setting 62 saved" config set 62 5
check 0 "5" config get 62
check 0 "3" config get 63

check 0 "*" db add-mail Home --address me@example.org
mailbox "$H/in.mbx" 1 5
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx"
check 0 "*" index Home

# A copy of the home (a backup restored elsewhere) imports into its own files only.
cp -a "$H/." "$C/"
mailbox "$C/more.mbx" 6 8
"$QS" --home "$C" import --format "Generic Mail Type 2" --db Home "$C/more.mbx" > /dev/null \
  || fail "import into the copy"
expect "mails of the copy" "$(mails "$C")" 8
expect "mails of the original" "$(mails "$H")" 5

# A word list cut to nothing: the search says so instead of finding nothing.
: > "$H/F1/IDX028.DAT"
check_err 1 "The file $H/F1/IDX028.DAT is empty or damaged" search Home --and beans
# A mail file cut to nothing: neither listed as empty nor imported into.
: > "$H/F1/IDX013.TPS"
check_err 1 "File Open Error - Damaged file: The file $H/F1/IDX013.TPS is empty or damaged" \
  messages Home
check_err 1 "Restore $H/F1/IDX013.TPS from a backup, or remove it to start it empty." \
  import --format "Generic Mail Type 2" --db Home "$C/more.mbx"
expect "bytes written into the damaged mail file" "$(stat -c %s "$H/F1/IDX013.TPS")" 0
finish
