#!/usr/bin/env python3
"""Turns the raw results of bench/run.sh into docs/benchmarks.md.

Usage: report.py <results.tsv> <machine.tsv> <output.md>

results.tsv holds one line per timed run, "figure<TAB>variant<TAB>seconds";
sizes, the bytes staged and the run's parameters come as lines of the same
shape, in bytes or counts. machine.tsv holds "fact<TAB>value" lines about the machine and the
run. Everything written is computed from these lines.

Its checks: python3 -m doctest bench/report.py
"""
import statistics
import sys
from collections import OrderedDict, namedtuple

CAB_COUNTS = [1, 10, 100, 1000]
# Setup.exe /qn within this ratio of bare_install, which does the same job,
# and the start to its dialog within this ratio of the bare dialog's.
GOAL = 1.10
# The sealed launcher's added time within this ratio of bare_hash.
SEAL_GOAL = 1.10
# On the two-package medium, the launcher that stages only what its MSI may
# read, against bare_install staging every file of Package\: the bytes. Its
# time has no goal: from a page-cached medium the copies run at memory speed.
NEEDED_BYTES_GOAL = 0.50
# Setup.exe's quiet run and start to its dialog against the peer's.
PEER_GOAL = 1.0
# Setup.exe at most this many bytes: 64 KiB.
SIZE_GOAL = 65536
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


def milliseconds(seconds):
    value = seconds * 1000
    return f"{value:.1f}" if value < 100 else f"{value:.0f}"


def ms(seconds):
    return f"{milliseconds(seconds)} ms"


def median(values):
    return statistics.median(values)


# A command's runs: their median and, as low and high, their first and third
# quartiles. A ratio or difference of two runs' spreads takes as its ends the
# ends of theirs that make it lowest and highest.
Spread = namedtuple("Spread", "low median high")


def quartiles(values):
    """The first and third quartiles, interpolated between neighbouring runs,
    so that they stay within the runs however few there are.

    >>> quartiles([1.0, 2.0, 3.0, 4.0, 5.0])
    (2.0, 4.0)
    >>> quartiles([1.0, 2.0])
    (1.25, 1.75)
    >>> quartiles([3.0])
    (3.0, 3.0)
    """
    if len(values) < 2:
        return values[0], values[0]
    first, _, third = statistics.quantiles(values, n=4, method="inclusive")
    return first, third


def spread(values):
    first, third = quartiles(values)
    return Spread(first, median(values), third)


def ratio(a, b):
    """a over b, its span from each end of a's spread over the other end of b's.

    >>> ratio(Spread(1.0, 2.0, 4.0), Spread(1.0, 1.0, 2.0))
    Spread(low=0.5, median=2.0, high=4.0)
    """
    return Spread(a.low / b.high, a.median / b.median, a.high / b.low)


def difference(a, b):
    return Spread(a.low - b.high, a.median - b.median, a.high - b.low)


def ms_range(low, high):
    return f"{milliseconds(low)}–{ms(high)}"


def mib(size):
    return f"{size / 1048576:.0f} MiB"


def met(measured, goal):
    return round(measured, 2) <= goal


def verdict(measured, goal, over):
    """"met", or by how much it was missed: the ratio of the medians over the
    goal and what that is in the figure's own unit (over: the excess as text);
    "within the noise" where the two ends of the ratio's span differ.

    >>> for low, median, high in [(1.00, 1.05, 1.09), (1.12, 1.15, 1.20),
    ...                           (1.05, 1.09, 1.12), (1.08, 1.12, 1.20),
    ...                           (1.05, 1.08, 1.104)]:
    ...     print(verdict(Spread(low, median, high), 1.10, "slow"))
    met
    missed by 0.05 (slow)
    met, within the noise
    missed by 0.02 (slow), within the noise
    met
    """
    result = ("met" if met(measured.median, goal)
              else f"missed by {measured.median - goal:.2f} ({over})")
    if met(measured.low, goal) != met(measured.high, goal):
        result += ", within the noise"
    return result


# A row of the goals' table; missed: at the medians.
Goal = namedtuple("Goal", "name measured verdict missed")


def time_goal(name, measured, yardstick, goal):
    """A goal's row for a time within goal times its yardstick's: the ratio of
    the medians with its span."""
    quotient = ratio(measured, yardstick)
    excess = measured.median - goal * yardstick.median
    return Goal(name, f"{quotient.median:.2f} ({quotient.low:.2f}–{quotient.high:.2f})",
                verdict(quotient, goal, f"{ms(excess)} too slow"),
                not met(quotient.median, goal))


def timing_rows(figure, variants, yardstick):
    """Table rows: variant, median, spread, fastest, slowest, runs, ratio to the yardstick."""
    base = median(variants[yardstick])
    rows = []
    for variant, times in variants.items():
        runs = spread(times)
        rows.append(
            f"| {figure} | `{variant}` | {ms(runs.median)} | {ms_range(runs.low, runs.high)} | "
            f"{ms(min(times))} | {ms(max(times))} | {len(times)} | {runs.median / base:.2f} |"
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
          f"its yardstick in the same run, its commands in turns (one run of each a round, "
          f"after a warm-up round), so that a drift of the machine falls on all of them alike. "
          f"Times are medians of the runs, and the ratio is to the yardstick of its figure. "
          f"Beside each median stands its spread: the interquartile range of the runs, from "
          f"the first quartile to the third, interpolated between neighbouring runs (the "
          f"middle half of the runs lies within it).")
    write("")
    write("| Machine | |")
    write("|---|---|")
    for name, value in facts.items():
        write(f"| {name} | {value} |")
    write("")

    write("## Times")
    write("")
    write("| Figure | Run | Median | Spread | Fastest | Slowest | Runs | Ratio |")
    write("|---|---|---:|---:|---:|---:|---:|---:|")
    out.extend(timing_rows("staging", results["staging"], "bare_install"))
    for count in CAB_COUNTS:
        out.extend(timing_rows(f"{count} cab(s)", results[f"cabs-{count}"], "bare_install"))
    out.extend(timing_rows("two packages", results["two-packages"], "bare_install"))
    out.extend(timing_rows("dialog", results["dialog"], "bare_dialog.exe"))
    out.extend(timing_rows("nothing", results["wine-start"], "dialog_timer.exe 0"))
    write("")

    staged = params["staging-bytes"]
    staging = {variant: spread(times) for variant, times in results["staging"].items()}
    setup, bare = staging["Setup.exe /qn"].median, staging["bare_install"].median
    peer = staging["peer.exe /S"].median
    sealed, hashing = staging["sealed Setup.exe /qn"].median, staging["bare_hash"].median
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
          f"{staged_mib / staging['cp'].median:.0f} MiB/s.")
    write(f"- Sealed: the sealed launcher takes {ms(sealed - setup)} more than the unsealed "
          f"one to check what it staged; `bare_hash`, which hashes the same files with the same "
          f"calls, takes {ms(hashing)} (process start included), "
          f"{staged_mib / hashing:.0f} MiB/s: the check costs "
          f"{(sealed - setup) / hashing:.2f} times the bare hashing "
          f"(goal: at most {SEAL_GOAL:.2f}).")
    cab_runs = {n: {variant: spread(times) for variant, times in results[f"cabs-{n}"].items()}
                for n in CAB_COUNTS}
    cabs = {n: {variant: runs.median for variant, runs in cab_runs[n].items()}
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
          f"{needed_bytes / all_bytes:.2f} times its bytes. Only the bytes have a goal: from "
          f"a medium in the page cache the copies run at memory speed, and the time that "
          f"the option saves is what a slow medium takes to read the bytes it no longer "
          f"reads, which this machine cannot show.")
    dialog_runs = {variant: spread(times) for variant, times in results["dialog"].items()}
    dialog = {variant: runs.median for variant, runs in dialog_runs.items()}
    nothing = median(results["wine-start"]["dialog_timer.exe 0"])
    write(f"- Start to visible dialog: `Setup.exe` {ms(dialog['Setup.exe'])}, the bare "
          f"dialog {ms(dialog['bare_dialog.exe'])}, the peer's language dialog "
          f"{ms(dialog['peer_dialog.exe'])}; Wine starts a program that does nothing in "
          f"{ms(nothing)}.")
    write("")

    sizes = {variant: values[0] for variant, values in results["size"].items()}
    peer_size = min(sizes["peer.exe"], sizes["peer_dialog.exe"])
    media = [("1 cabinet", 1), ("10 cabinets", 10), ("100 cabinets", 100),
             ("1,000 cabinets", 1000)]
    quiet = [(name, cab_runs[n]["Setup.exe /qn"], cab_runs[n]["bare_install"],
              cab_runs[n]["peer.exe /S"]) for name, n in media]
    quiet.append((mib(staged), staging["Setup.exe /qn"], staging["bare_install"],
                  staging["peer.exe /S"]))
    goals = []
    for name, launcher, yardstick, _ in quiet:
        goals.append(time_goal(f"`Setup.exe /qn` within {GOAL:.2f} times `bare_install`, {name}",
                               launcher, yardstick, GOAL))
    goals.append(time_goal(f"Start to the visible dialog within {GOAL:.2f} times the bare dialog's",
                           dialog_runs["Setup.exe"], dialog_runs["bare_dialog.exe"], GOAL))
    goals.append(time_goal(f"The sealed check within {SEAL_GOAL:.2f} times the bare hashing",
                           difference(staging["sealed Setup.exe /qn"], staging["Setup.exe /qn"]),
                           staging["bare_hash"], SEAL_GOAL))
    bytes_ratio = needed_bytes / all_bytes
    goals.append(Goal("Two packages: the launcher with the option stages at most half the bytes",
                      f"{bytes_ratio:.2f}",
                      verdict(Spread(bytes_ratio, bytes_ratio, bytes_ratio), NEEDED_BYTES_GOAL,
                              f"{needed_bytes - NEEDED_BYTES_GOAL * all_bytes:,.0f} bytes more"),
                      not met(bytes_ratio, NEEDED_BYTES_GOAL)))
    goals.append(Goal(f"`Setup.exe` within {SIZE_GOAL // 1024} KiB ({SIZE_GOAL:,} bytes)",
                      f"{sizes['Setup.exe']:,.0f} bytes",
                      "met" if sizes["Setup.exe"] <= SIZE_GOAL else
                      f"missed ({sizes['Setup.exe'] - SIZE_GOAL:,.0f} bytes over)",
                      sizes["Setup.exe"] > SIZE_GOAL))
    goals.append(Goal("`Setup.exe` smaller than the peer",
                      f"{sizes['Setup.exe']:,.0f} against {sizes['peer.exe']:,.0f} and "
                      f"{sizes['peer_dialog.exe']:,.0f} bytes",
                      "met" if sizes["Setup.exe"] < peer_size else
                      f"missed ({sizes['Setup.exe'] - peer_size:,.0f} bytes larger)",
                      sizes["Setup.exe"] >= peer_size))
    for name, launcher, _, peer_time in quiet:
        goals.append(time_goal(f"`Setup.exe /qn` at most {PEER_GOAL:.1f} times `peer.exe /S`, {name}",
                               launcher, peer_time, PEER_GOAL))
    goals.append(time_goal(f"Start to the visible dialog at most {PEER_GOAL:.1f} times the peer's",
                           dialog_runs["Setup.exe"], dialog_runs["peer_dialog.exe"], PEER_GOAL))
    write("## Goals")
    write("")
    write("Each goal compares two figures of this run; a ratio is met when it rounds to the "
          "goal or below. A ratio of times is that of the medians, and beside it stands its "
          "span: the ratio again with each median moved to the end of its spread that lowers "
          "the ratio (the first quartile of the measured command over the third quartile of "
          "its yardstick) and to the end that raises it (the third quartile over the first); "
          "for the sealed check, the added time of the sealed launcher runs likewise from its "
          "first quartile less the unsealed launcher's third to its third less the first. "
          "Where the goal would be met at one end of the span and missed at the other, the "
          "verdict, which is that of the medians, adds \"within the noise\".")
    write("")
    write("| Goal | Measured | Verdict |")
    write("|---|---:|---|")
    for goal in goals:
        write(f"| {goal.name} | {goal.measured} | {goal.verdict} |")
    write("")

    why = []
    missed = {goal.name for goal in goals if goal.missed}
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
        why.append(f"Two packages: the launcher staged {needed_bytes / all_bytes:.2f} of "
                   f"the bytes, so it staged cabinets that its MSI does not name: a "
                   f"launcher built without `SETUP_STAGE_NEEDED_CABINETS` stages every "
                   f"cabinet.")
    parts = {variant: values[0] for variant, values in results["size-part"].items()}
    largest = max(parts, key=parts.get)
    if sizes["Setup.exe"] > SIZE_GOAL:
        why.append(f"Size: `Setup.exe` is {sizes['Setup.exe'] - SIZE_GOAL:,.0f} bytes over "
                   f"{SIZE_GOAL // 1024} KiB; its largest part is {largest}, "
                   f"{parts[largest]:,.0f} bytes (see Size).")
    if "`Setup.exe` smaller than the peer" in missed:
        why.append(f"Size: `Setup.exe` is {sizes['Setup.exe'] - peer_size:,.0f} bytes larger "
                   f"than the smaller peer; its largest part is {largest}, "
                   f"{parts[largest]:,.0f} bytes (see Size).")
    slower = [(name, launcher.median - yardstick.median, peer_time.median - yardstick.median)
              for name, launcher, yardstick, peer_time in quiet
              if launcher.median > peer_time.median]
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
          "as the shell does on Windows. Process times come from `hyperfine`, called once a "
          "round to run each command of the figure once, in the order of the table (after a "
          "warm-up round that is not recorded; before each run the written pages are flushed "
          "with `sync` and the machine is left alone for 0.3 s, and a previous copy is "
          "removed). Each `Setup.exe /qn` medium "
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
          "turn (after a first round that is not recorded) and polls with `EnumWindows` for its "
          "first visible `#32770` window. The raw results, one line per timed run in the "
          "order of the runs, are in `build-bench/bench-results/results.tsv`.")
    write("")
    write("Every timed run in milliseconds, in the order of the runs (the runs of a figure's "
          "commands at the same place come from the same round):")
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
