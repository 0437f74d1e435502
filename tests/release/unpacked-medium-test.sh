#!/usr/bin/env bash
# Unpacks the release archive as a user would, into a folder whose path holds
# spaces and non-ASCII characters, checks it against its hashes, and runs
# Setup.exe from there under Wine (medium_tests, in a prefix of its own with
# the stand-in installer). The unpacked medium must come through unchanged.
# Usage: unpacked-medium-test.sh <archive> <medium dir> <built package dir> <work dir>
#        <locales dir> <run-in-prefix.sh> <prefix> <medium_tests.exe> <stand_in_msiexec.exe>
. "$(dirname "$0")/../support/shell-test.sh"
archive="$1" medium="$2" package="$3" work="$4" locales="$5"
run_in_prefix="$6" prefix="$7" tests="$8" stand_in="$9"

# Wine turns Unix paths into Windows ones in the charset of the Unix locale.
export LOCPATH="$locales" LANG=en_US.UTF-8 LC_ALL=
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] ||
    fail_now "no en_US.UTF-8 locale in $locales (scripts/test.sh compiles it)"

unpacked="$work/Setup medium ü 日本語"
fresh_dir "$work"
mkdir -p "$unpacked"

(cd "$(dirname "$archive")" && sha256sum --quiet -c "$(basename "$archive").sha256") ||
    fail_now "the archive does not match its hash"
unzip -q "$archive" -d "$unpacked"
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) ||
    fail_now "the unpacked medium fails SHA256SUMS"

files() { (cd "$1" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort); }
[ "$(files "$unpacked")" = "$(cut -d' ' -f3- "$unpacked/SHA256SUMS" | LC_ALL=C sort)" ] ||
    fail_now "SHA256SUMS does not list every file of the medium"
diff -r "$medium" "$unpacked" >/dev/null ||
    fail_now "the unpacked archive differs from $medium"
[ -f "$unpacked/Setup.exe" ] || fail_now "no Setup.exe at the top of the medium"
packaged() { (cd "$1" && find . -maxdepth 1 -type f \( -iname '*.msi' -o -iname '*.cab' \) | sort); }
[ "$(packaged "$unpacked/Package")" = "$(packaged "$package")" ] ||
    fail_now "Package does not hold the built package's MSIs and cabinets"

tree() {
    (cd "$1" && find . -printf '%y %p\n' | LC_ALL=C sort &&
        find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}
before="$(tree "$unpacked")"
bash "$run_in_prefix" --stand-in "$stand_in" "$prefix" win64 "$tests" medium="$unpacked" ||
    fail_now "Setup.exe did not install from the unpacked medium"
[ "$(tree "$unpacked")" = "$before" ] || fail_now "the run changed the unpacked medium"

finish
