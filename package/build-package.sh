#!/usr/bin/env bash
# Builds the sample driver package: the x86 and x64 MSIs, each with its
# external cabinet and its embedded language transforms.
#
# Usage: package/build-package.sh <output dir> [<embed_transforms.exe>]
#
# The product, vendor and package names come from the launcher's string table
# (res/setup.rc). Without the second argument the transform writer is compiled
# here. It runs under Wine, in $WINEPREFIX when that is set, or else in a
# temporary prefix that is removed again.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 <output dir> [<embed_transforms.exe>]" >&2
    exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"

fail() {
    echo "build-package: $*" >&2
    exit 1
}

work="$(mktemp -d)"
own_prefix=0
cleanup() {
    if [ "$own_prefix" = 1 ]; then
        WINEPREFIX="$work/wineprefix" wineserver -k >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# --- Names --------------------------------------------------------------

# The text of a string-table entry, found by its identifier's name or number.
rc_string() {
    local id="$1" name
    name="$(sed -n "s/^[[:space:]]*#define[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]\{1,\}${id}[[:space:]]*$/\1/p" \
        "$root/res/resource.h" | head -n1)"
    [ -n "$name" ] || fail "res/resource.h defines no name for string $id"
    local text
    text="$(awk -v name="$name" -v id="$id" '
        { sub(/\r$/, "") }
        /^[[:space:]]*STRINGTABLE/ { table = 1; next }
        table && /^[[:space:]]*END[[:space:]]*$/ { table = 0 }
        table { key = $1; sub(/,$/, "", key) }
        table && (key == name || key == id) {
            line = $0
            sub(/^[[:space:]]*[A-Za-z0-9_]+[[:space:]]*,?[[:space:]]*"/, "", line)
            sub(/"[[:space:]]*$/, "", line)
            print line
            exit
        }' "$root/res/setup.rc")"
    [ -n "$text" ] || fail "res/setup.rc has no string $name ($id)"
    # Escapes and quotes would need decoding here and escaping in the WiX source.
    case "$text" in
    *'\'* | *'"'* | *'&'* | *'<'* | *'>'*) fail "string $name holds characters this script does not pass on: $text" ;;
    esac
    printf '%s' "$text"
}

vendor="$(rc_string 131)"
product="$(rc_string 132)"
package="$(rc_string 133)"
# The product name ends in its version, for instance "... Driver v2.4.0.0".
version="$(printf '%s' "$product" | sed -n 's/.* v\([0-9]\{1,5\}\(\.[0-9]\{1,5\}\)\{1,3\}\)$/\1/p')"
[ -n "$version" ] || fail "the product name \"$product\" does not end in a version such as v2.4.0.0"

# Culture and LANGID of each embedded transform; the base package is en-US.
cultures=(ja-JP:1041 zh-TW:1028 nl-NL:1043 de-DE:1031 fr-FR:1036 it-IT:1040)
languages=1033
for entry in "${cultures[@]}"; do
    languages+=",${entry#*:}"
done

# --- Transform writer and Wine --------------------------------------------

writer="${2:-}"
if [ -z "$writer" ]; then
    writer="$work/embed_transforms.exe"
    i686-w64-mingw32-g++-posix -std=c++17 -municode -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN \
        -D_WIN32_WINNT=0x0600 -Wall -Wextra -Werror -O2 -static -s -o "$writer" \
        "$here/embed_transforms.cpp" -lmsi -lole32 -luuid
fi
[ -f "$writer" ] || fail "no transform writer at $writer"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX="$work/wineprefix"
    own_prefix=1
fi

windows_path() {
    local path="$1"
    printf 'Z:%s' "${path//\//\\}"
}

# Wine's helper processes outlive the program; they get a file, not our pipes.
run_wine() {
    local log="$work/wine.log" status=0
    timeout 600 wine "$@" >"$log" 2>&1 </dev/null || status=$?
    cat "$log"
    return "$status"
}

# --- Packages -------------------------------------------------------------

files="$work/files"
mkdir -p "$files"

# The text files name the product; Windows text files end lines with CR LF.
fill_in() {
    local text
    text="$(<"$1")"
    text="${text//@VENDOR@/"$vendor"}"
    text="${text//@PRODUCT@/"$product"}"
    text="${text//@VERSION@/"$version"}"
    printf '%s\n' "$text" | sed 's/$/\r/' >"$2"
}

for arch in x86 x64; do
    msi="$work/${package}${arch}.msi"
    cab="${package}${arch}.cab"
    rm -rf "$files" && mkdir -p "$files"
    fill_in "$here/files/common/hlx480.inf" "$files/hlx480.inf"
    fill_in "$here/files/common/readme.txt" "$files/readme.txt"
    cp "$here/files/$arch/hlx480.sys" "$files/hlx480.sys"

    defines=(-D "Arch=$arch" -D "Vendor=$vendor" -D "ProductName=$product"
        -D "Version=$version" -D "Cabinet=$cab")
    # wixl looks for the File sources in the current folder.
    (cd "$files" && wixl -a "$arch" "${defines[@]}" -o "$msi" "$here/sample-driver.wxs")

    # The package lists every language it has a transform for.
    template="$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p')"
    [ -n "$template" ] || fail "wixl wrote no template into $msi"
    msibuild "$msi" -s "$product" "$vendor" "$template;$languages" \
        "{$(tr '[:lower:]' '[:upper:]' </proc/sys/kernel/random/uuid)}"

    # wixl with EmbedCab="no" writes no cabinet. Its entries are named by the
    # File key and follow the File table's sequence.
    (cd "$files" && wixl -E "${defines[@]}" "$here/sample-driver.wxs") |
        sed -n 's/.*<File Id="\([^"]*\)".* Source="\([^"]*\)".*/\1\t\2/p' >"$work/sources.tsv"
    mkdir -p "$work/cab-$arch"
    entries=()
    while IFS=$'\t' read -r id _; do
        source="$(awk -F'\t' -v id="$id" '$1 == id { print $2 }' "$work/sources.tsv")"
        [ -n "$source" ] || fail "no source for file $id"
        cp "$files/$source" "$work/cab-$arch/$id"
        entries+=("$id")
    done < <(msiinfo export "$msi" File | tail -n +4 | awk -F'\t' '{ print $1 "\t" $8 }' |
        sort -t $'\t' -k2,2n)
    [ ${#entries[@]} -gt 0 ] || fail "$msi has no files"
    (cd "$work/cab-$arch" && gcab -c -n -z "$work/$cab" "${entries[@]}")
    listed="$(gcab -t "$work/$cab" | tr '\n' ' ')"
    [ "$listed" = "${entries[*]} " ] || fail "$cab holds \"$listed\", not \"${entries[*]}\""
    media="$(msiinfo export "$msi" Media | tail -n +4 | awk -F'\t' '{ print $4 }')"
    [ "$media" = "$cab" ] || fail "$msi expects the cabinet \"$media\", not \"$cab\""

    # Each transform names its culture in the product name, sets the product
    # language and changes the culture value of the base package.
    changes="$work/changes-$arch.tsv"
    : >"$changes"
    for entry in "${cultures[@]}"; do
        culture="${entry%%:*}"
        langid="${entry#*:}"
        {
            printf '%s.mst\tProperty\tProductName\tValue\t%s (%s)\n' "$culture" "$product" "$culture"
            printf '%s.mst\tProperty\tProductLanguage\tValue\t%s\n' "$culture" "$langid"
            printf '%s.mst\tRegistry\tCulture\tValue\t%s\n' "$culture" "$culture"
        } >>"$changes"
    done
    run_wine "$writer" "$(windows_path "$msi")" "$(windows_path "$changes")"
done

written=()
for arch in x86 x64; do
    cp "$work/${package}${arch}.msi" "$work/${package}${arch}.cab" "$out/"
    written+=("${package}${arch}.msi" "${package}${arch}.cab")
done
echo "build-package: wrote ${written[*]} into $out"
