"""vexlor.read_results against numpy.loadtxt and pandas.read_csv on one
results file: processor time (user + system) and the peak memory each adds
beyond the interpreter with numpy, pandas and vexlor loaded, each reader in a
process of its own, the ratios taken in one run.

    python3 bench/read_results_speed.py RESULTS_FILE [ROUNDS]

The targets: vexlor at most the CPU time of numpy.loadtxt, and at most the
memory of its result plus a small constant."""
import os
import resource
import subprocess
import sys

READERS = {
    "vexlor float64": "values, bad = vexlor.read_results(path)",
    "vexlor uint8": "values, bad = vexlor.read_results(path, dtype=numpy.uint8)",
    "numpy.loadtxt": "values = numpy.loadtxt(path, dtype=numpy.float64, "
                     "converters=None, comments=None, ndmin=2)",
    "pandas.read_csv": "values = pandas.read_csv(path, sep=' ', header=None, "
                       "usecols=range(416), dtype=numpy.float64).to_numpy()",
}

PROGRAM = """
import os, resource, sys, time
import numpy, pandas, vexlor
path = sys.argv[1]
try:  # the text is what is measured, not the binary table a reading leaves
    os.remove(path + ".table")
except FileNotFoundError:
    pass
base = resource.getrusage(resource.RUSAGE_SELF)
{reader}
used = resource.getrusage(resource.RUSAGE_SELF)
print(used.ru_utime + used.ru_stime - base.ru_utime - base.ru_stime,
      (used.ru_maxrss - base.ru_maxrss) * 1024, values.nbytes)
"""


def measure(path, statement):
    out = subprocess.run([sys.executable, "-c", PROGRAM.format(reader=statement), path],
                         check=True, capture_output=True, text=True,
                         env=dict(os.environ, PYTHONPATH=os.environ.get("PYTHONPATH", ""))).stdout
    cpu, memory, result = out.split()
    return float(cpu), int(memory), int(result)


def main():
    path = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    lines = sum(1 for _ in open(path, "rb"))
    print(f"{path}: {lines} lines, {os.path.getsize(path) / 1e6:.0f} MB, best of {rounds}")
    best = {}
    for _ in range(rounds):  # interleaved: the machine's noise falls on every reader alike
        for name, statement in READERS.items():
            cpu, memory, result = measure(path, statement)
            old = best.get(name)
            best[name] = (min(cpu, old[0]) if old else cpu, min(memory, old[1]) if old else memory,
                          result)
    floor = best["numpy.loadtxt"][0]
    for name, (cpu, memory, result) in best.items():
        print(f"{name:16} {cpu:6.2f} s CPU ({cpu / floor:4.2f} x loadtxt)  peak +{memory / 1e6:7.1f} MB"
              f"  result {result / 1e6:6.1f} MB (+{(memory - result) / 1e6:6.1f} MB)")


if __name__ == "__main__":
    main()
