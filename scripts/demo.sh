#!/usr/bin/env bash
# Builds Setup.exe and the sample driver package, lays out a medium, and runs
# the launcher on it under Wine with Wine's own Windows Installer: an install
# in the chosen language through the language dialog, then an uninstall.
# Usage: scripts/demo.sh [Japanese|English]
# Without a display (or without SETUP_USE_DISPLAY=1) the dialog is on a
# virtual display and a probe answers it; with SETUP_USE_DISPLAY=1 and a
# display, you choose the language yourself.
set -euo pipefail
cd "$(dirname "$0")/.."
language="${1:-Japanese}"

step() { printf '\n== %s\n' "$*"; }
say() { printf '   %s\n' "$*"; }

. scripts/wine-env.sh
step "Building the sample driver package and Setup.exe sealed to it, and signing them"
wine_env_build build medium dialog_probe Setup sample_update
say "build/sealed/Setup.exe, $(stat -c %s build/sealed/Setup.exe) bytes, runs only the signed MSIs"
say "and cabinets of build/signed/Package; both signed into build/signed"
# Without a release certificate the build signs with a throwaway one.
trust=build/signing/test-signer.pem
if [ -f "$trust" ]; then
    for file in build/signed/Setup.exe build/signed/Package/*.msi; do
        if osslsigncode verify -CAfile "$trust" -in "$file" 2>/dev/null | grep -q 'Signature verification: ok'; then
            say "$(basename "$file"): signature verified against the throwaway test certificate"
        fi
    done
fi

mkdir -p build/demo
wine_env_session build/demo
wine_env_install_fonts

vendor=$(branding_text build/generated/branding.h SETUP_VENDOR_TEXT)
product=$(branding_text build/generated/branding.h SETUP_PRODUCT_TEXT)
package=$(branding_text build/generated/branding.h SETUP_PACKAGE_TEXT)
flag_key=$(wine_env_flag_key build/generated/branding.h)
code_of() { msiinfo export "build/package/$package$1.msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
declare -A codes=([x86]="$(code_of x86)" [x64]="$(code_of x64)")

# The product as Windows Installer knows it: which package, which name. An
# x64 package registers in the 64-bit view of the registry, an x86 one in the
# 32-bit view.
uninstall_key() { echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${codes[$1]}"; }
view_of() { [ "$1" = x64 ] && echo /reg:64 || echo /reg:32; }
reg_value() {
    wine reg query "$1" /v "$2" ${3:-} 2>/dev/null </dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' || true
}
show_installed() {
    local arch name listed=0
    for arch in x64 x86; do
        name=$(reg_value "$(uninstall_key "$arch")" DisplayName "$(view_of "$arch")")
        if [ -n "$name" ]; then
            say "Windows Installer lists \"$name\" ${codes[$arch]},"
            say "installed from $package$arch.msi."
            listed=1
        fi
    done
    [ "$listed" = 1 ] || say "Windows Installer lists no $vendor product."
    local installed culture
    installed=$(reg_value "$flag_key" installed)
    culture=$(reg_value "$flag_key" culture)
    say "$flag_key"
    say "  installed = ${installed:-(none)}, culture = ${culture:-(none)}"
    local folder
    for folder in "Program Files" "Program Files (x86)"; do
        if [ -d "$WINEPREFIX/drive_c/$folder/$vendor/$product" ]; then
            say "C:\\$folder\\$vendor\\$product:"
            (cd "$WINEPREFIX/drive_c/$folder/$vendor/$product" && ls -l | tail -n +2 | awk '{ print "     " $5 "\t" $9 }')
        fi
    done
}

# The value of each line "<time> <what>: <value>" of a launcher's log.
log_entries() {
    tr -d '\r' <"$1" | sed -n -E "s/^[0-9-]+ [0-9:.]+ $2: //p"
}
# A path in this folder as a path from it.
from_here() { echo "${1#"$PWD/"}"; }

# The logs of the run that started after the file $1 was made: the
# launcher's, the newest of its names in the Windows folder's Temp, where an
# elevated launcher writes, and the installer's, which the launcher's log
# names on the msiexec.exe command line. Then the staging folder it used.
show_run_logs() {
    local temp log installer_log staged host
    temp="$(wine_env_staging_folder)"
    log=$(find "$temp" -maxdepth 1 -name '*_Setup_*.log' ! -name '*_msi.log' -newer "$1" -printf '%T@ %p\n' 2>/dev/null |
        sort -n | tail -n 1 | cut -d' ' -f2-) || true
    if [ -z "$log" ]; then
        say "Setup.exe left no log of this run in $(from_here "$temp")."
        return
    fi
    say "Setup.exe logged the run in $(from_here "$log"),"
    say "  which Windows names $(winpath "$log")."
    installer_log=$(log_entries "$log" 'msiexec\.exe command' | sed -n 's/.* \/l\*v "\([^"]*\)"$/\1/p' | tail -n 1)
    if [ -n "$installer_log" ]; then
        say "The installer's verbose log is $(from_here "$(unixpath "$installer_log")"),"
        say "  which Windows names $installer_log."
    fi
    log_entries "$log" 'staging folder' | while IFS= read -r staged; do
        host=$(unixpath "$staged")
        say "It staged the package in $staged ($(from_here "$host")),"
        if [ -e "$host" ]; then say "  which is still there."; else say "  which is gone now."; fi
    done
    say "What the launcher's log says of the run:"
    tr -d '\r' <"$log" | grep -E "staging folder: |msiexec.exe command: |source list: |exit code " | sed 's/^/     /' || true
}

# An earlier demo that was stopped halfway may have left the product behind.
for arch in x86 x64; do
    wine msiexec /x "${codes[$arch]}" /qn >/dev/null 2>&1 </dev/null || true
done

medium=build/demo/medium
step "The medium that the build laid out (build/medium), copied to $medium"
rm -rf "$medium"
cp -r build/medium "$medium"
(cd "$medium" && sha256sum --quiet -c SHA256SUMS) && say "Its files match its SHA256SUMS."
(cd "$medium" && find . -type f | sort | sed 's/^\./     /')
before=$(cd "$medium" && find . -type f -exec sha256sum {} + | sort)

step "Before: nothing is installed"
show_installed

step "Starting Setup.exe without switches (this Windows is 64-bit, so it must choose $package""x64.msi)"
run_started=build/demo/run-started
touch "$run_started"
if [ "${SETUP_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    say "The language dialog is on your display: choose a language and press OK."
    wine "$medium/Setup.exe" </dev/null >/dev/null 2>&1 && status=0 || status=$?
else
    appeared=build/demo/dialog-appeared
    answer=build/demo/dialog-answer
    rm -f "$appeared" "$answer"
    wine "$medium/Setup.exe" </dev/null >/dev/null 2>&1 &
    setup=$!
    wine build/tests/tools/dialog_probe.exe "$language" "$(winpath "$appeared")" "$(winpath "$answer")" \
        </dev/null 2>/dev/null &
    probe=$!
    for _ in $(seq 1 600); do
        [ -e "$appeared" ] && break
        sleep 0.1
    done
    if wine_env_screenshot build/demo/language-dialog.png; then
        say "A picture of the dialog: build/demo/language-dialog.png"
    fi
    touch "$answer"
    wait "$probe" || true
    wait "$setup" && status=0 || status=$?
fi
say "Setup.exe ended with exit code $status."

step "After the install"
show_installed
case "$(reg_value "$flag_key" culture)" in
ja-JP) say "The Japanese transform :ja-JP.mst was applied." ;;
en-US) say "No transform was applied: the package's own English." ;;
esac
show_run_logs "$run_started"

update_version=$(msiinfo export "build/package-update/${package}x64.msi" Property | tr -d '\r' |
    awk -F'\t' '$1 == "ProductVersion" { print $2 }')
update_medium=build/demo/medium-update
step "A medium of the same product at version $update_version ($update_medium: the unsealed Setup.exe beside build/package-update)"
rm -rf "$update_medium"
mkdir -p "$update_medium/Package"
cp build/src/Setup.exe "$update_medium/"
cp build/package-update/* "$update_medium/Package/"
say "Starting its Setup.exe /qn: the same product from another package, so an update in place"
touch "$run_started"
wine "$update_medium/Setup.exe" /qn </dev/null >/dev/null 2>&1 && status=0 || status=$?
say "Setup.exe ended with exit code $status."
show_run_logs "$run_started"
say "Windows Installer's version of the product: $(reg_value "$(uninstall_key x64)" DisplayVersion /reg:64)"

step "Starting the first medium's Setup.exe /x /qn (an uninstall run, of a product that it did not install: removed by its product code)"
touch "$run_started"
wine "$medium/Setup.exe" /x /qn </dev/null >/dev/null 2>&1 && status=0 || status=$?
say "Setup.exe ended with exit code $status."
show_run_logs "$run_started"

step "After the uninstall"
show_installed
after=$(cd "$medium" && find . -type f -exec sha256sum {} + | sort)
if [ "$before" = "$after" ]; then
    say "The medium is unchanged."
else
    say "The medium changed!"
    exit 1
fi
temp="$(wine_env_staging_folder)"
if compgen -G "$temp/QLN*" >/dev/null; then
    say "A staging folder was left behind in $temp."
    exit 1
fi
say "No staging folder is left in the Windows folder's Temp."
