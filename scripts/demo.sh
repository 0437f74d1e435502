#!/usr/bin/env bash
# Builds Setup.exe and runs it under Wine on a demonstration medium: Setup.exe
# beside a Package folder, with a stand-in that takes the place of msiexec.exe
# and reports how the launcher started it. Usage: scripts/demo.sh [switches]
set -euo pipefail
cd "$(dirname "$0")/.."

switches=("$@")
[ ${#switches[@]} -eq 0 ] && switches=(/passive)

./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default --target Setup stand_in_msiexec >/dev/null

. scripts/wine-env.sh
medium=build/demo/medium
msiexec=""
cleanup() {
    [ -n "$msiexec" ] && [ -f "$msiexec.demo-original" ] && mv -f "$msiexec.demo-original" "$msiexec"
    wine_env_stop
}
trap cleanup EXIT
wine_env_start build

echo "== Laying out the medium in $medium"
rm -rf build/demo
mkdir -p "$medium/Package"
cp build/src/Setup.exe "$medium/"
package=$(sed -n 's/^ *IDS_PACKAGE_NAME "\(.*\)"/\1/p' res/setup.rc)
head -c 4096 /dev/urandom >"$medium/Package/${package}x64.msi"
head -c 4096 /dev/urandom >"$medium/Package/${package}x86.msi"
head -c 65536 /dev/urandom >"$medium/Package/data1.cab"
head -c 16384 /dev/urandom >"$medium/Package/data2.cab"
(cd "$medium" && find . -type f | sort | sed 's/^/   /')

# A 32-bit program on the 64-bit prefix finds its system folder in syswow64.
msiexec="$WINEPREFIX/drive_c/windows/syswow64/msiexec.exe"
[ -f "$msiexec.demo-original" ] || mv "$msiexec" "$msiexec.demo-original"
cp build/tests/tools/stand_in_msiexec.exe "$msiexec"

record=build/demo/record.txt
echo "== Starting Setup.exe ${switches[*]}"
SETUP_TEST_RECORD="$(winepath -w "$record" 2>/dev/null)" wine "$medium/Setup.exe" "${switches[@]}" </dev/null
echo "   Setup.exe ended with exit code $?"

if [ ! -f "$record" ]; then
    echo "== The installer was not started (interactive mode, or an error box was shown)."
    exit 0
fi
mapfile -t lines < <(iconv -f UTF-16LE -t UTF-8 "$record")
echo "== The launcher started the installer"
echo "   program:      ${lines[0]}"
echo "   command line: ${lines[1]}"
echo "   staged in:    ${lines[2]}"
for line in "${lines[@]:3}"; do echo "                 $line"; done
staged="$(winepath -u "${lines[2]%$'\r'}" 2>/dev/null)"
if [ -e "$staged" ]; then
    echo "== The staging folder was left behind: $staged"
    exit 1
fi
echo "== The staging folder is gone again."
