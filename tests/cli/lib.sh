# Helpers of the command-line scripts: run a command, compare its output (or exit status) with
# the expected one written beside it.
set -u
QS="$1"
# The home lies in memory where the system has such a file system: the program syncs every
# commit, which costs nothing there and milliseconds each on a disk.
TMP_ROOT=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && TMP_ROOT=/dev/shm
H=$(mktemp -d "$TMP_ROOT/qs-cli-XXXXXX")
trap 'rm -rf "$H"' EXIT
failures=0
checks=0

# check EXPECTED_STATUS "EXPECTED OUTPUT" ARGS...  (stdout compared exactly; "*" skips the check)
check() {
    local want_status="$1" want_out="$2"
    shift 2
    local out status
    out=$("$QS" --home "$H" "$@" 2>"$H.err")
    status=$?
    checks=$((checks + 1))
    if [ "$status" != "$want_status" ]; then
        echo "FAIL: quillstow $*: exit $status, wanted $want_status"; cat "$H.err"
        failures=$((failures + 1)); return
    fi
    if [ "$want_out" != "*" ] && [ "$out" != "$want_out" ]; then
        echo "FAIL: quillstow $*"; echo "--- got:"; echo "$out"; echo "--- wanted:"; echo "$want_out"
        failures=$((failures + 1))
    fi
}

# check_err EXPECTED_STATUS "TEXT IN STDERR" ARGS...
check_err() {
    local want_status="$1" want_err="$2"
    shift 2
    "$QS" --home "$H" "$@" >/dev/null 2>"$H.err"
    local status=$?
    checks=$((checks + 1))
    if [ "$status" != "$want_status" ] || ! grep -qF -- "$want_err" "$H.err"; then
        echo "FAIL: quillstow $*: exit $status (wanted $want_status), stderr:"; cat "$H.err"
        failures=$((failures + 1))
    fi
}

finish() {
    rm -f "$H.err"
    echo "$((checks - failures)) passed, $failures failed"
    [ "$failures" -eq 0 ]
}
