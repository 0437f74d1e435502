#!/usr/bin/env bash
# The launchers that the build makes, unsealed and sealed, stay within
# 56 KiB (before signing, which appends the certificates).
# Usage: size-test.sh <Setup.exe>...
. "$(dirname "$0")/../support/shell-test.sh"
for setup in "$@"; do
    size=$(stat -c %s "$setup")
    echo "$setup: $size bytes, at most 57344"
    [ "$size" -le 57344 ] || fail "$setup is larger than 57344 bytes"
done
finish
