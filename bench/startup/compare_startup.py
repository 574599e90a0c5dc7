#!/usr/bin/env python3
"""Start-up of the program against a bare Qt Widgets window, side by side in one run.

Three programs take part: the program, the bare baseline (a window with one empty text box), and
the same baseline showing a line of Chinese in the program's Song face ("cjk"), which tells how much
of the difference the CJK fonts alone make. Each run starts the binary with QUILLO_STARTUP_PROBE set; the binary prints the monotonic time of
its first paint and exits. The time from just before the start to that paint, and the peak RSS
of the process (from wait4), are collected; the programs take turns, after a few warm-up runs
that are not counted. Needs an X display (run it under xvfb-run; see run.sh).

Usage: compare_startup.py QUILLO BASELINE [--runs N]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def one_run(command, env):
    start = time.monotonic_ns()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = process.stdout.readline().decode().split()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    process.stdout.close()
    if len(line) != 2 or line[0] != "first-paint":
        raise RuntimeError("%s printed no first paint (exit %d)" % (command, process.returncode))
    return (int(line[1]) - start) / 1e6, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quillo")
    parser.add_argument("baseline")
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--warmup", type=int, default=3)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("compare_startup.py needs an X display: run it through run.sh or xvfb-run")

    with tempfile.TemporaryDirectory() as config:
        env = dict(os.environ, QUILLO_STARTUP_PROBE="1", QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config)
        commands = {
            "quillo": [args.quillo],
            "baseline": [args.baseline],
            "baseline-cjk": [args.baseline, "cjk"],
        }
        samples = {name: [] for name in commands}
        names = list(commands)
        for i in range(args.warmup + args.runs):
            # Rotate the order so that no program always runs right after another.
            for name in names[i % 3:] + names[:i % 3]:
                result = one_run(commands[name], env)
                if i >= args.warmup:
                    samples[name].append(result)

    medians = {name: (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
               for name, runs in samples.items()}
    print("start-up to first paint, median of %d runs each" % args.runs)
    print("%-14s %12s %14s" % ("", "time (ms)", "peak RSS (MB)"))
    for name, (elapsed, rss) in medians.items():
        print("%-14s %12.1f %14.1f" % (name, elapsed, rss))
    q_time, q_rss = medians["quillo"]
    for base in ("baseline", "baseline-cjk"):
        b_time, b_rss = medians[base]
        print("quillo against %-12s time x%.2f, peak RSS %+.1f MB" % (base + ":", q_time / b_time, q_rss - b_rss))
    print("goals against the bare baseline: time at most x1.5, peak RSS at most +10 MB")


if __name__ == "__main__":
    main()
