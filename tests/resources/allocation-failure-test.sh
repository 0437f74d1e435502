#!/usr/bin/env bash
# An allocation that cannot succeed ends a program built as Setup.exe is
# (allocation_probe.cpp) at once, with code 3: a message box would hold it
# until the time runs out.
# Usage: allocation-failure-test.sh <allocation_probe.exe> <wine command>...
. "$(dirname "$0")/../support/shell-test.sh"
probe="$1"
shift
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
for case in memory length; do
    # Wine's output goes through a file: a crash debugger that Wine starts
    # could otherwise hold the test's output open.
    code=0
    timeout 60 "$@" "$probe" "$case" </dev/null >"$log" 2>&1 || code=$?
    cat "$log"
    case "$code" in
    3) echo "$case: ended with code 3" ;;
    124) fail "$case: still running after 60 s (a message box?)" ;;
    *) fail "$case: ended with code $code instead of 3" ;;
    esac
done
finish
