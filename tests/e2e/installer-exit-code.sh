#!/usr/bin/env bash
# Builds Setup.exe with SETUP_EXIT_CODE=installer in a folder of its own and
# runs the exit-code tests of the end-to-end suite on it, in the build's prefix.
# Usage: installer-exit-code.sh <source dir> <build dir> <setup_e2e_tests.exe>
#        <stand_in_msiexec.exe> <prefix>
set -euo pipefail
source_dir="$1" build_dir="$2" tests="$3" stand_in="$4" prefix="$5"

cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DSETUP_BUILD_TESTS=OFF -DSETUP_EXIT_CODE=installer >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
WINEPREFIX="$prefix" WINEDEBUG=-all wine "$tests" "$build_dir/src/Setup.exe" "$stand_in" \
    --gtest_filter='*InstallerExitCode*'
