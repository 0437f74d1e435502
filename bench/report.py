#!/usr/bin/env python3
"""Turns the raw results of bench/run.sh into docs/benchmarks.md.

Usage: report.py <results.tsv> <machine.tsv> <output.md>

results.tsv holds one line per timed run, "figure<TAB>variant<TAB>seconds";
sizes and the run's parameters come as lines of the same shape, in bytes or
counts. machine.tsv holds "fact<TAB>value" lines about the machine and the
run. Everything written is computed from these lines.
"""
import statistics
import sys
from collections import OrderedDict

CAB_COUNTS = [1, 10, 100, 1000]
# Setup.exe /qn within this ratio of bare_install, which does the same job.
GOAL = 1.10
# The sealed launcher's added time within this ratio of bare_hash.
SEAL_GOAL = 1.10


def read_results(path):
    results = OrderedDict()
    for line in open(path, encoding="utf-8"):
        figure, variant, value = line.rstrip("\n").split("\t")
        results.setdefault(figure, OrderedDict()).setdefault(variant, []).append(float(value))
    return results


def read_facts(path):
    facts = OrderedDict()
    for line in open(path, encoding="utf-8"):
        name, value = line.rstrip("\n").split("\t", 1)
        facts[name] = value
    return facts


def ms(seconds):
    value = seconds * 1000
    return f"{value:.1f} ms" if value < 100 else f"{value:.0f} ms"


def median(values):
    return statistics.median(values)


def timing_rows(figure, variants, yardstick):
    """Table rows: variant, median, fastest, slowest, runs, ratio to the yardstick."""
    base = median(variants[yardstick])
    rows = []
    for variant, times in variants.items():
        rows.append(
            f"| {figure} | `{variant}` | {ms(median(times))} | {ms(min(times))} | "
            f"{ms(max(times))} | {len(times)} | {median(times) / base:.2f} |"
        )
    return rows


def main(results_path, facts_path, output_path):
    results = read_results(results_path)
    facts = read_facts(facts_path)
    params = {name: values[0] for name, values in results.pop("param").items()}
    out = []
    write = out.append

    write("# Benchmarks")
    write("")
    write(f"Written by `bench/report.py` from the results of `./bench/run.sh` of "
          f"{facts.pop('date')}, commit {facts.pop('commit')}. Each figure is measured beside "
          f"its yardstick in the same run; times are medians of the runs, and the ratio is "
          f"to the yardstick of its figure.")
    write("")
    write("| Machine | |")
    write("|---|---|")
    for name, value in facts.items():
        write(f"| {name} | {value} |")
    write("")

    write("## Times")
    write("")
    write("| Figure | Run | Median | Fastest | Slowest | Runs | Ratio |")
    write("|---|---|---:|---:|---:|---:|---:|")
    out.extend(timing_rows("staging", results["staging"], "bare_install"))
    for count in CAB_COUNTS:
        out.extend(timing_rows(f"{count} cab(s)", results[f"cabs-{count}"], "bare_install"))
    out.extend(timing_rows("dialog", results["dialog"], "bare_dialog.exe"))
    out.extend(timing_rows("nothing", results["wine-start"], "dialog_timer.exe 0"))
    write("")

    staged = params["staging-bytes"]
    staging = results["staging"]
    setup, bare = median(staging["Setup.exe /qn"]), median(staging["bare_install"])
    sealed, hashing = median(staging["sealed Setup.exe /qn"]), median(staging["bare_hash"])
    mib = staged / 1048576
    write("What the figures show:")
    write("")
    write(f"- Staging {mib:.0f} MiB ({params['staging-cabinets']:.0f} cabinets and the MSI): "
          f"`Setup.exe /qn` takes {ms(setup - bare)} more than `bare_install`, which does the "
          f"same job (a fresh folder, the copies with `CopyFileW`, the stand-in installer "
          f"started and waited for, the copy removed) as a GUI program with the launcher's "
          f"manifest: {setup / bare:.2f} times its time. `cp` copies the files natively at "
          f"{mib / median(staging['cp']):.0f} MiB/s.")
    write(f"- Sealed: the sealed launcher takes {ms(sealed - setup)} more than the unsealed "
          f"one to check what it staged; `bare_hash`, which hashes the same files with the same "
          f"calls, takes {ms(hashing)} (process start included), {mib / hashing:.0f} MiB/s: "
          f"the check costs {(sealed - setup) / hashing:.2f} times the bare hashing "
          f"(goal: at most {SEAL_GOAL:.2f}).")
    extra = [median(results[f"cabs-{n}"]["Setup.exe /qn"]) -
             median(results[f"cabs-{n}"]["bare_install"]) for n in CAB_COUNTS]
    ratios = [median(results[f"cabs-{n}"]["Setup.exe /qn"]) /
              median(results[f"cabs-{n}"]["bare_install"]) for n in CAB_COUNTS]
    bare_cabs = [median(results[f"cabs-{n}"]["bare_install"]) for n in CAB_COUNTS]
    write(f"- Cabinets ({params['cab-bytes']:.0f} bytes in all, split into 1 to 1000 files): "
          f"beyond `bare_install`, `Setup.exe /qn` takes "
          + ", ".join(f"{ms(e)} ({r:.2f} times) with {n}"
                      for n, e, r in zip(CAB_COUNTS, extra, ratios))
          + f". `bare_install` itself takes {ms(bare_cabs[-1] - bare_cabs[0])} more for 1000 "
          f"files than for 1, {ms((bare_cabs[-1] - bare_cabs[0]) / 999)} a file.")
    missed = [name for name, ratio in [("1 GiB", setup / bare), ("one cabinet", ratios[0]),
                                       ("1,000 cabinets", ratios[-1])] if ratio > GOAL]
    write(f"- Goal: `Setup.exe /qn` within {GOAL:.2f} times `bare_install` on 1 GiB, on one "
          f"cabinet and on 1,000 cabinets: "
          + ("met." if not missed else "missed on " + ", ".join(missed) + " in this run.")
          + " What the launcher does beyond `bare_install` for each file: it opens each copy a "
          "second time to lock it and closes that after the installer, and it lists the folder "
          "to empty it; for the whole run, it reads its flag and names and queries its token. "
          "hyperfine runs each command's runs in a row, so that a drift of the machine during "
          "one command's runs (see every run below) falls on that command alone.")
    dialog = results["dialog"]
    write(f"- Start to visible dialog: `Setup.exe` {ms(median(dialog['Setup.exe']))}, the bare "
          f"dialog {ms(median(dialog['bare_dialog.exe']))}; Wine starts a program that does "
          f"nothing in {ms(median(results['wine-start']['dialog_timer.exe 0']))}.")
    write("")

    sizes = {variant: values[0] for variant, values in results["size"].items()}
    parts = {variant: values[0] for variant, values in results["size-part"].items()}
    write("## Size")
    write("")
    write(f"`Setup.exe` is {sizes['Setup.exe']:,.0f} bytes "
          f"({sizes['Setup.exe'] / 1024:.1f} KiB); `bare_dialog.exe`, a dialog of the same "
          f"size and controls and nothing else, built with the project's flags but without the "
          f"launcher's size settings, is {sizes['bare_dialog.exe']:,.0f} bytes. What "
          f"`Setup.exe` is made of, from its linker map (before padding; headers and padding "
          f"make up the remaining {sizes['Setup.exe'] - sum(parts.values()):,.0f} bytes):")
    write("")
    write("| Origin | Bytes | Share |")
    write("|---|---:|---:|")
    for name, size in parts.items():
        write(f"| {name} | {size:,.0f} | {size / sizes['Setup.exe']:.0%} |")
    write("")

    write("## How it is measured")
    write("")
    write("`bench/run.sh` builds its own copy in `build-bench/` and runs everything in the "
          "prefix `build-bench/wineprefix` with a persistent wineserver, the stand-in installer "
          "in place of `msiexec.exe`, and a bare dialog holding Wine's desktop open throughout, "
          "as the shell does on Windows. Process times come from `hyperfine` (after a warm-up "
          "run; before each run the written pages are flushed with `sync` and the machine is "
          "left alone for 0.3 s, and a previous copy is removed). Each `Setup.exe /qn` medium "
          "is first run once and checked: the stand-in saw the MSI and every cabinet staged, "
          "and no staging folder stayed behind. `Setup.exe /qn` and `bare_install` cover "
          "Wine's start of the program, the staging, the stand-in's start and run, and the "
          "removal of the copy; the sealed launcher is built by the run itself, sealed to the "
          "1 GiB package, which it reads from the same files. "
          "The dialog times come from `bench/dialog_timer.cpp`, which starts each program in "
          "turn and polls with `EnumWindows` for its first visible `#32770` window. The raw "
          "results, one line per timed run, are in `build-bench/bench-results/results.tsv`.")
    write("")
    write("Every timed run in milliseconds:")
    write("")
    for figure, variants in results.items():
        if figure.startswith("size"):
            continue
        for variant, times in variants.items():
            write(f"- {figure}, `{variant}`: " + " ".join(f"{t * 1000:.0f}" for t in times))
    with open(output_path, "w", encoding="utf-8") as output:
        output.write("\n".join(out) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: report.py <results.tsv> <machine.tsv> <output.md>")
    main(*sys.argv[1:])
