# Sourced by the scripts: a Wine prefix of the build's own, a virtual display
# and a persistent wineserver, so that test programs start quickly and Wine's
# helper processes do not hold the callers' output pipes open.
# Usage: wine_env_build <build dir> [target...]; wine_env_session <dir>; ...
# (or wine_env_start <dir>; ...; wine_env_stop)

. "$(dirname "${BASH_SOURCE[0]}")/branding.sh"

WINE_ENV_PREFIXES=()

# The opening of every script that runs the build: the tools installed
# (scripts/bootstrap.sh), the build configured with the default preset in
# <build dir> and built (the targets given, or all). The build's output shows
# only when it fails.
wine_env_build() {
    local build_dir="$1" log
    shift
    "$(dirname "${BASH_SOURCE[0]}")/bootstrap.sh"
    echo "Building in $build_dir${1:+ ($*)}: its output shows if it fails" >&2
    log="$(mktemp)"
    if ! { cmake --preset default -B "$build_dir" &&
        cmake --build "$build_dir" ${1:+--target "$@"}; } >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}

# A Wine session for <dir> (see wine_env_start) that ends with the script.
wine_env_session() {
    trap wine_env_stop EXIT
    wine_env_start "$1"
}

# A Unix path as the prefix's Windows programs name it.
winpath() {
    winepath -w "$1" 2>/dev/null
}

# A Windows name in the prefix as a Unix path.
unixpath() {
    winepath -u "$1" 2>/dev/null
}

# The registry key of the installed flag, as wine reg takes it, from the
# build's branding.h.
wine_env_flag_key() {
    printf 'HKCU\\Software\\Microsoft\\%s\\%s' "$(branding_text "$1" SETUP_VENDOR_TEXT)" \
        "$(branding_text "$1" SETUP_PRODUCT_TEXT)"
}

wine_env_start() {
    local build_dir
    build_dir="$(cd "$1" && pwd)"
    export WINEPREFIX="$build_dir/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="

    # SETUP_USE_DISPLAY=1 keeps the caller's display, so that a person can click.
    if [ "${SETUP_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
        wine_env_start_display
    fi

    wine_env_boot_prefix "$WINEPREFIX" ""
}

# A virtual screen of 1024x768 in 24-bit colour as DISPLAY; wine_env_stop
# ends it.
wine_env_start_display() {
    local fd_file i
    fd_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 </dev/null &
    WINE_ENV_XVFB_PID=$!
    for i in $(seq 1 100); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    if [ ! -s "$fd_file" ]; then
        rm -f "$fd_file"
        echo "wine-env: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
}

# Compiles the Unix locales that Wine takes a UI language from into a folder
# of the build, without root: wine_env_compile_locales <dir> <locale>...
wine_env_compile_locales() {
    local dir="$1" locale
    shift
    mkdir -p "$dir"
    for locale in "$@"; do
        [ -d "$dir/$locale.UTF-8" ] ||
            localedef -i "$locale" -f UTF-8 "$dir/$locale.UTF-8" 2>/dev/null || true
    done
}

# Boots a further prefix (architecture win32 or win64, or "" for the default)
# with a persistent wineserver of its own; wine_env_stop ends it too.
wine_env_boot_prefix() {
    local prefix="$1" arch="$2"
    WINE_ENV_PREFIXES+=("$prefix")
    (
        export WINEPREFIX="$prefix"
        if [ -n "$arch" ]; then export WINEARCH="$arch"; fi
        wine_env_prepare_prefix
    )
}

wine_env_prepare_prefix() {
    # wineserver needs the prefix folder; wineboot fills an empty one. A
    # server that still runs (from an earlier, aborted run) is used as it is.
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null || true
    wine wineboot >/dev/null 2>&1 </dev/null
    # Without this, every window that hides stalls about two seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
    # A crashing program ends instead of waiting in Wine's debugger.
    local view
    for view in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
        wine reg delete "$view" /v Debugger /f >/dev/null 2>&1 </dev/null || true
    done
}

# Fonts for legible pictures: the caption buttons draw their glyphs from
# Marlett, and Japanese text in the dialog's font falls back to a CJK font.
wine_env_install_fonts() {
    cp /usr/share/wine/fonts/{tahoma,tahomabd,marlett}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    local cjk
    cjk=$(fc-list -f '%{file}\n' ':lang=ja' | grep -m1 -i 'NotoSansCJK-Regular' ||
        fc-list -f '%{file}\n' ':lang=ja' | head -n1)
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d "$(winepath -w "$cjk"),Noto Sans CJK JP" /f >/dev/null 2>&1 </dev/null
}

# Where the launcher stages in the prefix, as a Unix path: the Windows
# folder's Temp, since every Wine process is elevated and none is SYSTEM.
wine_env_staging_folder() {
    echo "$WINEPREFIX/drive_c/windows/temp"
}

# Puts the stand-in installer (tests/tools/stand_in_msiexec.cpp) in place of
# the prefix's msiexec.exe, where the 32-bit launcher starts it: syswow64 on
# 64-bit Windows, system32 on 32-bit. For the prefixes of tests and
# benchmarks only, which never need the real one.
wine_env_install_stand_in() {
    local system="$WINEPREFIX/drive_c/windows/syswow64"
    [ -d "$system" ] || system="$WINEPREFIX/drive_c/windows/system32"
    cp "$1" "$system/msiexec.exe"
}

# Photographs the launcher's dialog (the visible window named "Setup") into a
# PNG file, once it has settled: the same window twice in a row. Returns 1
# when it did not appear within half a minute.
wine_env_screenshot() {
    local window="" found WIDTH HEIGHT X Y
    for _ in $(seq 1 100); do
        sleep 0.3
        found=$(xdotool search --onlyvisible --name '^Setup$' 2>/dev/null | head -n1 || true)
        [ -n "$found" ] && [ "$found" = "$window" ] && break
        window=$found
    done
    [ -n "$window" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
    WINE_ENV_SCREENSHOT_WINDOW=$window
}

wine_env_stop() {
    local prefix
    for prefix in "${WINE_ENV_PREFIXES[@]}"; do
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    done
    WINE_ENV_PREFIXES=()
    if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
        kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
        wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    fi
}
