#!/usr/bin/env bash
# Runs a test program under Wine in a prefix of its own, booted here when it
# does not exist yet, so that real installs stay out of the other tests'
# prefixes, and on a virtual display of its own, so that its windows and
# keys meet no other test's. With --stand-in, the stand-in installer takes
# the place of the prefix's msiexec.exe first.
# Usage: run-in-prefix.sh [--stand-in <stand_in_msiexec.exe>] <prefix> <win32|win64>
#        <program> [arguments...]
set -euo pipefail
stand_in=""
if [ "$1" = --stand-in ]; then
    stand_in="$2"
    shift 2
fi
prefix="$1"
arch="$2"
shift 2
root="$(cd "$(dirname "$0")/.." && pwd)"

export WINEPREFIX="$prefix"
export WINEARCH="$arch"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

. "$root/scripts/wine-env.sh"
# Only this prefix's server: the other tests' prefixes go on.
WINE_ENV_PREFIXES=("$prefix")
trap wine_env_stop EXIT
wine_env_start_display

# The first boot of a prefix takes a minute or so under the i386 emulator.
timeout 600 bash -c '. "$1"; wine_env_prepare_prefix' boot "$root/scripts/wine-env.sh"
if [ -n "$stand_in" ]; then
    wine_env_install_stand_in "$stand_in"
fi
timeout 1200 "$root/scripts/wine-run.sh" "$@"
