#!/usr/bin/env bash
# Runs a Windows program under Wine with its output going through a file:
# Wine's helper processes, which the program may start (or, after a crash
# of one, start again) and which outlive it, then hold that file instead of
# the caller's output pipes, on which CTest would wait for ever. A program
# that outlives SETUP_WINE_RUN_LIMIT seconds (540 by default, within the
# 600 that CTest gives an entry) is stopped, and what it wrote so far is
# shown all the same, so that a hang says where it hangs.
# Usage: wine-run.sh <program> [arguments...]   (the prefix from WINEPREFIX)
set -uo pipefail
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
limit="${SETUP_WINE_RUN_LIMIT:-540}"
timeout --kill-after=10 "$limit" wine "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
[ "$status" = 124 ] || [ "$status" = 137 ] && echo "wine-run.sh: $1 stopped after $limit s"
exit $status
