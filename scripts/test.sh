#!/usr/bin/env bash
# Builds everything and runs every test under Wine, as many at once as the
# machine has cores; arguments go on to ctest after the set-up, so that
# scripts/test.sh -R e2e_sealed runs one test (and what it needs).
# Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/wine-env.sh
wine_env_build build
# The language-dialog tests start Wine in these locales.
wine_env_compile_locales build/locales en_US ja_JP de_DE zh_TW zh_CN nl_BE
wine_env_session build
# 32-bit Windows, for the runs that must choose the x86 package.
wine_env_boot_prefix "$PWD/build/wineprefix32" win32
# The tests in these two prefixes run Setup.exe with the stand-in installer;
# those with Wine's own have prefixes of their own (scripts/run-in-prefix.sh).
wine_env_install_stand_in build/tests/tools/stand_in_msiexec.exe
WINEPREFIX="$PWD/build/wineprefix32" wine_env_install_stand_in build/tests/tools/stand_in_msiexec.exe
# Each wait of the tests goes there as a line (scripts/test-waits.sh reads
# them); Wine shows the host's root as drive Z:.
waits="$PWD/build/Testing/waits.tsv"
mkdir -p build/Testing
: >"$waits"
export SETUP_TEST_WAITS="Z:${waits//\//\\}"
status=0
ctest --preset default -j "$(nproc)" "$@" || status=$?
# Where the run's time went: its five slowest entries.
echo "The five slowest entries:"
awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 } /^Test time = / { print $4, name }' \
    build/Testing/Temporary/LastTest.log | sort -rn | head -n 5 |
    awk '{ printf "  %8.1f s  %s\n", $1, $2 }'
exit "$status"
