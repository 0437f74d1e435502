#!/usr/bin/env bash
# Lays out the distribution medium and archives it.
#
# Usage: make-medium.sh SETUP_EXE PACKAGE_DIR MEDIUM_DIR ARCHIVE
#
# MEDIUM_DIR becomes Setup.exe beside Package\ with the MSIs and cabinets of
# PACKAGE_DIR, and SHA256SUMS, the hashes of those files as sha256sum writes
# them (check with "sha256sum -c SHA256SUMS" in the medium). ARCHIVE is a zip
# of the medium's contents, to be unpacked at the root of a medium, and
# ARCHIVE.sha256 beside it holds the archive's own hash.
# Any failure ends the run with a message and a non-zero status, and leaves
# neither medium nor archive: a partial one must not be shipped.
set -euo pipefail

die() {
    echo "make-medium.sh: $*" >&2
    exit 1
}

[ $# -eq 4 ] || die "usage: make-medium.sh SETUP_EXE PACKAGE_DIR MEDIUM_DIR ARCHIVE"
setup="$1" package="$2" medium="$3" archive="$4"
for tool in zip sha256sum; do
    command -v "$tool" >/dev/null || die "$tool is not installed (scripts/bootstrap.sh)"
done
case "$archive" in
*.zip) ;;
*) die "the archive's name must end in .zip" ;;
esac
archive="$(realpath -m "$archive")"
medium="$(realpath -m "$medium")"
# The medium folder is replaced as a whole, so it must not be some other folder.
if [ -e "$medium" ] && [ -n "$(ls -A "$medium")" ] && [ ! -f "$medium/SHA256SUMS" ]; then
    die "$medium is not an earlier medium; refusing to replace it"
fi
for input in "$setup" "$package"; do
    case "$(realpath -m "$input")/" in
    "$medium"/*) die "$input lies in the medium folder $medium" ;;
    esac
done

rm -rf "$medium" "$archive" "$archive.sha256"
ok=0
trap '[ "$ok" = 1 ] || rm -rf "$medium" "$archive" "$archive.sha256"' EXIT

[ -f "$setup" ] || die "no launcher $setup"
shopt -s nullglob nocaseglob
msis=("$package"/*.msi)
cabinets=("$package"/*.cab)
shopt -u nullglob nocaseglob
# The launcher refuses a package without a cabinet, and needs the MSI of the
# machine's bitness.
for bitness in x64 x86; do
    printf '%s\n' "${msis[@]}" | grep -qi "$bitness\.msi$" || die "$package holds no ...$bitness.msi"
done
[ ${#cabinets[@]} -ge 1 ] || die "$package holds no cabinet"

mkdir -p "$medium/Package"
cp "$setup" "$medium/Setup.exe"
cp "${msis[@]}" "${cabinets[@]}" "$medium/Package/"
chmod 644 "$medium/Setup.exe" "$medium"/Package/*

cd "$medium"
find Setup.exe Package -type f | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS
sha256sum --quiet -c SHA256SUMS >/dev/null || die "the medium changed while it was hashed"
# -X leaves out the owner and extended times, which mean nothing on Windows.
zip -q -X -r "$archive" Setup.exe Package SHA256SUMS
zip -q -T "$archive" >/dev/null || die "$archive does not read back"
cd "$(dirname "$archive")"
sha256sum "$(basename "$archive")" >"$archive.sha256"
ok=1
