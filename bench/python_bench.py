"""The Python module's speed as ratios measured in one run: ratios() on
1.1 million Mach numbers (a million log-uniform over [1e-3, 1e3], 100,000
over [0.9, 1.1]) against the seven ratios as numpy closed forms; solve()
for T, p, rho, V and T0 on 100,000 values against the closed-form inverse
in numpy followed by those closed forms; solve() for p0 and s per value
against ratios() per value; and heat() on 100,000 inlets against the
closed-form chain a numpy user writes. Each case
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


def inverse(quantity, v, sup, g=GAMMA):
    """M from a value by the textbook closed forms, in double."""
    a = 1 + g
    if quantity == "T":
        big = a + np.sqrt(a * a - 4 * g * v)
        return big / (2 * g * np.sqrt(v)) if sup else 2 * np.sqrt(v) / big
    if quantity == "p":
        return np.sqrt((a - v) / (g * v))
    if quantity == "rho":
        return np.sqrt(1 / (a * v - g))
    if quantity == "V":
        return np.sqrt(v / (a - g * v))
    e = 1 - v  # T0
    b = 1 + g * e + a * np.sqrt(e)
    return np.sqrt(b / (1 - g * g * e)) if sup else np.sqrt(v / b)


def heat_chain(M1, ratio, g=GAMMA):
    """Exit over inlet: T0/T0* at the exit, the T0 inverse on the inlet's
    branch, then the closed forms at both ends."""
    inlet = closed_forms(M1)
    t2 = inlet[4] * ratio
    sub = M1 < 1
    M2 = np.empty_like(M1)
    M2[sub] = inverse("T0", t2[sub], False)
    M2[~sub] = inverse("T0", t2[~sub], True)
    exit_ = closed_forms(M2)
    return (M2,) + tuple(b / a for a, b in zip(inlet[:6], exit_[:6])) + (inlet[6] - exit_[6],)


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


# Each closed-form inverse on values across its range (T0 on both branches).
INVERSES = (("T", 0.05, 1.0, False), ("p", 0.05, 2.3, False), ("rho", 0.6, 20.0, False), ("V", 0.05, 1.7, False),
            ("T0", 0.05, 0.99, False), ("T0", 0.5, 0.99, True))


def main():
    rng = np.random.default_rng(20261209)
    mach = np.concatenate((10.0 ** rng.uniform(-3, 3, 1_000_000), rng.uniform(0.9, 1.1, 100_000)))
    p0 = np.linspace(1.01, 50.0, 100_000)
    s_values = 10.0 ** rng.uniform(-3, 1, 100_000)
    inlets = np.concatenate((rng.uniform(0.05, 0.75, 50_000), rng.uniform(1.4, 4.0, 50_000)))
    cases = {
        "ratios": lambda: kalvenor.ratios(mach, GAMMA),
        "closed forms": lambda: closed_forms(mach),
        "solve p0": lambda: kalvenor.solve("p0", p0, GAMMA, branch="sup"),
        "solve s": lambda: kalvenor.solve("s", s_values, GAMMA, branch="sub"),
        "heat": lambda: kalvenor.heat(inlets, T0_ratio=1.02, gamma=GAMMA),
        "heat chain": lambda: heat_chain(inlets, 1.02),
    }
    for quantity, low, high, sup in INVERSES:
        v = rng.uniform(low, high, 100_000)
        side = "sup" if sup else "sub"
        cases[f"solve {quantity} {side}"] = lambda v=v, q=quantity, b=side: kalvenor.solve(q, v, GAMMA, branch=b)
        cases[f"numpy {quantity} {side}"] = lambda v=v, q=quantity, sup=sup: closed_forms(inverse(q, v, sup))
    t = medians(cases)
    sizes = {"ratios": mach.size, "closed forms": mach.size}
    print(f"  {'':34} {'CPU time':>11} {'per value':>10} {'wall time':>11}")
    for name, (cpu, wall) in t.items():
        n = sizes.get(name, 100_000)
        print(f"  {name:34} {cpu * 1e3:8.1f} ms {cpu / n * 1e9:7.1f} ns {wall * 1e3:8.1f} ms")

    def per_value(name, column):
        return t[name][column] / sizes.get(name, 100_000)

    met = {"ratios / closed forms": ("ratios", "closed forms", 1.3)}
    for quantity, _, _, sup in INVERSES:
        side = "sup" if sup else "sub"
        met[f"solve {quantity} {side} / numpy"] = (f"solve {quantity} {side}", f"numpy {quantity} {side}", 1.5)
    met["solve p0 / ratios, per value"] = ("solve p0", "ratios", 10)
    met["solve s / ratios, per value"] = ("solve s", "ratios", 10)
    met["heat / numpy chain"] = ("heat", "heat chain", 2)
    ok = True
    for name, (ours, theirs, goal) in met.items():
        cpu, wall = (per_value(ours, c) / per_value(theirs, c) for c in (0, 1))
        ok = ok and cpu <= goal
        print(f"  {name:34} {cpu:10.2f}x   (goal <= {goal}: {'met' if cpu <= goal else 'MISSED'})   wall time {wall:.2f}x")
    return 0 if ok else 2


if __name__ == "__main__":
    sys.exit(main())
