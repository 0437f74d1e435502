#!/usr/bin/env bash
# The launchers that the build makes, unsealed and sealed, stay within
# 56 KiB (before signing, which appends the certificates).
# Usage: size-test.sh <Setup.exe>...
set -euo pipefail
status=0
for setup in "$@"; do
    size=$(stat -c %s "$setup")
    echo "$setup: $size bytes, at most 57344"
    [ "$size" -le 57344 ] || status=1
done
exit "$status"
