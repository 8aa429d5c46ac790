"""The Python module's speed as ratios measured in one run: ratios() on a
million Mach numbers against the seven ratios as numpy closed forms, and the
supersonic p0/p0* inverse per value against ratios() per value. Each case
runs many times, alternating, and the medians are compared.

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
    """The peer's way: one numpy expression per ratio, each from M alone."""
    T = M**2 * (1 + g) ** 2 / (1 + g * M**2) ** 2
    p = (1 + g) / (1 + g * M**2)
    rho = (1 + g * M**2) / ((1 + g) * M**2)
    V = (1 + g) * M**2 / (1 + g * M**2)
    T0 = 2 * (1 + g) * M**2 * (1 + (g - 1) / 2 * M**2) / (1 + g * M**2) ** 2
    p0 = (1 + g) / (1 + g * M**2) * ((2 + (g - 1) * M**2) / (1 + g)) ** (g / (g - 1))
    s = np.log((1 + g) / (1 + g * M**2)) - g / (g - 1) * np.log(M**2 * (1 + g) ** 2 / (1 + g * M**2) ** 2)
    return T, p, rho, V, T0, p0, s


def seconds(call):
    start = time.perf_counter()
    call()
    return time.perf_counter() - start


def medians(cases):
    """Median seconds of each case, run in turn REPETITIONS times after one
    run to warm up."""
    times = {name: [] for name in cases}
    for call in cases.values():
        call()
    for _ in range(REPETITIONS):
        for name, call in cases.items():
            times[name].append(seconds(call))
    return {name: statistics.median(t) for name, t in times.items()}


def main():
    mach = np.linspace(0.05, 5.0, 1_000_000)
    p0 = np.linspace(1.01, 50.0, 100_000)
    t = medians({
        "ratios": lambda: kalvenor.ratios(mach, GAMMA),
        "closed forms": lambda: closed_forms(mach),
        "solve p0 sup": lambda: kalvenor.solve("p0", p0, GAMMA, branch="sup"),
    })
    per_ratio = t["ratios"] / mach.size
    per_solve = t["solve p0 sup"] / p0.size
    forms = t["ratios"] / t["closed forms"]
    inverse = per_solve / per_ratio
    print(f"  {'':40} {'median':>10} {'per value':>11}")
    print(f"  {'ratios, 1,000,000 M':40} {t['ratios'] * 1e3:8.1f} ms {per_ratio * 1e9:8.1f} ns")
    print(f"  {'numpy closed forms, 1,000,000 M':40} {t['closed forms'] * 1e3:8.1f} ms "
          f"{t['closed forms'] / mach.size * 1e9:8.1f} ns")
    print(f"  {'solve p0 sup, 100,000 values':40} {t['solve p0 sup'] * 1e3:8.1f} ms {per_solve * 1e9:8.1f} ns")
    met = {"ratios / closed forms": (forms, 2), "solve p0 / ratios, per value": (inverse, 30)}
    for name, (ratio, goal) in met.items():
        print(f"  {name:40} {ratio:9.2f}x   (goal <= {goal}: {'met' if ratio <= goal else 'MISSED'})")
    return 0 if all(r <= g for r, g in met.values()) else 2


if __name__ == "__main__":
    sys.exit(main())
