#!/usr/bin/env python3
"""The Apertium pipelines as a user meets them, on a quillo-server built beforehand:

  1. the first English->Spanish sentence after the server has started, sent the moment the
     server listens and again after a pause, next to the same sentence once everything is warm;
  2. the memory of the server's whole process tree (PSS summed from /proc/*/smaps_rollup) after
     N directions have been used, and again after the idle period (when the server has one).

Each figure is the median of `runs` fresh servers, with its range. Everything the servers write
goes to a temporary folder of this run.

usage: bench/server/pipelines.py SERVER_BINARY [runs, default 3] [pause seconds, default 2]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SENTENCE = "The weather is nice today and the children play in the garden"
# Every direction Debian's pairs offer, in the order a user might reach them.
DIRECTIONS = ["en_es", "es_en", "es_fr", "fr_es", "es_it", "it_es", "es_pt", "pt_es"]
IDLE_SECONDS = 3


class Server:
    def __init__(self, binary, folder, extra=()):
        self.log = open(os.path.join(folder, "server.log"), "ab")
        self.process = subprocess.Popen(
            [binary, "--listen", "127.0.0.1:0", "--backend", "apertium", "--data", folder, "--quiet", *extra],
            stdout=subprocess.PIPE, stderr=self.log)
        line = self.process.stdout.readline().decode()
        if "listening on" not in line:
            raise RuntimeError("the server did not start: " + line)
        self.base = "http://" + line.split()[-1]

    def translate(self, pair, text=SENTENCE):
        body = urllib.parse.urlencode({"trtext": text, "lp": pair}).encode()
        started = time.perf_counter()
        with urllib.request.urlopen(self.base + "/translate_txt", body, timeout=120) as reply:
            page = reply.read().decode()
        elapsed = time.perf_counter() - started
        if reply.status != 200 or "result" not in page:
            raise RuntimeError(f"{pair} failed")
        return elapsed

    def tree_pss_kib(self):
        children = {}
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                continue
            children.setdefault(parent, []).append(int(entry))
        total, count, todo = 0, 0, [self.process.pid]
        while todo:
            pid = todo.pop()
            todo.extend(children.get(pid, []))
            try:
                with open(f"/proc/{pid}/smaps_rollup") as rollup:
                    for line in rollup:
                        if line.startswith("Pss:"):
                            total += int(line.split()[1])
                            count += 1
            except OSError:
                pass
        return total, count

    # A server is stopped however its block ends, so a failed translation leaves none running.
    def __enter__(self):
        return self

    def __exit__(self, *error):
        self.stop()

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)
        self.log.close()


def supports(binary, option):
    return option in subprocess.run([binary, "--help"], capture_output=True, text=True).stdout


def settle(server, seconds=20):
    """Waits until the process tree stops changing, so memory is not read mid-start."""
    last = None
    deadline = time.time() + seconds
    while time.time() < deadline:
        now = server.tree_pss_kib()[1]
        if now == last:
            return
        last = now
        time.sleep(0.5)


def summary(values, unit, scale=1.0):
    values = [v * scale for v in values]
    return f"{statistics.median(values):8.1f} {unit}  (range {min(values):.1f}-{max(values):.1f})"


def main():
    binary = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    pause = float(sys.argv[3]) if len(sys.argv) > 3 else 2.0
    has_idle = supports(binary, "--pipeline-idle")
    first_now, first_paused, warm = [], [], []
    memory = {}
    with tempfile.TemporaryDirectory(prefix="quillo-pipelines-") as folder:
        for _ in range(runs):
            with Server(binary, folder) as server:
                first_now.append(server.translate("en_es"))

            # Warm figures once nothing loads any more in the background.
            with Server(binary, folder) as server:
                time.sleep(pause)
                first_paused.append(server.translate("en_es"))
                time.sleep(pause)
                warm.append(statistics.median(server.translate("en_es") for _ in range(5)))

            extra = ["--pipeline-idle", str(IDLE_SECONDS)] if has_idle else []
            with Server(binary, folder, extra) as server:
                settle(server)
                memory.setdefault(0, []).append(server.tree_pss_kib())
                for used, pair in enumerate(DIRECTIONS, start=1):
                    server.translate(pair)
                    if used in (1, 4, 8):
                        settle(server)
                        memory.setdefault(used, []).append(server.tree_pss_kib())
                if has_idle:
                    time.sleep(IDLE_SECONDS * 1.5)
                    settle(server)
                    memory.setdefault("idle", []).append(server.tree_pss_kib())

    print(f"First English->Spanish sentence after start, median of {runs} fresh servers")
    print(f"  sent as soon as the server listens   {summary(first_now, 'ms', 1000)}")
    print(f"  sent {pause:.0f} s after the server listens   {summary(first_paused, 'ms', 1000)}")
    print(f"  warm (the same sentence, 5 times more) {summary(warm, 'ms', 1000)}")
    print(f"  first / warm                         {statistics.median(first_now) / statistics.median(warm):8.1f}x"
          f"  (after the pause {statistics.median(first_paused) / statistics.median(warm):.1f}x)")
    print(f"\nPSS of the server's process tree, median of {runs}")
    for key, label in [(0, "started, nothing asked"), (1, "1 direction used"), (4, "4 directions used"),
                       (8, "8 directions used"), ("idle", f"after {IDLE_SECONDS} s idle (--pipeline-idle {IDLE_SECONDS})")]:
        if key not in memory:
            continue
        pss = [p for p, _ in memory[key]]
        processes = statistics.median(c for _, c in memory[key])
        print(f"  {label:40} {summary(pss, 'MB', 1 / 1024)}  {processes:.0f} processes")


if __name__ == "__main__":
    main()
