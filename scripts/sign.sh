#!/usr/bin/env bash
# Authenticode-signs Windows programs and MSIs with osslsigncode.
#
# Usage: sign.sh (--pkcs12 FILE | --key FILE --cert FILE) [--password-file FILE]
#                [--timestamp URL] IN OUT [IN OUT ...]
#        sign.sh --new-test-certificate KEY CERT
#
# Each IN file is signed into OUT. An IN folder is copied to OUT with its
# .exe, .dll and .msi files signed and every other file (the cabinets) as it
# is. The password file holds the password of the PKCS#12 file or of the key.
# --timestamp names an RFC 3161 time-stamping server; without one the
# signature is valid only as long as the certificate.
# --new-test-certificate makes a self-signed code-signing certificate that no
# Windows trusts, for tests only.
#
# Any failure ends the run with a message and a non-zero status. Mistakes in
# the arguments are found before anything is touched; a pair that cannot be
# signed leaves nothing at its OUT, since a half-signed or stale file must not
# pass for a signed one.
set -euo pipefail

die() {
    echo "sign.sh: $*" >&2
    exit 1
}

if [ "${1:-}" = --new-test-certificate ]; then
    [ $# -eq 3 ] || die "usage: sign.sh --new-test-certificate KEY CERT"
    mkdir -p "$(dirname "$2")" "$(dirname "$3")"
    rm -f "$2" "$3"
    (
        umask 077
        # Ten years, so that a kept build folder does not fail its tests later.
        openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
            -subj "/CN=Setup throwaway test signer" \
            -addext "basicConstraints=critical,CA:FALSE" \
            -addext "keyUsage=critical,digitalSignature" \
            -addext "extendedKeyUsage=codeSigning" \
            -keyout "$2" -out "$3" 2>/dev/null
    ) || die "openssl could not make a test certificate"
    exit 0
fi

pkcs12="" key="" cert="" password_file="" timestamp=""
while [ $# -gt 0 ]; do
    case "$1" in
    --pkcs12 | --key | --cert | --password-file | --timestamp)
        [ $# -ge 2 ] || die "$1 needs a value"
        case "$1" in
        --pkcs12) pkcs12="$2" ;;
        --key) key="$2" ;;
        --cert) cert="$2" ;;
        --password-file) password_file="$2" ;;
        --timestamp) timestamp="$2" ;;
        esac
        shift 2
        ;;
    --) shift && break ;;
    --*) die "unknown option $1" ;;
    *) break ;;
    esac
done

command -v osslsigncode >/dev/null || die "osslsigncode is not installed (scripts/bootstrap.sh)"
signer=()
if [ -n "$pkcs12" ]; then
    [ -z "$key$cert" ] || die "give either --pkcs12 or --key and --cert, not both"
    [ -f "$pkcs12" ] || die "no PKCS#12 file $pkcs12"
    signer=(-pkcs12 "$pkcs12")
elif [ -n "$key" ] && [ -n "$cert" ]; then
    [ -f "$key" ] || die "no key file $key"
    [ -f "$cert" ] || die "no certificate file $cert"
    signer=(-certs "$cert" -key "$key")
else
    die "give --pkcs12 FILE, or --key FILE and --cert FILE"
fi
if [ -n "$password_file" ]; then
    # Read from a file, since a password in the arguments is visible to every user.
    [ -f "$password_file" ] || die "no password file $password_file"
    signer+=(-readpass "$password_file")
fi
[ -z "$timestamp" ] || signer+=(-ts "$timestamp")
[ $# -gt 0 ] && [ $(($# % 2)) -eq 0 ] || die "give pairs of IN and OUT"
# An OUT folder is replaced as a whole, which must not touch its IN.
pairs=("$@")
for ((i = 0; i < ${#pairs[@]}; i += 2)); do
    if [ -d "${pairs[i]}" ]; then
        real_in="$(realpath "${pairs[i]}")"
        real_out="$(realpath -m "${pairs[i + 1]}")"
        case "$real_out/" in "$real_in"/*) die "${pairs[i + 1]} lies in ${pairs[i]}" ;; esac
        case "$real_in/" in "$real_out"/*) die "${pairs[i]} lies in ${pairs[i + 1]}" ;; esac
    fi
done

# What a failure must not leave behind: a partial output and the signer's log.
pending=""
log="$(mktemp)"
trap 'rm -rf "$log" ${pending:+"$pending"}' EXIT

sign_file() {
    if ! osslsigncode sign "${signer[@]}" -h sha256 -in "$1" -out "$2" >"$log" 2>&1 ||
        [ ! -s "$2" ]; then
        cat "$log" >&2
        echo "sign.sh: could not sign $1" >&2
        return 1
    fi
}

# The output is made beside out and renamed when complete, so that out is
# either whole or absent, and a file may be signed in place.
sign_pair() {
    local in="$1" out="$2" name
    pending="$out.signing-$$"
    rm -rf "$pending"
    if [ -f "$in" ]; then
        mkdir -p "$(dirname "$out")"
        sign_file "$in" "$pending" || { [ "$in" -ef "$out" ] || rm -f "$out"; exit 1; }
        mv -f "$pending" "$out"
    elif [ -d "$in" ]; then
        rm -rf "$out"
        mkdir -p "$pending"
        for name in "$in"/* "$in"/.[!.]*; do
            [ -e "$name" ] || continue
            [ ! -d "$name" ] || die "$name: sub-folders are not copied"
            case "${name,,}" in
            *.exe | *.dll | *.msi) sign_file "$name" "$pending/$(basename "$name")" || exit 1 ;;
            *) cp "$name" "$pending/" ;;
            esac
        done
        mv "$pending" "$out"
    else
        [ "$in" -ef "$out" ] || rm -rf "$out"
        die "no file or folder $in"
    fi
    pending=""
}

while [ $# -gt 0 ]; do
    sign_pair "$1" "$2"
    shift 2
done
