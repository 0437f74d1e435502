#!/usr/bin/env bash
# Builds Setup.exe with build options of a release engineer's (such as
# -DSETUP_EXIT_CODE=installer) in a folder of its own: <build dir>/src/Setup.exe.
# Usage: launcher-build.sh <source dir> <build dir> [-D<option>=<value>...]
set -euo pipefail
source_dir="$1" build_dir="$2"
shift 2

cmake -S "$source_dir" --preset default -B "$build_dir" -DSETUP_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
