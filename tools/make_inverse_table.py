#!/usr/bin/env python3
# Writes tests/data/inverse_hard.csv and tests/data/heat_hard.csv: the exact inverse of each ratio and the exact heat
# process at hard inputs, every number the double nearest its exact value, as hex floats. Roots of p, rho and V are
# rational and those of T and T0 quadratic: M is rounded by comparing the ratio at the midpoints between doubles
# exactly. Roots of p0 and s come from mpmath at 320 bits (more next to M = 1), checked at twice that. Seeded: the same
# files each run.
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
TWO_ROOTS = {"T", "T0", "p0", "s"}
GAMMAS = [math.nextafter(1.0, 2.0), 1.0001, 1.01, 1.1, 1.4, 5 / 3, 2.0, 10.0, 1000.0, 1e6]
MIN_SUB, MAX = 2.0**-1074, sys.float_info.max
# M rounds to infinity from 2^1024 - 2^970 up, and to 0 at 2^-1075 and below (ties to even).
M_INF, M_ZERO = Fraction(2**1024 - 2**970), Fraction(1, 2**1075)


class Undecided(ArithmeticError):
    pass


def exact(name, g, X):
    """Ratio name at M^2 = X, exactly, for the rational ones."""
    A, B, C = 1 + g, 1 + g * X, 2 + (g - 1) * X
    return {"T": A * A * X / (B * B), "p": A / B, "rho": B / (A * X), "V": A * X / B, "T0": A * X * C / (B * B)}[name]


def mp_ratios(g, X):
    """The seven ratios at M^2 = X (an mpf or a Fraction) at the working precision; p0 and s through their logarithms."""
    gm = mpmath.mpf(g)
    X = mp(X) if isinstance(X, Fraction) else X
    A, B, C = 1 + gm, 1 + gm * X, 2 + (gm - 1) * X
    e = gm / (gm - 1)
    lnA, lnB = mpmath.log(A), mpmath.log(B)
    lnp, lnT = lnA - lnB, 2 * lnA + mpmath.log(X) - 2 * lnB
    return [A * A * X / (B * B), A / B, B / (A * X), A * X / B, A * X * C / (B * B),
            mpmath.exp(lnp + e * (mpmath.log(C) - lnA)), lnp - e * lnT]


def extra_bits(d):
    """Bits lost at |M^2 - 1| = d (a Fraction or an mpf), where p0 - 1 and s vanish as d^2, and to gamma/(gamma - 1)
    up to 2^52."""
    if d == 0 or d >= 1:
        return 120
    if isinstance(d, Fraction):
        return 120 + 2 * (d.denominator.bit_length() - d.numerator.bit_length() + 1)
    return 120 + 2 * (int(-mpmath.log(d, 2)) + 1)


def decided(values_low, values_high, known=0):
    """Each value's double, when both precisions agree and no midpoint is within 2^-150 ulp; the first known are
    rational, found exactly elsewhere (None here)."""
    out = [None] * known
    for lo, hi in zip(values_low[known:], values_high[known:]):
        a, b = to_fraction(lo), to_fraction(hi)
        if a == 0 and b == 0:
            out.append(0.0)
            continue
        if sign(a) != sign(b) or nearest(abs(a)) != nearest(abs(b)) or tie_distance(abs(b)) < Fraction(1, 2**150):
            raise Undecided
        out.append(nearest(abs(b)) * sign(b))
    return out


def ratios_at(g, X_fraction, X_at, distance=None):
    """The seven correctly rounded ratios at the exact root: X_fraction when rational, else X_at(prec) gives it."""
    if X_fraction == 1:
        return [1.0] * 6 + [0.0]
    gf = Fraction(g)
    bits = PREC + extra_bits(abs(X_fraction - 1) if X_fraction is not None else distance)
    with mpmath.workprec(bits):
        low = mp_ratios(g, X_fraction if X_fraction is not None else X_at(bits))
    with mpmath.workprec(2 * bits):
        high = mp_ratios(g, X_fraction if X_fraction is not None else X_at(2 * bits))
    out = decided(low, high, 5)
    if X_fraction is None and not isinstance(X_at, Surd):
        # X known within a part in 2^bits: the rational ratios, monotone over so small an interval, take one double
        # at both ends, or the row is left out (as where the root sits at 1 + gamma's midpoint's side).
        with mpmath.workprec(2 * bits):
            X = to_fraction(X_at(2 * bits))
        ends = [X * (1 - Fraction(1, 2**bits)), X * (1 + Fraction(1, 2**bits))]
        out[:5] = [nearest(exact(n, gf, ends[0])) for n in NAMES[:5]]
        if out[:5] != [nearest(exact(n, gf, ends[1])) for n in NAMES[:5]]:
            raise Undecided
    if isinstance(X_at, Surd):
        out[:5] = [nearest_surd(exact(n, gf, X_at), low[i]) for i, n in enumerate(NAMES[:5])]
    if X_fraction is not None:
        out[:5] = [nearest(exact(n, gf, X_fraction)) for n in NAMES[:5]]
        if gf / (gf - 1) == 2:  # gamma = 2: p0 is rational
            p0 = exact("p", gf, X_fraction) * ((2 + X_fraction) / 3) ** 2
            out[5] = nearest(p0)
    return out


def sign(x):
    return (x > 0) - (x < 0)


class Surd:
    """p + q sqrt(D) with rational p, q, D: a root of T or T0 exactly, so that the ratios at it round exactly.
    Called with a precision, its value in mpmath, by a formula free of cancellation when one is given."""

    def __init__(self, p, q, D, stable=None):
        self.p, self.q, self.D, self.stable = Fraction(p), Fraction(q), D, stable

    def _lift(self, other):
        return other if isinstance(other, Surd) else Surd(other, 0, self.D)

    def __add__(self, other):
        o = self._lift(other)
        return Surd(self.p + o.p, self.q + o.q, self.D)

    __radd__ = __add__

    def __neg__(self):
        return Surd(-self.p, -self.q, self.D)

    def __sub__(self, other):
        return self + -self._lift(other)

    def __rsub__(self, other):
        return -self + other

    def __mul__(self, other):
        o = self._lift(other)
        return Surd(self.p * o.p + self.q * o.q * self.D, self.p * o.q + self.q * o.p, self.D)

    __rmul__ = __mul__

    def __truediv__(self, other):
        o = self._lift(other)
        norm = o.p * o.p - o.q * o.q * self.D
        return self * Surd(o.p / norm, -o.q / norm, self.D)

    def __rtruediv__(self, other):
        return self._lift(other) / self

    def sign(self):
        a, b = sign(self.p), sign(self.q)
        if a == b or b == 0:
            return a
        if a == 0:
            return b
        return a * sign(self.p * self.p - self.q * self.q * self.D)

    def __call__(self, prec):
        with mpmath.workprec(prec):
            return self.stable() if self.stable else mp(self.p) + mp(self.q) * mpmath.sqrt(mp(self.D))


def nearest_surd(x, approx):
    """The double nearest the positive Surd x, from an approximation of it."""
    start = min(nearest(to_fraction(approx)), MAX) if approx > 0 else 0.0
    return round_monotone(start, lambda m: -(x - m).sign())


def fraction_sqrt(x):
    """sqrt(x) when x is a rational square, else None."""
    n, d = x.numerator, x.denominator
    rn, rd = math.isqrt(n), math.isqrt(d)
    return Fraction(rn, rd) if rn * rn == n and rd * rd == d else None


def next_up(x):
    return math.nextafter(x, math.inf)


def next_down(x):
    return math.nextafter(x, 0.0)


def approx_sqrt(X):
    """A double next to sqrt(X), X an mpf or a Fraction."""
    with mpmath.workprec(PREC):
        return min(nearest(to_fraction(mpmath.sqrt(mp(X) if isinstance(X, Fraction) else X))), MAX)


def round_monotone(candidate, above):
    """The double nearest a root, from a candidate close to it; above(m) is the sign of (m - root) for rational m."""
    c = candidate
    for _ in range(8):
        up, down = next_up(c), next_down(c)
        hi = above((Fraction(c) + Fraction(up)) / 2 if up < math.inf else M_INF)
        lo = above((Fraction(c) + Fraction(down)) / 2) if c > 0 else -1
        if hi <= 0 and up == math.inf:
            return math.inf
        if hi < 0:
            c = up
        elif lo > 0:
            c = down
        elif hi == 0:  # the root is a midpoint: ties to even
            return c if scaled_even(c) else up
        elif lo == 0:
            return c if scaled_even(c) else down
        else:
            return c
    raise Undecided


def scaled_even(x):
    return x == 0 or (Fraction(x) / Fraction(math.ulp(x))) % 2 == 0


def range_of(name, high, g):
    """(low end, high end, low reached only in the limit, high reached only in the limit) as Fractions; None for
    no end below the largest double. An end reached at a flow's own state (M = 1, the maximum of T) is no limit."""
    A = 1 + g
    L = (g * g - 1) / (g * g)
    return {
        "T": (Fraction(0), A * A / (4 * g), True, False),
        "p": (Fraction(0), A, True, True),
        "rho": (g / A, None, True, True),
        "V": (Fraction(0), A / g, True, True),
        "T0": (L if high else Fraction(0), Fraction(1), True, False),
        "p0": (Fraction(1), None if high else "p0(0)", False, True),
        "s": (Fraction(0), None, False, True),
    }[name]


def p0_at_zero(g, prec):
    with mpmath.workprec(prec):
        gm = mp(Fraction(g))
        return (1 + gm) * (2 / (1 + gm)) ** (gm / (gm - 1))


def compare_p0_zero(g, v):
    """Sign of v - p0(M = 0); never 0 but where p0(0) is rational (gamma = 2: 4/3, no double)."""
    for prec in (PREC, 2 * PREC):
        d = mpmath.mpf(v) - p0_at_zero(g, prec)
        if abs(d) > mpmath.ldexp(abs(mpmath.mpf(v)), -PREC + 20):
            return 1 if d > 0 else -1
    raise Undecided


def classify(name, high, g, v):
    """('outside'|'atlimit', limit) when v is no interior value of the branch's range, else None."""
    low_end, high_end, low_open, high_open = range_of(name, high, g)
    V = Fraction(v)
    # A value of 0 is no limit but outside: no ratio is 0.
    if V < low_end or (V == low_end and low_open):
        return ("outside" if V < low_end or V == 0 else "atlimit"), nearest(low_end) if low_end > 0 else 0.0
    if high_end == "p0(0)":
        side = compare_p0_zero(g, v)
        if side >= 0:
            return ("outside" if side > 0 else "atlimit"), float(to_fraction_nearest(p0_at_zero(g, 2 * PREC)))
        return None
    if high_end is not None and (V > high_end or (V == high_end and high_open)):
        return ("outside" if V > high_end else "atlimit"), nearest(high_end)
    return None


def to_fraction_nearest(x):
    return nearest(to_fraction(x))


def closed_root(name, high, g, V):
    """(X as a Fraction or None, X at a precision, the rational ratio's direction in X) for T, p, rho, V and T0."""
    A = 1 + g
    if name == "p":
        return (A / V - 1) / g, None, -1
    if name == "V":
        return V / (A - g * V), None, 1
    if name == "rho":
        return 1 / (V * A - g), None, -1
    if name == "T":
        # T g^2 X^2 + (2 T g - A^2) X + T = 0; the roots' product is 1/g^2.
        radicand = A * A - 4 * g * V
        r = fraction_sqrt(radicand)
        if r is not None:
            big = (A * A - 2 * V * g + A * r) / (2 * V * g * g)
            return (big if high else 1 / (g * g * big)), None, (-1 if high else 1)

        big = Surd((A * A - 2 * V * g) / (2 * V * g * g), A / (2 * V * g * g), radicand)
        X = big if high else 1 / (g * g * big)

        def stable():
            big = (mp(A * A - 2 * V * g) + mp(A) * mpmath.sqrt(mp(radicand))) / mp(2 * V * g * g)
            return big if high else 1 / (mp(g * g) * big)

        return None, Surd(X.p, X.q, X.D, stable), (-1 if high else 1)
    # T0: (T0 g^2 - (g^2 - 1)) X^2 + 2 (T0 g - A) X + T0 = 0, discriminant 4 A^2 (1 - T0).
    a = V * g * g - (g * g - 1)
    t = fraction_sqrt(1 - V)
    if t is not None:
        n = A - V * g + A * t
        return (n / a if high else V / n), None, (-1 if high else 1)

    n = Surd(A - V * g, A, 1 - V)
    X = n / a if high else V / n

    def stable():
        n = mp(A - V * g) + mp(A) * mpmath.sqrt(mp(1 - V))
        return n / mp(a) if high else mp(V) / n

    return None, Surd(X.p, X.q, X.D, stable), (-1 if high else 1)


def log_p0_and_s(g, u):
    """ln p0 and s at ln(M^2) = u, at the working precision."""
    gm = mpmath.mpf(g)
    e = gm / (gm - 1)
    X = mpmath.exp(u)
    lnA, lnB, lnC = mpmath.log(1 + gm), mpmath.log(1 + gm * X), mpmath.log(2 + (gm - 1) * X)
    lnp = lnA - lnB
    return lnp + e * (lnC - lnA), lnp - e * (2 * lnA + u - 2 * lnB)


def secant(f, start, prec):
    """The root of f next to start at prec bits (mpmath's findroot stops when its two first points agree)."""
    with mpmath.workprec(prec):
        x0 = mpmath.mpf(start)
        x1 = x0 * (1 + mpmath.ldexp(1, -30))
        f0, last = f(x0), None
        for i in range(200):
            f1 = f(x1)
            if f1 == f0 or f1 == 0:
                return x1
            x2 = x1 - f1 * (x1 - x0) / (f1 - f0)
            step = abs(x2 - x1)
            # Done at full precision, or where rounding noise in f stops the steps shrinking.
            if step <= abs(x1) * mpmath.ldexp(1, -prec + 4) or (i > 4 and step >= last):
                return x2
            x0, f0, x1, last = x1, f1, x2, step
    raise Undecided


def transcendental_root(name, high, g, v):
    """ln(M^2) at the root of p0 or s on one branch: ('beyond'|'vanishing', None) past the doubles, else
    ('root', u at a precision, the precision the root needs)."""
    k = 0 if name == "p0" else 1
    sign = 1 if high else -1
    small = math.log2(v - 1) if name == "p0" else math.log2(v) if v > 0 else -1100
    bits = PREC + 120 + max(0, int(-small))

    def f(u):
        # Relative for s, which spans the doubles; ln p0 is already.
        got = log_p0_and_s(g, u)[k]
        return got - mpmath.log(v) if name == "p0" else got / v - 1

    # The branch's last double: past it the root rounds to infinity or 0; both quantities grow with |u|.
    edge = M_INF if high else M_ZERO
    with mpmath.workprec(bits):
        if f(2 * mpmath.log(mp(edge))) <= 0:
            with mpmath.workprec(2 * bits):
                if f(2 * mpmath.log(mp(edge))) > 0:
                    raise Undecided
            return ("beyond" if high else "vanishing"), None
        lo, hi = -800.0, math.log(abs(2 * math.log(2) * (1024 if high else -1075)))
        for _ in range(64):
            mid = (lo + hi) / 2
            if f(sign * mpmath.exp(mid)) < 0:
                lo = mid
            else:
                hi = mid
        u0 = sign * mpmath.exp(mpmath.mpf((lo + hi) / 2))

    cache = {}

    def at(prec):
        if prec not in cache:
            cache[prec] = secant(f, u0 if not cache else cache[max(cache)], prec)
        return cache[prec]

    at(bits)
    return "root", at, bits


def inverse_row(name, high, g, v):
    """(found, M, the seven ratios, limit): M and the ratios None unless a root, limit None unless at or past an
    end."""
    gf = Fraction(g)
    if (name in ("T0", "p0") and v == 1) or (name == "s" and v == 0):
        return "root", 1.0, [1.0] * 6 + [0.0], None
    edge = classify(name, high, gf, v)
    if edge is not None:
        return edge[0], None, None, edge[1]
    if name in ("p0", "s"):
        found, u_at, *rest = transcendental_root(name, high, g, v)
        if found != "root":
            return found, None, None, None
        bits = rest[0]

        def X_at(prec):
            with mpmath.workprec(prec):
                return mpmath.exp(u_at(prec))

        Ms = []
        for prec in (bits, 2 * bits):
            with mpmath.workprec(prec):
                Ms.append(to_fraction(mpmath.exp(u_at(prec) / 2)))
        if nearest(Ms[0]) != nearest(Ms[1]) or tie_distance(Ms[1]) < Fraction(1, 2**150):
            raise Undecided
        M = nearest(Ms[1])
        with mpmath.workprec(bits):
            X_fraction, distance = None, abs(mpmath.expm1(u_at(bits)))
    else:
        V = Fraction(v)
        X_fraction, X_at, direction = closed_root(name, high, gf, V)
        if X_fraction is not None:
            M = round_monotone(approx_sqrt(X_fraction), lambda m: (m * m > X_fraction) - (m * m < X_fraction))
        else:
            approx = approx_sqrt(X_at(PREC))

            def above(m):
                d = exact(name, gf, m * m) - V
                return direction * ((d > 0) - (d < 0))

            M = round_monotone(approx, above)
            with mpmath.workprec(PREC):
                distance = abs(X_at(PREC) - 1)
        distance = None if X_fraction is not None else distance
    if M == math.inf:
        return "beyond", None, None, None
    if M == 0:
        return "vanishing", None, None, None
    values = ratios_at(g, X_fraction, X_at, distance)
    values[NAMES.index(name)] = v
    return "root", M, values, None


def steps(x, count, down_only=False):
    """x and the count doubles either side (or below) it, kept finite."""
    out = [x]
    up = down = x
    for _ in range(count):
        up, down = next_up(up), math.nextafter(down, -math.inf)
        out += [down] if down_only else [up, down]
    return [t for t in out if math.isfinite(t)]


def forward_value(name, g, M):
    """The double nearest ratio name at Mach number M."""
    X = Fraction(M) ** 2
    if name in ("p0", "s"):
        return ratios_at(g, X, None)[NAMES.index(name)]
    return nearest(exact(name, Fraction(g), X))


def branches(name):
    return [False, True] if name in TWO_ROOTS else [False]


def end_values(name, high, g):
    """The ends of the branch's range and the doubles 1..4 ulps either side; the largest double for open tops."""
    gf = Fraction(g)
    low_end, high_end, _, _ = range_of(name, high, gf)
    out = steps(nearest(low_end) if low_end > 0 else 0.0, 4)
    if high_end == "p0(0)":
        out += steps(to_fraction_nearest(p0_at_zero(g, 2 * PREC)), 4)
    elif high_end is not None:
        out += steps(nearest(high_end), 4)
    else:
        out += steps(MAX, 4, down_only=True)
    return out


def random_values(name, high, g, rnd, count):
    """Values across the branch's range: log-uniform in the value and in its distance from each end."""
    low_end, high_end, _, _ = range_of(name, high, Fraction(g))
    lo = float(low_end)
    hi = float(p0_at_zero(g, 80)) if high_end == "p0(0)" else MAX if high_end is None else float(high_end)
    width = math.log(hi - lo) if hi < MAX else math.log(hi)
    out = []
    for i in range(count):
        if i % 3 == 0 or (i % 3 == 2 and hi == MAX):
            v = math.exp(rnd.uniform(math.log(max(lo, MIN_SUB)), math.log(hi)))
        elif i % 3 == 1:
            v = lo + math.exp(rnd.uniform(-744 if lo == 0 else width - 40, width))
        else:
            v = hi - math.exp(rnd.uniform(width - 40, width))
        if lo < v < hi:
            out.append(v)
    return out


def boundary_values(name, high, g):
    """For s and p0: the values at the Mach numbers where M leaves the doubles or turns subnormal, read back."""
    if name not in ("p0", "s"):
        return []
    Ms = [MAX, 2.0**1000] if high else [2.0**-1074 * 3, 2.0**-1060, 2.0**-1022, 2.0**-1000]
    out = []
    for M in Ms:
        try:
            out += steps(forward_value(name, g, M), 2)
        except Undecided:
            pass
    # Where the root crosses the last double: from the value at M = 2^1024 - 2^970 or 2^-1075 exactly.
    edge = M_INF if high else M_ZERO
    with mpmath.workprec(PREC + 200):
        value = log_p0_and_s(g, 2 * mpmath.log(mp(edge)))[0 if name == "p0" else 1]
        value = mpmath.exp(value) if name == "p0" else value
        if mpmath.isfinite(value) and value < MAX:
            out += steps(to_fraction_nearest(value), 2)
    return [v for v in out if 0 < v < math.inf]


def tie_search(g, name, rnd, tries, keep):
    """The keep values of p, rho or V, among tries random ones, whose root's M, T or T0 lies closest to a midpoint
    between doubles: their roots are rational, so the search is cheap."""
    gf = Fraction(g)
    scored = []
    for v in random_values(name, False, g, rnd, tries):
        X = closed_root(name, False, gf, Fraction(v))[0]
        with mpmath.workprec(200):
            close = [tie_distance(to_fraction(mpmath.sqrt(mp(X))))]
        close += [tie_distance(exact(n, gf, X)) for n in ("T", "T0")]
        scored.append((min(close), v))
    scored.sort()
    return [v for _, v in scored[:keep]]


def inverse_rows(seed, count, tries, keep):
    rnd = random.Random(seed)
    rows, skipped = [], 0
    for g in GAMMAS:
        gf = Fraction(g)
        for name in NAMES:
            for high in branches(name):
                vs = [("end", v) for v in end_values(name, high, g)]
                if name == "T":
                    vs += [("max", v) for v in steps(nearest((1 + gf) ** 2 / (4 * gf)), 2)]
                for M in (1e-8, 1e9, 1e100, 1e-100):
                    on_high = M > 1 if name != "T" else M * M * g > 1
                    if on_high == high or name not in TWO_ROOTS:
                        vs.append(("forward", forward_value(name, g, M)))
                vs += [("edge", v) for v in boundary_values(name, high, g)]
                vs += [("random", v) for v in random_values(name, high, g, rnd, count)]
                if name in ("p", "rho", "V"):
                    vs += [("tie", v) for v in tie_search(g, name, rnd, tries, keep)]
                seen = set()
                for kind, v in vs:
                    if v in seen or not math.isfinite(v):
                        continue
                    seen.add(v)
                    try:
                        rows.append((kind, name, high, g, v) + inverse_row(name, high, g, v))
                    except Undecided:
                        skipped += 1
    return rows, skipped


def hexes(values):
    return ["" if v is None else float.hex(float(v)) for v in values]


def write_inverse(path, rows):
    with open(path, "w") as f:
        f.write("quantity,branch,gamma,value,found,M," + ",".join(NAMES) + ",limit\n")
        for _, name, high, g, v, found, M, values, limit in rows:
            cells = [name, "sup" if high else "sub"] + hexes([g, v]) + [found] + hexes([M] + (values or [None] * 7))
            f.write(",".join(cells + hexes([limit])) + "\n")


# The heat process.


def T0_ratio(g, X):
    A, B = 1 + g, 1 + g * X
    return A * X * (2 + (g - 1) * X) / (B * B)


def exit_X(g, target, high):
    """X2 with T0/T0*(X2) = target on one branch, as closed_root gives it."""
    return closed_root("T0", high, g, target)


def heat_row(g, M1, heat, q_given):
    gf, X1 = Fraction(g), Fraction(M1) ** 2
    R1 = T0_ratio(gf, X1)
    ratio = 1 + Fraction(heat) if q_given else Fraction(heat)
    L = (gf * gf - 1) / (gf * gf)
    q_star = 1 / R1 - 1
    fields = {
        "T0": nearest(ratio) if q_given else heat,
        "q": heat if q_given else (nearest(ratio - 1) if ratio > 1 else -nearest(1 - ratio) if ratio < 1 else 0.0),
        "qStar": nearest(q_star) if q_star > 0 else 0.0,
        "T0Star": nearest(1 / R1),
        "T0Limit": nearest(L),
        "leastT0Ratio": nearest(L / R1) if M1 > 1 else None,
        "mostTaken": nearest(1 - L / R1) if M1 > 1 else None,
    }
    choke_at = fields["qStar"] if q_given else fields["T0Star"]
    if ratio == 1:
        found, X2 = "exit", X1
    elif heat == choke_at:
        found, X2 = "exit", Fraction(1)
    elif ratio * R1 > 1:
        found, X2 = "chokes", None
    elif M1 == 1:
        found, X2 = "sonic", None
    elif M1 > 1 and ratio * R1 < L:
        found, X2 = "pastlimit", None
    elif M1 > 1 and ratio * R1 == L:
        found, X2 = "atlimit", None
    else:
        found, X2 = "exit", "solve"
    exits = None
    if found == "exit":
        target = ratio * R1
        if X2 == "solve":
            X2, X_at, direction = exit_X(gf, target, M1 > 1)
        else:
            X_at, direction = None, 1
        if X2 is not None:
            M2 = M1 if X2 == X1 else 1.0 if X2 == 1 else round_monotone(approx_sqrt(X2), lambda m: (m * m > X2) - (m * m < X2))
        else:
            approx = approx_sqrt(X_at(PREC))

            def above(m):
                d = T0_ratio(gf, m * m) - target
                return direction * ((d > 0) - (d < 0))

            M2 = round_monotone(approx, above)
        if M2 == math.inf or M2 == 0:
            found = "beyond" if M2 == math.inf else "vanishing"
        else:
            exits = [M2] + exit_ratios(g, X1, X2, X_at, M2, extra_bits(abs(ratio - 1)) // 2)
    return found, fields, exits


def exit_ratios(g, X1, X2, X_at, M2, small_heat):
    """p, T, rho, V, p0 exit over inlet and ds, each correctly rounded."""
    if X2 == X1:
        return [1.0] * 5 + [0.0]
    gf = Fraction(g)
    if X2 is not None:
        distance = abs(X2 - 1)
    else:
        with mpmath.workprec(PREC):
            distance = abs(X_at(PREC) - 1)
    # ds is of the order of the heat: a small one cancels as many bits more.
    bits = PREC + max(extra_bits(distance), extra_bits(abs(X1 - 1))) + small_heat
    values = []
    for prec in (bits, 2 * bits):
        with mpmath.workprec(prec):
            a = mp_ratios(g, X1)
            b = mp_ratios(g, X2 if X2 is not None else X_at(prec))
            values.append([b[1] / a[1], b[0] / a[0], b[2] / a[2], b[3] / a[3], b[5] / a[5], a[6] - b[6]])
    out = decided(values[0], values[1], 4 if X2 is not None or isinstance(X_at, Surd) else 0)
    if isinstance(X_at, Surd):
        out[:4] = [nearest_surd(exact(n, gf, X_at) / exact(n, gf, X1), values[0][i]) for i, n in
                   enumerate(("p", "T", "rho", "V"))]
    if X2 is not None:
        out[:4] = [nearest(exact(n, gf, X2) / exact(n, gf, X1)) for n in ("p", "T", "rho", "V")]
    return out


HEAT_M1 = [0.01, 0.5, 0.99, 1.01, 2.0, 10.0]
HUGE_M1 = [1e6, 1e9, 1e10, 1e100]


def heat_cases(g):
    """(kind, M1, heat, q given) at one gamma."""
    gf = Fraction(g)
    out = []
    for M1 in HEAT_M1:
        R1 = T0_ratio(gf, Fraction(M1) ** 2)
        for q in (1e-16, 1e-12, 1e-8, 1e-4):
            out += [("small", M1, q, True), ("small", M1, -q, True)]
        out += [("small", M1, nearest(1 + Fraction(1e-8)), False), ("small", M1, nearest(1 - Fraction(1e-4)), False)]
        out += [("choke", M1, h, True) for h in steps(nearest(1 / R1 - 1), 2)]
        out += [("choke", M1, h, False) for h in steps(nearest(1 / R1), 2)]
        if M1 > 1:
            L = (gf * gf - 1) / (gf * gf)
            out += [("limit", M1, h, False) for h in steps(nearest(L / R1), 2)]
            out += [("limit", M1, -h, True) for h in steps(nearest(1 - L / R1), 2)]
        out += [("moderate", M1, h, False) for h in (1.5, 0.8)] + [("moderate", M1, h, True) for h in (0.3, -0.2)]
    for M1 in HUGE_M1:
        out += [("huge", M1, h, True) for h in (1e-3, 1.0, -1e-20, -1e-300, 0.0)]
        out += [("huge", M1, h, False) for h in (1.001, 1 - 2.0**-53, 0.5)]
    out += [("sonic", 1.0, h, True) for h in (1e-8, -1e-8, 0.0, -0.5)]
    out += [("sonic", 1.0, h, False) for h in (next_up(1.0), next_down(1.0), 1.0)]
    # M2 subnormal and rounding to 0: the least inlets, cooled hard.
    out += [("tiny", 2.0**-1074, h, False) for h in (MIN_SUB, 2.0**-600, 0.5)]
    out += [("tiny", 2.0**-540, h, True) for h in (-1 + 2.0**-53, -0.5)]
    return out


def heat_rows():
    rows, skipped = [], 0
    for g in GAMMAS:
        for kind, M1, heat, q_given in heat_cases(g):
            try:
                rows.append((kind, g, M1, heat, q_given) + heat_row(g, M1, heat, q_given))
            except Undecided:
                skipped += 1
    return rows, skipped


HEAT_FIELDS = ["T0", "q", "qStar", "T0Star", "T0Limit", "leastT0Ratio", "mostTaken"]


def write_heat(path, rows):
    with open(path, "w") as f:
        f.write("gamma,M1,heat,given," + "found," + ",".join(HEAT_FIELDS) + ",M2,p,T,rho,V,p0,ds\n")
        for _, g, M1, heat, q_given, found, fields, exits in rows:
            cells = hexes([g, M1, heat]) + ["q" if q_given else "T0", found] + hexes([fields[n] for n in HEAT_FIELDS])
            f.write(",".join(cells + hexes(exits or [None] * 7)) + "\n")


def main():
    parser = argparse.ArgumentParser(description="Writes the tables of hard inverse and heat cases.")
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data")
    parser.add_argument("--inverse", default=os.path.join(data, "inverse_hard.csv"))
    parser.add_argument("--heat", default=os.path.join(data, "heat_hard.csv"))
    parser.add_argument("--seed", type=int, default=21)
    parser.add_argument("--random", type=int, default=12, help="random values per quantity, branch and gamma")
    parser.add_argument("--tries", type=int, default=3000, help="random p, rho and V searched for near-ties, per gamma")
    parser.add_argument("--keep", type=int, default=3, help="near-ties kept per quantity and gamma")
    args = parser.parse_args()
    rows, skipped = inverse_rows(args.seed, args.random, args.tries, args.keep)
    write_inverse(args.inverse, rows)
    counts = {}
    for kind, *_, found, _M, _v, _l in rows:
        counts[(kind, found)] = counts.get((kind, found), 0) + 1
    print(f"{len(rows)} rows to {args.inverse}, {skipped} undecided left out")
    for key in sorted(counts):
        print("  ", *key, counts[key])
    rows, skipped = heat_rows()
    write_heat(args.heat, rows)
    counts = {}
    for kind, *_, found, _fields, _exits in rows:
        counts[(kind, found)] = counts.get((kind, found), 0) + 1
    print(f"{len(rows)} rows to {args.heat}, {skipped} undecided left out")
    for key in sorted(counts):
        print("  ", *key, counts[key])


if __name__ == "__main__":
    main()
