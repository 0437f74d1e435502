#!/usr/bin/env bash
# src/ stands on floors that only look down: a file includes the project's
# headers from its own folder and the folders below it alone, and base
# includes nothing of the project; and no file there is longer than 300
# lines. Usage: floors-test.sh <src dir>
. "$(dirname "$0")/../support/shell-test.sh"
src="$1"
# Each folder's floor; a file may include from its floor and those below.
declare -A floor=([base]=0 [runtime]=0 [staging]=1 [language]=1 [msi]=2 [ui]=2 [app]=3)

for file in "$src"/*/*.h "$src"/*/*.cpp; do
    folder="$(basename "$(dirname "$file")")"
    [ -n "${floor[$folder]:-}" ] || { fail "$file lies on no floor"; continue; }
    lines=$(wc -l <"$file")
    if [ "$lines" -gt 300 ]; then
        fail "$file has $lines lines"
    fi
    while IFS= read -r included; do
        target="${included%%/*}"
        # res/ holds the resource identifiers, which include nothing.
        [ "$target" = res ] && continue
        if [ -z "${floor[$target]:-}" ]; then
            fail "$file includes $included, of no floor"
        elif [ "$folder" = base ] && [ "$target" != base ]; then
            fail "$file (base) includes $included"
        elif [ "$target" != "$folder" ] && [ "${floor[$target]}" -ge "${floor[$folder]}" ]; then
            fail "$file includes $included, which is not below it"
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done

finish "src/ on its floors: every include looks down, every file within 300 lines"
