#!/usr/bin/env bash
# Measures the launcher's speed and size, each beside a yardstick in the same
# run, and writes every timed run as one line "figure<TAB>run<TAB>seconds" to
# build-bench/bench-results/results.tsv (sizes in bytes), with the machine's
# facts in machine.tsv; bench/report.py then writes docs/benchmarks.md.
# Not part of the tests.
# Usage: bench/run.sh
#   BENCH_RUNS          timed runs per process figure, 15 by default
#   BENCH_STAGING_RUNS  timed runs of the 1 GiB staging, 5 by default
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-bench
out=$build/bench-results
runs=${BENCH_RUNS:-15}
staging_runs=${BENCH_STAGING_RUNS:-5}
cab_counts=(1 10 100 1000)
cab_total=64000
big_cabs=8
big_cab_mib=128

note() { printf 'bench: %s\n' "$*" >&2; }
fail() {
    note "$*"
    exit 1
}

. scripts/wine-env.sh
note "building Setup.exe, the stand-in installer and the yardsticks in $build"
wine_env_build "$build" Setup stand_in_msiexec bare_dialog dialog_timer bare_install bare_hash
setup=$build/src/Setup.exe
bare_dialog=$build/bench/bare_dialog.exe
dialog_timer=$build/bench/dialog_timer.exe
bare_install=$build/bench/bare_install.exe
bare_hash=$build/bench/bare_hash.exe
rm -rf "$out"
mkdir -p "$out"
results=$out/results.tsv
: >"$results"

names=$build/generated/branding.h
package=$(branding_text "$names" SETUP_PACKAGE_TEXT)
flag_key=$(wine_env_flag_key "$names")

data=""
keeper=""
cleanup() {
    [ -z "$data" ] || rm -rf "$data"
    if [ -n "$keeper" ]; then
        kill "$keeper" 2>/dev/null || true
        wait "$keeper" 2>/dev/null || true
    fi
    wine_env_stop
}
trap cleanup EXIT
# The launcher's dialog in the same language on every machine.
export LC_ALL=C.UTF-8
load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
note "starting Wine in $build/wineprefix"
# Ended by cleanup, with the rest.
wine_env_start "$build"
# With no program on Wine's desktop, a run that starts a second or more after
# the previous one takes longer: Wine closes the desktop and opens it again.
# On Windows the shell holds the desktop open; a dialog does here.
wine "$bare_dialog" >/dev/null 2>&1 </dev/null &
keeper=$!
wine_env_install_stand_in "$build/tests/tools/stand_in_msiexec.exe"
wine reg delete "$flag_key" /f >/dev/null 2>&1 </dev/null || true
temp=$(wine_env_staging_folder)
[ -d "$temp" ] || fail "the prefix has no folder $temp"
rm -rf "$temp"/QLN*
own_msi=${package}x64.msi
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] || own_msi=${package}x86.msi

data=$(mktemp -d "$build/data.XXXXXX")
record=$data/record.txt
copy=$temp/bare-copy

# A medium: Setup.exe beside Package\ with both MSIs of the given size.
make_medium() {
    mkdir -p "$1/Package"
    cp "$setup" "$1/"
    head -c "$2" /dev/urandom >"$1/Package/${package}x64.msi"
    head -c "$2" /dev/urandom >"$1/Package/${package}x86.msi"
}

note "laying out the media in $data"
big=$data/big
make_medium "$big" $((2 * 1024 * 1024))
for i in $(seq 1 "$big_cabs"); do
    head -c $((big_cab_mib * 1024 * 1024)) /dev/urandom >"$big/Package/data$i.cab"
done
printf 'param\tstaging-bytes\t%s\n' "$(cat "$big/Package/$own_msi" "$big/Package/"*.cab | wc -c)" >>"$results"
# The same medium with a launcher sealed to its package, which checks what
# it staged; the package's files are the same files, hard-linked.
note "building Setup.exe sealed to $big/Package"
cmake -S "$root" --preset default -B "$build/sealed" -DSETUP_BUILD_TESTS=OFF \
    -DSETUP_SEAL_PACKAGE="$big/Package" >/dev/null
cmake --build "$build/sealed" --target Setup >/dev/null
sealed=$data/big-sealed
mkdir -p "$sealed"
cp "$build/sealed/src/Setup.exe" "$sealed/"
cp -al "$big/Package" "$sealed/Package"
printf 'param\tstaging-cabinets\t%s\n' "$big_cabs" >>"$results"
printf 'param\tcab-bytes\t%s\n' "$cab_total" >>"$results"
for n in "${cab_counts[@]}"; do
    make_medium "$data/cabs$n" 4096
    head -c "$cab_total" /dev/urandom |
        split -b $((cab_total / n)) -a 4 -d --additional-suffix=.cab - "$data/cabs$n/Package/data"
done
sync

# Runs Setup.exe /qn on a medium once and checks that the stand-in saw the MSI
# and every cabinet staged, and that the staged copy is gone again.
check_medium() {
    local medium=$1 files=$2 staged
    rm -f "$record"
    # Only here does the stand-in record what it sees; the timed runs go without.
    SETUP_TEST_RECORD=$(winpath "$record") wine "$medium/Setup.exe" /qn >/dev/null 2>&1 </dev/null ||
        fail "Setup.exe /qn on $medium failed"
    staged=$(iconv -f UTF-16LE -t UTF-8 "$record" 2>/dev/null | tail -n +4 |
        grep -vc '^access \|^inherited \|^$' || true)
    [ "$staged" = "$files" ] || fail "the stand-in saw $staged staged files in $medium, not $files"
    check_no_staging_left
}
check_no_staging_left() {
    if compgen -G "$temp/QLN*" >/dev/null; then
        fail "Setup.exe left its staging folder in $temp"
    fi
}

# Times the commands (-n name command ...) with hyperfine and appends every
# run to the results: timed <figure> <runs> <hyperfine arguments>...
timed() {
    local figure=$1 count=$2
    shift 2
    hyperfine --style basic --warmup 1 --runs "$count" --export-json "$out/last.json" \
        --prepare "sync; sleep 0.3; rm -rf '$copy'" "$@" >"$out/hyperfine-$figure.log" 2>&1 ||
        fail "hyperfine failed on $figure: see $out/hyperfine-$figure.log"
    jq -r --arg figure "$figure" '.results[] | .command as $run | .times[] | [$figure, $run, .] | @tsv' \
        "$out/last.json" >>"$results"
}
# The launcher on a medium, and bare_install doing the same job.
staging_commands() {
    local medium=$1
    printf '%s\0' -n "Setup.exe /qn" "wine '$medium/Setup.exe' /qn" \
        -n bare_install "wine '$bare_install' '$(winpath "$copy")\\' '$(winpath "$medium/Package")\\' '$own_msi' '*.cab'"
}

note "timing the staging of $big_cabs x $big_cab_mib MiB cabinets, $staging_runs times"
check_medium "$big" $((big_cabs + 1))
check_medium "$sealed" $((big_cabs + 1))
mapfile -d '' commands < <(staging_commands "$big")
timed staging "$staging_runs" "${commands[@]}" \
    -n "sealed Setup.exe /qn" "wine '$sealed/Setup.exe' /qn" \
    -n bare_hash "wine '$bare_hash' '$(winpath "$big/Package")\\' '$own_msi' '*.cab'" \
    -n cp "mkdir '$copy' && cp '$big/Package/$own_msi' '$big/Package/'*.cab '$copy/'"

note "timing Setup.exe /qn against the number of cabinets"
for n in "${cab_counts[@]}"; do
    check_medium "$data/cabs$n" $((n + 1))
    mapfile -d '' commands < <(staging_commands "$data/cabs$n")
    timed "cabs-$n" "$runs" "${commands[@]}"
done
check_no_staging_left

note "timing Wine's start of a program that does nothing"
timed wine-start "$runs" -n "dialog_timer.exe 0" "wine '$dialog_timer' 0"

note "timing the start to the visible dialog, Setup.exe and the bare dialog in turn"
wine "$dialog_timer" "$runs" "$(winpath "$data/cabs1/Setup.exe")" "$(winpath "$bare_dialog")" \
    2>"$out/dialog.err" </dev/null |
    awk -F'\t' '{ print "dialog\t" ($1 == 1 ? "Setup.exe" : "bare_dialog.exe") "\t" $2 }' \
        >>"$results" || fail "dialog_timer failed: $(cat "$out/dialog.err")"

note "measuring the size"
printf 'size\tSetup.exe\t%s\nsize\tbare_dialog.exe\t%s\n' "$(stat -c %s "$setup")" \
    "$(stat -c %s "$bare_dialog")" >>"$results"
python3 bench/image_parts.py "$build/launcher/Setup.map" >>"$results"

# Whether the kernel hands 32-bit programs, Wine's loader among them, to qemu.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
    qemu="yes (binfmt_misc runs 32-bit programs with qemu-i386-static)"
else
    qemu="no"
fi
{
    printf 'date\t%s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')"
    printf 'commit\t%s\n' "$(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src res cmake bench CMakeLists.txt tests/tools || echo ' with local changes')"
    printf 'CPU\t%s\n' "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
    printf 'Cores\t%s\n' "$(nproc)"
    printf 'Memory\t%s\n' "$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
    printf 'Kernel\t%s\n' "$(uname -srm)"
    printf 'File system of build-bench/\t%s\n' "$(findmnt -n -o FSTYPE -T "$build")"
    printf 'Wine\t%s\n' "$(wine --version 2>/dev/null)"
    printf '32-bit code through qemu-i386\t%s\n' "$qemu"
    printf 'hyperfine\t%s\n' "$(hyperfine --version)"
    printf 'Load average at the start\t%s\n' "$load_at_start"
} >"$out/machine.tsv"

python3 bench/report.py "$results" "$out/machine.tsv" docs/benchmarks.md
note "raw results in $results; the report in docs/benchmarks.md"
