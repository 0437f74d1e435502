#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default

# The language-dialog tests start Wine in these locales.
mkdir -p build/locales
for locale in en_US ja_JP de_DE zh_TW zh_CN nl_BE; do
    [ -d "build/locales/$locale.UTF-8" ] ||
        localedef -i "$locale" -f UTF-8 "build/locales/$locale.UTF-8" 2>/dev/null || true
done

. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start build
# 32-bit Windows, for the runs that must choose the x86 package.
wine_env_boot_prefix "$PWD/build/wineprefix32" win32
ctest --preset default
