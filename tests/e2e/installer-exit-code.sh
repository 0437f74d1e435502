#!/usr/bin/env bash
# Builds Setup.exe with SETUP_EXIT_CODE=installer in a folder of its own, as a
# release engineer would: <build dir>/src/Setup.exe.
# Usage: installer-exit-code.sh <source dir> <build dir>
set -euo pipefail
source_dir="$1" build_dir="$2"

cmake -S "$source_dir" --preset default -B "$build_dir" \
    -DSETUP_BUILD_TESTS=OFF -DSETUP_EXIT_CODE=installer >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
