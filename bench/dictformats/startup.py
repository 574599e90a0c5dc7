#!/usr/bin/env python3
# The timing half of startup.sh: usage: startup.py QUILLO_SERVER WORK_DIR STARTS
import os, socket, statistics, subprocess, sys, time, urllib.request

program, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]

def start_ms(label, run, environment):
    port = free_port()
    data = os.path.join(work, f"{label}-{run}")
    began = time.perf_counter()
    server = subprocess.Popen([program, "--listen", f"127.0.0.1:{port}", "--data", data, "--backend", "echo", "--quiet"],
                              env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while True:
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{port}/healthz", timeout=1).read()
                return (time.perf_counter() - began) * 1000
            except OSError:
                time.sleep(0.0005)
    finally:
        server.terminate()
        server.wait()

without = dict(os.environ, QUILLO_DICTIONARY_FOLDERS="")
with_all = {k: v for k, v in os.environ.items() if k != "QUILLO_DICTIONARY_FOLDERS"}
results = {"without dictionaries": [], "with every installed dictionary": []}
for run in range(runs):  # interleaved, so that the machine's load falls on both alike
    results["without dictionaries"].append(start_ms("without", run, without))
    results["with every installed dictionary"].append(start_ms("with", run, with_all))
for label, times in results.items():
    print(f"{label:34} median {statistics.median(times):7.1f} ms  ({', '.join(f'{t:.1f}' for t in times)})")
difference = statistics.median(results["with every installed dictionary"]) - statistics.median(results["without dictionaries"])
print(f"{'difference of the medians':34}        {difference:7.1f} ms")
