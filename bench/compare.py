"""Sets the program's calculation against scipy_peer.py on its three tasks, in one run.

    python3 compare.py BIN_DIR [ROUNDS]

BIN_DIR holds qorbench and kaloroots. Prints, per task, the in-process ratio (CPU time
of the script's loop over CPU time of the calculation in qorbench) and the whole-process
ratio (wall time of `python3 scipy_peer.py TASK` over wall time of kaloroots on the same
task); above 1 means the program is faster. In each of ROUNDS rounds (default 3) the two
sides of a comparison run right after each other, so that they meet the same load on a
shared machine, and every figure is the fastest of its samples: the one the neighbours
disturbed least. Also prints the peak memory of kaloroots on the default task and the
counter xClean of BM_CalculationAfterDirtyVectorRegisters. Called by compare.sh, which
makes sure that SciPy is there.
"""
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PEER = os.path.join(HERE, "scipy_peer.py")

# peer task: (title, qorbench benchmark, kaloroots arguments)
TASKS = {
    "default200": ("default polynomial, 200 nodes", "BM_CalculationDefaultTask/200", []),
    "default10000": ("default polynomial, 10000 nodes", "BM_CalculationDefaultTask/10000", ["--nodes", "10000"]),
    "sin50x": ("sin(50*x) on [-10, 10], 10000 nodes", "BM_CalculationSin50x/10000",
               ["--function", "sin(50*x)", "--xmin", "-10", "--xmax", "10", "--nodes", "10000"]),
}
DIRTY_BENCHMARK = "BM_CalculationAfterDirtyVectorRegisters/10000"
# qorbench's samples: repetitions of at least this many seconds, as the script takes them.
QORBENCH_ARGS = ["--benchmark_repetitions=10", "--benchmark_min_time=0.05", "--benchmark_format=json"]
# Processes started per task and side in each round of the whole-process comparison.
PROCESS_RUNS = 5


def qorbench(bin_dir, pattern):
    """The fastest repetition of each benchmark matching pattern: its CPU seconds per
    calculation and its counters."""
    out = subprocess.run([os.path.join(bin_dir, "qorbench"), f"--benchmark_filter={pattern}"] + QORBENCH_ARGS,
                         check=True, capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
    units = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    fastest = {}
    for b in json.loads(out)["benchmarks"] if out.strip() else []:  # nothing matched: no output
        if b.get("run_type") != "iteration":
            continue
        b["cpu_seconds"] = b["cpu_time"] * units[b["time_unit"]]
        if b["run_name"] not in fastest or b["cpu_seconds"] < fastest[b["run_name"]]["cpu_seconds"]:
            fastest[b["run_name"]] = b
    return fastest


def peer_loop(name):
    """CPU seconds per run of the task's loop in the script (its fastest sample)."""
    out = subprocess.run([sys.executable, PEER, "--time", name], check=True, capture_output=True, text=True).stdout
    return json.loads(out)[name]["cpu_seconds"]


def wall_seconds(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def peak_memory_mib(bin_dir):
    """Peak resident memory of kaloroots on the default task, from a process whose only child it is."""
    code = ("import resource, subprocess, sys; subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL); "
            "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    kib = subprocess.run([sys.executable, "-c", code, os.path.join(bin_dir, "kaloroots")],
                         check=True, capture_output=True, text=True).stdout
    return int(kib) / 1024


def measure(bin_dir, rounds):
    """The fastest figure of every side of every comparison over all rounds."""
    best = {name: {} for name in TASKS}
    evaluations, dirty = {}, []

    def keep(name, side, value):
        best[name][side] = min(best[name].get(side, float("inf")), value)

    for r in range(rounds):
        print(f"round {r + 1} of {rounds} ...", file=sys.stderr)
        for name, (_, benchmark, arguments) in TASKS.items():
            ours = qorbench(bin_dir, "^" + benchmark + "$")[benchmark]
            keep(name, "qorbench", ours["cpu_seconds"])
            keep(name, "script", peer_loop(name))
            evaluations[name] = int(ours["evaluations"])
            for _ in range(PROCESS_RUNS):
                keep(name, "kaloroots", wall_seconds([os.path.join(bin_dir, "kaloroots")] + arguments))
                keep(name, "python3", wall_seconds([sys.executable, PEER, name]))
        dirty.extend(b["xClean"] for b in qorbench(bin_dir, "^" + DIRTY_BENCHMARK + "$").values())
    return best, evaluations, min(dirty, default=None)


def main(argv):
    bin_dir = argv[1]
    rounds = int(argv[2]) if len(argv) > 2 else 3
    best, evaluations, dirty = measure(bin_dir, rounds)
    print(f"The calculation against bench/scipy_peer.py, fastest of {rounds} rounds; "
          "a ratio above 1: the program is faster")
    print()
    print(f"{'task':38} {'evals':>6} | {'in-process, CPU ms':^22} {'ratio':>6} | {'whole process, ms':^22} {'ratio':>6}")
    print(f"{'':38} {'':>6} | {'qorbench':>10} {'script':>11} {'':>6} | {'kaloroots':>10} {'python3':>11} {'':>6}")
    for name, (title, _, _) in TASKS.items():
        b = best[name]
        print(f"{title:38} {evaluations[name]:>6} | {b['qorbench'] * 1e3:10.3f} {b['script'] * 1e3:11.3f} "
              f"{b['script'] / b['qorbench']:6.2f} | {b['kaloroots'] * 1e3:10.1f} {b['python3'] * 1e3:11.1f} "
              f"{b['python3'] / b['kaloroots']:6.1f}")
    print()
    print(f"peak memory of kaloroots on the default task: {peak_memory_mib(bin_dir):.1f} MiB")
    if dirty is not None:
        print(f"the calculation after AVX code left the vector registers dirty, over a clean one (xClean): {dirty:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
