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
root="$(cd "$(dirname "$0")/../.." && pwd)"

export WINEPREFIX="$prefix"
export WINEARCH="$arch"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap stop EXIT

if [ -z "${DISPLAY:-}" ]; then
    fd_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    [ -s "$fd_file" ] || { echo "run-in-prefix: Xvfb did not start" >&2; exit 1; }
    DISPLAY=":$(head -n1 "$fd_file")"
    export DISPLAY
    rm -f "$fd_file"
fi

# The first boot of a prefix takes a minute or so under the i386 emulator.
timeout 600 bash -c '. "$1"; wine_env_prepare_prefix' boot "$root/scripts/wine-env.sh"
timeout 1200 wine "$@"
