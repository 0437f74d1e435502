#!/usr/bin/env bash
# The launchers that the build makes, unsealed and sealed, stay within
# 52 KiB (before signing, which appends the certificates).
# Usage: size-test.sh <Setup.exe>...
set -euo pipefail
status=0
for setup in "$@"; do
    size=$(stat -c %s "$setup")
    echo "$setup: $size bytes, at most 53248"
    [ "$size" -le 53248 ] || status=1
done
exit "$status"
