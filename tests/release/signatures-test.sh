#!/usr/bin/env bash
# Checks the signatures on the medium: Setup.exe and each MSI verify against
# the signer's root certificate, are refused against another certificate and
# with one byte of their content changed, and differ from the built files by
# the signature alone; and Setup.exe is sealed to the signed MSIs and the
# cabinets.
# Usage: signatures-test.sh <sign.sh> <root certificates> <medium dir> <sealed Setup.exe>
#                           <built package dir> <work dir>
. "$(dirname "$0")/../support/shell-test.sh"
sign="$1" trust="$2" medium="$3" setup="$4" package="$5" work="$6"

fresh_dir "$work"
bash "$sign" --new-test-certificate "$work/other.key" "$work/other.pem"

verifies() {
    osslsigncode verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1
}

# Copies file to out with the first byte of marker changed: a byte that the
# signature covers (the DOS stub's message of a program, a property name in
# an MSI's string pool), so that a verifier must notice it.
tamper() {
    local file="$1" marker="$2" out="$3" offset
    offset=$(grep -obaF "$marker" "$file" | head -n1 | cut -d: -f1)
    [ -n "$offset" ] || return 1
    cp "$file" "$out"
    printf 'X' | dd of="$out" bs=1 seek="$offset" conv=notrunc status=none
    [ "$(cmp -l "$file" "$out" | wc -l)" -eq 1 ]
}

# The summary, tables and streams of an MSI, less its signature. Its storages,
# the embedded transforms, are checked by applying them (acceptance_signed).
msi_content() {
    local msi="$1" tables streams table stream content
    msiinfo suminfo "$msi" || return 1
    tables=$(msiinfo tables "$msi") && streams=$(msiinfo streams "$msi") || return 1
    for table in $(sort <<<"$tables"); do
        content=$(msiinfo export "$msi" "$table" | sha256sum) || return 1
        echo "table $table $content"
    done
    # Stream names may begin with a control character, as \005SummaryInformation.
    for stream in $(grep -vE 'DigitalSignature(Ex)?$' <<<"$streams" | sort); do
        content=$(msiinfo extract "$msi" "$stream" | sha256sum) || return 1
        echo "stream $stream $content"
    done
}

names_of() {
    (cd "$1" && find . -maxdepth 1 -type f \( -iname '*.msi' -o -iname '*.cab' \) -printf '%f\n') |
        sort
}
[ "$(names_of "$medium/Package")" = "$(names_of "$package")" ] ||
    fail "the medium's Package folder does not hold the built package's MSIs and cabinets"

# The launcher is sealed to the signed package: the SHA-256 of each MSI and
# cabinet on the medium, as signed, is in it.
launcher_bytes=$(od -An -tx1 -v "$medium/Setup.exe" | tr -d ' \n')
while IFS= read -r name; do
    hash=$(sha256sum "$medium/Package/$name" | cut -d' ' -f1)
    [[ "$launcher_bytes" == *"$hash"* ]] || fail "Setup.exe is not sealed to the medium's $name"
done < <(names_of "$medium/Package")

signed=("$medium/Setup.exe")
while IFS= read -r name; do
    case "${name,,}" in
    *.msi) signed+=("$medium/Package/$name") ;;
    *.cab) cmp -s "$medium/Package/$name" "$package/$name" || fail "$name is not the built one" ;;
    esac
done < <(names_of "$package")
[ ${#signed[@]} -ge 3 ] || fail "fewer than two MSIs to check"

for file in "${signed[@]}"; do
    name="$(basename "$file")"
    case "${name,,}" in
    *.exe) built="$setup" marker="This program cannot be run in DOS mode" ;;
    *) built="$package/$name" marker="ProductCode" ;;
    esac

    verifies "$file" "$trust" || { cat "$work/verify.log"; fail "$name: not accepted"; }
    ! verifies "$file" "$work/other.pem" || fail "$name: accepted against an unrelated certificate"
    if tamper "$file" "$marker" "$work/tampered-$name"; then
        ! verifies "$work/tampered-$name" "$trust" || fail "$name: accepted with one byte changed"
    else
        fail "$name: no \"$marker\" to change"
    fi

    case "${name,,}" in
    *.exe)
        osslsigncode remove-signature -in "$file" -out "$work/unsigned-$name" >/dev/null 2>&1 &&
            cmp -s "$work/unsigned-$name" "$built" ||
            fail "$name: is not the built program with a signature added"
        ;;
    *)
        # Two unreadable files would compare equal.
        if ! signed_content=$(msi_content "$file") || ! built_content=$(msi_content "$built") ||
            ! grep -q '^table Property ' <<<"$signed_content"; then
            fail "$name: msiinfo cannot read it or the built package"
        elif [ "$signed_content" != "$built_content" ]; then
            fail "$name: its tables, streams or summary differ from the built package's"
        fi
        ;;
    esac
    echo "checked $name"
done

finish
