#!/usr/bin/env bash
# The launchers that the build makes, unsealed and sealed, stay within
# 64 KiB (before signing, which appends the certificates).
# Usage: size-test.sh <Setup.exe>...
. "$(dirname "$0")/../support/shell-test.sh"
for setup in "$@"; do
    size=$(stat -c %s "$setup")
    echo "$setup: $size bytes, at most 65536"
    [ "$size" -le 65536 ] || fail "$setup is larger than 65536 bytes"
done
finish
