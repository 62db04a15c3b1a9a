#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Word index benchmark against three mail indexers from the distribution's packages, on the same
# generated mail: 100,000 messages as a "Generic Mail Type 2" mailbox (for Quillstow) and as a
# Maildir (for notmuch, mu and mairix). Measures, per tool, the indexing throughput, the index
# size on disk and the peak memory, then the median latency and the result count of eight
# searches run as commands: a rare word, a frequent word, frequent AND rare, an OR of two words,
# a two-word phrase, a prefix, a soundex and an approximate lookup. The words are chosen from the
# generator's vocabulary by how many messages hold them (its --stats list). At the end Quillstow's
# times are set against its targets, and its result counts against those of its previous run on
# the same corpus (kept under bench/out/) and against the peers' where the peers agree.
#
#   bench/peers.sh BUILD_DIR [--messages N] [--runs N] [--quillstow-only | --peers LIST]
# --peers takes the peers to run as a comma-separated list (notmuch,mu,mairix): mairix alone
# gives the rare, AND and OR targets their yardstick in a few minutes instead of a quarter hour.
# Needs: BUILD_DIR/quillstow, BUILD_DIR/bench/mailgen, /usr/bin/time; notmuch, mu and mairix
# (Debian packages notmuch, maildir-utils and mairix) for their side. The Quillstow side runs when the program
# has its `index` and `search` commands. Work files go under TMPDIR (default /tmp) and are
# deleted; the output, with the machine it ran on, is kept under bench/out/.
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR [--messages N] [--runs N] [--quillstow-only | --peers LIST]" >&2; exit 2; }
[[ $# -ge 1 ]] || usage
build=$(cd "$1" && pwd)
shift
messages=100000
runs=5
peers=1
wanted=notmuch,mu,mairix
while [[ $# -gt 0 ]]; do
    case $1 in
        --messages) messages=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --quillstow-only) peers=0; shift ;;
        --peers) wanted=$2; shift 2 ;;
        *) usage ;;
    esac
done
QS=$build/quillstow
for exe in "$QS" "$build/bench/mailgen" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing" >&2; exit 2; }
done
have() { command -v "$1" > /dev/null; }
# A peer asked for (--peers) and installed.
run_peer() { [[ $peers == 1 && ",$wanted," == *",$1,"* ]]; }
have_qs=0
if "$QS" index --help > /dev/null 2>&1 && "$QS" search --help > /dev/null 2>&1; then have_qs=1; fi

here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/out"
log="$here/out/peers-$(date +%Y%m%d-%H%M%S).txt"
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT
NICE="nice -n 10"

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.5f", b - a }'; }
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }
max_rss_mb() { awk -F: '/Maximum resident/ { printf "%.0f", $2 / 1024 }' "$1"; }
size_mb() { du -sk "$@" | awk '{ s += $1 } END { printf "%.1f", s / 1024 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

machine() {
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "processors: $(nproc), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
    echo "memory: $(grep MemTotal /proc/meminfo | awk '{printf "%.1f GiB", $2 / 1048576}')"
    echo "system: $(. /etc/os-release && echo "$PRETTY_NAME"), $(uname -r)"
    echo "work file system: $(df -T "$work" | awk 'NR == 2 {print $2}')"
    echo "notmuch: $(have notmuch && notmuch --version || echo missing)"
    echo "mu: $(have mu && mu --version | head -1 || echo missing)"
    echo "mairix: $(have mairix && dpkg-query -W -f '${Version}' mairix 2> /dev/null || echo missing)"
    echo "quillstow index and search: $([[ $have_qs == 1 ]] && echo present || echo missing)"
    echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# ---- the corpus and the words searched ----------------------------------------------------

generate() {
    echo "== corpus: $messages messages"
    # The peers read a Maildir; without them none is written (a million files take minutes).
    local maildir=()
    if run_peer notmuch || run_peer mu || run_peer mairix; then maildir=(--maildir "$work/Maildir"); fi
    $NICE "$build/bench/mailgen" --seed 4 --count "$messages" --mbox "$work/mail.mbox" \
        "${maildir[@]}" --stats "$work/stats.txt"
    echo "mailbox $(size_mb "$work/mail.mbox") MB${maildir:+, Maildir $(size_mb "$work/Maildir") MB}"
}

# pick FROM_RANK MIN_MESSAGES MAX_MESSAGES [SKIP] [MIN_LENGTH]: the first plain word at or after
# the rank held by that many messages (after skipping SKIP such words); failing that, the word
# of those ranks whose count is nearest the range.
pick() {
    awk -F'\t' -v from="$1" -v lo="$2" -v hi="$3" -v skip="${4:-0}" -v len="${5:-4}" '
        /^#phrases/ { exit }
        $2 >= from && $1 ~ /^[a-z]+$/ && length($1) >= len {
            if ($3 >= lo && $3 <= hi && skip-- <= 0) { print $1; found = 1; exit }
            d = $3 < lo ? lo - $3 : $3 - hi
            if (best == "" || d < bestd) { best = $1; bestd = d }
        }
        END { if (!found) print best }' "$work/stats.txt"
}

pick_phrase() {
    awk -F'\t' -v lo="$1" -v hi="$2" '
        phrases && $1 ~ /^[a-z]+ [a-z]+$/ {
            if ($3 >= lo && $3 <= hi) { print $1; found = 1; exit }
            if (best == "" || $3 > bestn) { best = $1; bestn = $3 }
        }
        /^#phrases/ { phrases = 1 }
        END { if (!found) print best }' "$work/stats.txt"
}

messages_holding() {
    awk -F'\t' -v w="$1" '/^#phrases/ { p = 1 } !p && $1 == w { print $3; exit }
                          p && $1 == w { print $3; exit }' "$work/stats.txt"
}

# One letter changed, giving a word the vocabulary does not have.
misspelt() {
    local w=$1 k=$(( ${#1} - 2 )) c
    for c in a e o u i r; do
        local m="${w:0:k}$c${w:k+1}"
        if [[ $m != "$w" ]] && ! grep -q "^$m	" "$work/stats.txt"; then echo "$m"; return; fi
    done
    echo "${w:0:k}q${w:k+1}"
}

choose_words() {
    local n=$messages
    rare=$(pick 15000 $((n * 3 / 10000 + 1)) $((n * 8 / 10000 + 1)) 0 5)
    frequent=$(pick 60 $((n / 5)) $((n / 2)) 0 5)
    or1=$(pick 1000 $((n / 100)) $((n / 50)) 0 5)
    or2=$(pick 1000 $((n / 100)) $((n / 50)) 1 5)
    phrase=$(pick_phrase $((n / 500)) $((n * 3 / 100)))
    local p
    p=$(pick 300 $((n / 200)) $((n / 50)) 0 7)
    prefix=${p:0:5}
    sound=$(pick 500 $((n / 200)) $((n / 50)) 2 5)
    approx_of=$(pick 500 $((n / 200)) $((n / 50)) 3 6)
    approx=$(misspelt "$approx_of")
    echo "== words (messages holding them, by the generator's count)"
    echo "rare: $rare ($(messages_holding "$rare")); frequent: $frequent ($(messages_holding "$frequent"))"
    echo "or: $or1 ($(messages_holding "$or1")), $or2 ($(messages_holding "$or2")); phrase: \"$phrase\" ($(messages_holding "$phrase"))"
    echo "prefix: $prefix (from $p); soundex: $sound ($(messages_holding "$sound")); approximate: $approx (of $approx_of, $(messages_holding "$approx_of"))"
}

# ---- indexing -----------------------------------------------------------------------------

# index_run NAME MESSAGES COMMAND...: wall seconds, messages per second and peak memory.
index_run() {
    local name=$1 n=$2 t0 s
    shift 2
    t0=$(now)
    /usr/bin/time -v -o "$work/$name.time" $NICE "$@" > "$work/$name.out" 2>&1 || {
        echo "$name: failed"; tail -5 "$work/$name.out"; return 1; }
    s=$(since "$t0")
    printf '| %s | %.1f | %s | %s |\n' "$name" "$s" "$(per_second "$n" "$s")" "$(max_rss_mb "$work/$name.time")"
    echo "$name said: $(tr '\r' '\n' < "$work/$name.out" | grep . | tail -1)" >> "$work/notes"
    eval "${name//[^a-z_]/_}_s=$s"
}

index_quillstow() {
    local home="$work/qs-home" before after
    "$QS" --home "$home" init > /dev/null
    "$QS" --home "$home" db add-mail Home --address me@example.org > /dev/null
    index_run quillstow_import "$messages" "$QS" --home "$home" import --format "Generic Mail Type 2" \
        --db Home "$work/mail.mbox" || return 1
    before=$(size_mb "$home")
    index_run quillstow_index "$messages" "$QS" --home "$home" index Home || return 1
    after=$(size_mb "$home")
    printf '| %s | %.1f | %s | |\n' "quillstow import + index" \
        "$(awk -v a="$quillstow_import_s" -v b="$quillstow_index_s" 'BEGIN { print a + b }')" \
        "$(per_second "$messages" "$(awk -v a="$quillstow_import_s" -v b="$quillstow_index_s" 'BEGIN { print a + b }')")"
    local grown
    grown=$(awk -v a="$after" -v b="$before" 'BEGIN { printf "%.1f", a - b }')
    sizes+=("quillstow archive before indexing: $before MB; word index (growth of the home): $grown MB")
}

index_notmuch() {
    export NOTMUCH_CONFIG="$work/notmuch-config"
    cat > "$NOTMUCH_CONFIG" <<EOF
[database]
path=$work/Maildir
[user]
name=Me Myself
primary_email=me@example.org
[new]
tags=inbox;
ignore=
[search]
exclude_tags=
[maildir]
synchronize_flags=false
EOF
    index_run notmuch_new "$messages" notmuch new || return 1
    sizes+=("notmuch index (.notmuch): $(size_mb "$work/Maildir/.notmuch") MB")
}

index_mu() {
    mu init --muhome="$work/mu" --maildir="$work/Maildir" --my-address=me@example.org > /dev/null
    index_run mu_index "$messages" mu index --muhome="$work/mu" || return 1
    sizes+=("mu index (muhome): $(size_mb "$work/mu") MB")
}

index_mairix() {
    # Its own rc file: the Maildir, the database and a results folder in the work directory.
    cat > "$work/mairixrc" <<EOF
base=$work
maildir=Maildir...
database=$work/mairix.db
mfolder=$work/mairix-results
mformat=maildir
EOF
    index_run mairix "$messages" mairix -f "$work/mairixrc" || return 1
    sizes+=("mairix index (database file): $(size_mb "$work/mairix.db") MB")
}

# ---- searches -----------------------------------------------------------------------------

# search_run TOOL QUERY_NAME COUNT_RULE COMMAND...: one warm-up, then RUNS timed runs; prints
# "median_ms count". COUNT_RULE "lines": one result per output line; "qs": Quillstow's output.
search_run() {
    local count_rule=$1 t0 times=()
    shift
    "$@" > "$work/search.out" 2> "$work/search.err" || true
    # The clock is read by the shell itself: $(now) would put a fork and exec of `date` on each
    # side of the command (several milliseconds on a slow hour), counted in each tool's time.
    local t1
    for ((i = 0; i < runs; i++)); do
        t0=${EPOCHREALTIME/,/.}
        "$@" > "$work/search.out" 2> "$work/search.err" || true
        t1=${EPOCHREALTIME/,/.}
        times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')")
    done
    local ms count
    ms=$(printf '%s\n' "${times[@]}" | median | awk '{ printf "%.1f", $1 * 1000 }')
    if [[ $count_rule == qs ]]; then
        # The closing line "N found; words: ..." gives the count; otherwise one result per line.
        count=$(awk 'NF { last = $0; n++ } END { if (match(last, /^[0-9]+ /)) print substr(last, 1, RLENGTH - 1); else print n + 0 }' "$work/search.out")
        echo "quillstow search ${*:6}: last line: $(cat "$work/search.out" "$work/search.err" | grep . | tail -1)" >> "$work/notes"
    else
        count=$(grep -c . "$work/search.out" || true)
    fi
    echo "$ms ms ($count)"
}

nm() { search_run lines notmuch search --output=messages -- "$@"; }
mu_find() { search_run lines mu find --muhome="$work/mu" --fields=i -- "$@"; }
qs_find() { search_run qs "$QS" --home "$work/qs-home" search Home "$@"; }
# mairix -r prints the path of each message found, one a line.
mx() { search_run lines mairix -f "$work/mairixrc" -r "$@"; }

# The queries, one row each: key | label | Quillstow arguments | notmuch query | mu query |
# mairix query. Quillstow's words match whole indexed words, as the other tools' terms do (its
# default is any indexed word holding the text), and every block of the index is searched (its
# default is the first). mairix is asked about the body and subject (bs:), which is what
# Quillstow indexes; its "=" is a substring match ("^" anchors it at the word's start, "=1"
# allows one wrong, missing or extra letter); it has no phrase or soundex search.
search_table() {
    local all="--all-blocks"
    echo "| search | quillstow | notmuch | mu | mairix |"
    echo "|---|---|---|---|---|"
    row rare "rare: $rare" "--and $rare --whole-word $all" "$rare" "$rare" "bs:$rare"
    row frequent "frequent: $frequent" "--and $frequent --whole-word $all" "$frequent" "$frequent" "bs:$frequent"
    row and "$frequent AND $rare" "--and $frequent --and $rare --whole-word $all" "$frequent and $rare" "$frequent and $rare" "bs:$frequent,$rare"
    row or "$or1 OR $or2" "--or $or1 --or $or2 --whole-word $all" "$or1 or $or2" "$or1 or $or2" "bs:$or1/$or2"
    row phrase "phrase \"$phrase\"" "--phrase|$phrase|$all" "\"$phrase\"" "\"$phrase\"" ""
    row prefix "prefix $prefix*" "--and $prefix --starts-with $all" "$prefix*" "$prefix*" "bs:^$prefix="
    row soundex "soundex $sound" "--and $sound --soundex $all" "" "" ""
    row approximate "approximate $approx" "--and $approx --approx 1 $all" "" "" "bs:$approx=1"
}

# row KEY LABEL QS_ARGS NOTMUCH_QUERY MU_QUERY MAIRIX_QUERY (QS_ARGS split at blanks, or at "|"
# when it holds one; an empty query: the tool has no such search). Keeps each tool's time and
# count under KEY for the checks at the end.
declare -A result
row() {
    local key=$1 label=$2 q n m x args
    if [[ $3 == *"|"* ]]; then IFS='|' read -r -a args <<< "$3"; else read -r -a args <<< "$3"; fi
    q="not run"; n="n/a"; m="n/a"; x="n/a"
    [[ $have_qs == 1 ]] && q=$(qs_find "${args[@]}")
    [[ -n $4 && -n ${have_notmuch:-} ]] && n=$(nm "$4")
    [[ -n $5 && -n ${have_mu:-} ]] && m=$(mu_find "$5")
    [[ -n $6 && -n ${have_mairix:-} ]] && x=$(mx "$6")
    result[qs_$key]=$q result[notmuch_$key]=$n result[mu_$key]=$m result[mairix_$key]=$x
    echo "| $label | $q | $n | $m | $x |"
}

keys=(rare frequent and or phrase prefix soundex approximate)
ms_of() { awk '$2 == "ms" { print $1 }' <<< "${result[$1]:-}"; }
count_of() { sed -n 's/.*ms (\([0-9]*\))$/\1/p' <<< "${result[$1]:-}"; }

# Quillstow's time per search against its target: a fixed number of milliseconds, or twice
# mairix's time for the rare word, AND and OR.
targets() {
    local key limit what ms verdict
    echo "| search | quillstow ms | target | met |"
    echo "|---|---|---|---|"
    for key in "${keys[@]}"; do
        case $key in
            rare | and | or)
                limit=$(awk -v m="$(ms_of "mairix_$key")" 'BEGIN { if (m != "") printf "%.1f", 2 * m }')
                what="2 × mairix ($(ms_of "mairix_$key") ms)" ;;
            frequent | soundex | approximate) limit=30; what="30 ms" ;;
            phrase) limit=20; what="20 ms" ;;
            prefix) limit=25; what="25 ms" ;;
        esac
        ms=$(ms_of "qs_$key")
        if [[ -z $ms || -z $limit ]]; then verdict="not measured"
        else verdict=$(awk -v a="$ms" -v b="$limit" 'BEGIN { print (a + 0 < b + 0 ? "yes" : "**no**") }'); fi
        echo "| $key | ${ms:--} | under $what | $verdict |"
    done
}

# Quillstow's counts against its previous run on the same corpus (the generator's word counts
# name the corpus) and against the peers' counts where every peer that ran agrees.
check_counts() {
    local corpus counts previous="" key now before peer p c agreed line
    corpus=$(md5sum < "$work/stats.txt" | cut -c1-12)
    counts="$here/out/peers-counts-$messages-$corpus.txt"
    [[ -f $counts ]] && previous=$(cat "$counts")
    : > "$work/counts"
    for key in "${keys[@]}"; do
        now=$(count_of "qs_$key")
        [[ -n $now ]] || continue
        echo "$key $now" >> "$work/counts"
        before=$(awk -v k="$key" '$1 == k { print $2 }' <<< "$previous")
        peer=""; agreed=1
        for p in notmuch mu mairix; do
            c=$(count_of "${p}_$key")
            [[ -n $c ]] || continue
            [[ -z $peer || $peer == "$c" ]] || agreed=0
            peer=$c
        done
        line="$key: $now"
        if [[ -z $before ]]; then line+="; no earlier run"
        elif [[ $before == "$now" ]]; then line+="; same as the earlier run"
        else line+="; **the earlier run found $before**"; fi
        if [[ -z $peer ]]; then :
        elif [[ $agreed == 0 ]]; then line+="; the peers disagree"
        elif [[ $peer == "$now" ]]; then line+="; same as the peers"
        else line+="; **the peers found $peer**"; fi
        echo "$line"
    done
    if [[ -s $work/counts ]]; then cp "$work/counts" "$counts"; fi
    echo "(counts kept in $counts)"
}

{
    machine
    generate
    choose_words
    sizes=()
    : > "$work/notes"
    echo "== indexing"
    echo "| step | seconds | messages/s | peak MB |"
    echo "|---|---|---|---|"
    if [[ $have_qs == 1 ]]; then index_quillstow || have_qs=0; else echo "| quillstow | not run: no index/search commands | | |"; fi
    rm -f "$work/mail.mbox"
    have_notmuch=; have_mu=; have_mairix=
    for p in notmuch mu mairix; do
        if ! run_peer "$p"; then echo "| $p | not run (not asked for) | | |"
        elif ! have "$p"; then echo "| $p | not installed | | |"
        else "index_$p" && eval "have_$p=1"; fi
    done
    echo "== index size on disk"
    printf '%s\n' "${sizes[@]}"
    echo "== searches: median of $runs runs (results)"
    search_table
    echo "== Quillstow against its targets"
    targets
    echo "== Quillstow's result counts"
    check_counts
    echo "== what the tools said"
    cat "$work/notes"
    echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
} 2>&1 | tee "$log"
echo "(kept in $log)"
