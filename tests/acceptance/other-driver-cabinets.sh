#!/usr/bin/env bash
# Makes, for each cabinet of the built package, one that holds another driver
# under the same entry, with the same size: what someone would put in a
# folder that Windows Installer takes for the product's source.
# Usage: other-driver-cabinets.sh <package dir> <output dir>
. "$(dirname "$0")/../support/shell-test.sh"
package="$1"
out="$2"
fresh_dir "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for cabinet in "$package"/*.cab; do
    name="$(basename "$cabinet")"
    rm -rf "${work:?}/$name" && mkdir -p "$work/$name"
    (cd "$work/$name" && gcab -x "$cabinet")
    [ -f "$work/$name/DriverSys" ] || { echo "$name holds no DriverSys" >&2; exit 1; }
    tr 'A-Za-z' 'N-ZA-Mn-za-m' <"$work/$name/DriverSys" >"$work/DriverSys" &&
        mv "$work/DriverSys" "$work/$name/DriverSys"
    entries=()
    while IFS= read -r entry; do
        entries+=("$entry")
    done < <(gcab -t "$cabinet")
    (cd "$work/$name" && gcab -c -n -z "$out/$name" "${entries[@]}")
done
