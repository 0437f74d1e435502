#!/usr/bin/env bash
# Builds Setup.exe sealed to a package of its own, for the e2e tests' sealed
# runs: <build dir>/sealed-package holds both MSIs and two cabinets, and
# <build dir>/src/Setup.exe runs only those.
# Usage: sealed-build.sh <source dir> <build dir>
. "$(dirname "$0")/../support/shell-test.sh"
source_dir="$1" build_dir="$2"
package="$build_dir/sealed-package"

fresh_dir "$package"
# Only their bytes matter to the launcher and to the stand-in installer.
head -c 3000 /dev/urandom >"$package/HLX480DriverInstallerx64.msi"
head -c 2000 /dev/urandom >"$package/HLX480DriverInstallerx86.msi"
head -c 8 /dev/urandom >"$package/data1.cab"
head -c 70000 /dev/urandom >"$package/data2.cab"

cmake -S "$source_dir" --preset default -B "$build_dir" \
    -DSETUP_BUILD_TESTS=OFF -DSETUP_SEAL_PACKAGE="$package" >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
