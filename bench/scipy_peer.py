#!/usr/bin/env python3
"""What a Python user writes instead of the program: f as a Python function, sampled
at n equally spaced nodes, then scipy.optimize.brentq on every pair of neighbouring
nodes where f changes sign.

    python3 scipy_peer.py TASK              the roots of one task, one per line
    python3 scipy_peer.py --time [TASK...]  CPU time of the loop of each task, as JSON

The tasks are those of qorbench's calculation benchmarks (BM_CalculationDefaultTask
with 200 and 10000 nodes, BM_CalculationSin50x). --time measures the loop alone, as a
user would put a timer around it; the imports are not part of it. It reports the
fastest of several samples, each the mean of enough runs to take SAMPLE_SECONDS: on a
shared machine the fastest sample is the one the neighbours disturbed least.
"""
import json
import math
import sys
import time

from scipy.optimize import brentq


def polynomial(x):
    return 0.71 + 0.91 * x - 5.5 * x**2 + 0.172 * x**6


def sin50(x):
    return math.sin(50 * x)


# name: (f, xmin, xmax, nodes)
TASKS = {
    "default200": (polynomial, -2.5, 2.5, 200),
    "default10000": (polynomial, -2.5, 2.5, 10000),
    "sin50x": (sin50, -10.0, 10.0, 10000),
}

# CPU seconds one sample takes at least, and the samples taken per task.
SAMPLE_SECONDS = 0.05
SAMPLES = 10


def roots(f, xmin, xmax, n):
    h = (xmax - xmin) / (n - 1)
    x = [xmin + i * h for i in range(n)]
    y = [f(xi) for xi in x]
    return [brentq(f, x[i], x[i + 1]) for i in range(n - 1) if y[i] * y[i + 1] < 0]


def cpu_seconds_per_run(task):
    """The mean CPU time of one run in the fastest of SAMPLES samples."""
    fastest = float("inf")
    for _ in range(SAMPLES):
        runs = 0
        start = time.process_time()
        while True:
            roots(*task)
            runs += 1
            spent = time.process_time() - start
            if spent >= SAMPLE_SECONDS:
                break
        fastest = min(fastest, spent / runs)
    return fastest


def main(argv):
    if argv[1:2] == ["--time"] and all(name in TASKS for name in argv[2:]):
        names = argv[2:] or list(TASKS)
        result = {name: {"cpu_seconds": cpu_seconds_per_run(TASKS[name]), "roots": len(roots(*TASKS[name]))}
                  for name in names}
        print(json.dumps(result))
        return 0
    if len(argv) == 2 and argv[1] in TASKS:
        for root in roots(*TASKS[argv[1]]):
            print(repr(float(root)))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
