#!/usr/bin/env bash
# An allocation that cannot succeed ends a program built as Setup.exe is
# (allocation_probe.cpp) at once, with code 3: a message box would hold it
# until the time runs out.
# Usage: allocation-failure-test.sh <allocation_probe.exe> <wine command>...
set -uo pipefail
probe="$1"
shift
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
failed=0
for case in memory length; do
    # Wine's output goes through a file: a crash debugger that Wine starts
    # could otherwise hold the test's output open.
    timeout 60 "$@" "$probe" "$case" </dev/null >"$log" 2>&1
    code=$?
    cat "$log"
    case "$code" in
    3) echo "$case: ended with code 3" ;;
    124) echo "$case: still running after 60 s (a message box?)" && failed=1 ;;
    *) echo "$case: ended with code $code instead of 3" && failed=1 ;;
    esac
done
exit "$failed"
