#!/usr/bin/env bash
# Photographs the language dialog in English and in Japanese into docs/.
# Usage: scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/wine-env.sh
wine_env_build build Setup
wine_env_compile_locales build/locales en_US ja_JP
wine_env_session build
wine_env_install_fonts

mkdir -p docs
for shot in en_US:language-dialog-en ja_JP:language-dialog-ja; do
    locale=${shot%%:*}
    name=${shot#*:}
    LOCPATH="$PWD/build/locales" LANG="$locale.UTF-8" LC_ALL= \
        wine build/src/Setup.exe </dev/null >/dev/null 2>&1 &
    runner=$!
    wine_env_screenshot "docs/$name.png" || { echo "the dialog did not appear" >&2; exit 1; }
    xdotool windowfocus "$WINE_ENV_SCREENSHOT_WINDOW" key Escape
    wait "$runner" || true
    echo "docs/$name.png"
done
