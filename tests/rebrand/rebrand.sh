#!/usr/bin/env bash
# Builds the release (the sample package signed, and Setup.exe sealed to it
# and signed) a second time with other naming variables, then runs the
# rebrand checks on its medium under Wine.
# Usage: rebrand.sh <source dir> <build dir> <rebrand_tests.exe>
. "$(dirname "$0")/../support/shell-test.sh"
source_dir="$1"
build_dir="$2"
tests="$3"

vendor="ACME"
product="ACME Widget Driver"
package="WidgetInstaller"
version="1.2.3.4"
company="ACME Widgets Inc."
description="Installer for the ACME Widget Driver"

prefix="$build_dir/wineprefix"
cmake -S "$source_dir" --preset default -B "$build_dir" \
    -DSETUP_BUILD_TESTS=OFF -DSETUP_WINEPREFIX="$prefix" \
    -DSETUP_VENDOR_NAME="$vendor" -DSETUP_PRODUCT_NAME="$product" -DSETUP_PACKAGE_NAME="$package" \
    -DSETUP_VERSION="$version" -DSETUP_COMPANY_NAME="$company" \
    -DSETUP_FILE_DESCRIPTION="$description" >/dev/null
# The package build runs the transform writer under Wine in the same prefix.
# The release as it ships: the signed MSIs and the launcher sealed to them.
cmake --build "$build_dir" --target medium >/dev/null
bash "$source_dir/scripts/run-in-prefix.sh" "$prefix" win64 \
    "$tests" setup="$build_dir/medium/Setup.exe" package="$build_dir/medium/Package" \
    vendor="$vendor" product="$product" package-name="$package" version="$version" \
    company="$company" description="$description"
