#!/usr/bin/env python3
"""Start-up of the program against a bare Qt Widgets window, side by side in one run.

Three programs take part: the program, the bare baseline (a window with one empty text box), and
the same baseline showing a line of Chinese in the program's Song face ("cjk"), the anchor the
goals are set against. Each run starts the binary with QUILLO_STARTUP_PROBE set; at its first
paint the binary prints the monotonic time, its CPU time so far (user + system, all threads) and
its RSS and PSS, and exits. When perf works here, each run also goes through `perf stat`, which
counts the instructions and the task-clock of the whole run (start to exit, children included);
these counts move little when other work shares the machine, unlike the times.

The programs take turns, in a rotating order, after a few warm-up runs that are not counted.
Figures are medians with their range [min-max]. Needs an X display (run it under xvfb-run; see
run.sh).

The service address is given (QUILLO_SERVICE), so the program neither probes for nor starts its
own quillo-server: with a server beside the program, its first frame would also wait for that
server's start, which is the server's own start-up. --own-server leaves the address out, so that
the program looks for its server and starts the one beside it, as an installed program does: the
first frame must not wait for that. --other PATH adds a second build of the
program (an older one, say) to the same run.

Where perf cannot count instructions (virtual machines), --callgrind DIR runs each program once
more under valgrind's callgrind and counts the instructions it ran up to its first paint (the
probe's exit call is the cut). The count does not depend on what else the machine is doing; the
profiles are left in DIR for callgrind_annotate.

--memory runs each program once more and reads its memory map at first paint: PSS by mapping (each
library, the heap, anonymous memory), and where the program's PSS differs from the anchor's.

Usage: compare_startup.py QUILLO BASELINE [--runs N] [--warmup N] [--no-perf] [--own-server] [--other PATH]
                          [--callgrind DIR] [--memory]
(run CPU ms and run Minstr are perf's whole-run figures; CPU ms is the process's own at first paint)
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ANCHOR = "baseline-cjk"
GOAL_RATIO = 1.3
GOAL_MB = 5.0


def perf_events():
    """The events of instructions and task-clock that perf can count here (virtual machines often
    have no hardware counters); empty without perf."""
    events = []
    for event in ("instructions", "task-clock"):
        if not shutil.which("perf"):
            break
        probe = subprocess.run(["perf", "stat", "-x,", "-e", event, "true"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if probe.returncode == 0 and "not supported" not in probe.stderr:
            events.append(event)
    return events


def read_perf(path):
    counts = {}
    with open(path) as report:
        for line in report:
            fields = line.strip().split(",")
            if len(fields) >= 3 and fields[0] and fields[0][0].isdigit():
                counts[fields[2].split(":")[0]] = float(fields[0])
    return counts


def one_run(command, env, perf_file, events):
    if events:
        command = ["perf", "stat", "-x,", "-o", perf_file, "-e", ",".join(events), "--"] + command
    start = time.monotonic_ns()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = process.stdout.readline().decode().split()
    _, status, usage = os.wait4(process.pid, 0)
    process.stdout.close()
    if len(line) != 5 or line[0] != "first-paint":
        raise RuntimeError("%s printed no first paint (exit %d)" % (command, os.waitstatus_to_exitcode(status)))
    sample = {
        "paint ms": (int(line[1]) - start) / 1e6,
        "CPU ms": int(line[2]) / 1e3,
        "RSS MB": int(line[3]) / 1024.0,
        "PSS MB": int(line[4]) / 1024.0,
        "peak RSS MB": usage.ru_maxrss / 1024.0,
    }
    if events:
        counts = read_perf(perf_file)
        if "instructions" in events:
            sample["run Minstr"] = counts["instructions"] / 1e6
        if "task-clock" in events:
            sample["run CPU ms"] = counts["task-clock"]
    return sample


def instructions_to_first_paint(name, command, env, folder):
    """Instructions (Ir) of the process up to the probe's exit call at first paint, in millions."""
    prefix = os.path.join(folder, "callgrind.%s" % name)
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=%s.%%p" % prefix,
                    "--dump-before=QCoreApplication::exit*"] + command,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, check=False)
    dumps = sorted(f for f in os.listdir(folder) if f.startswith("callgrind.%s." % name) and f.endswith(".1"))
    if not dumps:
        raise RuntimeError("callgrind left no profile of %s's first paint" % name)
    # The profile of the part before the cut: its "summary:" line holds the part's Ir.
    with open(os.path.join(folder, dumps[-1])) as profile:
        for line in profile:
            if line.startswith("summary:"):
                return int(line.split()[1]) / 1e6
    raise RuntimeError("no summary in %s" % dumps[-1])


def pss_by_mapping(command, env, folder, name):
    """PSS in kB of each mapping's name (a file, [heap], [anon] ...) at first paint."""
    path = os.path.join(folder, "%s.smaps" % name)
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=dict(env, QUILLO_STARTUP_SMAPS=path), check=False)
    by_name = {}
    current = "[anon]"
    with open(path) as smaps:
        for line in smaps:
            fields = line.split()
            if "-" in fields[0] and not fields[0].endswith(":"):
                current = fields[5] if len(fields) > 5 else "[anon]"
            elif fields[0] == "Pss:":
                by_name[current] = by_name.get(current, 0) + int(fields[1])
    return by_name


def print_memory(maps, programs):
    anchor = maps[ANCHOR]
    for program in programs:
        mine = maps[program]
        rows = sorted(((mine.get(k, 0) - anchor.get(k, 0), k) for k in set(mine) | set(anchor)), reverse=True)
        print("%s PSS against %s by mapping, kB (largest differences):" % (program, ANCHOR))
        for delta, mapping in [r for r in rows if abs(r[0]) >= 64][:15]:
            print("  %+7d  %7d  %s" % (delta, mine.get(mapping, 0), mapping))


def summary(values):
    return statistics.median(values), min(values), max(values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("quillo")
    parser.add_argument("baseline")
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--no-perf", action="store_true", help="leave out the instruction counts")
    parser.add_argument("--own-server", action="store_true", help="let the program start its own server")
    parser.add_argument("--other", help="another build of the program, measured alongside")
    parser.add_argument("--callgrind", metavar="DIR", help="count instructions to first paint with callgrind, profiles in DIR")
    parser.add_argument("--memory", action="store_true", help="PSS by mapping at first paint, against the anchor")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("compare_startup.py needs an X display: run it through run.sh or xvfb-run")
    events = [] if args.no_perf else perf_events()

    with tempfile.TemporaryDirectory() as work:
        # Private user folders: a copy of the program already running for this user (its socket
        # is in the runtime folder) would take the start over, and the runs write nothing outside.
        env = dict(os.environ, QUILLO_STARTUP_PROBE="1", QT_QPA_PLATFORM="xcb",
                   QUILLO_SERVICE="http://127.0.0.1:8437")
        for variable, name in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                               ("XDG_STATE_HOME", "state"), ("XDG_CACHE_HOME", "cache"),
                               ("XDG_RUNTIME_DIR", "runtime")):
            env[variable] = os.path.join(work, name)
            os.mkdir(env[variable], 0o700)
        if args.own_server:
            del env["QUILLO_SERVICE"]
        perf_file = os.path.join(work, "perf.csv")
        commands = {
            "quillo": [args.quillo],
            "baseline": [args.baseline],
            ANCHOR: [args.baseline, "cjk"],
        }
        if args.other:
            commands["quillo-other"] = [args.other]
        samples = {name: [] for name in commands}
        names = list(commands)
        for i in range(args.warmup + args.runs):
            # Rotate the order so that no program always runs right after another.
            turn = i % len(names)
            for name in names[turn:] + names[:turn]:
                result = one_run(commands[name], env, perf_file, events)
                if i >= args.warmup:
                    samples[name].append(result)
        counted = {}
        if args.callgrind:
            os.makedirs(args.callgrind, exist_ok=True)
            counted = {name: instructions_to_first_paint(name, command, env, args.callgrind)
                       for name, command in commands.items()}
        maps = {}
        if args.memory:
            maps = {name: pss_by_mapping(command, env, work, name) for name, command in commands.items()}

    figures = list(samples["quillo"][0])
    stats = {name: {f: summary([s[f] for s in runs]) for f in figures} for name, runs in samples.items()}
    print("start-up to first paint: median [min-max] of %d runs each%s"
          % (args.runs, "" if "instructions" in events else " (no instruction counts: perf cannot count them here)"))
    print("%-13s" % "" + "".join("%22s" % f for f in figures))
    for name in names:
        print("%-13s" % name + "".join("%22s" % ("%.1f [%.1f-%.1f]" % stats[name][f]) for f in figures))
    programs = [name for name in names if name.startswith("quillo")]
    for program in programs:
        for base in ("baseline", ANCHOR):
            parts = []
            for f in figures:
                q, b = stats[program][f][0], stats[base][f][0]
                parts.append("%s %+.1f" % (f, q - b) if "MB" in f else "%s x%.2f (%+.1f)" % (f, q / b, q - b))
            print("%s against %s: %s" % (program, base, ", ".join(parts)))
    for program in programs if counted else []:
        print("%s instructions to first paint (callgrind): %.0f M, x%.2f the baseline, x%.2f %s"
              % (program, counted[program], counted[program] / counted["baseline"],
                 counted[program] / counted[ANCHOR], ANCHOR))
    if counted:
        print("baseline %.0f M, %s %.0f M instructions to first paint" % (counted["baseline"], ANCHOR, counted[ANCHOR]))
    if maps:
        print_memory(maps, programs)
    print("goals against %s: CPU and time at most x%.1f, RSS and PSS at most +%.0f MB"
          % (ANCHOR, GOAL_RATIO, GOAL_MB))


if __name__ == "__main__":
    main()
