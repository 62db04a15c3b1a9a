#!/usr/bin/env bash
# Word indexing from the command line: status, indexing, the word list, marks and the stop list.
source "$(dirname "$0")/lib.sh"

cat > "$H/in.mbx" <<'MBOX'
From ann@example.org Mon Jan 05 10:00:00 2004
From: Ann Smith <ann@example.org>
To: me@example.org
Subject: Garden plans
Date: Mon, 5 Jan 2004 10:00:00 +0000

The tomatoes tomatoes need sun.

From bob@example.org Tue Jan 06 11:00:00 2004
From: Bob Jones <bob@example.org>
To: me@example.org
Subject: Beans
Date: Tue, 6 Jan 2004 11:00:00 +0000

Tomatoes and beans.

MBOX

check 0 "*" db add-mail Home --address me@example.org
check 0 "*" import --format "Generic Mail Type 2" --db Home "$H/in.mbx"
check 0 "Full indexing needed!" index status Home
check 0 $'Full indexing needed!\nIndexing finished!' index Home
check 0 "No indexing needed!" index status Home
check 0 "No indexing needed!" index Home
check 0 '[{"WORDID":8,"THEWORD":"AND","WORDCOUNT":1},{"WORDID":7,"THEWORD":"BEANS","WORDCOUNT":1}]' \
    --json words Home --limit 2
check 0 '[{"WORDID":4,"THEWORD":"TOMATOES","WORDCOUNT":2}]' --json words Home --by count --limit 1
check 0 "sun: marked for deletion" words mark Home sun
check 0 "Partial indexing recommended!" index status Home
check 0 $'Partial indexing recommended!\nIndexing finished!' index Home
check 0 "SUN" stoplist list
check 0 $'AND                                       1\nBEANS                                     1\nGARDEN                                    1\nNEED                                      1\nPLANS                                     1\nTHE                                       1\nTOMATOES                                  2' words Home
check 0 "tomatoes: marked for deletion" words mark Home tomatoes
check 0 "tomatoes: no longer marked" words mark Home tomatoes
check_err 1 '"pumpkin" is not in the word list' words mark Home pumpkin
check_err 2 '--by takes word or count' words Home --by size
check_err 1 'no database is named "Away"' index Away
check 0 "" stoplist add Common
check_err 1 'is already in the stop list' stoplist add common
check 0 "" stoplist change common usual
check 0 $'SUN\nUSUAL' stoplist list
check 0 "" stoplist remove usual
check_err 1 'is not in the stop list' stoplist remove usual
check_err 0 'Flushing Buffers/Building Indexes' index Home --full
check 0 '[{"WORDID":4,"THEWORD":"TOMATOES","WORDCOUNT":2}]' --json words Home --by count --limit 1
finish
