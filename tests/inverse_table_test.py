#!/usr/bin/env python3
"""The inverse and heat tables checked on a sample of rows another way: M by bracketing the value between the ratio
at the midpoints either side of it, the rest at a root found in M by mpmath at another precision, from the textbook
forms rather than the generator's."""
import csv
import math
import os
import sys
import unittest
from fractions import Fraction

import mpmath

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.dont_write_bytecode = True  # nothing left in the source tree
sys.path.insert(0, os.path.join(ROOT, "tools"))
from exact_rounding import nearest, tie_distance, to_fraction  # noqa: E402

PREC = 1400  # M may be 1 + 2^-538 where s is subnormal
NAMES = ["T", "p", "rho", "V", "T0", "p0", "s"]


def forms(g, M):
    """The seven ratios at Mach number M, as textbooks write them."""
    g, M = mpmath.mpf(g), mpmath.mpf(M)
    w = 1 + g * M * M
    T = (M * (1 + g) / w) ** 2
    p = (1 + g) / w
    T0 = 2 * (1 + g) * M * M * (1 + (g - 1) / 2 * M * M) / w**2
    p0 = p * ((2 + (g - 1) * M * M) / (1 + g)) ** (g / (g - 1))
    return [T, p, 1 / (M * M * p), M * M * p, T0, p0, mpmath.log(p) - g / (g - 1) * mpmath.log(T)]


def rounded(x):
    """The double nearest x, or None where a midpoint is too near to say at this precision."""
    if x <= 0:
        return 0.0
    f = to_fraction(x)
    return None if tie_distance(f) < Fraction(1, 2**300) else nearest(f)


def midpoints(M):
    """The midpoints between M and the doubles either side, in mpmath."""
    up = math.nextafter(M, math.inf)
    lo = (Fraction(M) + Fraction(math.nextafter(M, 0))) / 2
    hi = (Fraction(M) + (Fraction(up) if up < math.inf else Fraction(2**1024))) / 2
    return [mpmath.mpf(x.numerator) / x.denominator for x in (lo, hi)]


def between(f, lo, hi, scale):
    """The root of f in [lo, hi], found in units of scale: mpmath's tolerances are absolute, and M may be 2^-1074."""
    size = max(abs(f(lo)), abs(f(hi)))
    t = mpmath.findroot(lambda t: f(t * scale) / size, (lo / scale, hi / scale), solver="anderson", verify=False)
    return t * scale


def number(cell):
    return None if cell == "" else float.fromhex(cell)


def rows(name):
    with open(os.path.join(ROOT, "tests", "data", name)) as f:
        return [r for r in csv.DictReader(f)]


class Tables(unittest.TestCase):
    def check_root(self, g, k, v, M, want, turn, high, line):
        """v lies between the ratio at the midpoints next to M (clamped to the branch), and the ratios at the root
        found between them round to want."""
        lo, hi = midpoints(M)
        if turn is not None:
            lo, hi = (max(lo, turn), hi) if high else (lo, min(hi, turn))

        def f(m):
            return forms(g, m)[k] - v

        a, b = f(lo), f(hi)
        self.assertLessEqual(a * b, 0, line)
        if a == 0 or b == 0:  # exactly a midpoint: the table took the even side
            return
        root = between(f, lo, hi, M)
        for i, x in enumerate(forms(g, root)):
            got = rounded(x)
            if i != k and got is not None:
                self.assertEqual(got, want[i], f"{line}: {NAMES[i]}")

    def test_inverse_rows(self):
        for row in rows("inverse_hard.csv")[::23]:
            line = ",".join(row.values())
            g, v, k = float.fromhex(row["gamma"]), float.fromhex(row["value"]), NAMES.index(row["quantity"])
            high = row["branch"] == "sup"
            with mpmath.workprec(PREC):
                turn = 1 / mpmath.sqrt(g) if k == 0 else mpmath.mpf(1) if k in (4, 5, 6) else None
                if row["found"] == "root":
                    want = [number(row[n]) for n in NAMES]
                    self.assertEqual(want[k], v, line)
                    self.check_root(g, k, v, number(row["M"]), want, turn, high, line)
                elif row["found"] in ("beyond", "vanishing"):
                    # Past the ratio at the last Mach number that is a double.
                    self.assertGreater(v, forms(g, sys.float_info.max if high else 2.0**-1074)[k], line)
                else:
                    self.assertIn(row["found"], ("outside", "atlimit"), line)
                    limit = number(row["limit"])
                    if row["found"] == "atlimit":
                        self.assertEqual(v, limit, line)
                    if limit not in (0.0, 1.0):
                        # The rational ends exactly: 1 + gamma is often a midpoint between doubles.
                        G = Fraction(g)
                        ends = [nearest(e) for e in ((1 + G) ** 2 / (4 * G), 1 + G, G / (1 + G), (1 + G) / G,
                                                     (G * G - 1) / (G * G))]
                        self.assertIn(limit, ends + [rounded(forms(g, mpmath.mpf(2) ** -600)[5])], line)

    def test_heat_rows(self):
        for row in rows("heat_hard.csv")[::17]:
            line = ",".join(row.values())
            g, M1, heat = (float.fromhex(row[n]) for n in ("gamma", "M1", "heat"))
            with mpmath.workprec(PREC):
                m2, g = mpmath.mpf(M1) ** 2, mpmath.mpf(g)
                q_star = (m2 - 1) ** 2 / (2 * (1 + g) * m2 * (1 + (g - 1) / 2 * m2))
                if q_star > 0:
                    self.assertEqual(number(row["qStar"]), rounded(q_star), line)
                ratio = 1 + mpmath.mpf(heat) if row["given"] == "q" else mpmath.mpf(heat)
                if row["found"] == "chokes":
                    self.assertGreater(ratio, 1 + q_star, line)
                if row["found"] != "exit":
                    continue
                M2 = number(row["M2"])
                want = [number(row[n]) for n in ("p", "T", "rho", "V", "p0", "ds")]
                at1 = forms(g, M1)
                choked = heat == number(row["qStar" if row["given"] == "q" else "T0Star"])
                target = 1 if choked else at1[4] * ratio
                if not choked and heat != (0.0 if row["given"] == "q" else 1.0):
                    lo, hi = midpoints(M2)
                    lo, hi = (max(lo, 1), hi) if M1 > 1 else (lo, min(hi, 1))
                    self.assertLessEqual((forms(g, lo)[4] - target) * (forms(g, hi)[4] - target), 0, line)
                    root = between(lambda m: forms(g, m)[4] - target, lo, hi, M2)
                else:
                    root = mpmath.mpf(1 if choked else M1)
                at2 = forms(g, root)
                got = [at2[i] / at1[i] for i in (1, 0, 2, 3, 5)] + [at1[6] - at2[6]]
                for name, x, w in zip(("p", "T", "rho", "V", "p0", "ds"), got, want):
                    r = rounded(abs(x))
                    if r is not None:
                        self.assertEqual(math.copysign(r, x) if x else 0.0, w, f"{line}: {name}")


if __name__ == "__main__":
    unittest.main()
