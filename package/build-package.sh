#!/usr/bin/env bash
# Builds the sample driver package: the x86 and x64 MSIs, each with its
# external cabinet and its embedded language transforms.
#
# Usage: package/build-package.sh <output dir> <branding.h> <embed_transforms.exe> [version]
#
# With a version, it builds an update of the same product: the same product
# and upgrade codes, that version, a package code of its own (every build has
# one) and a driver file that says which update it is.
#
# The vendor, product and package names and the version come from the
# build's branding.h, which the launcher's resources are made from too. The
# transform writer (built by CMake) runs under Wine, in $WINEPREFIX when that
# is set, or else in a temporary prefix that is removed again.
set -euo pipefail

if [ $# -ne 3 ] && [ $# -ne 4 ]; then
    echo "usage: $0 <output dir> <branding.h> <embed_transforms.exe> [version]" >&2
    exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$1"
out="$(cd "$1" && pwd)"
branding="$2"

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

[ -f "$branding" ] || fail "no branding header at $branding"
. "$here/../scripts/branding.sh"
vendor="$(branding_text "$branding" SETUP_VENDOR_TEXT)" || fail "no vendor name"
product="$(branding_text "$branding" SETUP_PRODUCT_TEXT)" || fail "no product name"
package="$(branding_text "$branding" SETUP_PACKAGE_TEXT)" || fail "no package name"
version="$(branding_text "$branding" SETUP_VERSION_TEXT)" || fail "no version"
update="${4:-}"
if [ -n "$update" ]; then
    [[ "$update" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version \"$update\": four numbers"
    version="$update"
fi

# A GUID made from a name: the same names give the same codes, so that a
# rebuilt package still uninstalls an older install, and a package built
# with other names never takes the codes of this one.
name_guid() {
    local hash
    hash="$(printf 'setup-sample-package\n%s' "$1" | sha1sum | tr '[:lower:]' '[:upper:]')"
    # Version 5 and the RFC 4122 variant, as name-based UUIDs carry them.
    local variant=$(((0x${hash:16:1} & 0x3) | 0x8))
    printf '{%s-%s-5%s-%X%s-%s}' "${hash:0:8}" "${hash:8:4}" "${hash:13:3}" "$variant" \
        "${hash:17:3}" "${hash:20:12}"
}

# Culture and LANGID of each embedded transform; the base package is en-US.
cultures=(ja-JP:1041 zh-TW:1028 nl-NL:1043 de-DE:1031 fr-FR:1036 it-IT:1040)
languages=1033
for entry in "${cultures[@]}"; do
    languages+=",${entry#*:}"
done

# --- Transform writer and Wine --------------------------------------------

writer="$3"
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
    if [ -n "$update" ]; then
        printf 'Update %s\r\n' "$version" >>"$files/hlx480.sys"
    fi

    names="$vendor"$'\n'"$product"
    defines=(-D "Arch=$arch" -D "Vendor=$vendor" -D "ProductName=$product"
        -D "Version=$version" -D "Cabinet=$cab"
        -D "ProductCode=$(name_guid "$names"$'\n'"$arch")"
        -D "UpgradeCode=$(name_guid "$names")"
        -D "FilesGuid=$(name_guid "$names"$'\n'"$arch"$'\n'DriverFiles)"
        -D "FlagGuid=$(name_guid "$names"$'\n'"$arch"$'\n'InstalledFlag)"
        -D "CultureGuid=$(name_guid "$names"$'\n'"$arch"$'\n'Culture)")
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
