#!/usr/bin/env bash
# Photographs the language dialog in English and in Japanese into docs/.
# Usage: scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target Setup >/dev/null
. scripts/wine-env.sh
wine_env_compile_locales build/locales en_US ja_JP
trap wine_env_stop EXIT
wine_env_start build
wine_env_install_fonts

mkdir -p docs
for shot in en_US:language-dialog-en ja_JP:language-dialog-ja; do
    locale=${shot%%:*}
    name=${shot#*:}
    LOCPATH="$PWD/build/locales" LANG="$locale.UTF-8" LC_ALL= \
        wine build/src/Setup.exe </dev/null >/dev/null 2>&1 &
    runner=$!
    # The same window twice in a row: the dialog has settled.
    window=""
    for _ in $(seq 1 100); do
        sleep 0.3
        found=$(xdotool search --onlyvisible --name '^Setup$' 2>/dev/null | head -n1 || true)
        [ -n "$found" ] && [ "$found" = "$window" ] && break
        window=$found
    done
    [ -n "$window" ] || { echo "the dialog did not appear" >&2; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "docs/$name.png"
    xdotool windowfocus "$window" key Escape
    wait "$runner" || true
    echo "docs/$name.png"
done
