"""The Python module's speed as ratios measured in one run: ratios() on
1.1 million Mach numbers (a million log-uniform over [1e-3, 1e3], 100,000
over [0.9, 1.1]) against the seven ratios as numpy closed forms, and the
supersonic p0/p0* inverse per value against ratios() per value. Each case
runs many times, alternating, and the medians of CPU time are compared, as
for the command line: on a shared machine they vary less than wall time,
which is shown beside them. Everything runs on this one thread.

    PYTHONPATH=build/bench/python python3 bench/python_bench.py [REPETITIONS]

Exits 2 when a goal is missed."""

import statistics
import sys
import time

import numpy as np

import kalvenor

REPETITIONS = int(sys.argv[1]) if len(sys.argv) > 1 else 15
GAMMA = 1.4


def closed_forms(M, g=GAMMA):
    """The seven ratios as a careful numpy user writes them, sharing what
    they share."""
    m2 = M * M
    p = (1 + g) / (1 + g * m2)
    V = m2 * p
    rho = 1 / V
    T = V * p
    c = (2 + (g - 1) * m2) / (1 + g)
    T0 = T * c
    p0 = p * c ** (g / (g - 1))
    s = (g * np.log(rho) - np.log(p)) / (g - 1)
    return T, p, rho, V, T0, p0, s


def seconds(call):
    cpu, wall = time.process_time(), time.perf_counter()
    call()
    return time.process_time() - cpu, time.perf_counter() - wall


def medians(cases):
    """Median CPU and wall seconds of each case, run in turn REPETITIONS
    times after one run to warm up."""
    times = {name: [] for name in cases}
    for call in cases.values():
        call()
    for _ in range(REPETITIONS):
        for name, call in cases.items():
            times[name].append(seconds(call))
    return {name: [statistics.median(column) for column in zip(*t)] for name, t in times.items()}


def main():
    rng = np.random.default_rng(20261209)
    mach = np.concatenate((10.0 ** rng.uniform(-3, 3, 1_000_000), rng.uniform(0.9, 1.1, 100_000)))
    p0 = np.linspace(1.01, 50.0, 100_000)
    t = medians({
        "ratios": lambda: kalvenor.ratios(mach, GAMMA),
        "closed forms": lambda: closed_forms(mach),
        "solve": lambda: kalvenor.solve("p0", p0, GAMMA, branch="sup"),
    })
    rows = (("ratios", "ratios, 1,100,000 M", mach.size), ("closed forms", "numpy closed forms, 1,100,000 M", mach.size),
            ("solve", "solve p0 sup, 100,000 values", p0.size))
    print(f"  {'':34} {'CPU time':>11} {'per value':>10} {'wall time':>11}")
    for key, name, n in rows:
        cpu, wall = t[key]
        print(f"  {name:34} {cpu * 1e3:8.1f} ms {cpu / n * 1e9:7.1f} ns {wall * 1e3:8.1f} ms")

    def ratio(column):
        forms = t["ratios"][column] / t["closed forms"][column]
        inverse = (t["solve"][column] / p0.size) / (t["ratios"][column] / mach.size)
        return forms, inverse

    (forms, inverse), (forms_wall, inverse_wall) = ratio(0), ratio(1)
    met = {"ratios / closed forms": (forms, forms_wall, 1.3), "solve p0 / ratios, per value": (inverse, inverse_wall, 30)}
    for name, (cpu, wall, goal) in met.items():
        print(f"  {name:34} {cpu:10.2f}x   (goal <= {goal}: {'met' if cpu <= goal else 'MISSED'})   wall time {wall:.2f}x")
    return 0 if all(cpu <= goal for cpu, _, goal in met.values()) else 2


if __name__ == "__main__":
    sys.exit(main())
