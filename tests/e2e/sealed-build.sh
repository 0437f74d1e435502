#!/usr/bin/env bash
# Builds Setup.exe sealed to a package of its own, staging only the cabinets
# that its MSI may read, for the e2e tests' sealed runs:
# <build dir>/sealed-package holds both MSIs (each naming data1.cab in its
# Media table) and two cabinets, and <build dir>/src/Setup.exe runs only
# those; <build dir>/planted.msi, which the seal does not hold, names
# data2.cab, for a test to plant beside them.
# Usage: sealed-build.sh <source dir> <build dir>
. "$(dirname "$0")/../support/shell-test.sh"
source_dir="$1" build_dir="$2"
package="$build_dir/sealed-package"

# An MSI database whose Media table names the cabinets: msi <path> <cabinet>...
msi() {
    local path=$1 disk=0 cabinet queries=()
    shift
    rm -f "$path"
    msibuild "$path" -s "sealed e2e" e2e "x64;1033" "{$(tr '[:lower:]' '[:upper:]' </proc/sys/kernel/random/uuid)}"
    queries=(-q "CREATE TABLE Media (DiskId SHORT NOT NULL, LastSequence LONG NOT NULL, DiskPrompt CHAR(64) LOCALIZABLE, Cabinet CHAR(255), VolumeLabel CHAR(32), Source CHAR(72) PRIMARY KEY DiskId)")
    for cabinet in "$@"; do
        disk=$((disk + 1))
        queries+=(-q "INSERT INTO Media (DiskId, LastSequence, Cabinet) VALUES ($disk, $disk, '$cabinet')")
    done
    msibuild "$path" "${queries[@]}"
}

fresh_dir "$package"
# Only their bytes matter to the stand-in installer; the launcher reads the
# MSIs' Media tables.
msi "$package/HLX480DriverInstallerx64.msi" data1.cab
msi "$package/HLX480DriverInstallerx86.msi" data1.cab
head -c 8 /dev/urandom >"$package/data1.cab"
head -c 70000 /dev/urandom >"$package/data2.cab"
msi "$build_dir/planted.msi" data2.cab

cmake -S "$source_dir" --preset default -B "$build_dir" -DSETUP_BUILD_TESTS=OFF \
    -DSETUP_SEAL_PACKAGE="$package" -DSETUP_STAGE_NEEDED_CABINETS=ON >/dev/null
cmake --build "$build_dir" --target Setup >/dev/null
