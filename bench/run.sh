#!/usr/bin/env bash
# Measures the launcher's speed and size, each beside a yardstick and beside
# its peer (a general installer's stub doing the same job, bench/peer.nsi) in
# the same run, and writes every timed run as one line
# "figure<TAB>run<TAB>seconds" to build-bench/bench-results/results.tsv (sizes
# and bytes staged in bytes), with the machine's facts in machine.tsv;
# bench/report.py then writes docs/benchmarks.md. Not part of the tests.
# Usage: bench/run.sh
#   BENCH_RUNS          timed runs of each command of a process figure, 15 by
#                       default
#   BENCH_STAGING_RUNS  timed runs of each command of the 1 GiB staging and of
#                       the two-package medium (2 x 512 MiB), 5 by default
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
# The two-package medium: each MSI with cabinets of its own.
two_cabs=4
two_cab_mib=128

note() { printf 'bench: %s\n' "$*" >&2; }
fail() {
    note "$*"
    exit 1
}

. scripts/wine-env.sh
note "building Setup.exe, the stand-in installer, the yardsticks and the peer in $build"
wine_env_build "$build" Setup stand_in_msiexec bare_dialog dialog_timer bare_install bare_hash peer
setup=$build/src/Setup.exe
peer=$build/bench/peer.exe
peer_dialog=$build/bench/peer_dialog.exe
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
# QLNxxxx: the launcher's staging folders; nsxxxx.tmp: the peer's.
rm -rf "$temp"/QLN* "$temp"/ns*.tmp
own_msi=${package}x64.msi
other_msi=${package}x86.msi
if [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    own_msi=${package}x86.msi
    other_msi=${package}x64.msi
fi

data=$(mktemp -d "$build/data.XXXXXX")
record=$data/record.txt
copy=$temp/bare-copy

# A medium: Setup.exe and the peer beside Package\ with both MSIs of the
# given size.
make_medium() {
    mkdir -p "$1/Package"
    cp "$setup" "$peer" "$peer_dialog" "$1/"
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

# A real MSI database (msitools) whose Media table names the given external
# cabinets, with the product facts that the launcher reads; the stand-in
# installer reads nothing of it: make_package_msi <msi> <platform> <cabinet>...
make_package_msi() {
    local msi=$1 platform=$2 disk=0 cabinet queries
    shift 2
    queries=(-q "CREATE TABLE Media (DiskId SHORT NOT NULL, LastSequence LONG NOT NULL, DiskPrompt CHAR(64) LOCALIZABLE, Cabinet CHAR(255), VolumeLabel CHAR(32), Source CHAR(72) PRIMARY KEY DiskId)"
        -q "CREATE TABLE Property (Property CHAR(72) NOT NULL, Value LONGCHAR NOT NULL LOCALIZABLE PRIMARY KEY Property)"
        -q "INSERT INTO Property (Property, Value) VALUES ('ProductCode', '{$(guid)}')"
        -q "INSERT INTO Property (Property, Value) VALUES ('ProductVersion', '1.0.0')")
    for cabinet in "$@"; do
        disk=$((disk + 1))
        queries+=(-q "INSERT INTO Media (DiskId, LastSequence, Cabinet) VALUES ($disk, $disk, '$cabinet')")
    done
    msibuild "$msi" -s "$package $platform" bench "$platform;1033" "{$(guid)}"
    msibuild "$msi" "${queries[@]}"
}
guid() {
    tr '[:lower:]' '[:upper:]' </proc/sys/kernel/random/uuid
}

# The two-package medium: both MSIs with cabinets of their own, and a
# launcher built to stage only those that the chosen MSI may read.
note "building Setup.exe that stages only the cabinets its MSI names"
cmake -S "$root" --preset default -B "$build/needed" -DSETUP_BUILD_TESTS=OFF \
    -DSETUP_STAGE_NEEDED_CABINETS=ON >/dev/null
cmake --build "$build/needed" --target Setup >/dev/null
two=$data/two
mkdir -p "$two/Package"
cp "$build/needed/src/Setup.exe" "$two/"
for platform in Intel x64; do
    arch=${platform/Intel/x86}
    cabinets=()
    for i in $(seq 1 "$two_cabs"); do
        cabinets+=("$arch-$i.cab")
        head -c $((two_cab_mib * 1024 * 1024)) /dev/urandom >"$two/Package/$arch-$i.cab"
    done
    make_package_msi "$two/Package/$package$arch.msi" "$platform" "${cabinets[@]}"
done
own_arch=${own_msi#"$package"}
own_arch=${own_arch%.msi}
printf 'param\ttwo-package-cabinets\t%s\n' "$two_cabs" >>"$results"
sync

# Runs a program once with the stand-in recording what it sees: recorded
# <program> <argument>... Only here does the stand-in record; the timed runs
# go without.
recorded() {
    rm -f "$record"
    SETUP_TEST_RECORD=$(winpath "$record") wine "$@" >/dev/null 2>&1 </dev/null
}
# The files that the stand-in saw staged in the last recorded run, "name size"
# a line.
staged_files() {
    iconv -f UTF-16LE -t UTF-8 "$record" 2>/dev/null | tail -n +4 |
        grep -v '^access \|^inherited \|^$' || true
}
# Runs a program of a medium once, Setup.exe /qn unless another is named
# (check_medium <medium> <files> [<program> <switch>]), and checks that the
# stand-in saw the MSI and every cabinet staged, and that the staged copy is
# gone again.
check_medium() {
    local medium=$1 files=$2 program=${3:-Setup.exe} switch=${4:-/qn} staged
    recorded "$medium/$program" "$switch" || fail "$program $switch on $medium failed"
    staged=$(staged_files | wc -l)
    [ "$staged" = "$files" ] || fail "the stand-in saw $staged files staged by $program in $medium, not $files"
    check_no_staging_left
}
check_no_staging_left() {
    if compgen -G "$temp/QLN*" >/dev/null || compgen -G "$temp/ns*.tmp" >/dev/null; then
        fail "a staging folder stayed behind in $temp"
    fi
}

# Times the commands (-n name command ...) with hyperfine in turns and appends
# every run to the results: timed <figure> <rounds> <hyperfine arguments>...
# Each round is one hyperfine call that runs every command once, in the order
# given, so that a drift of the machine falls on all of them alike; round 0
# warms the caches and is not recorded.
timed() {
    local figure=$1 count=$2 round
    shift 2
    : >"$out/hyperfine-$figure.log"
    for round in $(seq 0 "$count"); do
        hyperfine --style basic --runs 1 --export-json "$out/last.json" \
            --prepare "sync; sleep 0.3; rm -rf '$copy'" "$@" >>"$out/hyperfine-$figure.log" 2>&1 ||
            fail "hyperfine failed on $figure: see $out/hyperfine-$figure.log"
        [ "$round" = 0 ] ||
            jq -r --arg figure "$figure" '.results[] | .command as $run | .times[] | [$figure, $run, .] | @tsv' \
                "$out/last.json" >>"$results"
    done
}
# The launcher on a medium, bare_install and the peer doing the same job.
staging_commands() {
    local medium=$1
    printf '%s\0' -n "Setup.exe /qn" "wine '$medium/Setup.exe' /qn" \
        -n bare_install "wine '$bare_install' '$(winpath "$copy")\\' '$(winpath "$medium/Package")\\' '$own_msi' '*.cab'" \
        -n "peer.exe /S" "wine '$medium/peer.exe' /S"
}

note "timing the staging of $big_cabs x $big_cab_mib MiB cabinets, $staging_runs times"
check_medium "$big" $((big_cabs + 1))
check_medium "$big" $((big_cabs + 1)) peer.exe /S
check_medium "$sealed" $((big_cabs + 1))
mapfile -d '' commands < <(staging_commands "$big")
timed staging "$staging_runs" "${commands[@]}" \
    -n "sealed Setup.exe /qn" "wine '$sealed/Setup.exe' /qn" \
    -n bare_hash "wine '$bare_hash' '$(winpath "$big/Package")\\' '$own_msi' '*.cab'" \
    -n cp "mkdir '$copy' && cp '$big/Package/$own_msi' '$big/Package/'*.cab '$copy/'"

note "timing Setup.exe /qn against the number of cabinets"
for n in "${cab_counts[@]}"; do
    check_medium "$data/cabs$n" $((n + 1))
    check_medium "$data/cabs$n" $((n + 1)) peer.exe /S
    mapfile -d '' commands < <(staging_commands "$data/cabs$n")
    timed "cabs-$n" "$runs" "${commands[@]}"
done
check_no_staging_left

# Each once with the stand-in recording, for the bytes staged: the launcher
# must have staged its MSI and every cabinet that the MSI names, and
# bare_install every file of Package\, as a launcher built without the
# option stages them (the other MSI too, a few KiB).
note "timing the two-package medium, $staging_runs times"
recorded "$two/Setup.exe" /qn || fail "Setup.exe /qn on $two failed"
check_no_staging_left
for name in "$own_msi" $(seq -f "$own_arch-%g.cab" 1 "$two_cabs"); do
    staged_files | grep -q "^$name " || fail "Setup.exe /qn on $two did not stage $name"
done
printf 'bytes\tneeded Setup.exe /qn\t%s\n' "$(staged_files | awk '{ s += $NF } END { print s + 0 }')" >>"$results"
bare_two=("$bare_install" "$(winpath "$copy")\\" "$(winpath "$two/Package")\\" "$own_msi" '*.cab' "$other_msi")
rm -rf "$copy"
recorded "${bare_two[@]}" || fail "bare_install on $two failed"
[ "$(staged_files | wc -l)" = $((2 * two_cabs + 2)) ] || fail "bare_install did not stage every file of $two/Package"
printf 'bytes\tbare_install\t%s\n' "$(staged_files | awk '{ s += $NF } END { print s + 0 }')" >>"$results"
timed two-packages "$staging_runs" -n "needed Setup.exe /qn" "wine '$two/Setup.exe' /qn" \
    -n bare_install "wine $(printf "'%s' " "${bare_two[@]}")"

note "timing Wine's start of a program that does nothing"
timed wine-start "$runs" -n "dialog_timer.exe 0" "wine '$dialog_timer' 0"

note "timing the start to the visible dialog, Setup.exe, the bare dialog and the peer in turn"
wine "$dialog_timer" "$runs" "$(winpath "$data/cabs1/Setup.exe")" "$(winpath "$bare_dialog")" \
    "$(winpath "$data/cabs1/peer_dialog.exe")" 2>"$out/dialog.err" </dev/null |
    awk -F'\t' 'BEGIN { split("Setup.exe bare_dialog.exe peer_dialog.exe", name, " ") }
        { print "dialog\t" name[$1] "\t" $2 }' >>"$results" ||
    fail "dialog_timer failed: $(cat "$out/dialog.err")"

note "measuring the size"
for program in "$setup" "$bare_dialog" "$peer" "$peer_dialog"; do
    printf 'size\t%s\t%s\n' "${program##*/}" "$(stat -c %s "$program")" >>"$results"
done
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
    printf 'makensis (the peer)\t%s\n' "$(makensis -VERSION)"
    printf 'Load average at the start\t%s\n' "$load_at_start"
} >"$out/machine.tsv"

python3 -m doctest bench/report.py || fail "bench/report.py fails its own checks"
python3 bench/report.py "$results" "$out/machine.tsv" docs/benchmarks.md
note "raw results in $results; the report in docs/benchmarks.md"
