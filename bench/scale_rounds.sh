#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sums up rounds of bench/scale_cpu.sh (its output, one or more rounds per file): per round, the
# import and index run together at each size as messages per second of wall time and as processor
# milliseconds per 1000 messages, and how the large size compares with the small one; then the
# medians over the rounds. A round is a small and a large size run one after the other, so that a
# change in the machine's speed falls mostly on both.
#
#   bench/scale_rounds.sh LOG...
set -euo pipefail
[[ $# -ge 1 ]] || { echo "usage: $0 LOG..." >&2; exit 2; }
cat "$@" | awk '
    function median(a, n,   i, j, t) {
        for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    # "import 100000: 7.1 s wall, 4.4 s user, 1.7 s system, peak 56 MB, 60.5 ms processor ..."
    /^(import|index) [0-9]+:/ {
        n = $2 + 0; wall[n] += $3; cpu[n] += $6 + $9; steps[n]++
        if (!(n in seen)) { seen[n] = 1; sizes[++nsizes] = n }
        if (steps[sizes[1]] == 2 && nsizes == 2 && steps[sizes[2]] == 2) {
            small = sizes[1]; large = sizes[2]; r++
            ws[r] = small / wall[small]; wl[r] = large / wall[large]; fall[r] = 100 * (1 - wl[r] / ws[r])
            cs[r] = cpu[small] * 1e6 / small; cl[r] = cpu[large] * 1e6 / large; more[r] = 100 * (cl[r] / cs[r] - 1)
            printf "round %d: %d: %.0f/s, %.1f ms per 1000; %d: %.0f/s, %.1f ms per 1000; fall %.1f%% (wall), %+.1f%% processor per message\n", r, small, ws[r], cs[r], large, wl[r], cl[r], fall[r], more[r]
            delete wall; delete cpu; delete steps; delete seen; delete sizes; nsizes = 0
        }
    }
    END {
        if (r == 0) { print "no whole round found"; exit 1 }
        printf "median of %d rounds: %.0f/s and %.0f/s, fall %.1f%% (wall); processor per message %+.1f%%\n", r, median(ws, r), median(wl, r), median(fall, r), median(more, r)
    }'
