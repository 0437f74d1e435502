#!/usr/bin/env bash
# Measures the launcher's speed and size, each figure as a ratio to a
# yardstick measured side by side in the same run, so that other work on the
# machine weighs on both. Prints the table and writes it, with the machine it
# ran on, to docs/benchmarks.md. Not part of the tests.
# Usage: bench/run.sh
#   BENCH_RUNS          timed runs per figure, 15 by default (the median counts)
#   BENCH_STAGING_RUNS  timed runs of the 1 GiB staging, 5 by default
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-bench
out=$build/bench
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

./scripts/bootstrap.sh
note "building Setup.exe, the stand-in installer and the yardsticks in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target Setup stand_in_msiexec >/dev/null
mkdir -p "$out"
# The flags of the project's own programs, Unicode and a static runtime.
cxx=(i686-w64-mingw32-g++-posix -std=c++17 -pedantic-errors -Wall -Wextra -Werror -O2 -municode
    -static -s -DUNICODE -D_UNICODE -DNOMINMAX -DWIN32_LEAN_AND_MEAN -D_WIN32_WINNT=0x0600)
i686-w64-mingw32-windres bench/bare_dialog.rc -O coff -o "$out/bare_dialog.res.o"
"${cxx[@]}" -mwindows bench/bare_dialog.cpp "$out/bare_dialog.res.o" -o "$out/bare_dialog.exe"
"${cxx[@]}" bench/dialog_timer.cpp -o "$out/dialog_timer.exe"
setup=$build/src/Setup.exe
bare=$out/bare_dialog.exe

branding() { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$build/generated/branding.h"; }
vendor=$(branding SETUP_VENDOR_TEXT)
product=$(branding SETUP_PRODUCT_TEXT)
package=$(branding SETUP_PACKAGE_TEXT)

. scripts/wine-env.sh
data=""
msiexec=""
keeper=""
cleanup() {
    if [ -n "$msiexec" ] && [ -e "$msiexec.bench-original" ]; then
        rm -f "$msiexec"
        mv "$msiexec.bench-original" "$msiexec"
    fi
    if [ -n "$data" ]; then
        rm -rf "$data"
    fi
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
wine_env_start "$build"
# With no program on Wine's desktop, a run that starts a second or more after
# the previous one takes about 0.2 s longer: Wine closes the desktop and opens
# it again. On Windows the shell holds the desktop open; a dialog does here.
wine "$bare" >/dev/null 2>&1 </dev/null &
keeper=$!
winpath() { winepath -w "$1" 2>/dev/null; }
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null </dev/null | tr -d '\r')" 2>/dev/null)
[ -n "$temp" ] && [ -d "$temp" ] || fail "the prefix has no temporary folder"
rm -rf "$temp"/QLN*
wine reg delete "HKCU\\Software\\Microsoft\\$vendor\\$product" /f >/dev/null 2>&1 </dev/null || true

# The stand-in where the 32-bit launcher finds msiexec.exe; an aborted run may
# have left the original in the backup already.
system=$WINEPREFIX/drive_c/windows/syswow64
own_msi=${package}x64.msi
if [ ! -d "$system" ]; then
    system=$WINEPREFIX/drive_c/windows/system32
    own_msi=${package}x86.msi
fi
msiexec=$system/msiexec.exe
[ -e "$msiexec.bench-original" ] || mv "$msiexec" "$msiexec.bench-original"
cp "$build/tests/tools/stand_in_msiexec.exe" "$msiexec"

data=$(mktemp -d "$build/data.XXXXXX")
record=$data/record.txt
SETUP_TEST_RECORD=$(winpath "$record")
export SETUP_TEST_RECORD

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
big_bytes=$(cat "$big/Package/$own_msi" "$big/Package/"*.cab | wc -c)
for n in "${cab_counts[@]}"; do
    make_medium "$data/cabs$n" 4096
    head -c "$cab_total" /dev/urandom |
        split -b $((cab_total / n)) -a 4 -d --additional-suffix=.cab - "$data/cabs$n/Package/data"
done
sync

# Microseconds that the command takes, from a clean page cache of writes and
# with the previous run's aftermath settled: right after a run that deleted a
# thousand files the next one takes about twice as long.
elapsed_us() {
    local start end
    sync
    sleep 0.3
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 </dev/null || return 1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

# Runs Setup.exe /qn on a medium and checks that the stand-in found the MSI
# and every cabinet staged and that the staged copy is gone again.
staged_run_us() {
    local medium=$1 files=$2 us listed
    rm -f "$record"
    us=$(elapsed_us timeout 600 wine "$medium/Setup.exe" /qn) || fail "Setup.exe /qn on $medium failed"
    listed=$(iconv -f UTF-16LE -t UTF-8 "$record" 2>/dev/null | tail -n +4 | grep -c . || true)
    [ "$listed" = "$files" ] || fail "the stand-in saw $listed staged files in $medium, not $files"
    if compgen -G "$temp/QLN*" >/dev/null; then
        fail "Setup.exe left its staging folder in $temp"
    fi
    echo "$us"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "%.0f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v us="$1" 'BEGIN { ms = us / 1000; printf(ms < 100 ? "%.1f ms" : "%.0f ms", ms) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

note "timing Wine's start of a program that does nothing"
elapsed_us wine "$out/dialog_timer.exe" 0 >/dev/null
start_times=()
for _ in $(seq 1 "$runs"); do
    start_times+=("$(elapsed_us wine "$out/dialog_timer.exe" 0)")
done
wine_start=$(median "${start_times[@]}")

note "timing Setup.exe /qn against the number of cabinets"
declare -A cab_times
for n in "${cab_counts[@]}"; do
    staged_run_us "$data/cabs$n" $((n + 1)) >/dev/null
done
for _ in $(seq 1 "$runs"); do
    for n in "${cab_counts[@]}"; do
        cab_times[$n]+=" $(staged_run_us "$data/cabs$n" $((n + 1)))"
    done
done
declare -A cab_median
for n in "${cab_counts[@]}"; do
    # shellcheck disable=SC2086 # the list is split on purpose
    cab_median[$n]=$(median ${cab_times[$n]})
done

note "timing the staging of $((big_bytes / 1024 / 1024)) MiB against cp, $staging_runs times"
copy_us() {
    mkdir "$data/copy"
    elapsed_us cp "$big/Package/$own_msi" "$big/Package/"*.cab "$data/copy/" || fail "cp failed"
    rm -rf "$data/copy"
}
# The first gigabyte written in a while costs more (the memory behind the page
# cache is touched for the first time), so a round that is not counted goes first.
copy_us >/dev/null
staged_run_us "$big" $((big_cabs + 1)) >/dev/null
launcher_times=()
cp_times=()
for _ in $(seq 1 "$staging_runs"); do
    cp_times+=("$(copy_us)")
    launcher_times+=("$(staged_run_us "$big" $((big_cabs + 1)))")
done
launcher_median=$(median "${launcher_times[@]}")
cp_median=$(median "${cp_times[@]}")

note "timing the start to the visible dialog, Setup.exe and the bare dialog in turn"
wine "$out/dialog_timer.exe" "$runs" "$(winpath "$data/cabs1/Setup.exe")" "$(winpath "$bare")" \
    >"$data/dialog.tsv" 2>"$data/dialog.err" </dev/null &
timer=$!
# The timer is a 32-bit program: its process shows whether the kernel runs
# Wine's 32-bit loader itself or hands it to qemu-i386.
loader=""
while kill -0 "$timer" 2>/dev/null; do
    exe=$(readlink "/proc/$timer/exe" 2>/dev/null || true)
    case "$exe" in
    *qemu* | */wine-preloader* | */wine)
        loader=$exe
        break
        ;;
    esac
    sleep 0.02
done
wait "$timer" || fail "dialog_timer failed: $(cat "$data/dialog.err")"
dialog_of() { awk -v p="$1" '$1 == p { printf "%.0f\n", $2 * 1000 }' "$data/dialog.tsv"; }
# shellcheck disable=SC2046 # one value per line
setup_dialog=$(median $(dialog_of 1))
# shellcheck disable=SC2046
bare_dialog=$(median $(dialog_of 2))
case "$loader" in
*qemu*) qemu="yes ($loader runs Wine's 32-bit loader)" ;;
"") qemu="unknown (the timer's process was not seen)" ;;
*) qemu="no (the kernel runs $loader itself)" ;;
esac

setup_size=$(stat -c %s "$setup")
bare_size=$(stat -c %s "$bare")
section_kib() {
    local size
    size=$(i686-w64-mingw32-objdump -h "$1" | awk -v name="$2" '$2 == name { print $3 }')
    awk -v b="$(printf '%d' "0x${size:-0}")" 'BEGIN { printf "%.0f", b / 1024 }'
}
# Code and read-only data of the launcher's own objects, an upper bound for
# what they bring into the image.
own_kib=$(find "$build/src" -name '*.obj' -exec i686-w64-mingw32-size -t {} + |
    awk 'END { printf "%.0f", $1 / 1024 }')

# What each figure is made of, from the numbers above.
fixed_us=$((2 * wine_start))
copy_part=$((launcher_median - fixed_us))
mib_s() { awk -v b="$big_bytes" -v us="$1" 'BEGIN { printf "%.0f", b / 1048576 / (us / 1e6) }'; }
if ((copy_part > launcher_median / 2)); then
    dominates1="File copy bandwidth: after two Wine process starts (launcher and stand-in, about $(ms "$fixed_us")) the launcher copies at $(mib_s "$copy_part") MiB/s, cp at $(mib_s "$cp_median") MiB/s"
else
    dominates1="Wine process start: two of them (launcher and stand-in) take about $(ms "$fixed_us") of $(ms "$launcher_median")"
fi
t1=${cab_median[1]}
t100=${cab_median[100]}
t1000=${cab_median[1000]}
per_cab=$(awk -v a="$t1" -v b="$t1000" 'BEGIN { printf "%.0f", (b - a) / 999 }')
# Linear when a cabinet costs about the same below and above 100 of them.
slope_low=$(awk -v a="$t1" -v b="$t100" 'BEGIN { printf "%.0f", (b - a) / 99 }')
slope_high=$(awk -v a="$t100" -v b="$t1000" 'BEGIN { printf "%.0f", (b - a) / 900 }')
slopes="each cabinet adds $(ms "$slope_low") up to 100 cabinets and $(ms "$slope_high") from 100 to 1000"
if awk -v l="$slope_low" -v h="$slope_high" 'BEGIN { exit !(h * 2 <= l * 3 && l * 2 <= h * 3) }'; then
    linear="looks linear: $slopes"
elif ((slope_high > slope_low)); then
    linear="grows faster than linear: $slopes (likely in part because Wine reads the staging folder to look up each new name regardless of case, so a copy costs more as the folder fills)"
else
    linear="grows slower than linear: $slopes"
fi
if ((per_cab > 0)); then
    crossover=$(awk -v t="$t1" -v c="$per_cab" 'BEGIN { printf "%.0f", t / c }')
    dominates2="Wine process start up to about $crossover cabinets (the 1-cab run takes $(ms "$t1")), per-file overhead beyond: on average each cabinet adds $(ms "$per_cab") (found, copied, deleted under Wine)"
else
    dominates2="Wine process start: the cabinets add nothing measurable"
fi
dominates3="Wine's start of a GUI process: a program that does nothing takes $(ms "$wine_start") from the shell, the bare dialog $(ms "$bare_dialog"); what the launcher does before its dialog (common controls, the installed check, the language list, icons) adds $(ms $((setup_dialog - bare_dialog)))"
dominates4="The statically linked C++ runtime: of .text $(section_kib "$setup" .text) KiB and .eh_frame $(section_kib "$setup" .eh_fram) KiB (unwind tables), the launcher's own objects bring at most $own_kib KiB; resources are $(section_kib "$setup" .rsrc) KiB"
if [[ "$qemu" == yes* ]]; then
    dominates1+=", with the 32-bit copy loop under qemu-i386"
    dominates3+="; qemu-i386 emulates all of Wine's 32-bit start-up"
fi

row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }
table=$(
    row Figure Measured Launcher Yardstick Ratio Runs
    row --- --- ---: ---: ---: ---:
    row 1 "Staging $big_cabs × $big_cab_mib MiB cabs and a 2 MiB MSI: \`Setup.exe /qn\` vs \`cp\` into a fresh folder" \
        "$(ms "$launcher_median")" "$(ms "$cp_median")" "$(ratio "$launcher_median" "$cp_median")" "$staging_runs"
    for n in "${cab_counts[@]}"; do
        row 2 "\`Setup.exe /qn\` with $n cab(s), $cab_total bytes in all, vs 1 cab" \
            "$(ms "${cab_median[$n]}")" "$(ms "$t1")" "$(ratio "${cab_median[$n]}" "$t1")" "$runs"
    done
    row 3 "Start to visible dialog: \`Setup.exe\` vs \`bare_dialog.exe\`" \
        "$(ms "$setup_dialog")" "$(ms "$bare_dialog")" "$(ratio "$setup_dialog" "$bare_dialog")" "$runs"
    row 4 "Size: \`Setup.exe\` vs \`bare_dialog.exe\`" \
        "$setup_size bytes" "$bare_size bytes" "$(ratio "$setup_size" "$bare_size")" "–"
)
dominates=$(
    printf '1. %s.\n' "$dominates1"
    printf '2. %s. Time against cabinet count %s.\n' "$dominates2" "$linear"
    printf '3. %s.\n' "$dominates3"
    printf '4. %s.\n' "$dominates4"
)

# Every timed run, so that a reader can judge the noise behind a median.
list_ms() { printf '%s\n' "$@" | awk '{ printf "%s%.0f", (NR > 1 ? " " : ""), $1 / 1000 } END { print "" }'; }
raw=$(
    printf -- '- 1: Setup.exe %s; cp %s\n' "$(list_ms "${launcher_times[@]}")" "$(list_ms "${cp_times[@]}")"
    for n in "${cab_counts[@]}"; do
        # shellcheck disable=SC2086 # the list is split on purpose
        printf -- '- 2, %s cab(s): %s\n' "$n" "$(list_ms ${cab_times[$n]})"
    done
    # shellcheck disable=SC2046 # one value per line
    printf -- '- 3: Setup.exe %s; bare_dialog.exe %s\n' "$(list_ms $(dialog_of 1))" "$(list_ms $(dialog_of 2))"
    printf -- '- Wine start of a program that does nothing: %s\n' "$(list_ms "${start_times[@]}")"
)

printf '%s\n\n%s\n' "$table" "$dominates"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
cat >docs/benchmarks.md <<EOF
# Benchmarks

Written by \`./bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src res cmake CMakeLists.txt tests/tools || echo ' with local changes').
Every figure is a ratio to a yardstick timed side by side in the same run, so
that other work on the machine weighs on both; the times are medians.

| Machine | |
|---|---|
| CPU | $cpu |
| Cores | $(nproc) |
| Memory | $(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) |
| Kernel | $(uname -srm) |
| File system of build-bench/ | $(findmnt -n -o FSTYPE -T "$build") |
| Wine | $(wine --version 2>/dev/null) |
| 32-bit code through qemu-i386 | $qemu |
| Load average at the start | $load_at_start |

$table

What dominates each figure:

$dominates

How it is measured: \`Setup.exe /qn\` runs from the shell under Wine, in the
prefix build-bench/wineprefix with a persistent wineserver, with the stand-in
installer in place of the prefix's \`msiexec.exe\`; each run is checked to have
staged the MSI and every cabinet and to have removed the copy again. The time
covers Wine's start of the launcher, the staging, the stand-in's run and the
removal of the copy; \`cp\` copies the same files into a fresh folder. Before
every timed run the written pages are flushed (\`sync\`) and the machine is
left alone for 0.3 s; the package is in the page cache for both, and a bare
dialog holds Wine's desktop open throughout, as the shell does on Windows.
The dialog times come from \`bench/dialog_timer.cpp\`, a Win32 program that
starts each program in turn, polls with \`EnumWindows\` for a visible
\`#32770\` window of its process (QueryPerformanceCounter), then cancels it;
\`bench/bare_dialog.cpp\` shows a dialog of the launcher's size and controls
and nothing else. A program that does nothing takes $(ms "$wine_start") to
start under Wine from the shell (median of $runs).

Every timed run in milliseconds, in the order of the runs:

$raw
EOF
note "written to docs/benchmarks.md"
