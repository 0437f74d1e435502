#!/usr/bin/env bash
# The launcher that the build makes stays within 64 KiB (before signing,
# which appends the certificates). Usage: size-test.sh <Setup.exe>
set -euo pipefail
size=$(stat -c %s "$1")
echo "Setup.exe: $size bytes, at most 65536"
[ "$size" -le 65536 ]
