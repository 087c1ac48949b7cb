#!/usr/bin/env python3
"""Runs the benchmarks of a Release build (scripts/bench makes one) and
compares each against its floor, printing one line per benchmark.

    bench/compare.py BUILD_DIR [plugin] [deque] [host]

Times are the medians of repetitions that Google Benchmark interleaves at
random, so that a slow spell of a noisy machine spreads over both sides of a
pair instead of landing on one. CPU time is used: a pair measures work, and
time spent descheduled is not the code's.

zelvar-host is measured from outside, as a user runs it: `zelvar-host run`
with a template of placeholders for a parameter whose value function makes a
new text every call, the rendered text going to /dev/null, and the values
per second taken from its summary (creation excluded).
"""
import datetime
import json
import multiprocessing
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

REPETITIONS = 15
MIN_TIME = 0.1  # seconds per repetition

HOST_REPETITIONS = 5
HOST_PLACEHOLDERS = 20
HOST_ITERATIONS = 300_000
LINEAR_ITERATIONS = 200_000


class Report:
    def __init__(self):
        self.rows = []

    def ratio(self, name, ratio, target, at_most=True, detail=""):
        met = ratio <= target if at_most else ratio >= target
        self._add(name, f"{ratio:.2f}", f"{'≤' if at_most else '≥'} {target:.2f}",
                  "PASS" if met else "FALLS SHORT", detail)

    def value(self, name, shown, target, met, detail=""):
        self._add(name, shown, target, "PASS" if met else "FALLS SHORT", detail)

    def info(self, name, shown, detail=""):
        self._add(name, shown, "-", "INFO", detail)

    def _add(self, *row):
        self.rows.append(row)
        name, shown, target, verdict, detail = row
        print(f"{name:<56} {shown:>6}  target {target:<6} {verdict:<11} {detail}", flush=True)

    def markdown(self, machine):
        lines = ["| benchmark | ratio | target | result | detail |", "|---|---|---|---|---|"]
        lines += ["| " + " | ".join(row) + " |" for row in self.rows]
        return "\n".join(lines) + "\n\n" + machine + "\n"


def google(binary, name_filter, repetitions=REPETITIONS, min_time=MIN_TIME):
    """Per benchmark: the median CPU time in ns and the last run's counters."""
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "out.json")
        result = subprocess.run([binary, f"--benchmark_filter={name_filter}",
                                 f"--benchmark_repetitions={repetitions}", f"--benchmark_min_time={min_time}",
                                 "--benchmark_enable_random_interleaving=true",
                                 f"--benchmark_out={out}", "--benchmark_out_format=json"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if result.returncode != 0:
            sys.exit(f"{binary} failed:\n{result.stderr}")
        with open(out) as stream:
            data = json.load(stream)
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    times, counters = {}, {}
    for run in data["benchmarks"]:
        if run.get("run_type") != "iteration":
            continue
        times.setdefault(run["run_name"], []).append(run["cpu_time"] * scale[run["time_unit"]])
        counters[run["run_name"]] = run
    return {name: statistics.median(values) for name, values in times.items()}, counters


def plugin(build, report):
    binary = os.path.join(build, "bench", "plugin_bench")
    t, _ = google(binary, "Floor|GetValue|CreateDelete")
    pairs = [
        ("generate: GetValue, live, EachOccurrence", "BM_GenerateGetValue", "BM_GenerateFloor", 1.10),
        ("held: GetValue under Once", "BM_HeldGetValue", "BM_HeldFloor", 1.5),
        ("create and delete, library kept loaded", "BM_CreateDelete", "BM_CreateFloor", 1.3),
    ]
    for name, measured, floor, target in pairs:
        report.ratio(name, t[measured] / t[floor], target,
                     detail=f"{t[measured]:.1f} ns vs floor {t[floor]:.1f} ns")
    report.info("create and delete, against floor + file test",
                f"{t['BM_CreateDelete'] / t['BM_CreateFloorWithFileTest']:.2f}",
                f"floor with the stat each creation must make: {t['BM_CreateFloorWithFileTest']:.0f} ns")

    _, c = google(binary, "Memory", repetitions=1)
    m = c["BM_Memory/iterations:1"]
    report.info("memory held per object", f"{m['heap_bytes']:.0f} B",
                f"{m['object_bytes']:.0f} B in {m['object_blocks']:.0f} quenby blocks, "
                f"{m['text_copies']:.0f} halvern32 copies; C heap in all")
    gains = (m["bytes_gained"], m["copies_gained"], m["heap_gained"])
    report.value("memory gained over 10 million GetValue", f"{max(gains, key=abs):.0f}", "= 0",
                 all(g == 0 for g in gains),
                 f"quenby {gains[0]:.0f} B, halvern32 {gains[1]:.0f} copies, C heap {gains[2]:.0f} B")


def deque(build, report):
    t, _ = google(os.path.join(build, "bench", "blockdeque_bench"), ".")
    for shape, label in (("Steady", "push and pop at length 1000"), ("FillDrain", "fill and drain 1 million")):
        floor = t[f"BM_StdDeque{shape}"]
        for arg, allocator in (("0", "global operators"), ("1", "malloc allocator")):
            measured = t[f"BM_BlockDeque{shape}/{arg}"]
            report.ratio(f"BlockDeque {label}, {allocator}", measured / floor, 1.0,
                         detail=f"{measured:.3g} ns vs std::deque {floor:.3g} ns")


def host_rate(build, template, users, iterations):
    """Values per second that zelvar-host reports for one run."""
    result = subprocess.run([os.path.join(build, "src", "zelvar-host"), "run",
                             os.path.join(build, "bench", "host_params.ini"), "--template", template,
                             "--users", str(users), "--iterations", str(iterations)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    return float(re.search(r"(\d+) values/s", result.stderr).group(1))


def spin(_):
    total = 0
    for i in range(3_000_000):
        total += i
    return total


def machine_scaling():
    """How much work two processes that share nothing get done, against
    one: what the machine itself gives the two-user run at the moment."""
    def rate(processes):
        with multiprocessing.Pool(processes) as pool:
            pool.map(spin, range(processes))  # start-up, not timed
            start = time.perf_counter()
            pool.map(spin, range(processes * 4), chunksize=4)
            return processes * 4 / (time.perf_counter() - start)

    one = statistics.median(rate(1) for _ in range(3))
    two = statistics.median(rate(2) for _ in range(3))
    return two / one


def host(build, report):
    with tempfile.TemporaryDirectory() as folder:
        def template(count):
            path = os.path.join(folder, f"t{count}.txt")
            with open(path, "w") as stream:
                stream.write(" ".join(["{Seq}"] * count) + "\n")
            return path

        main, small, large = template(HOST_PLACEHOLDERS), template(10), template(100)
        rates = {1: [], 2: []}
        linear = {10: [], 100: []}
        for _ in range(HOST_REPETITIONS):
            for users in (1, 2):
                rates[users].append(host_rate(build, main, users, HOST_ITERATIONS))
            linear[10].append(host_rate(build, small, 1, LINEAR_ITERATIONS))
            linear[100].append(host_rate(build, large, 1, LINEAR_ITERATIONS))
    one, two = statistics.median(rates[1]), statistics.median(rates[2])
    report.ratio("zelvar-host values/s, 2 users over 1", two / one, 1.8, at_most=False,
                 detail=f"{one / 1e6:.1f} M/s with 1, {two / 1e6:.1f} M/s with 2")
    report.info("the machine itself, 2 processes over 1", f"{machine_scaling():.2f}",
                "plain computation, nothing shared: the most the line above can show now")
    # Same iterations, 10 times the placeholders: the time should grow 10
    # times, so the time per value stays; the ratio is that of the times per
    # value.
    r10, r100 = statistics.median(linear[10]), statistics.median(linear[100])
    report.ratio("zelvar-host 10x placeholders: time / 10x", r10 / r100, 1.10,
                 detail=f"{r10 / 1e6:.1f} M values/s with 10, {r100 / 1e6:.1f} M/s with 100")


def machine(load_before):
    model = "unknown CPU"
    with open("/proc/cpuinfo") as stream:
        for line in stream:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    load_after = os.getloadavg()[0]
    return (f"Taken {datetime.date.today().isoformat()} on {model}, {os.cpu_count()} CPUs "
            f"(load average {load_before:.2f} before, {load_after:.2f} after).")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    parts = sys.argv[2:] or ["plugin", "deque", "host"]
    unknown = set(parts) - {"plugin", "deque", "host"}
    if unknown:
        sys.exit(f"unknown part: {', '.join(sorted(unknown))}")
    load_before = os.getloadavg()[0]
    report = Report()
    for part in parts:
        {"plugin": plugin, "deque": deque, "host": host}[part](build, report)
    text = report.markdown(machine(load_before))
    with open(os.path.join(build, "results.md"), "w") as stream:
        stream.write(text)
    print(f"\n{text.splitlines()[-1]}\nmarkdown table: {os.path.join(build, 'results.md')}")


if __name__ == "__main__":
    main()
