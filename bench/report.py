#!/usr/bin/env python3
"""Turns the raw results of bench/run.sh into docs/benchmarks.md.

Usage: report.py <results.tsv> <machine.tsv> <output.md>

results.tsv holds one line per timed run, "figure<TAB>variant<TAB>seconds";
sizes, the bytes staged and the run's parameters come as lines of the same
shape, in bytes or counts. machine.tsv holds "fact<TAB>value" lines about the machine and the
run. Everything written is computed from these lines.
"""
import statistics
import sys
from collections import OrderedDict

CAB_COUNTS = [1, 10, 100, 1000]
# Setup.exe /qn within this ratio of bare_install, which does the same job,
# and the start to its dialog within this ratio of the bare dialog's.
GOAL = 1.10
# The sealed launcher's added time within this ratio of bare_hash.
SEAL_GOAL = 1.10
# On the two-package medium, the launcher that stages only what its MSI may
# read, against bare_install staging every file of Package\: time and bytes.
NEEDED_GOAL = 0.60
NEEDED_BYTES_GOAL = 0.50
# Setup.exe's quiet run and start to its dialog against the peer's.
PEER_GOAL = 1.0
# Figures that hold bytes, not times.
BYTE_FIGURES = ("size", "size-part", "bytes")
# What the launcher does beyond bare_install, and before its dialog beyond the
# bare dialog: the reasons a missed goal is given.
QUIET_EXTRA = ("For each file it opens the copy a second time to lock it and closes that after "
               "the installer, and it lists the folder to empty it; for the whole run, it reads "
               "its flag and names and queries its token, writes its log and, most of all, loads "
               "msi.dll before the installer to read the staged MSI's product code, version and "
               "package code against what is installed (an update in place needs them), and "
               "after the installer asks Windows Installer for every product's source list.")
DIALOG_EXTRA = ("Before its dialog the launcher starts its log, looks at the window station and "
                "reads its installed flag; the bare dialog only makes its window.")


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


def mib(size):
    return f"{size / 1048576:.0f} MiB"


def verdict(measured, goal, over):
    """"met", or by how much it was missed: the ratio over the goal and what
    that is in the figure's own unit (over: the excess as text)."""
    if round(measured, 2) <= goal:
        return "met"
    return f"missed by {measured - goal:.2f} ({over})"


def time_goal(name, measured, yardstick, goal):
    """A goal's row for a time within goal times its yardstick's."""
    return (name, f"{measured / yardstick:.2f}",
            verdict(measured / yardstick, goal, f"{ms(measured - goal * yardstick)} too slow"))


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
    out.extend(timing_rows("two packages", results["two-packages"], "bare_install"))
    out.extend(timing_rows("dialog", results["dialog"], "bare_dialog.exe"))
    out.extend(timing_rows("nothing", results["wine-start"], "dialog_timer.exe 0"))
    write("")

    staged = params["staging-bytes"]
    staging = results["staging"]
    setup, bare = median(staging["Setup.exe /qn"]), median(staging["bare_install"])
    peer = median(staging["peer.exe /S"])
    sealed, hashing = median(staging["sealed Setup.exe /qn"]), median(staging["bare_hash"])
    staged_mib = staged / 1048576
    write("What the figures show:")
    write("")
    write(f"- Staging {mib(staged)} ({params['staging-cabinets']:.0f} cabinets and the MSI): "
          f"`Setup.exe /qn` takes {ms(setup - bare)} more than `bare_install`, which does the "
          f"same job (a fresh folder, the copies with `CopyFileW`, the stand-in installer "
          f"started and waited for, the copy removed) as a GUI program with the launcher's "
          f"manifest: {setup / bare:.2f} times its time. The peer, a general installer's stub "
          f"doing the same job (`peer.exe /S`), takes {ms(peer)}, {peer / bare:.2f} times "
          f"`bare_install`'s time. `cp` copies the files natively at "
          f"{staged_mib / median(staging['cp']):.0f} MiB/s.")
    write(f"- Sealed: the sealed launcher takes {ms(sealed - setup)} more than the unsealed "
          f"one to check what it staged; `bare_hash`, which hashes the same files with the same "
          f"calls, takes {ms(hashing)} (process start included), "
          f"{staged_mib / hashing:.0f} MiB/s: the check costs "
          f"{(sealed - setup) / hashing:.2f} times the bare hashing "
          f"(goal: at most {SEAL_GOAL:.2f}).")
    cabs = {n: {variant: median(times) for variant, times in results[f"cabs-{n}"].items()}
            for n in CAB_COUNTS}
    extra = [cabs[n]["Setup.exe /qn"] - cabs[n]["bare_install"] for n in CAB_COUNTS]
    ratios = [cabs[n]["Setup.exe /qn"] / cabs[n]["bare_install"] for n in CAB_COUNTS]
    bare_cabs = [cabs[n]["bare_install"] for n in CAB_COUNTS]
    write(f"- Cabinets ({params['cab-bytes']:.0f} bytes in all, split into 1 to 1000 files): "
          f"beyond `bare_install`, `Setup.exe /qn` takes "
          + ", ".join(f"{ms(e)} ({r:.2f} times) with {n}"
                      for n, e, r in zip(CAB_COUNTS, extra, ratios))
          + "; the peer takes "
          + ", ".join(f"{ms(cabs[n]['peer.exe /S'] - cabs[n]['bare_install'])} "
                      f"({cabs[n]['peer.exe /S'] / cabs[n]['bare_install']:.2f} times)"
                      for n in CAB_COUNTS)
          + f". `bare_install` itself takes {ms(bare_cabs[-1] - bare_cabs[0])} more for 1000 "
          f"files than for 1, {ms((bare_cabs[-1] - bare_cabs[0]) / 999)} a file.")
    two = results["two-packages"]
    needed, bare_all = median(two["needed Setup.exe /qn"]), median(two["bare_install"])
    needed_bytes = results["bytes"]["needed Setup.exe /qn"][0]
    all_bytes = results["bytes"]["bare_install"][0]
    write(f"- Two packages (each MSI with {params['two-package-cabinets']:.0f} cabinets of its "
          f"own, named in its Media table): the launcher built with "
          f"`-DSETUP_STAGE_NEEDED_CABINETS=ON` staged {needed_bytes:,.0f} bytes "
          f"({mib(needed_bytes)}) in {ms(needed)}; `bare_install`, staging every file of "
          f"`Package\\` as the default build does, staged {all_bytes:,.0f} bytes "
          f"({mib(all_bytes)}) in {ms(bare_all)}: {needed / bare_all:.2f} times its time and "
          f"{needed_bytes / all_bytes:.2f} times its bytes.")
    dialog = {variant: median(times) for variant, times in results["dialog"].items()}
    nothing = median(results["wine-start"]["dialog_timer.exe 0"])
    write(f"- Start to visible dialog: `Setup.exe` {ms(dialog['Setup.exe'])}, the bare "
          f"dialog {ms(dialog['bare_dialog.exe'])}, the peer's language dialog "
          f"{ms(dialog['peer_dialog.exe'])}; Wine starts a program that does nothing in "
          f"{ms(nothing)}.")
    write("- hyperfine runs each command's runs in a row, so that a drift of the machine during "
          "one command's runs (see every run below) falls on that command alone.")
    write("")

    sizes = {variant: values[0] for variant, values in results["size"].items()}
    peer_size = min(sizes["peer.exe"], sizes["peer_dialog.exe"])
    media = [("1 cabinet", 1), ("10 cabinets", 10), ("100 cabinets", 100),
             ("1,000 cabinets", 1000)]
    quiet = [(name, cabs[n]["Setup.exe /qn"], cabs[n]["bare_install"], cabs[n]["peer.exe /S"])
             for name, n in media] + [(mib(staged), setup, bare, peer)]
    goals = []
    for name, launcher, yardstick, _ in quiet:
        goals.append(time_goal(f"`Setup.exe /qn` within {GOAL:.2f} times `bare_install`, {name}",
                               launcher, yardstick, GOAL))
    goals.append(time_goal(f"Start to the visible dialog within {GOAL:.2f} times the bare dialog's",
                           dialog["Setup.exe"], dialog["bare_dialog.exe"], GOAL))
    goals.append(time_goal(f"Two packages: the launcher with the option within {NEEDED_GOAL:.2f} "
                           f"times `bare_install` staging every file", needed, bare_all,
                           NEEDED_GOAL))
    goals.append(("Two packages: the launcher with the option stages at most half the bytes",
                  f"{needed_bytes / all_bytes:.2f}",
                  verdict(needed_bytes / all_bytes, NEEDED_BYTES_GOAL,
                          f"{needed_bytes - NEEDED_BYTES_GOAL * all_bytes:,.0f} bytes more")))
    goals.append(("`Setup.exe` smaller than the peer",
                  f"{sizes['Setup.exe']:,.0f} against {sizes['peer.exe']:,.0f} and "
                  f"{sizes['peer_dialog.exe']:,.0f} bytes",
                  "met" if sizes["Setup.exe"] < peer_size else
                  f"missed ({sizes['Setup.exe'] - peer_size:,.0f} bytes larger)"))
    for name, launcher, _, peer_time in quiet:
        goals.append(time_goal(f"`Setup.exe /qn` at most {PEER_GOAL:.1f} times `peer.exe /S`, {name}",
                               launcher, peer_time, PEER_GOAL))
    goals.append(time_goal(f"Start to the visible dialog at most {PEER_GOAL:.1f} times the peer's",
                           dialog["Setup.exe"], dialog["peer_dialog.exe"], PEER_GOAL))
    write("## Goals")
    write("")
    write("Each goal compares two figures of this run; a ratio is met when it rounds to the "
          "goal or below.")
    write("")
    write("| Goal | Measured | Verdict |")
    write("|---|---:|---|")
    for goal, measured, result in goals:
        write(f"| {goal} | {measured} | {result} |")
    write("")

    why = []
    missed = {goal for goal, _, result in goals if result != "met"}
    if any(goal.startswith("`Setup.exe /qn` within") for goal in missed):
        per_cabinet = (extra[-1] - extra[0]) / 999
        why.append(f"`Setup.exe /qn` against `bare_install`: beyond it, the launcher takes "
                   f"{ms(extra[0])} a run (with one cabinet) and {ms(per_cabinet)} more a "
                   f"cabinet (from 1 to 1,000), and {ms(setup - bare)} on {mib(staged)}. "
                   + QUIET_EXTRA)
    if any(goal.startswith("Start to the visible dialog within") for goal in missed):
        why.append(f"The dialog: `Setup.exe` shows its dialog "
                   f"{ms(dialog['Setup.exe'] - dialog['bare_dialog.exe'])} after the bare "
                   f"dialog. " + DIALOG_EXTRA)
    if any(goal.startswith("Two packages") for goal in missed):
        if needed_bytes / all_bytes > NEEDED_BYTES_GOAL + 0.005:
            why.append(f"Two packages: the launcher staged {needed_bytes / all_bytes:.2f} of "
                       f"the bytes, so it staged cabinets that its MSI does not name: a "
                       f"launcher built without `SETUP_STAGE_NEEDED_CABINETS` stages every "
                       f"cabinet.")
        else:
            why.append(f"Two packages: half the bytes take less than half the time; what does "
                       f"not shrink with them is the start of the launcher and of the "
                       f"installer and the removal, about {ms(bare_cabs[0])} (`bare_install` "
                       f"with one cabinet), and the launcher's own {ms(extra[0])} a run.")
    if "`Setup.exe` smaller than the peer" in missed:
        parts = {variant: values[0] for variant, values in results["size-part"].items()}
        largest = max(parts, key=parts.get)
        why.append(f"Size: `Setup.exe` is {sizes['Setup.exe'] - peer_size:,.0f} bytes larger "
                   f"than the smaller peer; its largest part is {largest}, "
                   f"{parts[largest]:,.0f} bytes (see Size).")
    slower = [(name, launcher - yardstick, peer_time - yardstick)
              for name, launcher, yardstick, peer_time in quiet if launcher > peer_time]
    if any(goal.startswith("`Setup.exe /qn` at most") for goal in missed):
        why.append("Against the peer: beyond `bare_install`, the launcher takes "
                   + ", ".join(f"{ms(own)} and the peer {ms(its)} ({name})"
                               for name, own, its in slower)
                   + ". " + QUIET_EXTRA)
    if any(goal.startswith("Start to the visible dialog at most") for goal in missed):
        why.append(f"The dialog against the peer's: beyond the bare dialog, `Setup.exe` takes "
                   f"{ms(dialog['Setup.exe'] - dialog['bare_dialog.exe'])} and the peer's "
                   f"language dialog {ms(dialog['peer_dialog.exe'] - dialog['bare_dialog.exe'])}. "
                   + DIALOG_EXTRA)
    if why:
        write("Why the missed goals were missed:")
        write("")
        for reason in why:
            write(f"- {reason}")
        write("")

    parts = {variant: values[0] for variant, values in results["size-part"].items()}
    write("## Size")
    write("")
    write(f"`Setup.exe` is {sizes['Setup.exe']:,.0f} bytes "
          f"({sizes['Setup.exe'] / 1024:.1f} KiB); `bare_dialog.exe`, a dialog of the same "
          f"size and controls and nothing else, built with the project's flags but without the "
          f"launcher's size settings, is {sizes['bare_dialog.exe']:,.0f} bytes. The peer is "
          f"{sizes['peer.exe']:,.0f} bytes (`peer.exe`), {sizes['peer_dialog.exe']:,.0f} with "
          f"its language dialog (`peer_dialog.exe`). What "
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
          "The peer is built by `makensis` (nsis) from `bench/peer.nsi`, with the compressor "
          "that makes it smallest: it stages the MSI for the machine (x64 where its 32-bit "
          "stub runs on 64-bit Windows) and every cabinet into a fresh folder in the Windows "
          "Temp, runs the system folder's `msiexec.exe` on it and waits, and removes the "
          "folder; `peer_dialog.exe` first shows its language dialog (English, Japanese) unless "
          "it runs with `/S`. Each of its media is checked as the launcher's. The two-package "
          "medium holds two MSI databases made with msitools, each naming its own external "
          "cabinets in its Media table, and the launcher built for it in a build folder of its "
          "own with `-DSETUP_STAGE_NEEDED_CABINETS=ON`; the bytes staged are what the stand-in "
          "installer saw in the staged folder, in one run of each before the timed ones. "
          "The dialog times come from `bench/dialog_timer.cpp`, which starts each program in "
          "turn and polls with `EnumWindows` for its first visible `#32770` window. The raw "
          "results, one line per timed run, are in `build-bench/bench-results/results.tsv`.")
    write("")
    write("Every timed run in milliseconds:")
    write("")
    for figure, variants in results.items():
        if figure in BYTE_FIGURES:
            continue
        for variant, times in variants.items():
            write(f"- {figure}, `{variant}`: " + " ".join(f"{t * 1000:.0f}" for t in times))
    with open(output_path, "w", encoding="utf-8") as output:
        output.write("\n".join(out) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: report.py <results.tsv> <machine.tsv> <output.md>")
    main(*sys.argv[1:])
