#!/usr/bin/env python3
"""The command line's whole cost, as a user meets it.

For each input (those whose label contains ONLY, when set), RUNS (default 5) fresh processes of
    tessaro import --component-dir DIR --device-code 1 --format csv FILE... > /dev/null
alternating with `wc -l FILE...`, each measured by wait4 (user + system CPU time, wall
time, peak resident memory); prints the medians as a Markdown table.

    bench/cli.py [TESSARO [WORK]]

With PYTHON_MODULE=FOLDER (the folder holding the tessaro package: <build>/python, or an
installed site folder), each input is also imported from Python in fresh interpreters
(bench/python_import.py: the import, then every variable's Name read), alternating with
the command line, and a row "... from Python" gives its medians and its CPU time against
the command line's.

TESSARO defaults to build-rel/cli/tessaro; WORK (default /tmp/tessaro-cli-bench) keeps
the generated inputs between runs and the component's layout: the sample device
database two folders above the component folder. The merged message file is removed
before every run, so each run writes it anew.
"""
import os
import statistics
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
tessaro = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else f"{root}/build-rel/cli/tessaro")
work = sys.argv[2] if len(sys.argv) > 2 else "/tmp/tessaro-cli-bench"
runs = int(os.environ.get("RUNS", "5"))
only = os.environ.get("ONLY", "")  # measure only the inputs whose label contains this
component = f"{work}/root/app/bin"
merged = f"{work}/root/app/Messenger.Msg"


def prepare():
    os.makedirs(f"{work}/data", exist_ok=True)
    os.makedirs(component, exist_ok=True)
    db = f"{work}/root/KorvoDEV.dbr"
    if not os.path.exists(db):
        os.symlink(f"{root}/build-rel/samples/KorvoDEV.dbr", db)
    for n in (10000, 30000, 1000000):
        if only in f"symbols {n:,}" and not os.path.exists(f"{work}/data/s{n}.asc"):
            subprocess.run(["python3", f"{root}/../shared/tools/gen_asc.py", "--de", str(n), f"{work}/data/s{n}.asc"],
                           check=True)
    for n in (10000, 1000000):
        folder = f"{work}/data/v{n}"
        if only in f"value lines {n:,}" and not os.path.exists(f"{folder}/Project.AWL"):
            os.makedirs(folder, exist_ok=True)
            subprocess.run([f"{root}/build-rel/bench/tessaro_generate", folder, "0", str(n // 100), "100"], check=True,
                           stdout=subprocess.DEVNULL)


python_module = os.environ.get("PYTHON_MODULE", "")


def run(argv, environment=None):
    """CPU seconds, wall seconds and peak MB (1,000 KB) of one process."""
    with open(os.devnull, "wb") as null:
        start = time.monotonic()
        pid = os.posix_spawn(argv[0], argv, environment or os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, null.fileno(), 1)])
        _, status, usage = os.wait4(pid, 0)
        wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{argv[0]} failed: {status}")
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss / 1000


def measure(label, lines, files):
    if only not in label:
        return
    mine, wc, python = [], [], []
    environment = dict(os.environ, PYTHONPATH=python_module)
    for _ in range(runs):
        if os.path.exists(merged):
            os.remove(merged)
        mine.append(run([tessaro, "import", "--component-dir", component, "--device-code", "1", "--format", "csv",
                         *files]))
        wc.append(run(["/usr/bin/wc", "-l", *files]))
        if python_module:
            os.remove(merged)
            python.append(run(["/usr/bin/python3", f"{root}/bench/python_import.py", component, *files], environment))
    wc_cpu = statistics.median(w[0] for w in wc)
    cli_cpu = statistics.median(m[0] for m in mine)
    for name, measured in ((label, mine), (f"{label} from Python", python)):
        if not measured:
            continue
        cpu, wall, peak = (statistics.median(m[i] for m in measured) for i in range(3))
        ratio = f"{cpu / wc_cpu:.0f}" if wc_cpu > 0 else "-"
        against = f" ({cpu / cli_cpu:.2f}x the command line)" if measured is python else ""
        print(f"| {name}{against} | {cpu:.3f} s | {wall:.3f} s | {peak:.0f} MB | {wc_cpu:.3f} s | {ratio} | "
              f"{cpu * 1e9 / lines:.0f} ns |", flush=True)


prepare()
print("load before:", open("/proc/loadavg").read().split()[:3])
print("| input | CPU | wall | peak | `wc -l` CPU | x `wc -l` | CPU per line |")
print("|---|---|---|---|---|---|---|")
measure("symbols 10,000", 10000, [f"{work}/data/s10000.asc"])
measure("symbols 30,000", 30000, [f"{work}/data/s30000.asc"])
measure("symbols 1,000,000", 1000000, [f"{work}/data/s1000000.asc"])
for n, label in ((10000, "value lines 10,000 (100 blocks)"), (1000000, "value lines 1,000,000 (10,000 blocks)")):
    measure(label, n, [f"{work}/data/v{n}/Project.ASC", f"{work}/data/v{n}/Project.AWL"])
print("load after:", open("/proc/loadavg").read().split()[:3])
