#!/usr/bin/env bash
# What scripts/sign.sh does with each kind of signer and each mistake a
# release engineer can make: it signs; or it fails with a message, and leaves
# nothing at the output it failed on, or nothing touched when the mistake is
# in the arguments.
# Usage: sign-script-test.sh <sign.sh> <built Setup.exe> <built package dir> <work dir>
. "$(dirname "$0")/../support/shell-test.sh"
sign="$1" setup="$2" package="$3" work="$4"

fresh_dir "$work"
w="$work"
bash "$sign" --new-test-certificate "$w/signer.key" "$w/signer.pem"
printf 'pass phrase\n' >"$w/password"
printf 'wrong\n' >"$w/wrong-password"
openssl pkcs12 -export -inkey "$w/signer.key" -in "$w/signer.pem" -out "$w/signer.p12" \
    -passout file:"$w/password"
openssl pkey -in "$w/signer.key" -aes256 -passout file:"$w/password" -out "$w/encrypted.key"
cp -r "$package" "$w/package"
cp "$setup" "$w/in-place.exe"
cp "$setup" "$w/in-place-refused.exe"

verifies() {
    osslsigncode verify -CAfile "$w/signer.pem" -in "$1" >"$w/verify.log" 2>&1
}

# The state of a path, to tell whether a run touched it.
state() {
    if [ -d "$1" ]; then
        (cd "$1" && find . -type f -exec sha256sum {} + | sort)
    elif [ -e "$1" ]; then
        sha256sum <"$1"
    else
        echo absent
    fi
}

# case NAME EXPECTED OUT ARGUMENTS...: runs sign.sh with the arguments.
# EXPECTED is signs (OUT verifies), fails (a signing that went wrong: a stale
# OUT put there before is gone) or refuses (a mistake found before any work:
# OUT is as it was).
case_() {
    local name="$1" expected="$2" out="$3" status before
    shift 3
    if [ "$expected" = fails ] && [ ! -e "$out" ]; then
        echo stale >"$out"
    fi
    before="$(state "$out")"
    if bash "$sign" "$@" >"$w/sign.log" 2>&1; then status=signs; else status=fails; fi
    if [ "$status" = signs ] && [ "$expected" != signs ]; then
        fail "$name: sign.sh signs"
    elif [ "$status" = fails ] && [ "$expected" = signs ]; then
        cat "$w/sign.log"
        fail "$name: sign.sh fails"
    elif [ "$status" = signs ]; then
        verifies "$out" || { cat "$w/verify.log"; fail "$name: $out does not verify"; }
    else
        grep -q '^sign.sh: ' "$w/sign.log" || fail "$name: failed without saying why"
        if [ "$expected" = fails ]; then
            [ ! -e "$out" ] || fail "$name: left $out behind"
        else
            [ "$(state "$out")" = "$before" ] || fail "$name: changed $out"
        fi
    fi
    echo "checked: $name"
}

k=(--key "$w/signer.key" --cert "$w/signer.pem")
p=(--pkcs12 "$w/signer.p12")
case_ "key and certificate" signs "$w/a.exe" "${k[@]}" "$setup" "$w/a.exe"
case_ "PKCS#12 with its password" signs "$w/b.exe" "${p[@]}" --password-file "$w/password" \
    "$setup" "$w/b.exe"
case_ "encrypted key with its password" signs "$w/c.exe" --key "$w/encrypted.key" \
    --cert "$w/signer.pem" --password-file "$w/password" "$setup" "$w/c.exe"
case_ "signed in place" signs "$w/in-place.exe" "${k[@]}" "$w/in-place.exe" "$w/in-place.exe"
case_ "an output folder still to make" signs "$w/out/deeper/d.exe" "${k[@]}" "$setup" \
    "$w/out/deeper/d.exe"
case_ "PKCS#12 with a wrong password" fails "$w/e.exe" "${p[@]}" --password-file \
    "$w/wrong-password" "$setup" "$w/e.exe"
case_ "PKCS#12 without its password" fails "$w/f.exe" "${p[@]}" "$setup" "$w/f.exe"
case_ "unreachable time-stamping server" fails "$w/g.exe" "${k[@]}" \
    --timestamp http://127.0.0.1:9/ "$setup" "$w/g.exe"
case_ "missing input" fails "$w/h.exe" "${k[@]}" "$w/none.exe" "$w/h.exe"
case_ "a file that is no program" fails "$w/i.exe" "${k[@]}" "$w/password" "$w/i.exe"
case_ "PKCS#12 and key together" refuses "$w/a.exe" "${p[@]}" "${k[@]}" "$setup" "$w/a.exe"
case_ "key without certificate" refuses "$w/a.exe" --key "$w/signer.key" "$setup" "$w/a.exe"
case_ "missing password file" refuses "$w/b.exe" "${p[@]}" --password-file "$w/none" \
    "$setup" "$w/b.exe"
case_ "an input without output" refuses "$w/a.exe" "${k[@]}" "$setup" "$w/a.exe" "$setup"
case_ "an unknown option" refuses "$w/a.exe" "${k[@]}" --sha1 "$setup" "$w/a.exe"
# Replacing an output folder that holds the input, or lies in it, would
# destroy the input.
case_ "an output folder inside the input folder" refuses "$w/package" "${k[@]}" \
    "$w/package" "$w/package/signed"
case_ "an input folder inside the output folder" refuses "$w/package" "${k[@]}" \
    "$w/package" "$w"
case_ "the input folder as its output" refuses "$w/package" "${k[@]}" "$w/package" "$w/package"

# A signing that goes wrong in place leaves the input as it was.
if bash "$sign" --key "$w/encrypted.key" --cert "$w/signer.pem" --password-file \
    "$w/wrong-password" "$w/in-place-refused.exe" "$w/in-place-refused.exe" >"$w/sign.log" 2>&1; then
    fail "in place with a wrong password: sign.sh signs"
fi
cmp -s "$w/in-place-refused.exe" "$setup" || fail "a failed in-place signing changed its input"
echo "checked: in place with a wrong password"

# A folder: its MSIs signed, its cabinets as they are, and nothing else of an
# earlier output left.
mkdir -p "$w/package-signed"
echo stale >"$w/package-signed/stale.txt"
bash "$sign" "${k[@]}" "$w/package" "$w/package-signed" >"$w/sign.log" 2>&1 ||
    { cat "$w/sign.log" && fail "a folder: sign.sh fails"; }
[ "$(ls "$w/package-signed")" = "$(ls "$package")" ] || fail "a folder: other files than the input's"
for file in "$package"/*; do
    name="$(basename "$file")"
    case "${name,,}" in
    *.msi) verifies "$w/package-signed/$name" || fail "a folder: $name does not verify" ;;
    *) cmp -s "$file" "$w/package-signed/$name" || fail "a folder: $name was changed" ;;
    esac
done
echo "checked: a folder"

leftovers="$(find "$w" -name '*.signing-*')"
[ -z "$leftovers" ] || fail "partial outputs left: $leftovers"

finish
