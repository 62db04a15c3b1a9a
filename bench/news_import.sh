#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# News import benchmark: a Unix news file of generated articles (bench/newsgen.cpp) imported
# whole (parse and store) with `quillstow import --format "Unix News"` into the newsgroup
# databases its articles name, in messages per second, with its peak resident memory.
#   bench/news_import.sh BUILD_DIR [ARTICLES=100000]
# Build first with:
#   cmake -S . -B BUILD_DIR -DCMAKE_BUILD_TYPE=Release -DQS_BENCH=ON
#   cmake --build BUILD_DIR --target quillstow newsgen
set -euo pipefail
build=$(cd "$1" && pwd)
articles=${2:-100000}
for exe in "$build/quillstow" "$build/bench/newsgen" /usr/bin/time; do
    [[ -x $exe ]] || { echo "$0: $exe is missing (see the build line at the top)" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/qs-news-import-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/bench/newsgen" "$articles" "$work/news.txt"
echo "articles: $articles, file: $(stat -c %s "$work/news.txt") bytes"
echo "machine: $(nproc) cores, $(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"
start=$(date +%s.%N)
/usr/bin/time -v "$build/quillstow" --home "$work/home" import --format "Unix News" \
    "$work/news.txt" 2> "$work/time.txt"
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc)
echo "seconds: $seconds"
echo "messages per second: $(echo "$articles / $seconds" | bc)"
grep "Maximum resident" "$work/time.txt"
