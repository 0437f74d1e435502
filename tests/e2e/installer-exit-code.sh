#!/usr/bin/env bash
# Builds Setup.exe with SETUP_EXIT_CODE=installer in a folder of its own, as a
# release engineer would, and runs the exit-code tests of the end-to-end suite
# on it, in the prefix that WINEPREFIX names.
# Usage: installer-exit-code.sh <source dir> <build dir> <setup_e2e_tests.exe>
#        stand-in=<stand_in_msiexec.exe>
set -euo pipefail
source_dir="$1" build_dir="$2" tests="$3" stand_in="$4"

cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DSETUP_BUILD_TESTS=OFF -DSETUP_EXIT_CODE=installer >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
wine "$tests" setup="$build_dir/src/Setup.exe" "$stand_in" --gtest_filter='*InstallerExitCode*'
