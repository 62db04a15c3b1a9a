#!/usr/bin/env bash
# The main job on bundled sample data: a fresh archive home with a mail and a forum database.
set -euo pipefail
qs="$1"
home="$2"
rm -rf "$home"
echo "== start-up of a new archive home in $home"
"$qs" --home "$home" init
echo
echo "== adding a mail database and a forum database"
"$qs" --home "$home" db add-mail "Home" --address me@example.org --alt me@work.example
"$qs" --home "$home" db add-forum "Photo Forum"
echo
echo "== the databases"
"$qs" --home "$home" db list
