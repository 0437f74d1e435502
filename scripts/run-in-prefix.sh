#!/usr/bin/env bash
# Runs a test program under Wine in a prefix of its own, booted here when it
# does not exist yet, so that real installs stay out of the other tests' prefix.
# Without a display, Wine's message boxes fail at once and go unseen, so a
# virtual one is started then.
# Usage: run-in-prefix.sh <prefix> <win32|win64> <program> [arguments...]
set -euo pipefail
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
[ -n "${DISPLAY:-}" ] || wine_env_start_display

# The first boot of a prefix takes a minute or so under the i386 emulator.
timeout 600 bash -c '. "$1"; wine_env_prepare_prefix' boot "$root/scripts/wine-env.sh"
timeout 1200 wine "$@"
