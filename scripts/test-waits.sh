#!/usr/bin/env bash
# Lists the tests' waits of the last run (build/Testing/waits.tsv, which
# scripts/test.sh has the tests write), one line per step: the wait nearest
# its limit (a step may be waited for under different limits), that limit,
# their ratio, how often the step was waited for and how often it did not
# come in time; the step nearest its limit first. The limits are in
# tests/support/time_limits.h.
# Usage: scripts/test-waits.sh [waits file]
set -euo pipefail
waits="${1:-$(dirname "$0")/../build/Testing/waits.tsv}"
printf 'ratio\twaited ms\tlimit ms\twaits\tnot in time\tstep\n'
awk -F'\t' 'NF == 4 {
    count[$1]++
    late[$1] += $4 == 0
    ratio = $3 + 0 ? ($2 + 0) / ($3 + 0) : 0
    if (!($1 in nearest) || ratio > nearest[$1]) { nearest[$1] = ratio; waited[$1] = $2 + 0; limit[$1] = $3 + 0 }
}
END {
    for (step in count) {
        printf "%.3f\t%d\t%d\t%d\t%d\t%s\n", nearest[step], waited[step], limit[step],
               count[step], late[step], step
    }
}' "$waits" | LC_ALL=C sort -t "$(printf '\t')" -k1,1gr -k6,6
