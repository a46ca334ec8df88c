#!/usr/bin/env python3
"""Benchmarks of the Python package (not tests: they time, and judge nothing).

    python3 bench/python_bench.py [--build build] [--files 10000] [--rounds 3]

1. Threads: the translations per second of one thread, and of two threads
   at once in one process, on descriptions of the size of
   examples/plant.qel and larger; the ratio is what the second thread adds
   (2.0 on two free cores).
2. Batch: `python3 -m qel2json SRC -o OUT` on FILES descriptions of that
   size, against a shell loop that runs the command line once per file
   (`for f in SRC/*.qel; do qel2json "$f" > OUT/...json; done`), both
   timed in the same round; and `-j 1` beside them.

Each figure is the median of ROUNDS.  The descriptions are generated with
qelgen into BUILD/bench-data/python/ (or --data DIR) once.  Runs from the source tree with
the build's library (it sets PYTHONPATH and LD_LIBRARY_PATH for itself).
"""
import argparse
import os
import statistics
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def setup(build):
    """Re-runs this script with the package and the build's library, once."""
    if os.environ.get("QEL_BENCH_CHILD"):
        return
    env = dict(os.environ, QEL_BENCH_CHILD="1", PYTHONPATH=os.path.join(ROOT, "python"),
               LD_LIBRARY_PATH=build, PYTHONDONTWRITEBYTECODE="1")
    sys.exit(subprocess.call([sys.executable] + sys.argv, env=env))


def per_second(source, threads, seconds=1.5):
    """Translations per second of `threads` threads translating `source` at once."""
    import qel2json
    counts, stop = [0] * threads, threading.Event()

    def work(i):
        while not stop.is_set():
            qel2json.translate(source, "bench.qel")
            counts[i] += 1

    pool = [threading.Thread(target=work, args=(i,)) for i in range(threads)]
    start = time.perf_counter()
    for t in pool:
        t.start()
    time.sleep(seconds)
    stop.set()
    for t in pool:
        t.join()
    return sum(counts) / (time.perf_counter() - start)


def thread_bench(qelgen, rounds):
    plant = open(os.path.join(ROOT, "examples", "plant.qel"), "rb").read()
    inputs = [("plant.qel (%d B)" % len(plant), plant)]
    for size in (20_000, 200_000):
        text = subprocess.run([qelgen, "description", str(size), "1"], capture_output=True, check=True).stdout
        inputs.append(("description %d B" % len(text), text))
    print("threads: translations per second in one process (median of %d)" % rounds)
    for name, source in inputs:
        one, two, ratio = [], [], []
        for _ in range(rounds):
            one.append(per_second(source, 1))
            two.append(per_second(source, 2))
            ratio.append(two[-1] / one[-1])
        print("  %-26s 1 thread %9.0f/s   2 threads %9.0f/s   ratio %.2f" % (
            name, statistics.median(one), statistics.median(two), statistics.median(ratio)))


def make_files(qelgen, folder, count, size):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        path = os.path.join(folder, "d%05d.qel" % i)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                subprocess.run([qelgen, "description", str(size), str(i + 1)], stdout=f, check=True)


def timed(command, **options):
    start = time.perf_counter()
    subprocess.run(command, check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options)
    return time.perf_counter() - start


def batch_bench(build, data, qelgen, files, rounds):
    size = os.path.getsize(os.path.join(ROOT, "examples", "plant.qel"))
    source = os.path.join(data, "src-%d" % files)
    make_files(qelgen, source, files, size)
    program = os.path.join(build, "qel2json")
    loop = 'for f in "$1"/*.qel; do "$2" "$f" > "$3/${f##*/}.json"; done'
    commands = {"shell loop": ["sh", "-c", loop, "loop", source, program],
                "batch": [sys.executable, "-m", "qel2json", source, "-o"],
                "batch -j 1": [sys.executable, "-m", "qel2json", "-j", "1", source, "-o"]}
    figures = {name: [] for name in list(commands) + ["ratio"]}
    outputs = os.path.join(data, "out")
    subprocess.run(["rm", "-rf", outputs], check=True)
    for round in range(rounds):
        for i, (name, command) in enumerate(commands.items()):
            # Each into a folder of its own, all removed at the end: removing
            # many files just before a run slows the disk for that run.
            out = os.path.join(outputs, "%d-%d" % (round, i))
            os.makedirs(out)
            figures[name].append(timed(command + [out]))
        figures["ratio"].append(figures["shell loop"][-1] / figures["batch"][-1])
    subprocess.run(["rm", "-rf", outputs], check=True)
    print("batch: %d descriptions of about %d bytes, wall seconds (median of %d)" % (files, size, rounds))
    for name in ("shell loop", "batch", "batch -j 1"):
        print("  %-12s %7.2f s" % (name, statistics.median(figures[name])))
    print("  shell loop / batch: %.1f" % statistics.median(figures["ratio"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--files", type=int, default=10_000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--only", choices=("threads", "batch"))
    parser.add_argument("--data", help="where the batch's files go (default: BUILD/bench-data/python; "
                        "/dev/shm keeps the disk out of the figures)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    setup(build)
    qelgen = os.path.join(build, "bench", "qelgen")
    if args.only != "batch":
        thread_bench(qelgen, args.rounds)
    if args.only != "threads":
        batch_bench(build, args.data or os.path.join(build, "bench-data", "python"), qelgen, args.files, args.rounds)


if __name__ == "__main__":
    main()
