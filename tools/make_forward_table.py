#!/usr/bin/env python3
# Writes tests/data/forward_hard.csv: the seven forward ratios at hard (gamma, M), each the double nearest the exact
# value (rationals exactly, logarithms with mpmath at 320 bits checked at 640), as hex floats. Seeded: same file each run.
import argparse
import math
import os
import random
import sys
from fractions import Fraction

import mpmath
from exact_rounding import mp, nearest, tie_distance, to_fraction

PREC = 320
NAMES = ["T", "p", "rho", "V", "T0", "p0", "s"]


def exact_rationals(g, M):
    """The rational ratios as Fractions; p0 too where gamma/(gamma-1) is a small integer, else None."""
    g, m2 = Fraction(g), Fraction(M) ** 2
    w = 1 + g * m2
    p = (1 + g) / w
    V = (1 + g) * m2 / w
    p0 = None
    e = g / (g - 1)
    if e.denominator == 1 and e.numerator <= 64:  # p0 is rational: exact, no tie can hide
        p0 = p * ((2 + (g - 1) * m2) / (1 + g)) ** e.numerator
    return {"T": p * V, "p": p, "rho": 1 / V, "V": V, "T0": V * p * (2 + (g - 1) * m2) / (1 + g), "p0": p0}


def logarithmic(g, M, prec):
    """p0 and s as exact Fractions of mpmath values at prec bits, from the textbook forms: the 640-bit check covers
    their cancellation next to M = 1 and at large gamma."""
    exact = exact_rationals(g, M)
    with mpmath.workprec(prec):

        gm, p, rho = mpmath.mpf(g), mp(exact["p"]), mp(exact["rho"])
        base = mp((2 + (Fraction(g) - 1) * Fraction(M) ** 2) / (1 + Fraction(g)))
        s = (gm * mpmath.log(rho) - mpmath.log(p)) / (gm - 1)
        p0 = p * base ** (gm / (gm - 1))
        return [to_fraction(x) for x in (p0, s)]


def ratios(g, M):
    """The seven correctly rounded ratios, or raises when 640 bits do not confirm 320."""
    if M == 1:
        return [1.0] * 6 + [0.0]
    exact = exact_rationals(g, M)
    low, high = logarithmic(g, M, PREC), logarithmic(g, M, 2 * PREC)
    values = [exact[n] for n in NAMES[:5]]
    for i, name in enumerate(NAMES[5:]):
        if name == "p0" and exact["p0"] is not None:
            values.append(exact["p0"])
            continue
        if nearest(low[i]) != nearest(high[i]) or tie_distance(high[i]) < Fraction(1, 2**150):
            raise ArithmeticError(f"{name} undecided at gamma={g!r}, M={M!r}")
        values.append(high[i])
    return [nearest(v) if v > 0 else 0.0 for v in values]


GAMMAS = [math.nextafter(1.0, 2.0), 1.0001, 1.01, 1.1, 1.3, 1.4, 5 / 3, 1.5, 2.0, 3.0, 1000.0, 1e6]
TIE_GAMMAS = [1.1, 1.3, 1.4, 5 / 3, 1000.0, 1e6]
MIN_SUB, MIN_NORMAL, MAX = 2.0**-1074, 2.0**-1022, sys.float_info.max


def steps(x, count):
    """x and the count doubles either side of it."""
    out = [x]
    up = down = x
    for _ in range(count):
        up, down = math.nextafter(up, math.inf), math.nextafter(down, 0.0)
        out += [up, down]
    return [v for v in out if 0 < v < math.inf]


def ln_ratio(g, M, name):
    """ln of a ratio as a float, free of overflow: to find M at the ends of a double's range."""
    with mpmath.workprec(160):
        gm, m2 = mpmath.mpf(g), mpmath.mpf(M) ** 2
        w, u = 1 + gm * m2, 2 + (gm - 1) * m2
        ln = {
            "T": 2 * mpmath.log(1 + gm) + mpmath.log(m2) - 2 * mpmath.log(w),
            "p": mpmath.log(1 + gm) - mpmath.log(w),
            "rho": mpmath.log(w) - mpmath.log(1 + gm) - mpmath.log(m2),
            "V": mpmath.log(1 + gm) + mpmath.log(m2) - mpmath.log(w),
            "T0": mpmath.log(1 + gm) + mpmath.log(m2) + mpmath.log(u) - 2 * mpmath.log(w),
            "p0": mpmath.log(1 + gm) - mpmath.log(w) + gm / (gm - 1) * mpmath.log1p((gm - 1) * (m2 - 1) / (1 + gm)),
        }[name]
        return float(ln)


def solve_edge(g, name, log2_target, low, high):
    """The double M in [low, high] (where the ratio is monotone) at which the ratio crosses 2^log2_target."""
    ln_target = log2_target * math.log(2)
    rising = ln_ratio(g, high, name) > ln_ratio(g, low, name)
    for _ in range(200):
        mid = math.sqrt(low) * math.sqrt(high)
        if mid in (low, high):
            break
        if (ln_ratio(g, mid, name) < ln_target) == rising:
            low = mid
        else:
            high = mid
    return low


# Ratios leaving a double's range at one end of M's: name, log2 of the values to reach (half the smallest subnormal,
# subnormals, the smallest normal, the largest double), and an interval of M where the ratio is monotone.
TINY = [-1075, math.log2(1.5) - 1074, math.log2(3.5) - 1074, -1022]
EDGES = [
    ("T", TINY, (MIN_SUB, 1e-3)),
    ("T", TINY, (1e3, MAX)),
    ("p", TINY[::3], (1e3, MAX)),
    ("V", TINY, (MIN_SUB, 1e-3)),
    ("rho", [1024], (MIN_SUB, 1e-3)),
    ("T0", TINY[::3], (MIN_SUB, 1e-3)),
    ("p0", [1024], (1.0000001, MAX)),
]


def hard_mach(g, rnd):
    """The Mach numbers of the structured cases at one gamma."""
    ms = steps(1.0, 4)  # M = 1 and next to it
    ms += [math.ldexp(1.0, k) for k in range(-1074, 1024, 61)]  # across the whole range, subnormal M too
    ms += [MIN_SUB * 3, 1e-320, 1e-300, 1e-160, 1e-154, 1e150, 1e154, 1e300, MAX]
    ms += [math.exp(rnd.uniform(-744, 709)) for _ in range(12)]
    ms += [math.ldexp(1.0 + rnd.random(), -k) for k in range(24, 34)]  # p/p* rounds to 1 + gamma and just below
    ms += [1e-8, 1e-9]
    for name, targets, (low, high) in EDGES:
        for target in targets:
            ms += steps(solve_edge(g, name, target, low, high), 1)
    return ms


def tie_search(g, rnd, tries, keep):
    """The keep Mach numbers, among tries random ones, whose ratio lies closest to a midpoint between doubles."""
    scored = []
    for i in range(tries):
        M = math.exp(rnd.uniform(-0.1, 0.1)) if i % 8 == 0 else math.exp(rnd.uniform(-7, 7))
        exact = exact_rationals(g, M)
        values = [exact[n] for n in NAMES[:5]] + logarithmic(g, M, PREC)
        close = min(tie_distance(v) for v in values if v > 0)
        scored.append((close, M))
    scored.sort()
    return [M for _, M in scored[:keep]]


def rows(seed, tries, keep):
    rnd = random.Random(seed)
    out = []
    for g in GAMMAS:
        ms = hard_mach(g, rnd)
        if g == 2.0:
            ms.append(0.5)  # p0/p0* = 9/8 exactly
        if g in TIE_GAMMAS:
            ms += tie_search(g, rnd, tries, keep)
        seen = set()
        for M in ms:
            if M not in seen:
                seen.add(M)
                out.append((g, M, ratios(g, M)))
    return out


def main():
    parser = argparse.ArgumentParser(description="Writes the table of hard forward cases.")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--out", default=os.path.join(here, "..", "tests", "data", "forward_hard.csv"))
    parser.add_argument("--seed", type=int, default=20)
    parser.add_argument("--tries", type=int, default=40000, help="random M searched for near-ties, per gamma")
    parser.add_argument("--keep", type=int, default=60, help="near-ties kept per gamma")
    args = parser.parse_args()
    table = rows(args.seed, args.tries, args.keep)
    with open(args.out, "w") as f:
        f.write("gamma," + "M," + ",".join(NAMES) + "\n")
        for g, M, values in table:
            f.write(",".join(float.hex(v) for v in [g, M] + values) + "\n")
    print(f"{len(table)} rows to {args.out}")


if __name__ == "__main__":
    main()
