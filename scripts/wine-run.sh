#!/usr/bin/env bash
# Runs a Windows program under Wine with its output going through a file:
# Wine's helper processes, which the program may start (or, after a crash
# of one, start again) and which outlive it, then hold that file instead of
# the caller's output pipes, on which CTest would wait for ever.
# Usage: wine-run.sh <program> [arguments...]   (the prefix from WINEPREFIX)
set -uo pipefail
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
wine "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
exit $status
