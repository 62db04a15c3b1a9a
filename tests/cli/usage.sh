#!/usr/bin/env bash
# Help texts, typing mistakes and settings from the command line.
source "$(dirname "$0")/lib.sh"

check 0 "*" --help
check 0 "*" db add-mail --help
check_err 2 'unknown command' frobnicate
check_err 2 'unknown option --frob' db list --frob
check_err 2 'option --home needs a value' --home
out=$("$QS" --home "$H" init)
case "$out" in
  *"settings version: 402"*) ;;
  *) echo "FAIL: init: $out"; failures=$((failures + 1)) ;;
esac
[ -d "$H/TEMP" ] && [ -f "$H/CFG/IDX008.TPS" ] || { echo "FAIL: home not laid out"; failures=$((failures + 1)); }
check 0 "17" config get 10
check 0 "setting 10 saved" config set 10 6
check 0 "6" config get 10
check 0 "78" config get 58
check_err 2 'no setting 99' config get 99
check_err 2 'VALUE must be a whole number' config set 10 abc
mkdir -p "$H/elsewhere"
check 0 "data directory set to $H/elsewhere" config set-path data "$H/elsewhere"
out=$("$QS" --home "$H" init)
case "$out" in
  *"database files:   $H/elsewhere"*) ;;
  *) echo "FAIL: data directory not taken: $out"; failures=$((failures + 1)) ;;
esac
rmdir "$H/elsewhere"
check_err 1 'The path to your data files cannot be found!' init
check 0 "data directory set to $H" config set-path data "$H"
check 0 "*" init
# The program loads the system's libraries only, never one lying in the directory it starts in.
mkdir -p "$H/cwd" && echo junk > "$H/cwd/libm.so.6" && echo junk > "$H/cwd/libc.so.6"
(cd "$H/cwd" && "$QS" --help > /dev/null 2>&1) || {
    echo "FAIL: a library in the current directory was loaded"; failures=$((failures + 1)); }
finish
